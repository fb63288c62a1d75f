#pragma once
// Reads back what the launcher wrote into the registry, and removes it afterwards.
#include <windows.h>

#include <optional>
#include <string>

namespace testing_support {

std::optional<std::wstring> registry_string(HKEY root, const std::wstring& key,
                                            const std::wstring& name);
std::optional<DWORD> registry_dword(HKEY root, const std::wstring& key, const std::wstring& name);
bool registry_key_exists(HKEY root, const std::wstring& key);
void delete_registry_tree(HKEY root, const std::wstring& key);

}  // namespace testing_support
