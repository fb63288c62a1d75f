// The portal address: the configured page, the fixed query, the operator pieces of "oem.ini"
// and the "wb.flg" marker.
#include <cstdlib>

#include "platform/profile.h"
#include "platform/text.h"
#include "system/desktop_actions.h"
#include "webwindow/web_window.h"

namespace {

inline constexpr std::size_t PROFILE_BUFFER_CHARS = 260;

std::u16string portalAddress() {
  const char* configured = std::getenv("LAUNCHER_PORTAL_ADDRESS");
  return platform::from_utf8(configured && *configured ? configured
                                                       : LAUNCHER_DEFAULT_PORTAL_ADDRESS);
}

}  // namespace

std::u16string CWebWindow::buildPortalUrl() const {
  std::u16string address = portalAddress() + u"?version=2&appver=7";
  address += u"&ly=" + platform::get_profile_string(u"LIAN_YUN", u"id", u"halvor",
                                                    PROFILE_BUFFER_CHARS, u"./oem.ini");
  const std::u16string subId =
      platform::get_profile_string(u"LIAN_YUN", u"sub_id", u"", PROFILE_BUFFER_CHARS, u"./oem.ini");
  if (!subId.empty()) address += u"&" + subId;
  if (file_exists(u"wb.flg")) address += u"&wb=1";
  return address;
}
