#include "system/machine_identity.h"

#include <cstdio>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "platform/user_folders.h"
#include "system/url_protocol.h"

namespace {

constexpr std::size_t identity_buffer_chars = 64;

bool is_null(const platform::guid& id) {
  if (id.Data1 != 0 || id.Data2 != 0 || id.Data3 != 0) return false;
  for (const auto byte : id.Data4)
    if (byte != 0) return false;
  return true;
}

}  // namespace

std::u16string get_app_data_folder() { return platform::app_data_folder(); }

std::u16string format_machine_id(const platform::guid& id, std::uint32_t tick_count) {
  char digits[40];
  std::snprintf(digits, sizeof digits, "%08lX%04X%04X%02X%02X%02X%02X%02X%02X%02X%02X%04X",
                static_cast<unsigned long>(id.Data1), unsigned{id.Data2}, unsigned{id.Data3},
                unsigned{id.Data4[0]}, unsigned{id.Data4[1]}, unsigned{id.Data4[2]},
                unsigned{id.Data4[3]}, unsigned{id.Data4[4]}, unsigned{id.Data4[5]},
                unsigned{id.Data4[6]}, unsigned{id.Data4[7]}, unsigned{tick_count & 0xFFFFu});
  return platform::from_utf8(digits);
}

std::u16string new_machine_id() {
  const platform::guid id = platform::new_guid();
  if (is_null(id)) return u"00000000";
  return format_machine_id(id, platform::tick_count());
}

std::u16string machine_conf_file() {
  const std::u16string folder = get_app_data_folder() + u"\\" + platform::launcher_user_folder_name + u"\\";
  platform::create_directory(folder);
  return folder + u"conf.ini";
}

void ensure_machine_identity() {
  const std::u16string file = machine_conf_file();
  std::u16string identity =
      platform::get_profile_string(u"GENERAL", u"guid", u"", identity_buffer_chars, file);
  if (identity.empty()) {
    identity = new_machine_id();
    platform::write_profile_string(u"GENERAL", u"guid", identity, file);
  }
  register_url_protocol(u"qzzefa", identity);
}
