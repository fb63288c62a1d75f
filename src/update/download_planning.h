#pragma once
// Before any download starts: is a package installed, can the copy on disk be extracted, or
// must it be fetched? The launcher folder ends with "\" (getModuleDir()).
#include <string>

#include "update/package_name.h"

// True when the package must be downloaded. May extract the copy on disk and record it, and
// deletes the other versions of the package before asking for a download when
// removeOtherVersions. Nothing is deleted when no download of it can be made (the update ends
// without it, and the versions on disk are all the player has), nor when its download must
// first pass the signed release's checks.
bool CheckFileNeedDownload(const std::u16string& folder, const PackageEntry& entry,
                           bool removeOtherVersions = true);

// True when a package file that is present must be extracted again.
bool needUnzip(const PackageEntry& entry);

// Deletes the files in folder that are versions of the same package as name (same base name),
// name itself too unless keepName. Nothing is deleted when name has no base name.
void RemoveOtherVersionOfThisFile(std::u16string folder, const std::u16string& name,
                                  bool keepName = false);
