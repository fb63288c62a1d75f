#pragma once
// A zip archive opened for extraction, over minizip. Entries are read in archive order; the
// description of the entry last asked for is kept, so asking again for it costs nothing.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/binary_file.h"

inline constexpr std::uint32_t FILE_ATTRIBUTE_DIRECTORY_BIT = 0x10;
inline constexpr std::uint32_t FILE_ATTRIBUTE_NORMAL_BIT = 0x80;

// Result codes of extracting one entry, written in decimal into the log.
enum ZipResult : std::uint32_t {
  ZIP_RESULT_OK = 0,
  ZIP_RESULT_CANNOT_CREATE = 0x200,  // the output file cannot be created
  ZIP_RESULT_READ_WRITE = 0x400,     // reading, inflating or writing failed
  ZIP_RESULT_BAD_INDEX = 0x10000,    // no such entry, or no open archive
};

struct ZipEntry {
  std::int32_t index = -1;  // for the description of index -1: the number of entries
  std::u16string name;      // separators as stored, at most 259 characters; from the ANSI
                            // code page unless the archive flags it as UTF-8
  std::uint32_t attributes = 0;  // 0x80 for a file, 0x90 for a folder
  platform::file_times times;
  std::int32_t compressedSize = 0;
  std::int32_t uncompressedSize = 0;
  // The permission bits (no set-user-id, set-group-id or sticky bit) of a file entry made on
  // Unix; none for entries made elsewhere.
  std::optional<std::uint32_t> unixPermissions;
};

class ZipArchive {
 public:
  ZipArchive();
  ~ZipArchive();
  ZipArchive(const ZipArchive&) = delete;
  ZipArchive& operator=(const ZipArchive&) = delete;

  // The current folder at this moment becomes the root that entries are extracted under.
  bool open(const std::u16string& path);
  bool isOpen() const;
  const std::u16string& root() const { return root_; }

  std::uint32_t describe(std::int32_t index, ZipEntry& entry);
  // Writes the entry's data to fileName, relative to the root, creating its folders first.
  std::uint32_t extract(std::int32_t index, const std::u16string& fileName);
  void close();

 private:
  struct Handle;
  std::uint32_t moveTo(std::int32_t index);
  void createFoldersFor(const std::u16string& fileName);
  // Writes the open entry's data, which must come to size bytes.
  std::uint32_t copyCurrentEntry(platform::binary_output_file& output, std::uint32_t size);

  std::unique_ptr<Handle> handle_;
  bool withoutEntries_ = false;
  std::int32_t count_ = 0;
  std::int32_t position_ = -1;  // the entry minizip points at, -1 before the first
  ZipEntry last_;
  bool lastValid_ = false;
  std::u16string root_;
};
