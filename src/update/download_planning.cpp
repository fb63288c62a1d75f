#include "update/download_planning.h"

#include "log/log_manager.h"
#include "platform/files.h"
#include "platform/text.h"
#include "update/install_records.h"
#include "update/unzip_file.h"

namespace {

// Versions are loaded from the download list upper-cased, so they are compared the same way.
bool sameVersion(std::u16string recorded, std::u16string version) {
  platform::to_upper(recorded);
  platform::to_upper(version);
  return recorded == version;
}

}  // namespace

bool CheckFileNeedDownload(const std::u16string& folder, const PackageEntry& entry,
                           bool canDownload) {
  constexpr const char* tag = "CWebWindow::CheckFileNeedDownload";
  const std::u16string path = folder + entry.name;
  if (platform::path_exists(path)) {
    if (!needUnzip(entry)) return false;
    if (UnzipFile(folder, path)) {
      recordInstalled(entry);
      return false;
    }
    LOG_LINE(LOG_ERROR, tag) << "uncompress zip file fail! need to redownload it! " << platform::to_ansi(path);
  } else {
    LOG_LINE(LOG_DEBUG, tag) << "文件:" << platform::to_ansi(path) << "需要下载";
  }
  if (canDownload) RemoveOtherVersionOfThisFile(folder, entry.name);
  return true;
}

bool needUnzip(const PackageEntry& entry) {
  const std::u16string* recorded = findInstalled(baseName(entry.name));
  if (!recorded) {
    LOG_LINE(LOG_INFO, "needUnzip") << "not in dlist, reunzip file!";
    return true;
  }
  if (!verFileExisted) {
    LOG_LINE(LOG_INFO, "needUnzip") << "VerFile not exist, reunzip file";
    return true;
  }
  return !sameVersion(*recorded, entry.version);
}

void RemoveOtherVersionOfThisFile(std::u16string folder, const std::u16string& name) {
  LOG_LINE(LOG_DEBUG, "CWebWindow::RemoveOtherVersionOfThisFile") << "移除同名文件";
  const std::u16string base = baseName(name);
  // Without a base name there is no "same package"; every file would match.
  if (base.empty()) return;
  for (const auto& found : platform::find_files(folder + u"\\*")) {
    if (found.is_directory || baseName(found.name) != base) continue;
    platform::delete_file(folder + found.name);
  }
}
