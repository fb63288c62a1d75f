// The URL protocol's registry entries, with the browser's policies that let it start the
// launcher without asking. They go to the player's own part of the registry, which the system
// and the browser read first and which the per-user uninstaller can remove again: a launcher
// running with administrator rights must not leave machine-wide keys behind, and a 32-bit
// program's machine-wide software keys would land in the 32-bit view only. The machine's part
// is taken only where the user's cannot be written.
#include <windows.h>

#include <string>

#include "platform/url_protocol.h"
#include "platform/win32/registry_key.h"

namespace platform {

using win32::registry_key;

namespace {

constexpr DWORD first_version_with_protected_mode = 6;

registry_key create_per_user_first(const std::u16string& path) {
  if (auto key = registry_key::create(HKEY_CURRENT_USER, path)) return key;
  return registry_key::create(HKEY_LOCAL_MACHINE, path);
}

bool has_protected_mode() {
  OSVERSIONINFOEXW version{};
  version.dwOSVersionInfoSize = sizeof version;
  return GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version)) &&
         version.dwMajorVersion >= first_version_with_protected_mode;
}

}  // namespace

bool register_url_protocol_entries(std::u16string_view protocol, std::u16string_view program_path,
                                   std::u16string_view policy_key_name) {
  const std::size_t last_separator = program_path.rfind(u'\\');
  if (last_separator == std::u16string_view::npos) return false;
  const std::u16string_view folder = program_path.substr(0, last_separator);
  const std::u16string_view file_name = program_path.substr(last_separator + 1);

  const registry_key protocol_key =
      create_per_user_first(u"Software\\Classes\\" + std::u16string(protocol));
  if (!protocol_key) return false;
  // Each value write is best effort: the protocol key itself is what the caller relies on.
  protocol_key.set_string(u"", u"URL:" + std::u16string(protocol) + u" Protocol");
  protocol_key.set_string(u"URL Protocol", u"");
  if (const auto icon = registry_key::create(protocol_key.get(), u"DefaultIcon")) {
    icon.set_string(u"", std::u16string(file_name) + u",0");
  }
  if (const auto command = registry_key::create(protocol_key.get(), u"shell\\open\\command")) {
    command.set_string(u"", u"\"" + std::u16string(program_path) + u"\" \"%1\"");
  }

  if (const auto execute = create_per_user_first(
          u"SOFTWARE\\Microsoft\\Internet Explorer\\ProtocolExecute\\" + std::u16string(protocol))) {
    execute.set_dword(u"WarnOnOpen", 0);
  }
  if (has_protected_mode()) {
    if (const auto policy = create_per_user_first(
            u"SOFTWARE\\Microsoft\\Internet Explorer\\Low Rights\\ElevationPolicy\\" +
                std::u16string(policy_key_name))) {
      policy.set_string(u"AppPath", folder);
      policy.set_string(u"AppName", file_name);
      policy.set_dword(u"Policy", 3);
    }
  }
  return true;
}

}  // namespace platform
