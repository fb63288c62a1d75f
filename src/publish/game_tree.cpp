#include "publish/game_tree.h"

#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <mutex>

#include "platform/sha256.h"
#include "publish/parallel.h"
#include "publish/path_rules.h"

namespace fs = std::filesystem;

namespace {

std::string lowerAscii(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

}  // namespace

GameTree scanGameTree(const fs::path& folder) {
  GameTree tree;
  std::error_code failure;
  fs::recursive_directory_iterator walk(folder, failure), end;
  if (failure) {
    tree.errors.push_back(folder.string() + ": cannot be read: " + failure.message());
    return tree;
  }
  std::map<std::string, std::vector<std::string>> byFoldedName;
  for (; walk != end; walk.increment(failure)) {
    if (failure) {
      tree.errors.push_back(walk->path().string() + ": cannot be read: " + failure.message());
      break;
    }
    const std::string path = walk->path().lexically_relative(folder).generic_string();
    if (const std::string reason = refusedPathReason(path); !reason.empty())
      tree.errors.push_back(path + ": refused: " + reason);
    byFoldedName[lowerAscii(path)].push_back(path);
    struct stat facts {};
    if (lstat(walk->path().c_str(), &facts) != 0) {
      tree.errors.push_back(path + ": cannot be read");
      continue;
    }
    if (S_ISDIR(facts.st_mode)) continue;
    if (!S_ISREG(facts.st_mode)) {
      tree.errors.push_back(path + ": refused: not a regular file (links and devices are not packaged)");
      continue;
    }
    tree.files.push_back({path, walk->path(), static_cast<std::uint64_t>(facts.st_size),
                          static_cast<std::uint32_t>(facts.st_mode & 0777),
                          static_cast<std::int64_t>(facts.st_mtim.tv_sec), {}});
  }
  for (const auto& [folded, paths] : byFoldedName)
    for (std::size_t i = 0; i < paths.size() && paths.size() > 1; ++i)
      tree.errors.push_back(paths[i] + ": refused: differs from " + paths[(i + 1) % paths.size()] +
                            " only in letter case");
  std::sort(tree.files.begin(), tree.files.end(),
            [](const GameFile& a, const GameFile& b) { return a.path < b.path; });
  std::sort(tree.errors.begin(), tree.errors.end());
  return tree;
}

bool readWholeFile(const fs::path& file, std::uint64_t size, std::vector<unsigned char>& bytes) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  bytes.resize(size);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
  if (static_cast<std::uint64_t>(in.gcount()) != size) return false;
  return in.peek() == std::ifstream::traits_type::eof();
}

std::string fileSha256(const GameFile& file) {
  std::ifstream in(file.source, std::ios::binary);
  platform::sha256 digest;
  std::vector<char> piece(1 << 20);
  std::uint64_t total = 0;
  while (in) {
    in.read(piece.data(), static_cast<std::streamsize>(piece.size()));
    digest.update(piece.data(), static_cast<std::size_t>(in.gcount()));
    total += static_cast<std::uint64_t>(in.gcount());
  }
  if (!in.eof() || total != file.size) return {};
  return digest.hex();
}

std::vector<std::string> hashGameFiles(std::vector<GameFile>& files, unsigned workers,
                                       const std::set<std::string>& paths) {
  std::vector<std::string> errors;
  std::mutex errorsLock;
  forEachInParallel(files.size(), workers, [&](std::size_t index) {
    if (!paths.count(files[index].path)) return;
    files[index].sha256 = fileSha256(files[index]);
    if (files[index].sha256.empty()) {
      const std::lock_guard lock(errorsLock);
      errors.push_back(files[index].path + ": cannot be read whole");
    }
  });
  std::sort(errors.begin(), errors.end());
  return errors;
}
