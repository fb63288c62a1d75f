// entryGame: the parameter file, the game's command line and the launcher's exit.
#include <climits>
#include <cstdint>
#include <string>

#include "log/log_manager.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/process.h"
#include "platform/screen.h"
#include "platform/text.h"
#include "update/started_programs.h"
#include "webwindow/web_window.h"

namespace {

bool isText(const platform::variant& value) { return value.vt == platform::variant_type::bstr; }

// _wtoi: optional blanks and sign, then the leading digits; clamped to the int range.
std::int64_t leadingNumber(std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  std::int64_t value = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    value = value * 10 + (text[i] - u'0');
    if (value > static_cast<std::int64_t>(INT_MAX) + 1) break;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return value;
}

std::int32_t nowSeconds32() { return static_cast<std::int32_t>(platform::unix_time()); }

std::u16string decimal(std::int64_t value) { return platform::from_ansi(std::to_string(value)); }

}  // namespace

int toUtf8ViaAnsi(const char* text, char* buffer, int bufferSize) {
  if (text == nullptr) return 0;
  const std::string utf8 = platform::to_utf8(platform::from_ansi(text));
  const int needed = static_cast<int>(utf8.size()) + 1;
  if (buffer == nullptr) return needed;
  if (needed > bufferSize) return 0;
  std::copy(utf8.begin(), utf8.end(), buffer);
  buffer[utf8.size()] = '\0';
  return needed - 1;
}

void CWebWindow::removeOldParamFile() {
  LOG_LINE(LOG_DEBUG, "CWebWindow::removeOldParamFile") << "移除过旧的param文件";
  const std::int64_t now = nowSeconds32();
  for (const auto& entry : platform::find_files(u".\\param.*")) {
    if (entry.is_directory) continue;
    if (entry.name.find(u"param.") == std::u16string::npos) continue;
    const auto dot = entry.name.find(u'.');
    const std::int64_t stamp = leadingNumber(std::u16string_view(entry.name).substr(dot + 1));
    if (now - stamp > PARAM_FILE_MAX_AGE) platform::delete_file(entry.name);
  }
}

std::u16string CWebWindow::gameCommandLine(const std::u16string& gameArgument,
                                           const std::u16string& paramFileName) const {
  const platform::screen_rect area = platform::primary_work_area();
  std::u16string line = launcherFolder_;
  line.append(GAME_PROGRAM_NAME).append(u" \"").append(gameArgument);
  line.append(1, u'|').append(decimal(static_cast<std::int64_t>(area.right) - area.left - 60));
  line.append(1, u'|').append(decimal(static_cast<std::int64_t>(area.bottom) - area.top - 80));
  if (!paramFileName.empty()) line.append(1, u'|').append(paramFileName);
  line.append(1, u'"');
  return line;
}

void CWebWindow::entryGame(platform::dispatch_params* params, platform::variant* /*result*/) {
  // Both arguments are read as text; refuse a call that does not carry them.
  if (params == nullptr || params->cArgs() == 0 || !isText(params->rgvarg[0]) ||
      (params->cArgs() == 2 && !isText(params->rgvarg[1]))) {
    LOG_LINE(LOG_ERROR, "CWebWindow::entryGame") << "entryGame error, param error";
    return;
  }
  const std::u16string gameArgument = params->rgvarg[0].bstrVal;
  std::u16string paramFileName;
  if (params->cArgs() == 2) {
    removeOldParamFile();
    paramFileName = u"param.";
    paramFileName.append(decimal(nowSeconds32()));
    const std::string ansi = platform::to_ansi(params->rgvarg[1].bstrVal);
    std::string utf8(static_cast<std::size_t>(toUtf8ViaAnsi(ansi.c_str(), nullptr, 0)), '\0');
    const int length = toUtf8ViaAnsi(ansi.c_str(), utf8.data(), static_cast<int>(utf8.size()));
    utf8.resize(static_cast<std::size_t>(length));
    if (!platform::write_file(paramFileName, utf8)) {
      LOG_LINE(LOG_ERROR, "CWebWindow::entryGame") << "create param file error!";
      platform::message_box(0, u"启动游戏失败,可能游戏数据已损坏，请从新安装微端", u"错误",
                            platform::box_buttons::ok);
      platform::exit_process(0);
    }
    if (length == 0) {
      LOG_LINE(LOG_ERROR, "CWebWindow::entryGame") << "output param file error, len = 0;";
      platform::message_box(0, u"输出param文件失败", u"提示", platform::box_buttons::ok);
    }
  }
  Exec(gameCommandLine(gameArgument, paramFileName));
}
