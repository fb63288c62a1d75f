// The Windows tier's way to the Linux side: servers of the test suite run there, started and
// stopped from a Windows test program.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "support/temp_folder.h"
#include "support/win32/unix_process.h"

namespace {

using testing_support::read_bytes;
using testing_support::temp_folder;

TEST(LinuxSide, AProgramStartsWithItsArgumentsAndStops) {
  temp_folder dir;
  const std::string marker = testing_support::unix_path(dir.path() / "up.txt");
  ASSERT_FALSE(marker.empty());
  ASSERT_EQ(marker.front(), '/');
  const int pid = testing_support::start_unix_process(
      {"python3", "-c", "import sys, time; open(sys.argv[1], 'w').write(sys.argv[2]); time.sleep(60)",
       marker, "two words \"quoted\""},
      dir.path() / "pid");
  ASSERT_GT(pid, 0);
  for (int i = 0; i < 500 && read_bytes(dir.path() / "up.txt").empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(read_bytes(dir.path() / "up.txt"), "two words \"quoted\"");
  EXPECT_TRUE(testing_support::unix_process_running(pid));
  testing_support::stop_unix_process(pid);
  EXPECT_FALSE(testing_support::unix_process_running(pid));
}

TEST(LinuxSide, AMissingProgramGivesNoProcess) {
  temp_folder dir;
  const int pid = testing_support::start_unix_process({"no-such-program-here"}, dir.path() / "pid");
  // The shell starts and records itself, then fails to exec; it does not stay around.
  if (pid > 0) {
    for (int i = 0; i < 250 && testing_support::unix_process_running(pid); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(testing_support::unix_process_running(pid));
  }
}

}  // namespace
