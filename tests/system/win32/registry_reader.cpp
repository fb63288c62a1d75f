#include "system/win32/registry_reader.h"

namespace testing_support {

std::optional<std::wstring> registry_string(HKEY root, const std::wstring& key,
                                            const std::wstring& name) {
  wchar_t value[1024] = {};
  DWORD bytes = sizeof value;
  DWORD type = 0;
  if (RegGetValueW(root, key.c_str(), name.empty() ? nullptr : name.c_str(), RRF_RT_ANY, &type,
                   value, &bytes) != ERROR_SUCCESS ||
      type != REG_SZ)
    return std::nullopt;
  return std::wstring(value);
}

std::optional<DWORD> registry_dword(HKEY root, const std::wstring& key, const std::wstring& name) {
  DWORD value = 0;
  DWORD bytes = sizeof value;
  DWORD type = 0;
  if (RegGetValueW(root, key.c_str(), name.c_str(), RRF_RT_ANY, &type, &value, &bytes) !=
          ERROR_SUCCESS ||
      type != REG_DWORD)
    return std::nullopt;
  return value;
}

bool registry_key_exists(HKEY root, const std::wstring& key) {
  HKEY opened = nullptr;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
  RegCloseKey(opened);
  return true;
}

void delete_registry_tree(HKEY root, const std::wstring& key) {
  RegDeleteTreeW(root, key.c_str());
  RegDeleteKeyW(root, key.c_str());
}

}  // namespace testing_support
