#include "support/stored_zip.h"

#include <zlib.h>

#include <cstdint>

namespace testing_support {

namespace {

void put16(std::string& out, std::uint32_t value) {
  out += static_cast<char>(value & 0xff);
  out += static_cast<char>((value >> 8) & 0xff);
}

void put32(std::string& out, std::uint32_t value) {
  put16(out, value & 0xffff);
  put16(out, value >> 16);
}

// 2020-01-01 12:00:00 in the DOS form zip headers use.
constexpr std::uint32_t dos_time = (12u << 11);
constexpr std::uint32_t dos_date = ((2020u - 1980u) << 9) | (1u << 5) | 1u;

}  // namespace

std::string stored_zip(const std::map<std::string, std::string>& entries) {
  std::string archive;
  std::string directory;
  for (const auto& [name, content] : entries) {
    const auto crc = static_cast<std::uint32_t>(
        crc32(0L, reinterpret_cast<const Bytef*>(content.data()), static_cast<uInt>(content.size())));
    const auto size = static_cast<std::uint32_t>(content.size());
    const auto offset = static_cast<std::uint32_t>(archive.size());
    bool ascii = true;
    for (const char c : name) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    const std::uint32_t flags = ascii ? 0 : 0x800;  // names beyond ASCII are UTF-8

    put32(archive, 0x04034b50);
    put16(archive, 20);  // version needed
    put16(archive, flags);
    put16(archive, 0);  // stored
    put16(archive, dos_time);
    put16(archive, dos_date);
    put32(archive, crc);
    put32(archive, size);
    put32(archive, size);
    put16(archive, static_cast<std::uint32_t>(name.size()));
    put16(archive, 0);
    archive += name;
    archive += content;

    put32(directory, 0x02014b50);
    put16(directory, 20);  // made by
    put16(directory, 20);  // version needed
    put16(directory, flags);
    put16(directory, 0);
    put16(directory, dos_time);
    put16(directory, dos_date);
    put32(directory, crc);
    put32(directory, size);
    put32(directory, size);
    put16(directory, static_cast<std::uint32_t>(name.size()));
    put16(directory, 0);  // extra
    put16(directory, 0);  // comment
    put16(directory, 0);  // disk
    put16(directory, 0);  // internal attributes
    put32(directory, 0);  // external attributes
    put32(directory, offset);
    directory += name;
  }
  const auto directory_offset = static_cast<std::uint32_t>(archive.size());
  archive += directory;
  put32(archive, 0x06054b50);
  put16(archive, 0);
  put16(archive, 0);
  put16(archive, static_cast<std::uint32_t>(entries.size()));
  put16(archive, static_cast<std::uint32_t>(entries.size()));
  put32(archive, static_cast<std::uint32_t>(directory.size()));
  put32(archive, directory_offset);
  put16(archive, 0);
  return archive;
}

}  // namespace testing_support
