// Response reading. The bytes are the server's whole answer to a download request: status line,
// headers (100 Continue first or not), Content-Length, chunked or plain body. The real client
// reads it from a socket pair as the download worker does. Whatever arrives, the body it hands
// out is made of bytes that arrived after the headers, never more than arrived, every piece
// within the caller's buffer and terminated, and a Content-Length is never exceeded.
#include <string>

#include "httpclient/http_context.h"
#include "support/fuzz_support.h"

namespace {

constexpr std::uint32_t piece_size = 2048;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::isolate_process();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string answer(reinterpret_cast<const char*>(data), size);
  fuzz::socket_pair server;
  HTTPClientContextPtr context(HTTPClientCreateContext(0));
  context->socket = server.hand_over_client();
  context->reusable = 1;
  if (HTTPClientSendRequest(context.get(), "http://127.0.0.1/dir/a.zip", nullptr, 0, 0, 5, 0,
                            "1024") != HC_OK)
    fuzz::fail("the request is sent", "");
  server.answer_and_close(answer);
  if (HTTPClientRecvResponse(context.get(), 5) != HC_OK) return 0;

  // The last response's status line and headers, as read.
  const std::string headers(context->response_headers(),
                            static_cast<std::size_t>(context->response_headers_length));
  FUZZ_CHECK(headers.size() >= 4 && headers.compare(headers.size() - 4, 4, "\r\n\r\n") == 0,
             "a response without its empty line was parsed");
  FUZZ_CHECK(answer.find(headers) != std::string::npos, headers);
  const bool chunked = (HTTPClientGetOptions(context.get()) & HTTP_CLIENT_FLAG_CHUNKED_BODY) != 0;
  const std::int32_t content_length = HTTPClientGetContentLength(context.get());

  std::string body;
  char piece[piece_size];
  std::int32_t result = HC_OK;
  for (int reads = 0; result == HC_OK; ++reads) {
    FUZZ_CHECK(reads <= static_cast<int>(size) + 2, "the body reads never end");
    std::uint32_t received = piece_size;
    result = HTTPClientRecvBody(context.get(), piece, piece_size, 5, &received);
    FUZZ_CHECK(received < piece_size, std::to_string(received));
    FUZZ_CHECK(piece[received] == '\0', "the piece is terminated");
    FUZZ_CHECK(result == HC_OK || result == HC_END_OF_DATA || received == 0,
               "a failed read delivers nothing");
    body.append(piece, received);
  }
  FUZZ_CHECK(body.size() <= answer.size() - headers.size(),
             std::to_string(body.size()) + " body bytes of " + std::to_string(answer.size()));
  if (content_length > 0)
    FUZZ_CHECK(body.size() <= static_cast<std::size_t>(content_length), std::to_string(body.size()));
  // A plain body is the bytes right after the headers, in order.
  if (!chunked) FUZZ_CHECK(answer.find(headers + body) != std::string::npos, "the body is what arrived");
  return 0;
}
