#include "update/base64.h"

#include <cstdint>

namespace {

constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::size_t encoded_length(std::size_t length) { return (length + 2) / 3 * 4; }

}  // namespace

std::size_t Base64Encode(const void* data, std::size_t length, char* out, std::size_t out_size) {
  const std::size_t needed = encoded_length(length);
  if (!out || out_size < needed + 1) return 0;
  const auto* in = static_cast<const std::uint8_t*>(data);
  std::size_t o = 0;
  for (std::size_t i = 0; i < length; i += 3) {
    const std::size_t left = length - i;
    const std::uint32_t group = (std::uint32_t{in[i]} << 16) |
                                (left > 1 ? std::uint32_t{in[i + 1]} << 8 : 0) |
                                (left > 2 ? std::uint32_t{in[i + 2]} : 0);
    out[o++] = alphabet[(group >> 18) & 63];
    out[o++] = alphabet[(group >> 12) & 63];
    out[o++] = left > 1 ? alphabet[(group >> 6) & 63] : '=';
    out[o++] = left > 2 ? alphabet[group & 63] : '=';
  }
  out[o] = '\0';
  return o;
}

std::string base64_encode(std::string_view bytes) {
  std::string out(encoded_length(bytes.size()) + 1, '\0');
  out.resize(Base64Encode(bytes.data(), bytes.size(), out.data(), out.size()));
  return out;
}
