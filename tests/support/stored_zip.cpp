#include "support/stored_zip.h"

#include <zlib.h>

#include <stdexcept>

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

constexpr std::uint32_t METHOD_STORED = 0;
constexpr std::uint32_t METHOD_DEFLATED = 8;
constexpr std::uint32_t VERSION_NEEDED = 20;
// Version 2.0 on a Unix system: the high half of the external attributes holds the mode.
constexpr std::uint32_t MADE_BY = (3u << 8) | 20u;
constexpr std::uint32_t DOS_DIRECTORY_BIT = 0x10;
constexpr std::uint32_t UNIX_FOLDER_MODE = 040755;
constexpr std::uint32_t UNIX_FILE_MODE = 0100644;

std::string raw_deflate(const std::string& data) {
  z_stream stream{};
  if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw std::runtime_error("deflateInit2 failed");
  }
  std::string out(deflateBound(&stream, static_cast<uLong>(data.size())), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  const int result = deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  if (result != Z_STREAM_END) throw std::runtime_error("deflate did not finish");
  return out;
}

std::uint32_t dos_time(const zip_entry::date_time& t) {
  return (t.hour << 11) | (t.minute << 5) | (t.second / 2);
}

std::uint32_t dos_date(const zip_entry::date_time& t) {
  return ((t.year - 1980) << 9) | (t.month << 5) | t.day;
}

std::uint32_t external_attributes(zip_entry::kind type) {
  switch (type) {
    case zip_entry::kind::folder:
      return (UNIX_FOLDER_MODE << 16) | DOS_DIRECTORY_BIT;
    case zip_entry::kind::unix_folder:
      return UNIX_FOLDER_MODE << 16;
    case zip_entry::kind::file:
      break;
  }
  return UNIX_FILE_MODE << 16;
}

// The fields that the local header and the central directory share, from "version needed" to
// the extra field's length.
std::string common_fields(const zip_entry& entry, std::uint32_t method, std::uint32_t crc,
                          std::size_t compressed, std::size_t size) {
  bool ascii = true;
  for (const char c : entry.name) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  std::string out;
  put16(out, VERSION_NEEDED);
  put16(out, ascii ? 0 : 0x800);  // names beyond ASCII are UTF-8
  put16(out, method);
  put16(out, dos_time(entry.modified));
  put16(out, dos_date(entry.modified));
  put32(out, crc);
  put32(out, static_cast<std::uint32_t>(compressed));
  put32(out, static_cast<std::uint32_t>(size));
  put16(out, static_cast<std::uint32_t>(entry.name.size()));
  put16(out, static_cast<std::uint32_t>(entry.extra.size()));
  return out;
}

}  // namespace

std::string zip_bytes(const std::vector<zip_entry>& entries) {
  std::string archive;
  std::string directory;
  for (const auto& entry : entries) {
    const std::string& data = entry.type == zip_entry::kind::file ? entry.data : std::string();
    const auto crc = static_cast<std::uint32_t>(
        crc32(0L, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
    const bool deflated = entry.type == zip_entry::kind::file &&
                          (entry.deflated || entry.broken == zip_entry::damage::inflate ||
                           entry.broken == zip_entry::damage::cut) &&
                          entry.broken != zip_entry::damage::crc;
    const bool cut = entry.broken == zip_entry::damage::cut;
    std::string body = deflated ? raw_deflate(cut ? data.substr(0, data.size() / 2) : data) : data;
    if (entry.broken == zip_entry::damage::crc && !body.empty()) body[0] = static_cast<char>(body[0] ^ 0xff);
    // A deflate block header of type 3 is invalid from the first byte on.
    if (entry.broken == zip_entry::damage::inflate) body.assign(body.size(), '\xff');
    const std::string fields =
        common_fields(entry, deflated ? METHOD_DEFLATED : METHOD_STORED, crc, body.size(), data.size());
    const auto offset = static_cast<std::uint32_t>(archive.size());

    put32(archive, 0x04034b50);
    archive += fields;
    archive += entry.name;
    archive += entry.extra;
    archive += body;

    put32(directory, 0x02014b50);
    put16(directory, MADE_BY);
    directory += fields;
    put16(directory, 0);  // comment
    put16(directory, 0);  // disk
    put16(directory, 0);  // internal attributes
    put32(directory, external_attributes(entry.type));
    put32(directory, offset);
    directory += entry.name;
    directory += entry.extra;
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

std::string extended_timestamp_block(std::uint8_t flags, const std::vector<std::int32_t>& times) {
  std::string body(1, static_cast<char>(flags));
  for (const std::int32_t t : times) put32(body, static_cast<std::uint32_t>(t));
  std::string block = "UT";
  put16(block, static_cast<std::uint32_t>(body.size()));
  return block + body;
}

std::string stored_zip(const std::map<std::string, std::string>& entries) {
  std::vector<zip_entry> list;
  for (const auto& [name, content] : entries) {
    zip_entry entry;
    entry.name = name;
    entry.data = content;
    entry.modified = {2020, 1, 1, 12, 0, 0};
    list.push_back(entry);
  }
  return zip_bytes(list);
}

}  // namespace testing_support
