// The desktop program started where it cannot have an X11 display: a Wayland session without
// XWayland, no display at all, or a display nobody serves.
#include <gtest/gtest.h>

#include "support/child_program.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

struct session {
  const char* display;
  const char* wayland_display;
  const char* reason;
};

TEST(NoDisplay, TheLauncherSaysWhyOnStandardErrorAndInItsLogAndEndsNormally) {
  const session sessions[] = {
      {"", "wayland-launcher-test", "no X11 display: DISPLAY is not set; the Wayland session"},
      {"", "", "no X11 display: DISPLAY is not set"},
      {":4242", "", "no X11 display: cannot open display :4242"},
  };
  for (const auto& session : sessions) {
    SCOPED_TRACE(std::string("DISPLAY=") + session.display + " WAYLAND_DISPLAY=" +
                 session.wayland_display);
    testing_support::temp_folder dir;
    fs::copy_file(LAUNCHER_PROGRAM, dir.path() / "launcher");
    const auto result = testing_support::run_child(
        dir.path() / "launcher", {}, dir.path(),
        {{"DISPLAY", session.display},
         {"WAYLAND_DISPLAY", session.wayland_display},
         {"LAUNCHER_REPORT_HOST", "127.0.0.1:1"},
         // The toolkit's own allocations at a failed start are none of this test's business.
         {"ASAN_OPTIONS", "detect_leaks=0"}});
    EXPECT_EQ(result.exit_code, 0) << result.output;
    EXPECT_NE(result.output.find(session.reason), std::string::npos) << result.output;
    const std::string log = testing_support::read_bytes(dir.path() / "zefa_wd_run.log.1");
    const auto error = log.find("[ERROR");
    ASSERT_NE(error, std::string::npos) << log;
    EXPECT_NE(log.find(session.reason, error), std::string::npos) << log;
    EXPECT_NE(log.rfind("[wWinMain]>> 程序准备退出"), std::string::npos) << log;
  }
}

}  // namespace
