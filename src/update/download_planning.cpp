#include "update/download_planning.h"

#include "log/log_manager.h"
#include "platform/files.h"
#include "platform/text.h"
#include "update/install_records.h"
#include "update/unzip_file.h"

namespace {

// Versions are loaded from the download list upper-cased, so they are compared the same way;
// file names are compared as Windows compares them.
bool sameIgnoringCase(std::u16string a, std::u16string b) {
  platform::to_upper(a);
  platform::to_upper(b);
  return a == b;
}

}  // namespace

bool CheckFileNeedDownload(const std::u16string& folder, const PackageEntry& entry,
                           bool removeOtherVersions) {
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
  if (removeOtherVersions) RemoveOtherVersionOfThisFile(folder, entry.name);
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
  return !sameIgnoringCase(*recorded, entry.version);
}

void RemoveOtherVersionOfThisFile(std::u16string folder, const std::u16string& name,
                                  bool keepName) {
  LOG_LINE(LOG_DEBUG, "CWebWindow::RemoveOtherVersionOfThisFile") << "移除同名文件";
  const std::u16string base = baseName(name);
  // Without a base name there is no "same package"; every file would match.
  if (base.empty()) return;
  for (const auto& found : platform::find_files(folder + u"\\*")) {
    if (found.is_directory || baseName(found.name) != base ||
        (keepName && sameIgnoringCase(found.name, name)))
      continue;
    platform::delete_file(folder + found.name);
  }
}
