#include "platform/linux/hand_over_message.h"

namespace platform::linux_impl {

namespace {

void put_u32(std::string& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint32_t get_u32(const char* in) {
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value |= std::uint32_t{static_cast<unsigned char>(in[i])} << (8 * i);
  return value;
}

}  // namespace

std::string encode_hand_over(const copy_data& request) {
  std::string message;
  message.reserve(hand_over_header_bytes + request.text.size() * 2);
  put_u32(message, static_cast<std::uint32_t>(request.dwData));
  put_u32(message, static_cast<std::uint32_t>(request.text.size() * 2));
  for (const char16_t unit : request.text) {
    message += static_cast<char>(unit & 0xFF);
    message += static_cast<char>(unit >> 8);
  }
  return message;
}

std::optional<std::uint32_t> announced_text_bytes(std::string_view header) {
  if (header.size() < hand_over_header_bytes) return std::nullopt;
  const std::uint32_t byte_count = get_u32(header.data() + 4);
  if (byte_count > hand_over_max_bytes) return std::nullopt;
  return byte_count;
}

std::optional<copy_data> decode_hand_over(std::string_view message) {
  const auto byte_count = announced_text_bytes(message);
  if (!byte_count || message.size() - hand_over_header_bytes < *byte_count) return std::nullopt;
  copy_data request;
  request.dwData = get_u32(message.data());
  request.text.resize(*byte_count / 2);
  const char* bytes = message.data() + hand_over_header_bytes;
  for (std::size_t i = 0; i < request.text.size(); ++i) {
    request.text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                            (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  }
  return request;
}

}  // namespace platform::linux_impl
