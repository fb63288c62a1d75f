#pragma once
// Package files are named base "." version, split at the last ".": res.12 is res, version 12.
#include <string>

struct PackageEntry {
  std::u16string name;     // e.g. res.12
  std::u16string version;  // versionSuffix(name), e.g. 12
};

// Both are empty when the name has no "." or its last "." is its first character.
std::u16string baseName(const std::u16string& name);
std::u16string versionSuffix(const std::u16string& name);
