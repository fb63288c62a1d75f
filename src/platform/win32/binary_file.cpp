#include <windows.h>

#include <share.h>

#include "platform/binary_file.h"
#include "platform/win32/wide_text.h"

namespace platform {

namespace {

// Hashing reads small pieces; a larger stream buffer keeps them from each costing a system call.
constexpr std::size_t input_buffer_bytes = 256 * 1024;

HANDLE native(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

FILETIME to_filetime(std::uint64_t value) {
  return FILETIME{static_cast<DWORD>(value & 0xFFFFFFFFu), static_cast<DWORD>(value >> 32)};
}

}  // namespace

binary_output_file::~binary_output_file() { close(); }

bool binary_output_file::create(std::u16string_view path) {
  close();
  const HANDLE file = CreateFileW(win32::to_wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                  nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  handle_ = reinterpret_cast<std::intptr_t>(file);
  return true;
}

bool binary_output_file::write(const void* data, std::size_t length) {
  if (!is_open()) return false;
  const auto* bytes = static_cast<const char*>(data);
  while (length > 0) {
    const DWORD chunk = static_cast<DWORD>(length > (1u << 30) ? (1u << 30) : length);
    DWORD written = 0;
    if (!WriteFile(native(handle_), bytes, chunk, &written, nullptr) || written == 0) return false;
    bytes += written;
    length -= written;
  }
  return true;
}

bool binary_output_file::is_disk_file() const {
  return is_open() && GetFileType(native(handle_)) == FILE_TYPE_DISK;
}

bool binary_output_file::set_times(const file_times& times) {
  if (!is_open()) return false;
  // A null time leaves that time of the file as it is.
  const FILETIME creation = to_filetime(times.creation);
  const FILETIME access = to_filetime(times.access);
  const FILETIME modification = to_filetime(times.modification);
  return SetFileTime(native(handle_), times.creation ? &creation : nullptr,
                     times.access ? &access : nullptr,
                     times.modification ? &modification : nullptr) != 0;
}

// Windows files have no Unix permission bits; any program file can be started.
bool binary_output_file::set_permissions(std::uint32_t /*unix_permissions*/) { return is_open(); }

void binary_output_file::close() {
  if (!is_open()) return;
  CloseHandle(native(handle_));
  handle_ = invalid;
}

binary_input_file::~binary_input_file() { close(); }

bool binary_input_file::open(std::u16string_view path) {
  close();
  const std::wstring wide = win32::to_wide(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  stream_ = _wfsopen(wide.c_str(), L"rb", _SH_DENYNO);
  if (!stream_) return false;
  std::setvbuf(stream_, nullptr, _IOFBF, input_buffer_bytes);
  return true;
}

std::size_t binary_input_file::read(void* data, std::size_t length) {
  return stream_ ? std::fread(data, 1, length, stream_) : 0;
}

bool binary_input_file::failed() const { return !stream_ || std::ferror(stream_) != 0; }

bool binary_input_file::seek(std::int64_t offset, origin from) {
  const int whence = from == origin::start ? SEEK_SET : from == origin::current ? SEEK_CUR : SEEK_END;
  return stream_ && _fseeki64(stream_, offset, whence) == 0;
}

std::int64_t binary_input_file::position() const { return stream_ ? _ftelli64(stream_) : -1; }

void binary_input_file::close() {
  if (!stream_) return;
  std::fclose(stream_);
  stream_ = nullptr;
}

}  // namespace platform
