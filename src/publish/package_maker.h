#pragma once
// One package's bytes and digests, made from its files or taken over from last release.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "publish/package_plan.h"
#include "publish/progress_line.h"
#include "release/release_manifest.h"

// The deflate level of every package, fixed so that the same files give the same bytes.
inline constexpr int PACKAGE_COMPRESSION_LEVEL = 6;

struct MadePackage {
  ReleasePackage record;
  std::vector<unsigned char> bytes;
  std::string error;  // why the package could not be made, naming the file
};

// Compresses the package's files in path order, counting each file done in progress.
MadePackage makePackage(const PlannedPackage& package, ProgressLine& progress);

// Last release's package as it was, after checking that its file still has the recorded bytes.
MadePackage reusePackage(const PlannedPackage& package, const std::filesystem::path& previousFolder);

// The digests and size of bytes, filled into record.
void describeBytes(const std::vector<unsigned char>& bytes, ReleasePackage& record);
