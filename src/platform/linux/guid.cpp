// Fresh identifiers from the kernel's random source.
#include <sys/random.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "platform/guid.h"

namespace platform {

namespace {

bool from_bytes(const unsigned char (&bytes)[16], guid& out) {
  out.Data1 = static_cast<std::uint32_t>(bytes[0]) << 24 | static_cast<std::uint32_t>(bytes[1]) << 16 |
              static_cast<std::uint32_t>(bytes[2]) << 8 | bytes[3];
  out.Data2 = static_cast<std::uint16_t>(bytes[4] << 8 | bytes[5]);
  out.Data3 = static_cast<std::uint16_t>(bytes[6] << 8 | bytes[7]);
  for (int i = 0; i < 8; ++i) out.Data4[static_cast<std::size_t>(i)] = bytes[8 + i];
  return true;
}

bool from_kernel_uuid(guid& out) {
  std::ifstream in("/proc/sys/kernel/random/uuid");
  std::string text;
  if (!(in >> text) || text.size() != 36) return false;
  unsigned char bytes[16];
  std::size_t n = 0;
  for (std::size_t i = 0; i < text.size() && n < 16; ++i) {
    if (text[i] == '-') continue;
    unsigned value = 0;
    if (i + 1 >= text.size() || std::sscanf(text.c_str() + i, "%2x", &value) != 1) return false;
    bytes[n++] = static_cast<unsigned char>(value);
    ++i;
  }
  return n == 16 && from_bytes(bytes, out);
}

bool from_random_bytes(guid& out) {
  unsigned char bytes[16];
  if (getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) return false;
  bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40);  // version 4
  bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
  return from_bytes(bytes, out);
}

}  // namespace

guid new_guid() {
  guid id;
  if (from_kernel_uuid(id) || from_random_bytes(id)) return id;
  return {};
}

}  // namespace platform
