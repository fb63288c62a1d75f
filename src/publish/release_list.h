#pragma once
// The text the portal page hands to updateGame for a release.
#include <string>

#include "release/release_manifest.h"

// base "||" MD5 "|" name "||" ... "||". Without a base the text starts with "||", so that a
// page can put the address it serves the packages from in front of it.
std::string releaseListText(const ReleaseManifest& manifest, const std::string& base);

inline constexpr char RELEASE_LIST_FILE[] = "list.txt";
