#include "support/file_facts.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cstring>

#include "support/child_program.h"

namespace testing_support {

file_seconds file_times_of(const std::filesystem::path& file) {
  struct stat st {};
  if (stat(file.c_str(), &st) != 0) {
    ADD_FAILURE() << "cannot stat " << file;
    return {};
  }
  return {st.st_mtim.tv_sec, st.st_atim.tv_sec};
}

std::string reference_md5_hex(const std::filesystem::path& file) {
  const auto result = run_child("/usr/bin/env", {"md5sum", "-b", file.string()}, file.parent_path(), {});
  EXPECT_EQ(result.exit_code, 0) << result.output;
  std::string digest = result.output.substr(0, 32);
  for (char& c : digest) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return digest;
}

std::optional<full_disk_file> full_disk() {
  if (!std::filesystem::exists("/dev/full")) return std::nullopt;
  return full_disk_file{u"/dev/", u"full", std::strerror(ENOSPC)};
}

std::filesystem::path own_program() {
  std::error_code ignored;
  return std::filesystem::read_symlink("/proc/self/exe", ignored);
}

}  // namespace testing_support
