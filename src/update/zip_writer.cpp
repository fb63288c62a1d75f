#include "update/zip_writer.h"

#include <zip.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <string>

namespace {

constexpr int MADE_ON_UNIX_BY_ZIP_2_0 = (3 << 8) | 20;
constexpr unsigned long UTF8_NAME_FLAG = 1u << 11;
constexpr std::uint32_t UNIX_REGULAR_FILE = 0100000;
constexpr std::uint32_t PERMISSION_BITS = 0777;
constexpr int DEFLATED = 8;

// The archive grows in a vector that minizip reads, writes and seeks like a file: it goes back
// to complete each entry's local header once the entry's sizes are known.
struct MemoryFile {
  std::vector<unsigned char> bytes;
  std::size_t position = 0;
  bool failed = false;
};

MemoryFile& file_of(voidpf stream) { return *static_cast<MemoryFile*>(stream); }

voidpf ZCALLBACK open_memory(voidpf opaque, const void*, int) { return opaque; }

uLong ZCALLBACK read_memory(voidpf, voidpf stream, void* buffer, uLong size) {
  MemoryFile& file = file_of(stream);
  const std::size_t left = file.position < file.bytes.size() ? file.bytes.size() - file.position : 0;
  const std::size_t count = std::min<std::size_t>(size, left);
  std::memcpy(buffer, file.bytes.data() + file.position, count);
  file.position += count;
  return static_cast<uLong>(count);
}

uLong ZCALLBACK write_memory(voidpf, voidpf stream, const void* buffer, uLong size) {
  MemoryFile& file = file_of(stream);
  if (file.position + size > file.bytes.size()) file.bytes.resize(file.position + size);
  std::memcpy(file.bytes.data() + file.position, buffer, size);
  file.position += size;
  return size;
}

ZPOS64_T ZCALLBACK tell_memory(voidpf, voidpf stream) { return file_of(stream).position; }

long ZCALLBACK seek_memory(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  MemoryFile& file = file_of(stream);
  std::size_t from = 0;
  if (origin == ZLIB_FILEFUNC_SEEK_CUR) from = file.position;
  else if (origin == ZLIB_FILEFUNC_SEEK_END) from = file.bytes.size();
  else if (origin != ZLIB_FILEFUNC_SEEK_SET) return -1;
  file.position = from + static_cast<std::size_t>(offset);
  return 0;
}

int ZCALLBACK close_memory(voidpf, voidpf) { return 0; }
int ZCALLBACK error_memory(voidpf, voidpf stream) { return file_of(stream).failed ? 1 : 0; }

// The DOS date and time hold the UTC clock: the reader takes them as UTC, and the archive then
// does not depend on the time zone of the machine that made it.
tm_zip dosClock(std::int64_t seconds) {
  const std::time_t time = static_cast<std::time_t>(std::max<std::int64_t>(seconds, 315532800));
  std::tm utc{};
#ifdef _WIN32
  gmtime_s(&utc, &time);
#else
  gmtime_r(&time, &utc);
#endif
  tm_zip clock{};
  clock.tm_sec = static_cast<uInt>(utc.tm_sec);
  clock.tm_min = static_cast<uInt>(utc.tm_min);
  clock.tm_hour = static_cast<uInt>(utc.tm_hour);
  clock.tm_mday = static_cast<uInt>(utc.tm_mday);
  clock.tm_mon = static_cast<uInt>(utc.tm_mon);
  clock.tm_year = static_cast<uInt>(utc.tm_year + 1900);
  return clock;
}

// Info-ZIP's "UT" block with the modification time alone, the exact second that the DOS
// time's two-second steps cannot hold.
std::string extendedTimestamp(std::int64_t seconds) {
  const auto value = static_cast<std::uint32_t>(std::max<std::int64_t>(seconds, 0));
  std::string block{'U', 'T', 5, 0, 1};
  for (int shift = 0; shift < 32; shift += 8) block += static_cast<char>((value >> shift) & 0xFF);
  return block;
}

}  // namespace

struct ZipWriter::State {
  MemoryFile file;
  zipFile archive = nullptr;
  int level = 0;
  bool failed = false;
  ~State() {
    if (archive) zipClose(archive, nullptr);
  }
};

ZipWriter::ZipWriter(int level) : state_(std::make_unique<State>()) {
  state_->level = level;
  zlib_filefunc64_def functions{};
  functions.zopen64_file = open_memory;
  functions.zread_file = read_memory;
  functions.zwrite_file = write_memory;
  functions.ztell64_file = tell_memory;
  functions.zseek64_file = seek_memory;
  functions.zclose_file = close_memory;
  functions.zerror_file = error_memory;
  functions.opaque = &state_->file;
  state_->archive = zipOpen2_64("memory", APPEND_STATUS_CREATE, nullptr, &functions);
  if (!state_->archive) state_->failed = true;
}

ZipWriter::~ZipWriter() = default;

bool ZipWriter::add(const ZipWriteEntry& entry, const void* data, std::size_t size) {
  if (state_->failed) return false;
  zip_fileinfo info{};
  info.tmz_date = dosClock(entry.modificationTime);
  info.external_fa = static_cast<uLong>(UNIX_REGULAR_FILE | (entry.unixPermissions & PERMISSION_BITS)) << 16;
  const std::string extra = extendedTimestamp(entry.modificationTime);
  const std::string name(entry.name);
  const int method = state_->level == 0 ? 0 : DEFLATED;
  if (zipOpenNewFileInZip4_64(state_->archive, name.c_str(), &info, extra.data(),
                              static_cast<uInt>(extra.size()), extra.data(),
                              static_cast<uInt>(extra.size()), nullptr, method, state_->level, 0,
                              -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, nullptr, 0,
                              MADE_ON_UNIX_BY_ZIP_2_0, UTF8_NAME_FLAG, 0) != ZIP_OK) {
    state_->failed = true;
    return false;
  }
  const auto* bytes = static_cast<const unsigned char*>(data);
  constexpr std::size_t PIECE = 1 << 20;
  for (std::size_t done = 0; done < size && !state_->failed; done += PIECE) {
    const auto piece = static_cast<unsigned>(std::min(PIECE, size - done));
    if (zipWriteInFileInZip(state_->archive, bytes + done, piece) != ZIP_OK) state_->failed = true;
  }
  if (zipCloseFileInZip(state_->archive) != ZIP_OK) state_->failed = true;
  return !state_->failed;
}

std::optional<std::vector<unsigned char>> ZipWriter::finish() {
  if (!state_->archive) return std::nullopt;
  const int closed = zipClose(state_->archive, nullptr);
  state_->archive = nullptr;
  if (closed != ZIP_OK || state_->failed) return std::nullopt;
  return std::move(state_->file.bytes);
}
