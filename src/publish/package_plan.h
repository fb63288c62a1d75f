#pragma once
// Which package each file goes to. A file stays in the package it was in last release; new
// files (and files pushed out of a package that outgrew the size limit) go to the first package
// of their folder's family with room, else to a new one. A package keeps its version when its
// files are exactly those of last release, and takes the next one otherwise.
#include <cstdint>
#include <string>
#include <vector>

#include "publish/game_tree.h"
#include "release/release_manifest.h"

struct PlannedPackage {
  std::string base;
  int version = 1;
  std::vector<const GameFile*> files;        // in path order
  const ReleasePackage* previous = nullptr;  // the package of last release under this base
  bool unchanged = false;                    // its bytes are last release's
  std::string name() const { return packageName(base, version); }
};

struct PackagePlan {
  std::vector<PlannedPackage> packages;  // in name order
  std::vector<std::string> errors;
};

// The most bytes a file can take in a package: its data deflated at worst, its two headers.
std::uint64_t packedBytesAtMost(const GameFile& file);

// limit: the package size aimed at; a file that cannot fit it goes alone into a package, and
// one whose package would pass largest is refused.
PackagePlan planPackages(const std::vector<GameFile>& files, const ReleaseManifest* previous,
                         std::uint64_t limit, std::uint64_t largest);
