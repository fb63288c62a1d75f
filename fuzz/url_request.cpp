// URL parsing and request building. The bytes are a download address; the real client parses
// it and sends its request over a socket pair (a kept connection, so nothing is looked up or
// connected). Whatever the address, the request that leaves is one request line and header
// lines, none with a CR, LF or NUL of the address inside it.
#include <string>

#include "httpclient/http_context.h"
#include "support/fuzz_support.h"

namespace {

// Every line of the request ends with CR LF, holds no other CR, LF or NUL, and the request
// ends with its empty line.
void expect_well_formed(const std::string& request) {
  FUZZ_CHECK(request.size() >= 4 && request.compare(request.size() - 4, 4, "\r\n\r\n") == 0,
             request);
  std::size_t start = 0;
  while (start < request.size()) {
    const auto end = request.find("\r\n", start);
    FUZZ_CHECK(end != std::string::npos, request);
    const std::string line = request.substr(start, end - start);
    FUZZ_CHECK(line.find_first_of(std::string("\r\n\0", 3)) == std::string::npos, request);
    start = end + 2;
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::isolate_process();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string url(reinterpret_cast<const char*>(data), size);
  fuzz::socket_pair server;
  HTTPClientContextPtr context(HTTPClientCreateContext(0));
  context->socket = server.hand_over_client();
  context->reusable = 1;
  const std::int32_t result =
      HTTPClientSendRequest(context.get(), url.c_str(), nullptr, 0, 0, 5, 0, "1024");
  const std::string request = server.received_by_server();
  if (result != HC_OK) {
    // A refused address sends nothing at all; nor does https, which has no secure transport.
    FUZZ_CHECK(result == HC_BAD_URL || result == HC_URL_TOO_LONG || result == HC_SECURE_FAILED,
               "result " + std::to_string(result));
    FUZZ_CHECK(request.empty(), request);
    return 0;
  }
  expect_well_formed(request);
  // "GET " resource " HTTP/1.1": the resource is one piece that begins with "/".
  const auto line_end = request.find("\r\n");
  const std::string line = request.substr(0, line_end);
  FUZZ_CHECK(line.rfind("GET /", 0) == 0, line);
  FUZZ_CHECK(line.size() >= 13 && line.compare(line.size() - 9, 9, " HTTP/1.1") == 0, line);
  FUZZ_CHECK(line.find(' ', 4) == line.size() - 9, line);
  const std::string resource = line.substr(4, line.size() - 13);
  const std::string parsed(context->resource.start, context->resource.length);
  FUZZ_CHECK(resource == parsed, resource + " / " + parsed);
  // The Host header names the URL's host without its port.
  const std::string host(context->host.start, context->host.length);
  const std::string host_name = host.substr(0, host.find(':'));
  FUZZ_CHECK(request.find("\r\nHost: " + host_name + "\r\n") == line_end, request);
  FUZZ_CHECK(url.find(host) != std::string::npos, host);
  return 0;
}
