#pragma once
// The game folder as players must get it: every regular file with what a package keeps of it.
#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

struct GameFile {
  std::string path;  // UTF-8 below the game folder, "/" between folders
  std::filesystem::path source;
  std::uint64_t size = 0;
  std::uint32_t mode = 0;  // the 0777 permission bits
  std::int64_t modificationTime = 0;  // seconds since 1970
  std::string sha256;  // filled by hashGameFiles, or when the file is packed
};

struct GameTree {
  std::vector<GameFile> files;      // in byte order of their paths
  std::vector<std::string> errors;  // one line each, naming the path
};

// Refuses what the launcher could not install as it is: names it would refuse, names that
// differ only in letter case (one file on Windows), links and other special files.
GameTree scanGameTree(const std::filesystem::path& folder);

// Fills the SHA-256 of the files at these paths, over workers threads; errors name the files
// that cannot be read.
std::vector<std::string> hashGameFiles(std::vector<GameFile>& files, unsigned workers,
                                       const std::set<std::string>& paths);
// The SHA-256 of one file's bytes, empty when it cannot be read whole.
std::string fileSha256(const GameFile& file);

// The whole content of a file; false when it cannot be read or its size changed meanwhile.
bool readWholeFile(const std::filesystem::path& file, std::uint64_t size, std::vector<unsigned char>& bytes);

