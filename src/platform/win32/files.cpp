// Files and folders through the wide Win32 calls. Windows takes "\" and "/" alike and folds
// doubled separators, so the core's paths pass through unchanged.
#include <windows.h>

#include <io.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace platform {

using win32::from_wide;
using win32::to_wide;
using win32::unique_handle;

namespace {

constexpr DWORD share_all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool is_separator(wchar_t c) { return c == L'\\' || c == L'/'; }

// FindFirstFileW takes no trailing separator; a drive root keeps its own.
std::wstring without_trailing_separator(std::u16string_view path) {
  std::wstring text = to_wide(path);
  while (text.size() > 1 && is_separator(text.back()) && text[text.size() - 2] != L':')
    text.pop_back();
  return text;
}

class find_handle {
 public:
  explicit find_handle(HANDLE handle) : handle_(handle) {}
  ~find_handle() {
    if (handle_ != INVALID_HANDLE_VALUE) FindClose(handle_);
  }
  find_handle(const find_handle&) = delete;
  find_handle& operator=(const find_handle&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

bool write_all(HANDLE file, std::string_view bytes, std::uint64_t& written) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
    DWORD n = 0;
    if (!WriteFile(file, bytes.data() + done, chunk, &n, nullptr)) break;
    if (n == 0) {
      SetLastError(ERROR_WRITE_FAULT);  // no progress and no reason given
      break;
    }
    done += n;
  }
  written += done;
  return done == bytes.size();
}

// The system's words for an error code (in the ANSI code page), with the number.
write_result failed_write(DWORD error) {
  char text[512] = {};
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                nullptr, error, 0, text, sizeof text, nullptr);
  // The text ends with its own line break.
  while (length > 0 && std::strchr("\r\n ", text[length - 1]) != nullptr) --length;
  const bool busy = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
                    error == ERROR_ACCESS_DENIED;
  return {false, std::string(text, length) + " (" + std::to_string(error) + ")", busy};
}

}  // namespace

std::vector<dir_entry> find_files(std::u16string_view pattern) {
  std::vector<dir_entry> found;
  const std::wstring query = without_trailing_separator(pattern);
  if (query.empty()) return found;
  WIN32_FIND_DATAW data{};
  find_handle search(FindFirstFileW(query.c_str(), &data));
  if (search.get() == INVALID_HANDLE_VALUE) return found;
  do {
    const std::wstring_view name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    found.push_back({from_wide(data.cFileName),
                     (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
  } while (FindNextFileW(search.get(), &data));
  return found;
}

bool path_exists(std::u16string_view path) { return !find_files(path).empty(); }

bool exact_path_exists(std::u16string_view path) {
  return GetFileAttributesW(to_wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool narrow_path_exists(std::string_view ansi_path) {
  return _access(std::string(ansi_path).c_str(), 0) == 0;
}

bool delete_file(std::u16string_view path) { return DeleteFileW(to_wide(path).c_str()) != 0; }

bool create_directory(std::u16string_view path) {
  return CreateDirectoryW(to_wide(path).c_str(), nullptr) != 0;
}

bool set_current_directory(std::u16string_view path) {
  return SetCurrentDirectoryW(to_wide(path).c_str()) != 0;
}

std::u16string current_directory() {
  const DWORD needed = GetCurrentDirectoryW(0, nullptr);
  if (needed == 0) return {};
  std::wstring buffer(needed, L'\0');
  const DWORD length = GetCurrentDirectoryW(needed, buffer.data());
  buffer.resize(length);
  const std::wstring folder = without_trailing_separator(from_wide(buffer.data(), buffer.size()));
  return from_wide(folder.data(), folder.size());
}

std::u16string module_path() {
  std::wstring buffer(MAX_PATH, L'\0');
  while (true) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return from_wide(buffer.data(), length);
    buffer.resize(buffer.size() * 2);  // cut short: try again with more room
  }
}

std::optional<std::string> read_file(std::u16string_view path, std::size_t max_bytes) {
  unique_handle file(CreateFileW(to_wide(path).c_str(), GENERIC_READ, share_all, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return std::nullopt;
  std::string bytes;
  char chunk[65536];
  while (bytes.size() < max_bytes) {
    const DWORD want = static_cast<DWORD>(std::min(sizeof chunk, max_bytes - bytes.size()));
    DWORD got = 0;
    if (!ReadFile(file.get(), chunk, want, &got, nullptr) || got == 0) break;
    bytes.append(chunk, got);
  }
  return bytes;
}

write_result write_file(std::u16string_view path, std::string_view bytes, write_flush flush) {
  unique_handle file(CreateFileW(to_wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return failed_write(GetLastError());
  std::uint64_t written = 0;
  if (!write_all(file.get(), bytes, written) ||
      (flush == write_flush::flushed && !FlushFileBuffers(file.get())))
    return failed_write(GetLastError());
  return {true, {}};
}

std::string last_error_reason() { return failed_write(GetLastError()).reason; }

write_result replace_file(std::u16string_view from, std::u16string_view to) {
  if (MoveFileExW(to_wide(from).c_str(), to_wide(to).c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return {true, {}};
  return failed_write(GetLastError());
}

bool rename_file(std::u16string_view from, std::u16string_view to) {
  return MoveFileW(to_wide(from).c_str(), to_wide(to).c_str()) != 0;
}

output_file::~output_file() { close(); }

bool output_file::open(std::u16string_view path, mode how) {
  close();
  const bool append = how == mode::append_text;
  HANDLE file = CreateFileW(to_wide(path).c_str(), append ? FILE_APPEND_DATA : GENERIC_WRITE,
                            share_all, nullptr, append ? OPEN_ALWAYS : CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  handle_ = reinterpret_cast<std::intptr_t>(file);
  LARGE_INTEGER end{};
  position_ = GetFileSizeEx(file, &end) ? static_cast<std::uint64_t>(end.QuadPart) : 0;
  text_ = true;
  return true;
}

std::uint64_t output_file::size() const { return position_; }

bool output_file::write(std::string_view bytes) {
  if (!is_open()) return false;
  HANDLE file = reinterpret_cast<HANDLE>(handle_);
  if (!text_) return write_all(file, bytes, position_);
  // Text mode: each "\n" reaches the file as CR LF, the system's line end.
  std::string text;
  text.reserve(bytes.size() + 16);
  for (const char c : bytes) {
    if (c == '\n') text += '\r';
    text += c;
  }
  return write_all(file, text, position_);
}

bool output_file::flush() { return is_open(); }  // WriteFile leaves nothing in our buffers

void output_file::close() {
  if (!is_open()) return;
  CloseHandle(reinterpret_cast<HANDLE>(handle_));
  handle_ = invalid;
  position_ = 0;
}

}  // namespace platform
