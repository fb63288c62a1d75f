#include "update/zip_archive.h"

#include <unzip.h>

#include <algorithm>
#include <vector>

#include "platform/files.h"
#include "platform/text.h"
#include "update/entry_path.h"
#include "update/started_programs.h"
#include "update/zip_entry_times.h"
#include "update/zip_file_source.h"

namespace {

constexpr std::size_t NAME_BUFFER_BYTES = 260;  // MAX_PATH, with room for the terminating NUL
constexpr std::size_t MAX_NAME_CHARACTERS = 259;
constexpr std::size_t PIECE_BYTES = 16384;
constexpr std::uint32_t DOS_DIRECTORY_BIT = 0x10;
constexpr std::uint32_t UNIX_DIRECTORY_BIT = 0x40000000;
constexpr unsigned MADE_ON_UNIX = 3;  // the high byte of "version made by"
constexpr std::uint32_t UNIX_TYPE_BITS = 0170000;
constexpr std::uint32_t UNIX_REGULAR_FILE = 0100000;
constexpr std::uint32_t PERMISSION_BITS = 0777;
constexpr std::uint32_t NEW_FILE_PERMISSIONS = 0666;
// The launcher must be able to read what it installed and to replace it at the next update.
constexpr std::uint32_t OWNER_READ_WRITE = 0600;
constexpr std::uint32_t EXECUTE_BITS = 0111;
// General-purpose flag 11: the entry's name is UTF-8, whatever the system's code page.
constexpr unsigned long UTF8_NAME_FLAG = 1u << 11;

bool isSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

// Unix keeps the file's mode in the high half of the external attributes. Only a plain file's
// permission bits are taken (a link's would make its text executable); entries that carry no
// file type at all are taken too, as some tools write them.
std::optional<std::uint32_t> unixPermissionsOf(const unz_file_info& info) {
  if ((info.version >> 8) != MADE_ON_UNIX) return std::nullopt;
  const std::uint32_t mode = static_cast<std::uint32_t>(info.external_fa >> 16);
  const std::uint32_t type = mode & UNIX_TYPE_BITS;
  if (type != UNIX_REGULAR_FILE && type != 0) return std::nullopt;
  return mode & PERMISSION_BITS;
}

// What an extracted file may do: as the archive says for entries made on Unix, and always
// startable for the programs the launcher itself starts.
std::uint32_t installedPermissions(const ZipEntry& entry, const std::u16string& fileName) {
  std::uint32_t permissions =
      entry.unixPermissions.value_or(NEW_FILE_PERMISSIONS) | OWNER_READ_WRITE;
  if (isStartedProgram(fileName)) permissions |= EXECUTE_BITS;
  return permissions;
}

// minizip looks for the end record anywhere but at offset 0, so it cannot open an archive that
// is nothing but that record: a package without entries. Such a file is recognised here.
bool isArchiveWithoutEntries(const std::u16string& path) {
  constexpr std::size_t END_RECORD_BYTES = 22;
  platform::binary_input_file file;
  if (!file.open(path)) return false;
  std::vector<unsigned char> bytes(END_RECORD_BYTES + 65536);
  const std::size_t size = file.read(bytes.data(), bytes.size());
  if (size < END_RECORD_BYTES || size > END_RECORD_BYTES + 65535) return false;
  static constexpr unsigned char signature[4] = {'P', 'K', 5, 6};
  if (!std::equal(signature, signature + 4, bytes.begin())) return false;
  // Disk numbers, entry counts, directory size and offset: all zero.
  if (std::any_of(bytes.begin() + 4, bytes.begin() + 20, [](unsigned char b) { return b != 0; })) return false;
  const std::size_t commentBytes = bytes[20] | (bytes[21] << 8);
  return size == END_RECORD_BYTES + commentBytes;
}

// Closes the entry's data on every way out of an extraction.
class OpenEntry {
 public:
  explicit OpenEntry(unzFile archive) : archive_(archive), open_(unzOpenCurrentFile(archive) == UNZ_OK) {}
  ~OpenEntry() { finish(); }
  OpenEntry(const OpenEntry&) = delete;
  OpenEntry& operator=(const OpenEntry&) = delete;
  bool isOpen() const { return open_; }
  // UNZ_CRCERROR when the data read does not match the checksum the archive records.
  int finish() {
    if (!open_) return UNZ_OK;
    open_ = false;
    return unzCloseCurrentFile(archive_);
  }

 private:
  unzFile archive_;
  bool open_;
};

// The extra field of the current entry's local header. Info-ZIP's zip writes the full "UT"
// block (modification and access time) only there; the central directory's copy keeps just
// the modification time. Opened raw, so the entry's data is neither inflated nor checked.
std::vector<unsigned char> localExtraField(unzFile archive) {
  std::vector<unsigned char> extra;
  if (unzOpenCurrentFile2(archive, nullptr, nullptr, 1) != UNZ_OK) return extra;
  const int size = unzGetLocalExtrafield(archive, nullptr, 0);
  if (size > 0) {
    extra.resize(static_cast<std::size_t>(size));
    const int read = unzGetLocalExtrafield(archive, extra.data(), static_cast<unsigned>(size));
    extra.resize(read > 0 ? static_cast<std::size_t>(read) : 0);
  }
  unzCloseCurrentFile(archive);
  return extra;
}

}  // namespace

struct ZipArchive::Handle {
  explicit Handle(unzFile opened) : file(opened) {}
  ~Handle() { unzClose(file); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  unzFile file;
};

ZipArchive::ZipArchive() = default;
ZipArchive::~ZipArchive() = default;

bool ZipArchive::open(const std::u16string& path) {
  close();
  // Without a current folder there is no root, and "\\" alone would be the file system's.
  const std::u16string current = platform::current_directory();
  if (current.empty()) return false;
  zlib_filefunc64_def byWidePath = wide_path_file_functions();
  unzFile file = unzOpen2_64(&path, &byWidePath);
  if (!file) {
    if (!isArchiveWithoutEntries(path)) return false;
    withoutEntries_ = true;
    root_ = current + u"\\";
    return true;
  }
  handle_ = std::make_unique<Handle>(file);
  unz_global_info info{};
  if (unzGetGlobalInfo(file, &info) != UNZ_OK) {
    close();
    return false;
  }
  count_ = static_cast<std::int32_t>(info.number_entry);
  root_ = current + u"\\";
  return true;
}

bool ZipArchive::isOpen() const { return handle_ != nullptr || withoutEntries_; }

void ZipArchive::close() {
  handle_.reset();
  withoutEntries_ = false;
  count_ = 0;
  position_ = -1;
  lastValid_ = false;
}

std::uint32_t ZipArchive::moveTo(std::int32_t index) {
  if (position_ < 0 || index < position_) {
    if (unzGoToFirstFile(handle_->file) != UNZ_OK) return ZIP_RESULT_BAD_INDEX;
    position_ = 0;
  }
  while (position_ < index) {
    if (unzGoToNextFile(handle_->file) != UNZ_OK) {
      position_ = -1;
      return ZIP_RESULT_BAD_INDEX;
    }
    ++position_;
  }
  return ZIP_RESULT_OK;
}

std::uint32_t ZipArchive::describe(std::int32_t index, ZipEntry& entry) {
  if (!isOpen()) return ZIP_RESULT_BAD_INDEX;
  if (index == -1) {
    entry = ZipEntry{};
    entry.index = count_;
    return ZIP_RESULT_OK;
  }
  if (lastValid_ && last_.index == index) {
    entry = last_;
    return ZIP_RESULT_OK;
  }
  if (index < 0 || index >= count_) return ZIP_RESULT_BAD_INDEX;
  if (const auto moved = moveTo(index); moved != ZIP_RESULT_OK) return moved;

  unz_file_info info{};
  char name[NAME_BUFFER_BYTES] = {};
  if (unzGetCurrentFileInfo(handle_->file, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK) {
    return ZIP_RESULT_BAD_INDEX;
  }
  const std::size_t nameBytes = std::min<std::size_t>(info.size_filename, sizeof name - 1);

  ZipEntry described;
  described.index = index;
  // A name flagged as UTF-8 would be mangled by the code page of a Chinese Windows.
  const std::string_view storedName(name, nameBytes);
  described.name = (info.flag & UTF8_NAME_FLAG) ? platform::from_utf8(storedName)
                                                : platform::from_ansi(storedName);
  if (described.name.size() > MAX_NAME_CHARACTERS) described.name.resize(MAX_NAME_CHARACTERS);
  const bool directory = (info.external_fa & DOS_DIRECTORY_BIT) || (info.external_fa & UNIX_DIRECTORY_BIT);
  described.attributes = directory ? (FILE_ATTRIBUTE_DIRECTORY_BIT | FILE_ATTRIBUTE_NORMAL_BIT)
                                   : FILE_ATTRIBUTE_NORMAL_BIT;
  const std::uint64_t dosTime = dosDateTimeToFileTime(static_cast<std::uint32_t>(info.dosDate));
  described.times = {dosTime, dosTime, dosTime};
  const std::vector<unsigned char> extra = localExtraField(handle_->file);
  applyExtendedTimestamp(extra.data(), extra.size(), described.times);
  described.compressedSize = static_cast<std::int32_t>(info.compressed_size);
  described.uncompressedSize = static_cast<std::int32_t>(info.uncompressed_size);
  if (!directory) described.unixPermissions = unixPermissionsOf(info);

  last_ = described;
  lastValid_ = true;
  entry = std::move(described);
  return ZIP_RESULT_OK;
}

void ZipArchive::createFoldersFor(const std::u16string& fileName) {
  const auto lastSeparator = fileName.find_last_of(u"\\/");
  if (lastSeparator == std::u16string::npos) return;
  const std::u16string folderPart = fileName.substr(0, lastSeparator);
  if (folderPart.empty() || isSeparator(folderPart.front())) return;
  if (folderPart.size() > 1 && folderPart[1] == u':') return;
  if (folderPart.find(u"../") != std::u16string::npos || folderPart.find(u"..\\") != std::u16string::npos) {
    return;
  }
  for (std::size_t i = 0; i <= folderPart.size(); ++i) {
    if (i == folderPart.size() || isSeparator(folderPart[i])) {
      platform::create_directory(root_ + folderPart.substr(0, i));  // an existing level is fine
    }
  }
}

std::uint32_t ZipArchive::copyCurrentEntry(platform::binary_output_file& output, std::uint32_t size) {
  OpenEntry data(handle_->file);
  if (!data.isOpen()) return ZIP_RESULT_READ_WRITE;
  std::vector<char> piece(PIECE_BYTES);
  std::uint64_t written = 0;
  while (true) {
    const int got = unzReadCurrentFile(handle_->file, piece.data(), static_cast<unsigned>(piece.size()));
    if (got < 0) return ZIP_RESULT_READ_WRITE;
    if (got == 0) break;
    if (!output.write(piece.data(), static_cast<std::size_t>(got))) return ZIP_RESULT_READ_WRITE;
    written += static_cast<std::uint64_t>(got);
  }
  // A stream that ends before the size the archive records is cut short; minizip checks the
  // checksum only of data read to that size, so the length is checked here.
  if (written != size) return ZIP_RESULT_READ_WRITE;
  // Data that inflates cleanly but does not match its checksum is damaged all the same.
  return data.finish() == UNZ_OK ? ZIP_RESULT_OK : ZIP_RESULT_READ_WRITE;
}

std::uint32_t ZipArchive::extract(std::int32_t index, const std::u16string& fileName) {
  ZipEntry entry;
  if (const auto described = describe(index, entry); described != ZIP_RESULT_OK) return described;
  if (index < 0) return ZIP_RESULT_BAD_INDEX;
  // Whatever the caller checked, nothing is written outside the root.
  if (!entryStaysInside(fileName)) return ZIP_RESULT_CANNOT_CREATE;
  if (const auto moved = moveTo(index); moved != ZIP_RESULT_OK) return moved;
  createFoldersFor(fileName);

  platform::binary_output_file output;
  const std::u16string path = root_ + fileName;
  if (!output.create(path)) return ZIP_RESULT_CANNOT_CREATE;
  const std::uint32_t result = copyCurrentEntry(output, static_cast<std::uint32_t>(entry.uncompressedSize));
  if (result != ZIP_RESULT_OK) {
    // Half a file would pass for an installed one (the game would start on it); without it the
    // next update extracts the package again.
    const bool diskFile = output.is_disk_file();
    output.close();
    if (diskFile) platform::delete_file(path);
    return result;
  }
  if (output.is_disk_file()) {
    output.set_permissions(installedPermissions(entry, fileName));
    output.set_times(entry.times);
  }
  return result;
}
