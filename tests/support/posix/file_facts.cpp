#include "support/file_facts.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

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

std::optional<std::string> limit_file_size(std::uint64_t bytes) {
  // The write that crosses the limit then fails with EFBIG instead of ending the process.
  std::signal(SIGXFSZ, SIG_IGN);
  const rlimit limit{static_cast<rlim_t>(bytes), static_cast<rlim_t>(bytes)};
  if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return std::nullopt;
  return std::string(std::strerror(EFBIG));
}

std::filesystem::path own_program() {
  std::error_code ignored;
  return std::filesystem::read_symlink("/proc/self/exe", ignored);
}

}  // namespace testing_support
