// URL-protocol registration on Linux is the desktop's own mechanism: a .desktop file in the
// user's applications folder that handles x-scheme-handler/<protocol>, made the default
// handler in the user's mimeapps.list (what `xdg-mime default` does). Browser policies have
// no counterpart here.
#include <string>

#include "platform/linux/file_replacement.h"
#include "platform/linux/native_path.h"
#include "platform/linux/xdg_folders.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "platform/url_protocol.h"

namespace platform {

namespace {

// One argument of an Exec line: quoted, with the characters the quoting reserves escaped,
// then escaped again as a .desktop string value; "%" is doubled so it is not a field code.
std::string exec_argument(const std::string& argument) {
  std::string quoted = "\"";
  for (const char c : argument) {
    switch (c) {
      case '"': case '`': case '$': quoted += "\\\\"; quoted += c; break;
      case '\\': quoted += "\\\\\\\\"; break;
      case '%': quoted += "%%"; break;
      case '\n': quoted += "\\n"; break;
      case '\t': quoted += "\\t"; break;
      case '\r': quoted += "\\r"; break;
      default: quoted += c;
    }
  }
  return quoted + "\"";
}

}  // namespace

bool register_url_protocol_entries(std::u16string_view protocol, std::u16string_view program_path,
                                   std::u16string_view /*policy_key_name*/) {
  const std::string scheme = to_utf8(protocol);
  const std::string desktop_name = scheme + "-launcher.desktop";
  const std::string applications = linux_impl::xdg_data_home() + "/applications";
  if (!linux_impl::make_folders(applications)) return false;
  const std::string entry =
      "[Desktop Entry]\n"
      "Type=Application\n"
      "Name=URL:" + scheme + " Protocol\n"
      "Exec=" + exec_argument(linux_impl::native_path(program_path)) + " %u\n"
      "MimeType=x-scheme-handler/" + scheme + ";\n"
      "NoDisplay=true\n"
      "Terminal=false\n";
  if (!linux_impl::replace_file_contents(applications + "/" + desktop_name, entry)) return false;

  const std::string config = linux_impl::xdg_config_home();
  if (linux_impl::make_folders(config)) {
    write_profile_string(u"Default Applications", u"x-scheme-handler/" + std::u16string(protocol),
                         from_utf8(desktop_name), linux_impl::core_path(config + "/mimeapps.list"));
  }
  return true;
}

}  // namespace platform
