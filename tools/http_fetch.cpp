// Fetches one URL with the launcher's HTTP client exactly as a download worker does (a fresh
// context, GET, time-outs 4/3/8 s, 2,048-byte reads into one preallocated 28 MiB buffer) and
// prints the byte count. Used by the benchmark against curl.
#include <cstdint>
#include <cstdio>
#include <memory>

#include "httpclient/http_client.h"

namespace {

constexpr std::uint32_t max_packet_bytes = 29360128;
constexpr std::uint32_t read_size = 2048;

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: http_fetch URL\n");
    return 2;
  }
  const auto buffer = std::make_unique_for_overwrite<char[]>(max_packet_bytes + 1);
  WinsockStartup(1);
  HTTPClientContextPtr context(HTTPClientCreateContext(0));
  std::int32_t result = HTTPClientSetVerb(context.get(), HTTP_VERB_GET);
  if (result == HC_OK)
    result = HTTPClientSendRequest(context.get(), argv[1], nullptr, 0, 0, 4, 0, nullptr);
  if (result == HC_OK) result = HTTPClientRecvResponse(context.get(), 3);
  std::uint32_t sum = 0;
  while (result == HC_OK && sum < max_packet_bytes) {
    const std::uint32_t room = max_packet_bytes - sum + 1;
    std::uint32_t got = 0;
    result = HTTPClientRecvBody(context.get(), buffer.get() + sum, room < read_size ? room : read_size,
                                8, &got);
    sum += got;
  }
  const std::int32_t status = HTTPClientGetStatus(context.get());
  if (*HTTPClientGetSecureFailure(context.get()))
    std::fprintf(stderr, "secure connection failed: %s\n", HTTPClientGetSecureFailure(context.get()));
  context.reset();
  WinsockStartup(0);
  std::printf("status=%d bytes=%u result=%d\n", status, sum, result);
  return result == HC_END_OF_DATA && status == 200 ? 0 : 1;
}
