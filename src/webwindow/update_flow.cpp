// The update the page asks for: plan and start the downloads, follow their messages, report
// to the page, and extract once every download has arrived.
#include <cstdlib>
#include <utility>

#include "download/download_failure.h"
#include "download/packet_map.h"
#include "log/log_manager.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/process.h"
#include "platform/text.h"
#include "update/install_records.h"
#include "update/download_planning.h"
#include "update/game_process.h"
#include "update/package_step.h"
#include "update/package_list.h"
#include "update/package_name.h"
#include "update/plain_file_name.h"
#include "webwindow/script_args.h"
#include "webwindow/web_window.h"

namespace {

void closeRunningGame() {
  const std::uint32_t pid = findProcessByName(GAME_PROGRAM_NAME);
  if (pid == 0) return;
  const int answer = platform::message_box(
      0, u"有另一个游戏实例正在运行，需要关闭才能执行更新，是否强制关闭？", u"错误提示",
      platform::box_buttons::ok_cancel);
  if (answer != platform::answer_ok) platform::exit_process(0);
  if (!killProcess(pid)) {
    platform::message_box(0, u"尝试关闭游戏进程失败,请手动关闭", u"错误",
                          platform::box_buttons::ok);
    platform::exit_process(0);
  }
}

}  // namespace

bool CWebWindow::planPackage(const std::u16string& base, const std::u16string& name,
                             const std::u16string& digest) {
  if (!isPlainFileName(name)) {
    LOG_LINE(LOG_ERROR, "CWebWindow::updateGame")
        << "package name is not a plain file name, skipped: " << platform::to_ansi(name);
    return false;
  }
  updateMd5Map[name] = digest;
  const PackageEntry entry{name, versionSuffix(name)};
  std::srand(static_cast<unsigned>(platform::unix_time()));
  const int cacheBreaker = std::rand() % 10000;
  const std::u16string url = base + name + u"?" + platform::from_ansi(std::to_string(cacheBreaker));
  // Whether its job can be made is known before planning deletes the package's other
  // versions: a package that cannot be fetched must not cost the player the one he has. A
  // signed package's other versions stay until it passes the signed release's checks.
  const bool canDownload = CPacketMap::Accepts(launcherFolder_, name, url);
  const auto signedPackage = signedPackages_.find(name);
  const bool isSigned = signedPackage != signedPackages_.end();
  if (!CheckFileNeedDownload(launcherFolder_, entry, canDownload && !isSigned)) return false;
  // AddPacket logs why it refuses. Without the package the update cannot finish: it ends as a
  // failed download does, never in the finished state.
  CPacket* job = packets->AddPacket(hwnd_, launcherFolder_, name, url, entry.version);
  if (job == nullptr) end_update_after_failed_download(hwnd_, "CWebWindow::updateGame");
  if (isSigned && signedPackage->second.size < MAX_PACKET_BYTES)
    job->LimitBody(static_cast<std::int32_t>(signedPackage->second.size));
  return true;
}

void CWebWindow::updateGame(platform::dispatch_params* params, platform::variant* /*result*/) {
  if (updateGameCalled) {
    LOG_LINE(LOG_DEBUG, "CWebWindow::updateGame") << "函数已经被调用";
    return;
  }
  if (params == nullptr || params->cArgs() == 0) {
    LOG_LINE(LOG_ERROR, "CWebWindow::updateGame") << "update game error, param error";
    return;
  }
  updateGameCalled = true;
  updateMd5Map.clear();
  startedJobCount = 0;
  std::vector<PackageList> lists;
  for (const auto& argument : params->rgvarg) {
    const std::u16string& list = argument.bstrVal;
    LOG_LINE(LOG_DEBUG, "CWebWindow::updateGame") << "文件列表:" << platform::to_ansi(list);
    lists.push_back(readPackageList(list));
  }
  if (releaseKey_.empty()) {
    startUpdate(lists);
    return;
  }
  // The signed releases come first; the update goes on when they are in.
  std::vector<std::string> bases;
  for (const auto& packages : lists) bases.push_back(platform::to_ansi(packages.base));
  listsAwaitingRelease_ = std::move(lists);
  if (!releaseFetch_.start(hwnd_, std::move(bases))) {
    LOG_LINE(LOG_ERROR, "CWebWindow::updateGame") << "signed release refused: no thread to fetch it";
    end_update_after_failed_download(hwnd_, "CWebWindow::updateGame");
  }
}

void CWebWindow::OnReleaseFetched() {
  if (listsAwaitingRelease_.empty()) return;
  // One document pair per list, in the lists' order.
  const std::vector<ReleaseDocuments> documents = releaseFetch_.take();
  const std::vector<PackageList> lists = std::exchange(listsAwaitingRelease_, {});
  // Every list is admitted before the first package is planned: planning deletes old versions.
  for (std::size_t i = 0; i < lists.size(); ++i)
    if (!admitSignedList(lists[i], documents[i]))
      end_update_after_failed_download(hwnd_, "CWebWindow::updateGame");
  startUpdate(lists);
}

void CWebWindow::startUpdate(const std::vector<PackageList>& lists) {
  for (const auto& packages : lists) {
    for (const auto& item : packages.items)
      if (planPackage(packages.base, item.name, item.digest)) startedJobCount += 1;
  }
  if (packets->Count() >= 1) {
    closeRunningGame();
    packets->StartAll(packetLauncher);
  }
  platform::variant ignored;
  callScript(u"OnUpdateGame", pageArguments({platform::variant::number(0)}), &ignored);
  LOG_LINE(LOG_DEBUG, "CWebWindow::updateGame") << "call onUpdateGame!";
}

void CWebWindow::getDownloadProcess(platform::dispatch_params* /*params*/,
                                    platform::variant* /*result*/) {
  LOG_LINE(LOG_INFO, "CWebWindow::getDownloadProcess") << "getDownloadProcess Call";
  // Nothing to download is not yet finished while the signed release is still on its way.
  if (packets->Count() == 0 && listsAwaitingRelease_.empty()) {
    updateState = UPDATE_FINISHED;
    UpdateState();
  }
}

std::intptr_t CWebWindow::OnDLProgress() {
  const std::uint32_t now = platform::tick_count();
  if (now - lastProgressTick <= 40) return 0;
  lastProgressTick = now;
  if (!packets->AllFinished() && packets->AllReceiving()) {
    // Only tried: a report already under way (a nested message loop) wins.
    if (progressLock.try_lock()) {
      updateState = UPDATE_DOWNLOADING;
      UpdateState();
      progressLock.unlock();
    }
  }
  packets->MarkProgress();
  return 0;
}

std::intptr_t CWebWindow::OnDLFinish(std::int32_t jobId) {
  if (packets->IsFinished(jobId)) {
    finishedJobs.insert(jobId);
    // The file is complete now; its check before extraction needs its digest.
    const CPacket* job = packets->Find(jobId);
    packageDigests.start(job->GetPath(), signedPackages_.contains(job->GetName()));
    ProcessDownloadCompleate();
    return 0;
  }
  platform::message_box(hwnd_, u"由于您的网络不稳定，程序下载数据失败，即将退出,请稍后再试",
                        u"更新错误", platform::box_buttons::ok);
  LOG_LINE(LOG_ERROR, "CWebWindow::OnDLFinish")
      << "由于您的网络不稳定，程序下载数据失败，即将退出,,请稍后再试";
  platform::exit_process(0);
}

void CWebWindow::ProcessDownloadCompleate() {
  // A job's status turns finished before its file is written; only its finished message
  // says the file is complete, so every job's message must have arrived.
  if (!packets->AllFinished() || downloadCompleteHandled ||
      finishedJobs.size() < static_cast<std::size_t>(packets->Count()))
    return;
  downloadCompleteHandled = true;
  LOG_LINE(LOG_INFO, "CWebWindow::ProcessDownloadCompleate") << "下载全部完成";
  updateState = UPDATE_EXTRACTING;
  UpdateState();
}

void CWebWindow::UpdateState(int /*ignored*/) {
  platform::variant ignored;
  if (updateState == UPDATE_EXTRACTING || updateState == UPDATE_FINISHED) {
    LOG_LINE(LOG_INFO, "CWebWindow::UpdateState")
        << (updateState == UPDATE_EXTRACTING ? "status is uncompress" : "status is finish");
    callScript(u"onGetDownloadProcess",
               pageArguments({platform::variant::number(static_cast<std::uint32_t>(updateState)),
                              platform::variant::text(u"hjhk"), platform::variant::number(0),
                              platform::variant::number(0), platform::variant::number(0)}),
               &ignored);
    if (updateState == UPDATE_EXTRACTING) platform::set_timer(hwnd_, TIMER_UNCOMPRESS, 50);
    return;
  }
  const std::uint32_t speed = packets->BytesPerSecond();
  CPacket* job = startedJobCount >= 1 ? packets->First() : nullptr;
  for (std::int32_t visited = 1; job != nullptr && visited <= startedJobCount; ++visited) {
    const auto total = static_cast<std::uint32_t>(job->GetTotalSize());
    const auto received = static_cast<std::uint32_t>(job->GetReceived());
    if (total > received) {
      callScript(u"onGetDownloadProcess",
                 pageArguments({platform::variant::number(static_cast<std::uint32_t>(updateState)),
                                platform::variant::text(job->GetName()),
                                platform::variant::number(received),
                                platform::variant::number(total),
                                platform::variant::number(speed)}),
                 &ignored);
      return;
    }
    job = packets->Next();
  }
}

void CWebWindow::UnCompress() {
  CPacket* job = packets->First();
  if (job == nullptr) return;
  for (std::int32_t i = 1; i <= startedJobCount && job != nullptr; ++i) {
    const auto signedPackage = signedPackages_.find(job->GetName());
    const bool isSigned = signedPackage != signedPackages_.end();
    const FileDigests digests = packageDigests.take(job->GetPath(), isSigned);
    installDownloadedPackage(job->GetDirectory(), PackageEntry{job->GetName(), job->GetExtension()},
                             updateMd5Map, &digests, GAME_PROGRAM_NAME,
                             isSigned ? &signedPackage->second : nullptr);
    job = packets->Next();
  }
  updateState = UPDATE_FINISHED;
  UpdateState();
}
