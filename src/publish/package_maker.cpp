#include "publish/package_maker.h"

#include "platform/sha256.h"
#include "update/md5.h"
#include "update/zip_writer.h"

void describeBytes(const std::vector<unsigned char>& bytes, ReleasePackage& record) {
  record.size = bytes.size();
  MD5 md5;
  md5.update(bytes.data(), bytes.size());
  record.md5 = md5.hex();
  platform::sha256 sha;
  sha.update(bytes.data(), bytes.size());
  record.sha256 = sha.hex();
}

MadePackage makePackage(const PlannedPackage& package, ProgressLine& progress) {
  MadePackage made;
  made.record.name = package.name();
  ZipWriter zip(PACKAGE_COMPRESSION_LEVEL);
  std::vector<unsigned char> data;
  for (const GameFile* file : package.files) {
    if (!readWholeFile(file->source, file->size, data)) {
      made.error = file->path + ": changed or unreadable while the release was made";
      return made;
    }
    if (!zip.add({file->path, file->modificationTime, file->mode}, data.data(), data.size())) {
      made.error = file->path + ": could not be compressed";
      return made;
    }
    std::string digest = file->sha256;
    if (digest.empty()) {
      platform::sha256 sha;
      sha.update(data.data(), data.size());
      digest = sha.hex();
    }
    made.record.files.push_back({file->path, file->size, file->mode, std::move(digest)});
    progress.doneBytes += file->size;
    progress.doneFiles += 1;
  }
  auto bytes = zip.finish();
  if (!bytes) {
    made.error = made.record.name + ": the archive could not be finished";
    return made;
  }
  made.bytes = std::move(*bytes);
  describeBytes(made.bytes, made.record);
  return made;
}

MadePackage reusePackage(const PlannedPackage& package, const std::filesystem::path& previousFolder) {
  MadePackage made;
  made.record = *package.previous;
  if (!readWholeFile(previousFolder / made.record.name, made.record.size, made.bytes)) {
    made.error = (previousFolder / made.record.name).string() +
                 ": missing or not the size the last release recorded";
    return made;
  }
  ReleasePackage found;
  describeBytes(made.bytes, found);
  if (found.md5 != made.record.md5 || found.sha256 != made.record.sha256)
    made.error = (previousFolder / made.record.name).string() + ": not the bytes the last release recorded";
  return made;
}
