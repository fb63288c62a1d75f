// Starting a program from a Windows-style command line whose unquoted program path holds
// blanks: the program is the first prefix that names an executable file, taken as written.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/clock.h"
#include "platform/process.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using testing_support::core_path;
using testing_support::read_bytes;

std::string recordOf(const fs::path& record) {
  for (int i = 0; i < 500 && read_bytes(record).find("--\n") == std::string::npos; ++i)
    platform::sleep_ms(10);
  return read_bytes(record);
}

TEST(StartProcess, TheProgramIsAnExecutableFileUnderItsExactPath) {
  testing_support::temp_folder dir;
  // Folders named like the first words of the program's folder: "My" is no program.
  fs::create_directory(dir.path() / "My");
  fs::create_directory(dir.path() / "Two");
  const struct {
    fs::path program;
    std::u16string arguments;
    std::string recorded;  // the program's arguments as it received them
  } cases[] = {
      {dir.path() / "My Games" / "game.exe", u" \"t|1860|960\"", "arg=t|1860|960\n--\n"},
      {dir.path() / "My Games" / "zefaud.exe", u"", "--\n"},
      {dir.path() / "Two  Blanks" / "game.exe", u" a  b", "arg=a\narg=b\n--\n"},
      {dir.path() / "Tab\tHere" / "game.exe", u"\t\"x y\"", "arg=x y\n--\n"},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.program.string());
    fs::create_directories(c.program.parent_path());
    fs::copy_file(RECORD_INVOCATION_PROGRAM, c.program, fs::copy_options::overwrite_existing);
    const fs::path record = dir.path() / ("record" + std::to_string(n++) + ".txt");
    setenv("RECORD_INVOCATION_FILE", record.string().c_str(), 1);
    if (!platform::start_process(core_path(c.program) + c.arguments).started) {
      ADD_FAILURE() << "not started";
      continue;
    }
    const std::string got = recordOf(record);
    EXPECT_EQ(got.substr(got.find('\n') + 1), c.recorded);
  }
  unsetenv("RECORD_INVOCATION_FILE");
}

}  // namespace
