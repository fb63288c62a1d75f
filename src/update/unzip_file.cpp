#include "update/unzip_file.h"

#include "log/log_manager.h"
#include "platform/files.h"
#include "platform/text.h"
#include "update/entry_path.h"
#include "update/make_dirs.h"
#include "update/zip_archive.h"

namespace {

constexpr const char* TAG = "CWebWindow::UnzipFile";

void logEntryFailure(std::uint32_t code, const std::u16string& name) {
  LOG_LINE(LOG_ERROR, TAG) << "unzip fail, errcode=:" << code << ", ze.name=" << platform::to_ansi(name);
}

}  // namespace

bool UnzipFile(std::u16string folder, std::u16string zipPath) {
  LOG_LINE(LOG_INFO, TAG) << "解压文件:" << platform::to_ansi(zipPath);
  platform::set_current_directory(folder);

  ZipArchive archive;
  if (!archive.open(zipPath)) {
    LOG_LINE(LOG_ERROR, TAG) << "unzip fail, file : " << platform::to_ansi(zipPath) << " open fail";
    return false;
  }
  ZipEntry entry;
  archive.describe(-1, entry);
  const std::int32_t count = entry.index;
  for (std::int32_t index = 0; index < count; ++index) {
    if (const auto described = archive.describe(index, entry); described != ZIP_RESULT_OK) {
      logEntryFailure(described, entry.name);
      return false;
    }
    if (!entryStaysInside(entry.name)) {
      // A damaged or hostile package: refusing it gets it downloaded again.
      LOG_LINE(LOG_WARN, TAG) << "entry would land outside " << platform::to_ansi(folder);
      logEntryFailure(ZIP_RESULT_CANNOT_CREATE, entry.name);
      return false;
    }
    if (entry.attributes & FILE_ATTRIBUTE_DIRECTORY_BIT) {
      std::u16string resolved;
      makeDirs(folder + entry.name, resolved);
      continue;
    }
    if (const auto result = archive.extract(index, entry.name); result != ZIP_RESULT_OK) {
      logEntryFailure(result, entry.name);
      return false;
    }
  }
  return true;
}
