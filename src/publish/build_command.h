#pragma once
// launcher-publish build: a game folder becomes a release folder (packages, release.json,
// list.txt).
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "publish/signing_commands.h"

struct BuildOptions {
  std::filesystem::path gameFolder;
  std::filesystem::path outFolder;
  std::optional<std::filesystem::path> previousFolder;
  std::string baseAddress;
  std::uint64_t packageSize = 8 * 1024 * 1024;
  std::optional<SigningOptions> signing;
};

// The process's exit code; what went wrong is written to standard error, one line each.
int runBuild(const BuildOptions& options);
