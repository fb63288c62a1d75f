#include "platform/win32/shell_folder.h"

#include <windows.h>

#include "platform/win32/wide_text.h"

namespace platform::win32 {

namespace {

using get_folder_path = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPWSTR);

class library {
 public:
  explicit library(const wchar_t* name) : module_(LoadLibraryW(name)) {}
  ~library() {
    if (module_) FreeLibrary(module_);
  }
  library(const library&) = delete;
  library& operator=(const library&) = delete;
  FARPROC find(const char* name) const { return module_ ? GetProcAddress(module_, name) : nullptr; }

 private:
  HMODULE module_;
};

}  // namespace

std::optional<std::u16string> shell_folder_path(int csidl) {
  const library shell(L"shell32.dll");
  const FARPROC found = shell.find("SHGetFolderPathW");
  if (!found) return std::nullopt;
  // FARPROC to the real signature: the one conversion GetProcAddress leaves to its caller.
  const auto call = reinterpret_cast<get_folder_path>(reinterpret_cast<void*>(found));
  wchar_t path[MAX_PATH] = {};
  if (call(nullptr, csidl, nullptr, 0, path) < 0) return std::nullopt;
  return from_wide(path);
}

}  // namespace platform::win32
