// launcher.exe as a player runs it under Wine, seen only from outside: its browser control
// fetching the portal page from a loopback portal, the skin on the screen, the protocol in the
// registry, a second start with a launch link handing its command line to the running
// launcher's web window (WM_COPYDATA between two real processes), and the close button ending
// the run through the exit path. Wine here has no HTML engine, so no document ever completes:
// the page is requested but never shown, and the page calls fail, which is what the log shows.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "platform/text.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/desktop/win32_desktop.h"
#include "support/child_program.h"
#include "support/temp_folder.h"
#include "support/test_server.h"
#include "support/win32/screen_capture.h"
#include "system/win32/registry_reader.h"
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
  testing_support::temp_folder portal_root;
  std::unique_ptr<testing_support::test_server> portal;
  fs::path program = dir.path() / "launcher.exe";
  fs::path log = dir.path() / "zefa_wd_run.log.1";
  PROCESS_INFORMATION process{};

  void SetUp() override {
    fs::create_directories(portal_root.path() / "portal");
    std::ofstream(portal_root.path() / "portal" / "index.html")
        << "<html><body>portal</body></html>";
    portal = std::make_unique<testing_support::test_server>(portal_root.path());
    ASSERT_TRUE(portal->running());
    fs::copy_file(LAUNCHER_PROGRAM, program);
    SetEnvironmentVariableW(
        L"LAUNCHER_PORTAL_ADDRESS",
        platform::win32::to_wide(platform::from_utf8(portal->base_url() + "/portal/index.html"))
            .c_str());
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

TEST_F(RunningLauncher, FetchesItsPortalShowsItsSkinTakesLaunchLinksAndClosesThroughTheExitPath) {
  // The browser control inside launcher.exe asks the portal for its page: the program set up
  // what the control needs (a COM apartment and OLE on its main thread) by itself.
  ASSERT_TRUE(portal->wait_for_requests(1, 60000))
      << "the browser control requested the portal page:\n" << read_all(log);
  EXPECT_EQ(portal->requests()[0].rfind(
                "GET /portal/index.html?version=2&appver=7&ly=halvor HTTP/1.1\r\n", 0), 0u)
      << portal->requests()[0];
  ASSERT_TRUE(log_has("\xE8\xAF\xB7\xE6\xB1\x82URL:http://", 10000))  // 请求URL:
      << read_all(log);
  const auto started = read_all(log);
  EXPECT_NE(started.find(ansi("\xE5\xBE\xAE\xE7\xAB\xAF\xE5\x90\xAF\xE5\x8A\xA8, "
                              "\xE7\x89\x88\xE6\x9C\xAC:V7.0")),  // 微端启动, 版本:V7.0
            std::string::npos) << started;
  EXPECT_NE(started.find(ansi("\xE6\x97\xA5\xE5\xBF\x97\xE5\x88\x9D\xE5\xA7\x8B\xE5\x8C\x96"
                              "\xE5\xAE\x8C\xE6\x88\x90")),  // 日志初始化完成
            std::string::npos) << started;
  EXPECT_EQ(started.find("[ERROR]"), std::string::npos) << "a clean start logs no error:\n"
                                                         << started;

  HWND launcher = nullptr;
  HWND web = nullptr;
  ASSERT_TRUE(pump_until([&] {
    launcher = window_of_process(process.dwProcessId, L"MainClass");
    web = window_of_process(process.dwProcessId, L"subWindow");
    return launcher && web && IsWindowVisible(launcher);
  }, 20000));
  EXPECT_EQ(GetWindow(web, GW_OWNER), launcher);
  EXPECT_FALSE(IsWindowVisible(web)) << "no page was completed, so the web window stays hidden";
  RECT outline{};
  GetWindowRect(launcher, &outline);
  EXPECT_EQ(outline.right - outline.left, 1030);
  EXPECT_EQ(outline.bottom - outline.top, 648);

  // The protocol leads the player's links to this program.
  const auto command = testing_support::registry_string(
      HKEY_CURRENT_USER, L"Software\\Classes\\qzzefa\\shell\\open\\command", L"");
  ASSERT_TRUE(command.has_value());
  EXPECT_NE(command->find(program.filename().wstring() + L"\" \"%1\""), std::wstring::npos)
      << platform::to_utf8(platform::win32::from_wide(command->c_str()));

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
