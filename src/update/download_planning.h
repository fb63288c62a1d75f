#pragma once
// Before any download starts: is a package installed, can the copy on disk be extracted, or
// must it be fetched? The launcher folder ends with "\" (getModuleDir()).
#include <string>

#include "update/package_name.h"

// True when the package must be downloaded. May extract the copy on disk and record it, and
// deletes the other versions of the package before asking for a download. When no download of
// it can be made (canDownload false), nothing is deleted: the update ends without it, and the
// versions on disk are all the player has.
bool CheckFileNeedDownload(const std::u16string& folder, const PackageEntry& entry,
                           bool canDownload = true);

// True when a package file that is present must be extracted again.
bool needUnzip(const PackageEntry& entry);

// Deletes the files in folder that are versions of the same package as name (same base name),
// name itself included. Nothing is deleted when name has no base name.
void RemoveOtherVersionOfThisFile(std::u16string folder, const std::u16string& name);
