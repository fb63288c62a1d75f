#pragma once
// The bytes of a hand-over request on Linux: dwData and the text's byte count as little-endian
// 32-bit numbers, then the text as UTF-16LE.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/hand_over.h"

namespace platform::linux_impl {

inline constexpr std::size_t hand_over_header_bytes = 8;

// The whole message; the text must fit hand_over_max_bytes.
std::string encode_hand_over(const copy_data& request);

// The byte count a header announces; nothing when a receiver would not take that many.
std::optional<std::uint32_t> announced_text_bytes(std::string_view header);

// The request of a message: the header and the bytes it announces (bytes after them are not
// part of it; an odd last byte is dropped). Nothing when the message is shorter than that or
// announces more than a receiver takes.
std::optional<copy_data> decode_hand_over(std::string_view message);

}  // namespace platform::linux_impl
