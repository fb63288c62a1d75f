// The external browser on Linux is the desktop's handler, found through PATH.
#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "support/temp_folder.h"
#include "system/desktop_actions.h"

namespace {

namespace fs = std::filesystem;
using testing_support::read_bytes;
using testing_support::temp_folder;

TEST(OpenInBrowser, TheDesktopHandlerGetsTheAddressAsOneArgument) {
  temp_folder dir;
  fs::copy_file(RECORD_INVOCATION_PROGRAM, dir.path() / "xdg-open");
  const std::string record = (dir.path() / "calls.txt").string();
  const std::string old_path = std::getenv("PATH");
  setenv("PATH", (dir.path().string() + ":" + old_path).c_str(), 1);
  setenv("RECORD_INVOCATION_FILE", record.c_str(), 1);
  open_in_browser(u"http://127.0.0.1/a b?x=1&y=\"2\"/12345");
  setenv("PATH", old_path.c_str(), 1);
  for (int i = 0; i < 200 && read_bytes(record).find("--\n") == std::string::npos; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  unsetenv("RECORD_INVOCATION_FILE");
  const std::string calls = read_bytes(record);
  EXPECT_NE(calls.find("\narg=http://127.0.0.1/a b?x=1&y=\"2\"/12345\n--\n"), std::string::npos)
      << calls;
}

}  // namespace
