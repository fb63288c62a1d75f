#include "download/download_failure.h"

#include <string_view>

#include "log/log_manager.h"
#include "platform/message_box.h"
#include "platform/process.h"
#include "platform/text.h"

void end_update_after_failed_download(platform::window_handle owner, const char* tag) {
  constexpr std::u16string_view text = u"由于您的网络不稳定，程序下载数据失败，即将退出";
  platform::message_box(owner, text, u"更新错误", platform::box_buttons::ok);
  LOG_LINE(LOG_ERROR, tag) << platform::to_ansi(text);
  platform::exit_process(0);
}
