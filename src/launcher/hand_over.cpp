#include "launcher/hand_over.h"

#include "platform/hand_over.h"
#include "platform/message_box.h"
#include "system/launch_link.h"
#include "system/launch_request_handler.h"

namespace launcher {

bool handOverCommandLine(const std::u16string& commandLine) {
  // Case-sensitive on purpose: QZZEFA on a command line starts a normal launcher.
  if (commandLine.find(u"qzzefa") == std::u16string::npos) return false;
  const launch_request request = parse_launch_url(commandLine.data(), commandLine.size());
  if (request.valid) {
    // The answer is ignored: a receiver that does not take the request changes nothing here.
    platform::send_hand_over(request.target_window, {COPYDATA_LAUNCH_REQUEST, commandLine},
                             hand_over_wait_ms);
  } else {
    platform::message_box(0, u"窗口参数无效", u"错误", platform::box_buttons::ok);
  }
  return true;
}

}  // namespace launcher
