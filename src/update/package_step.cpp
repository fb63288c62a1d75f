#include "update/package_step.h"

#include "log/log_manager.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/process.h"
#include "platform/text.h"
#include "update/download_planning.h"
#include "update/file_md5.h"
#include "update/install_records.h"
#include "update/unzip_file.h"

namespace {

constexpr const char* TAG = "CWebWindow::UnCompress";
// Time for a closed game to let go of its files before they are written again.
constexpr std::uint32_t GAME_EXIT_WAIT_MS = 2000;

[[noreturn]] void failWithBox(std::u16string_view text, std::u16string_view caption) {
  platform::message_box(0, text, caption, platform::box_buttons::ok);
  platform::exit_process(0);
}

// The archive may be in use by a running game: offer to close it and try once more.
void recoverFromFailedExtraction(const std::u16string& folder, const std::u16string& zipPath,
                                 std::u16string_view gameName) {
  LOG_LINE(LOG_ERROR, TAG) << "data assert fail , please relauncher program";
  const std::uint32_t game = findProcessByName(gameName);
  if (game == 0) failWithBox(u"检测到微端数据已损坏，请重新安装后尝试", u"提示");
  const int answer = platform::message_box(
      0, u"有另一个游戏实例正在运行，需要关闭才能执行更新，是否强制关闭？", u"错误提示",
      platform::box_buttons::ok_cancel);
  if (answer != platform::answer_ok) platform::exit_process(0);
  if (!killProcess(game)) failWithBox(u"尝试关闭游戏进程失败,请手动关闭", u"错误");
  platform::sleep_ms(GAME_EXIT_WAIT_MS);
  if (!UnzipFile(folder, zipPath)) {
    LOG_LINE(LOG_ERROR, TAG) << "ReUnzip fail!";
    failWithBox(u"游戏更新失败，可能数据已经损坏, 建议重新安装微端", u"错误");
  }
}

}  // namespace

void installDownloadedPackage(const std::u16string& folder, const PackageEntry& entry,
                              const std::map<std::u16string, std::u16string>& md5Map,
                              const FileDigests* known, std::u16string_view gameName,
                              const ReleasePackage* signedPackage) {
  platform::set_current_directory(folder);
  const std::u16string zipPath = folder + entry.name;
  const std::string narrowPath = platform::to_ansi(zipPath);

  const FileDigests actual = known && platform::path_exists(zipPath)
                                ? *known
                                : fileDigests(zipPath, signedPackage != nullptr);
  const auto listed = md5Map.find(entry.name);
  const std::string expected = listed == md5Map.end() ? std::string() : platform::to_ansi(listed->second);
  // A package the page gave no digest for cannot be verified, even when it is missing too.
  const auto refuse = [&zipPath] {
    platform::message_box(0, u"微端数据校验失败，请重试", u"提示", platform::box_buttons::ok);
    platform::delete_file(zipPath);
    platform::exit_process(0);
  };
  if (expected.empty() || expected != actual.md5) {
    LOG_LINE(LOG_ERROR, TAG) << "unzipfile fail, md5 is not the same:" << narrowPath;
    refuse();
  }
  if (signedPackage) {
    // MD5 no longer resists a made collision; the signed SHA-256 and size do.
    if (actual.sha256 != signedPackage->sha256 || actual.size != signedPackage->size) {
      LOG_LINE(LOG_ERROR, TAG) << "package differs from the signed release (SHA-256 or size): "
                               << narrowPath;
      refuse();
    }
    // Kept until now: a package the signature does not cover must not cost the player the
    // version he has.
    RemoveOtherVersionOfThisFile(folder, entry.name, /*keepName=*/true);
  }
  if (!UnzipFile(folder, zipPath)) recoverFromFailedExtraction(folder, zipPath, gameName);
  recordInstalled(entry);
}
