// SHGetFolderPathW is looked up at run time, so the program starts where shell32 lacks it.
#include <windows.h>

#include "platform/user_folders.h"
#include "platform/win32/wide_text.h"

namespace platform {

namespace {

constexpr int csidl_appdata = 0x1A;

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

std::u16string app_data_folder() {
  wchar_t path[MAX_PATH] = {};
  const library shell(L"shell32.dll");
  if (const FARPROC found = shell.find("SHGetFolderPathW")) {
    // FARPROC to the real signature: the one conversion GetProcAddress leaves to its caller.
    const auto call = reinterpret_cast<get_folder_path>(reinterpret_cast<void*>(found));
    if (call(nullptr, csidl_appdata, nullptr, 0, path) >= 0) return win32::from_wide(path);
  }
  if (GetWindowsDirectoryW(path, MAX_PATH) == 0) return {};
  return win32::from_wide(path) + u"\\Application Data";
}

}  // namespace platform
