// "oem.ini" and "wb.flg": the portal address of the web window, read through the Linux profile
// reader. The first byte says whether "wb.flg" exists; the other bytes are "oem.ini". Whatever
// the file holds, the address is the configured page with the fixed query, "&ly=" and the
// operator id, values fit their 260-character buffer, and a value the launcher
// writes into the file reads back as written while the other values stay as they were.
#include <filesystem>
#include <string>

#include "platform/profile.h"
#include "platform/text.h"
#include "support/fuzz_support.h"
#include "webwindow/web_window.h"

namespace {

constexpr char portal[] = "http://127.0.0.1:9/portal/index.html";
std::filesystem::path folder;

std::u16string read(std::u16string_view key, std::u16string_view default_value) {
  const std::u16string value =
      platform::get_profile_string(u"LIAN_YUN", key, default_value, 260, u"./oem.ini");
  FUZZ_CHECK(value.size() <= 259, platform::to_utf8(value));
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::isolate_process();
  folder = fuzz::fresh_folder("launcher");
  std::filesystem::current_path(folder);
  setenv("LAUNCHER_PORTAL_ADDRESS", portal, 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const bool marker = data[0] & 1;
  std::filesystem::remove(folder / "wb.flg");
  if (marker) fuzz::write_file_bytes(folder / "wb.flg", "");
  fuzz::write_file_bytes(folder / "oem.ini",
                         std::string(reinterpret_cast<const char*>(data) + 1, size - 1));

  const std::u16string id = read(u"id", u"halvor");
  const std::u16string sub_id = read(u"sub_id", u"");
  const std::u16string address = CWebWindow(fuzz::core_folder(folder)).buildPortalUrl();
  const std::u16string expected = platform::from_utf8(portal) + u"?version=2&appver=7&ly=" + id +
                                  (sub_id.empty() ? u"" : u"&" + sub_id) +
                                  (marker ? u"&wb=1" : u"");
  FUZZ_CHECK(address == expected, platform::to_utf8(address));

  if (platform::write_profile_string(u"LIAN_YUN", u"sub_id", u"s=7", u"./oem.ini")) {
    FUZZ_CHECK(read(u"sub_id", u"") == u"s=7", platform::to_utf8(read(u"sub_id", u"")));
    FUZZ_CHECK(read(u"id", u"halvor") == id, platform::to_utf8(read(u"id", u"halvor")));
  }
  return 0;
}
