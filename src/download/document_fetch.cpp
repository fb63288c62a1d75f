#include "download/document_fetch.h"

#include "httpclient/http_client.h"

namespace {

constexpr std::uint32_t timeout_s = 10;
constexpr std::uint32_t read_bytes = 4096;

// The socket library for this thread while the fetch lasts (counted: the workers' own stays).
struct SocketLibrary {
  SocketLibrary() { WinsockStartup(1); }
  ~SocketLibrary() { WinsockStartup(0); }
  SocketLibrary(const SocketLibrary&) = delete;
  SocketLibrary& operator=(const SocketLibrary&) = delete;
};

}  // namespace

FetchedDocument fetchDocument(const std::string& url, std::size_t limit) {
  const SocketLibrary sockets;
  HTTPClientContextPtr context(HTTPClientCreateContext(0));
  if (!context) return {false, {}, "no memory for the request"};
  std::int32_t result = HTTPClientSetVerb(context.get(), HTTP_VERB_GET);
  if (result == HC_OK)
    result = HTTPClientSendRequest(context.get(), url.c_str(), nullptr, 0, 0, timeout_s, 0, nullptr);
  if (result == HC_OK) result = HTTPClientRecvResponse(context.get(), timeout_s);
  if (result != HC_OK) {
    const std::string secure = HTTPClientGetSecureFailure(context.get());
    return {false, {}, "no answer (client result " + std::to_string(result) + ")" +
                           (secure.empty() ? "" : ": " + secure)};
  }
  if (const std::int32_t status = HTTPClientGetStatus(context.get()); status != 200)
    return {false, {}, "the server answered " + std::to_string(status)};
  FetchedDocument document;
  char piece[read_bytes];
  std::uint32_t received = 0;
  while ((result = HTTPClientRecvBody(context.get(), piece, sizeof piece, timeout_s, &received)) == HC_OK ||
         result == HC_END_OF_DATA) {
    document.body.append(piece, received);
    if (document.body.size() > limit) return {false, {}, "longer than " + std::to_string(limit) + " bytes"};
    if (result == HC_END_OF_DATA) {
      document.fetched = true;
      return document;
    }
  }
  return {false, {}, "the body broke off (client result " + std::to_string(result) + ")"};
}
