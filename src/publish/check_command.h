#pragma once
// launcher-publish check: a release folder holds what its manifest says, and nothing in it is
// something the launcher would refuse or install elsewhere.
#include <filesystem>

// The process's exit code; every fault found is written to standard error, one line each.
int runCheck(const std::filesystem::path& releaseFolder);
