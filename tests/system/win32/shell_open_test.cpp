// Opening and starting through the shell: ShellExecuteW with and without parameters.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "platform/files.h"
#include "platform/shell_open.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using testing_support::read_bytes;
using testing_support::temp_folder;

std::string wait_for_record(const fs::path& record) {
  for (int i = 0; i < 400 && read_bytes(record).find("--\n") == std::string::npos; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  return read_bytes(record);
}

TEST(ShellOpen, StartsAProgramWithItsParametersAsWritten) {
  temp_folder dir;
  const fs::path program = dir.path() / "recorder.exe";
  fs::copy_file(RECORD_INVOCATION_PROGRAM, program);
  const fs::path record = dir.path() / "calls.txt";
  setenv("RECORD_INVOCATION_FILE", record.string().c_str(), 1);
  const bool started = platform::shell_open(dir.core_folder() + u"recorder.exe",
                                            u"http://127.0.0.1/a?x=1&y=2 \"two words\"");
  unsetenv("RECORD_INVOCATION_FILE");
  ASSERT_TRUE(started);
  const std::string calls = wait_for_record(record);
  EXPECT_NE(calls.find("\narg=http://127.0.0.1/a?x=1&y=2\narg=two words\n--\n"), std::string::npos)
      << calls;
}

TEST(ShellOpen, NothingToOpenIsAFailure) {
  temp_folder dir;
  EXPECT_FALSE(platform::shell_open(u"", u""));
  EXPECT_FALSE(platform::shell_open(dir.core_folder() + u"missing.exe", u"x"));
}

TEST(ShellOpen, ProgramFilesIsAnExistingFolder) {
  const std::u16string folder = platform::program_files_folder();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), u'\\');
  EXPECT_TRUE(platform::path_exists(folder));
}

}  // namespace
