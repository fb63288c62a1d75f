#pragma once
// The step that installs one downloaded package: check its MD5, extract it (closing a running
// game once if that is what stands in the way) and record it in the download list.
#include <map>
#include <string>
#include <string_view>

#include "release/release_manifest.h"
#include "update/file_md5.h"
#include "update/game_process.h"
#include "update/package_name.h"

// folder is the launcher folder ending with "\"; md5Map maps package names to their expected
// digests in upper-case hex. known is the package's digests when they were worked out already
// (since the download saved it); they stand for the package only while the file is there.
// Returns only when the package is installed: every failure shows its message box and ends the
// process with exit code 0. gameName is the program looked for. signedPackage, when the
// release is signed, is the package as the signed manifest has it: its SHA-256 and size must
// match as well, and only a package that passes makes way for its other versions on disk.
void installDownloadedPackage(const std::u16string& folder, const PackageEntry& entry,
                              const std::map<std::u16string, std::u16string>& md5Map,
                              const FileDigests* known = nullptr,
                              std::u16string_view gameName = GAME_PROGRAM_NAME,
                              const ReleasePackage* signedPackage = nullptr);
