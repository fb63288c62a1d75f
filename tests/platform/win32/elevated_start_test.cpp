// The way a program that asks for administrator rights is started: through the shell, which
// shows the system's consent prompt. Wine starts such a program without asking (CreateProcessW
// never refuses it there), so the shell's start is driven directly: the program found in an
// unquoted path with blanks, its arguments passed on untouched, the launcher's folder as its own.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/files.h"
#include "platform/win32/elevated_start.h"
#include "support/start_record.h"
#include "support/temp_folder.h"
#include "support/text_file.h"

namespace {

namespace fs = std::filesystem;
using testing_support::core_path;
using testing_support::read_bytes;
using testing_support::temp_folder;

TEST(ElevatedStart, TheShellStartsTheProgramWithItsArgumentsInTheCurrentFolder) {
  temp_folder dir;
  const fs::path folder = dir.path() / "Program Files" / "game launcher";
  fs::create_directories(folder);
  fs::copy_file(RECORD_INVOCATION_PROGRAM, folder / "zefaud.exe");
  const fs::path record = dir.path() / "invocations.txt";
  setenv("RECORD_INVOCATION_FILE", record.string().c_str(), 1);
  const std::u16string previous = platform::current_directory();
  ASSERT_TRUE(platform::set_current_directory(core_path(folder)));

  // Unquoted, as the updater's whole path is its command line; ".exe" left off once.
  EXPECT_EQ(platform::win32::start_with_consent(core_path(folder) + u"\\\\zefaud.exe"), 0u);
  EXPECT_TRUE(testing_support::wait_for_starts(record, 1));
  EXPECT_EQ(platform::win32::start_with_consent(core_path(folder) + u"\\zefaud -x \"a b\""), 0u);
  EXPECT_TRUE(testing_support::wait_for_starts(record, 2));
  platform::set_current_directory(previous);

  const std::string cwd = "cwd=" + fs::canonical(folder).string() + "\n";
  EXPECT_EQ(read_bytes(record), cwd + "--\n" + cwd + "arg=-x\narg=a b\n--\n");

  // A program that is not there is refused with the system's code.
  EXPECT_EQ(platform::win32::start_with_consent(core_path(folder) + u"\\missing.exe"),
            static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  unsetenv("RECORD_INVOCATION_FILE");
}

}  // namespace
