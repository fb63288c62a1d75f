// Basic and Digest challenges. The first byte picks the scheme the caller asks for; the rest is
// the server's whole answer to the first request (a 401 or 407 with its challenge). The real
// client reads the challenge, picks the scheme and sends its authorization line on the same
// connection. Whatever the challenge holds, every line the client sends ends with its own
// CR LF and carries no other CR, LF or NUL, so no text of the server's becomes a line of its own.
#include <string>

#include "httpclient/http_context.h"
#include "support/fuzz_support.h"

namespace {

void expect_clean_lines(const std::string& sent, bool complete) {
  std::size_t start = 0;
  while (true) {
    const auto end = sent.find("\r\n", start);
    if (end == std::string::npos) break;
    const std::string line = sent.substr(start, end - start);
    FUZZ_CHECK(line.find_first_of(std::string("\r\n\0", 3)) == std::string::npos, sent);
    start = end + 2;
  }
  // A request that went out whole ends with its empty line; one cut short by a missing
  // challenge value ends inside its authorization line.
  if (complete) FUZZ_CHECK(start == sent.size() && sent.size() >= 4 &&
                               sent.compare(sent.size() - 4, 4, "\r\n\r\n") == 0,
                           sent);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::isolate_process();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::uint32_t scheme = (data[0] & 1) ? HTTP_AUTH_DIGEST : HTTP_AUTH_BASIC;
  const std::string answer(reinterpret_cast<const char*>(data) + 1, size - 1);
  fuzz::socket_pair server;
  HTTPClientContextPtr context(HTTPClientCreateContext(0));
  context->socket = server.hand_over_client();
  context->reusable = 1;
  HTTPClientSetAuth(context.get(), scheme, "player", "s3cret");
  server.answer_and_close(answer);
  // Port 1 of loopback: should the answer close the connection, reconnecting is refused there.
  const std::int32_t result =
      HTTPClientSendRequest(context.get(), "http://127.0.0.1:1/dir/a.zip", nullptr, 0, 0, 5, 0, nullptr);
  const std::string sent = server.received_by_server();
  expect_clean_lines(sent, result == HC_OK && context->reusable);
  if (result == HC_OK && context->reusable) {
    const auto second = sent.find("\r\n\r\n") + 4;
    const std::string prefix = context->status == 407 ? "\r\nProxy-Authorization: " : "\r\nAuthorization: ";
    const std::string kind = scheme == HTTP_AUTH_DIGEST ? "Digest " : "Basic ";
    FUZZ_CHECK(sent.find(prefix + kind, second) != std::string::npos, sent);
  }
  return 0;
}
