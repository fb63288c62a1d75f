// Drives the package code the way the launcher does, for scripts/bench:
//   install_bench md5 FILE           prints the file's digest as the package check computes it
//   install_bench unzip FOLDER ZIP   extracts the archive into the folder; exit code 1 on failure
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/text.h"
#include "update/file_md5.h"
#include "update/unzip_file.h"

namespace {

std::u16string corePath(const std::string& path, bool folder) {
  std::u16string text = platform::from_utf8(std::filesystem::absolute(path).lexically_normal().string());
  for (auto& c : text) {
    if (c == u'/') c = u'\\';
  }
  if (folder && (text.empty() || text.back() != u'\\')) text += u'\\';
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "md5" && argc == 3) {
    const std::string digest = fileMd5Hex(platform::to_ansi(corePath(argv[2], false)));
    std::printf("%s\n", digest.c_str());
    return digest.empty() ? 1 : 0;
  }
  if (command == "unzip" && argc == 4) {
    return UnzipFile(corePath(argv[2], true), corePath(argv[3], false)) ? 0 : 1;
  }
  std::fprintf(stderr, "usage: install_bench md5 FILE | install_bench unzip FOLDER ZIP\n");
  return 2;
}
