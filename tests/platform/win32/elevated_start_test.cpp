// The way a program that asks for administrator rights is started: through the shell, which
// shows the system's consent prompt. Wine starts such a program without asking (CreateProcessW
// never refuses it there), so the shell's start is driven directly: the program found in an
// unquoted path with blanks, its arguments passed on untouched, the launcher's folder as its own;
// and the creation call is one that refuses as Windows does.
#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "platform/files.h"
#include "platform/win32/elevated_start.h"
#include "platform/win32/process_creation.h"
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

// Of the creation call's refusals, only the one for want of rights sends the program on to the
// shell, which really starts it here.
TEST(ElevatedStart, OnlyARefusalForWantOfRightsSendsTheProgramToTheShell) {
  temp_folder dir;
  fs::copy_file(RECORD_INVOCATION_PROGRAM, dir.path() / "zefaud.exe");
  const fs::path record = dir.path() / "invocations.txt";
  setenv("RECORD_INVOCATION_FILE", record.string().c_str(), 1);
  const std::u16string present = core_path(dir.path() / "zefaud.exe");
  constexpr DWORD elevation_required = 740;

  struct refusal {
    std::u16string program;
    DWORD refused_with;
    platform::process_start expected;
  };
  for (const auto& [program, refused_with, expected] :
       {refusal{present, elevation_required, {true, true, 0, {}}},
        refusal{core_path(dir.path() / "missing.exe"), elevation_required,
                {false, true, ERROR_FILE_NOT_FOUND, {}}},
        refusal{present, ERROR_ACCESS_DENIED, {false, false, ERROR_ACCESS_DENIED, {}}},
        refusal{present, ERROR_SUCCESS, {true, false, 0, {}}}}) {
    const DWORD answer = refused_with;
    const auto start = platform::win32::start_process_with(
        program, [answer](std::wstring&) { return answer; });
    EXPECT_EQ(std::tuple(start.started, start.needed_elevation, start.error),
              std::tuple(expected.started, expected.needed_elevation, expected.error))
        << "refused with " << answer << ": " << start.reason;
  }
  EXPECT_TRUE(testing_support::wait_for_starts(record, 1)) << "the shell started the program";
  unsetenv("RECORD_INVOCATION_FILE");
}

}  // namespace
