// launcher.exe as a player runs it under Wine: the skin on the screen, a second start with a
// launch link handing its command line to the running launcher's web window (WM_COPYDATA
// between two real processes), and the close button ending the run through the exit path.
// Wine here has no HTML engine, so the program runs without a page: the address is logged and
// the page calls fail, which is exactly what the log shows.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/text.h"
#include "platform/win32/desktop/win32_desktop.h"
#include "support/child_program.h"
#include "support/temp_folder.h"
#include "support/win32/screen_capture.h"
#include "ui/win32/desktop_test_window.h"

namespace {

namespace fs = std::filesystem;
using testing_support::pump_until;

// Log text is in the ANSI code page; the expectations are written in UTF-8.
std::string ansi(const std::string& utf8) { return platform::to_ansi(platform::from_utf8(utf8)); }

std::string read_all(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

struct window_search {
  DWORD process;
  const wchar_t* class_name;
  HWND found;
};

BOOL CALLBACK match_window(HWND window, LPARAM data) {
  auto& search = *reinterpret_cast<window_search*>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  if (owner == search.process && std::wstring(name) == search.class_name) {
    search.found = window;
    return FALSE;
  }
  return TRUE;
}

HWND window_of_process(DWORD process, const wchar_t* class_name) {
  window_search search{process, class_name, nullptr};
  EnumWindows(match_window, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

struct RunningLauncher : ::testing::Test {
  testing_support::temp_folder dir;
  fs::path program = dir.path() / "launcher.exe";
  fs::path log = dir.path() / "zefa_wd_run.log.1";
  PROCESS_INFORMATION process{};

  void SetUp() override {
    fs::copy_file(LAUNCHER_PROGRAM, program);
    // ERROR lines are reported at once; nothing listens there, so the report fails fast.
    SetEnvironmentVariableW(L"LAUNCHER_REPORT_HOST", L"127.0.0.1:1");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring command = L"\"" + program.wstring() + L"\"";
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               dir.path().wstring().c_str(), &startup, &process));
  }

  void TearDown() override {
    if (process.hProcess) {
      if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, 10000);
      }
      CloseHandle(process.hProcess);
      CloseHandle(process.hThread);
    }
  }

  bool log_has(const std::string& utf8_text, DWORD wait_ms) {
    return pump_until([&] { return read_all(log).find(ansi(utf8_text)) != std::string::npos; },
                      wait_ms);
  }
};

TEST_F(RunningLauncher, ShowsItsSkinTakesLaunchLinksAndClosesThroughTheExitPath) {
  ASSERT_TRUE(log_has("\xE8\xAF\xB7\xE6\xB1\x82URL:http://", 60000))  // 请求URL:
      << "the portal address is logged without a browser:\n" << read_all(log);

  HWND launcher = nullptr;
  HWND web = nullptr;
  ASSERT_TRUE(pump_until([&] {
    launcher = window_of_process(process.dwProcessId, L"MainClass");
    web = window_of_process(process.dwProcessId, L"subWindow");
    return launcher && web && IsWindowVisible(launcher);
  }, 20000));
  EXPECT_EQ(GetWindow(web, GW_OWNER), launcher);
  EXPECT_FALSE(IsWindowVisible(web)) << "no page was completed, so the web window stays hidden";

  // The skin is on the screen: an opaque point shows the background image's colour.
  testing_support::pump_for(500);
  RECT place{};
  GetWindowRect(launcher, &place);
  const auto* background = platform::win32_desktop::resource_image(103);
  ASSERT_NE(background, nullptr);
  const std::uint32_t pixel = background->pixels[400 * background->width + 200];
  ASSERT_EQ(pixel >> 24, 0xFFu);
  const testing_support::screen_capture screen(place);
  EXPECT_EQ(screen.at(place.left + 200, place.top + 400),
            (testing_support::rgb{static_cast<std::uint8_t>(pixel >> 16),
                                  static_cast<std::uint8_t>(pixel >> 8),
                                  static_cast<std::uint8_t>(pixel)}));

  // A second start hands the link to the web window named in it and ends without a trace.
  const std::string link = "qzzefa://first/second/" +
                           std::to_string(reinterpret_cast<std::uintptr_t>(web));
  const auto before = read_all(log);
  const auto second = testing_support::run_child(
      program, {link}, dir.path(), {{"LAUNCHER_REPORT_HOST", "127.0.0.1:1"}}, 60000);
  EXPECT_EQ(second.exit_code, 0) << second.output;
  // The running launcher took the request and tried the page's "OnCallIE", which fails
  // without a page; the second start waited for that.
  const auto after = read_all(log);
  EXPECT_NE(after.find("call OnCallIE fail", before.size()), std::string::npos)
      << "the request reached the running launcher before the second start ended:\n" << after;
  EXPECT_EQ(after.find(ansi("\xE5\xBE\xAE\xE7\xAB\xAF\xE5\x90\xAF\xE5\x8A\xA8"), before.size()),
            std::string::npos)
      << "the second start opened no log of its own";  // 微端启动

  // The close button ends the loop; the exit path saves the download list and logs its end.
  const HWND close = GetDlgItem(launcher, 30002);
  ASSERT_NE(close, nullptr);
  PostMessageW(close, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(14, 14));
  PostMessageW(close, WM_LBUTTONUP, 0, MAKELPARAM(14, 14));
  ASSERT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
  DWORD exit_code = 1;
  GetExitCodeProcess(process.hProcess, &exit_code);
  EXPECT_EQ(exit_code, 0u);
  EXPECT_TRUE(fs::exists(dir.path() / "dlist"));
  const auto final_log = read_all(log);
  EXPECT_NE(final_log.find(ansi("\xE7\xA8\x8B\xE5\xBA\x8F\xE5\x87\x86\xE5\xA4\x87\xE9\x80\x80\xE5\x87\xBA")),
            std::string::npos)  // 程序准备退出
      << final_log;
}

}  // namespace
