// The web window as a portal page and its player meet it, with the real launcher program on an
// X display: the keyboard on first show, the page's own background, the link protocol's default
// in a linked mimeapps.list, drops on the page, the page's dialogs and calls into a page that is
// busy with one. Screenshots of what the screen
// showed go to the build tree (E2E_SCREENSHOT_DIR).
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <iostream>
#include <sstream>
#include <thread>

#include "e2e/launcher_process.h"
#include "e2e/screen_pixels.h"
#include "e2e/synthetic_drag.h"
#include "e2e/synthetic_keyboard.h"
#include "e2e/synthetic_mouse.h"
#include "e2e/x_windows.h"
#include "skin_origin.h"
#include "support/child_program.h"
#include "support/program_output.h"
#include "support/temp_folder.h"
#include "support/test_server.h"
#include "support/waiting.h"

namespace {

using testing_support::launcher_process;

namespace fs = std::filesystem;
using testing_support::pixbuf_ptr;
using testing_support::pixel;
using testing_support::read_bytes;
using testing_support::rgba;
using testing_support::same;
using testing_support::count_of;
using testing_support::wait_until;
using testing_support::write_bytes;

constexpr int web_x = 389;
constexpr int web_y = 273;
constexpr int web_width = 587;
constexpr int web_height = 319;

struct PageHost : ::testing::Test {
  testing_support::temp_folder dir;
  testing_support::temp_folder user_folders;
  testing_support::temp_folder site;
  std::unique_ptr<testing_support::test_server> server;
  std::future<testing_support::child_result> launcher;
  testing_support::screen_point origin;

  void SetUp() override {
    gdk_set_allowed_backends("x11");
    ASSERT_TRUE(gtk_init_check(nullptr, nullptr)) << "needs an X display (run under xvfb-run)";
    origin = testing_support::expected_skin_origin();
    fs::copy_file(LAUNCHER_PROGRAM, dir.path() / "launcher");
    testing_support::move_pointer_to(0, 0);
  }

  // A launcher left running by a failed check is closed, not waited for until its time-out;
  // one that a dialog keeps from closing is ended.
  void TearDown() override {
    if (!launcher.valid()) return;
    if (launcher.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
      click(close_button_x(), close_button_y());
    if (launcher.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
      if (const pid_t pid = launcher_process(dir.path() / "launcher")) kill(pid, SIGKILL);
    }
    launcher.wait();
  }

  std::map<std::string, std::string> environment(const std::string& portal,
                                                 std::uint16_t report_port) const {
    return {{"LAUNCHER_PORTAL_ADDRESS", portal},
            {"LAUNCHER_REPORT_HOST", "127.0.0.1:" + std::to_string(report_port)},
            {"XDG_CONFIG_HOME", (user_folders.path() / "config").string()},
            {"XDG_DATA_HOME", (user_folders.path() / "data").string()},
            {"XDG_CACHE_HOME", (user_folders.path() / "cache").string()}};
  }

  void start_launcher(const std::string& portal, std::uint16_t report_port) {
    const fs::path folder = dir.path();
    const auto env = environment(portal, report_port);
    launcher = std::async(std::launch::async, [folder, env] {
      return testing_support::run_child(folder / "launcher", {}, folder, env, 90000);
    });
  }

  // Serves the page as the portal and starts the launcher on it; returns once the page, which
  // fetches /record/loaded on its load event, has loaded.
  void show_portal(const std::string& page_text) {
    write_bytes(site.path() / "portal.html", page_text);
    server = std::make_unique<testing_support::test_server>(site.path());
    ASSERT_TRUE(server->running());
    start_launcher(server->base_url() + "/portal.html", server->port());
    ASSERT_TRUE(wait_for_log("文档加载完成", 20000)) << log();
    ASSERT_TRUE(wait_until([&] { return requested("/record/loaded "); }, 10000));
  }

  std::string log() const { return read_bytes(dir.path() / "zefa_wd_run.log.1"); }

  bool wait_for_log(const std::string& text, int limit_ms) const {
    return wait_until([&] { return log().find(text) != std::string::npos; }, limit_ms);
  }

  // Whether a request whose first line starts with "GET " + prefix reached the server.
  bool requested(const std::string& prefix) const {
    for (const auto& request : server->requests())
      if (request.rfind("GET " + prefix, 0) == 0) return true;
    return false;
  }

  int close_button_x() const { return origin.x + 932 + 14; }
  int close_button_y() const { return origin.y + 230 + 14; }
  int screen_x(int page_x) const { return origin.x + web_x + page_x; }
  int screen_y(int page_y) const { return origin.y + web_y + page_y; }

  void click(int x, int y) {
    testing_support::move_pointer_to(x, y);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    testing_support::press_left_button(true);
    testing_support::press_left_button(false);
  }

  // Ends the launcher through its close button and expects the normal exit without ERROR.
  void close_launcher() {
    click(close_button_x(), close_button_y());
    ASSERT_EQ(launcher.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    const auto result = launcher.get();
    EXPECT_EQ(result.exit_code, 0) << result.output;
    EXPECT_EQ(log().find("[ERROR"), std::string::npos) << log();
  }

  // The screen now, also kept as E2E_SCREENSHOT_DIR/name for people to look at.
  static pixbuf_ptr screenshot(const std::string& name) {
    pixbuf_ptr shot = testing_support::screen();
    fs::create_directories(E2E_SCREENSHOT_DIR);
    const std::string path = std::string(E2E_SCREENSHOT_DIR) + "/" + name;
    gdk_pixbuf_save(shot.image, path.c_str(), "png", nullptr, nullptr);
    std::cout << "screenshot: " << path << "\n";
    return shot;
  }

  rgba on_page(const pixbuf_ptr& shot, int x, int y) const {
    return pixel(shot, screen_x(x), screen_y(y));
  }
};

// An input field that asks for the focus, on a page that sets no background, and a block of
// pure green. The page records when it has the keyboard's focus in its field, and what is
// typed there.
const char* const first_show_page = R"html(<!DOCTYPE html>
<html><head><meta charset="utf-8"><style>
#account { position: absolute; left: 20px; top: 20px; width: 240px; height: 32px;
           box-sizing: border-box }
#key { position: absolute; left: 320px; top: 120px; width: 200px; height: 120px;
       background: rgb(0, 255, 0) }
</style></head><body>
<input id="account" autofocus autocomplete="off">
<div id="key"></div>
<script>
function record(what) { fetch("/record/" + what, {cache: "no-store"}); }
account.addEventListener("input", () => record("typed?" + encodeURIComponent(account.value)));
addEventListener("load", () => record("loaded"));
const watch = setInterval(() => {
  if (!document.hasFocus() || document.activeElement !== account) return;
  clearInterval(watch);
  record("keys-here");
}, 50);
</script>
</body></html>)html";

bool in_rect(int x, int y, int left, int top, int width, int height) {
  return x >= left && x < left + width && y >= top && y < top + height;
}

// Screen colours after the colour key and the X server's depth may stray this far.
constexpr int colour_tolerance = 6;
const rgba white{255, 255, 255, 255};

TEST_F(PageHost, FirstShowGivesThePageTheKeysWithoutAClick) {
  show_portal(first_show_page);
  ASSERT_TRUE(wait_until([&] { return requested("/record/keys-here "); }, 20000))
      << "the page has the keyboard's focus in the field it focused";
  ASSERT_TRUE(testing_support::type_text("Player7"));
  EXPECT_TRUE(wait_until([&] { return requested("/record/typed?Player7 "); }, 10000))
      << "the typed text reached the page's field";
  screenshot("page-host-focus.png");
  close_launcher();
}

TEST_F(PageHost, AnUnsetPageBackgroundIsWhiteAndPureGreenShowsTheSkin) {
  show_portal(first_show_page);
  // The page is drawn once its document has completed; a wrong background never turns white.
  ASSERT_TRUE(wait_until([&] {
    return same(on_page(testing_support::screen(), web_width - 5, web_height - 5), white,
                colour_tolerance);
  }, 20000)) << "the page's corner turns white";
  const pixbuf_ptr shot = screenshot("page-host-background.png");
  const pixbuf_ptr skin = testing_support::asset(103);
  int paper = 0, paper_wrong = 0, key = 0, key_wrong = 0;
  for (int y = 0; y < web_height; y += 4) {
    for (int x = 0; x < web_width; x += 4) {
      if (in_rect(x, y, 14, 14, 252, 44)) continue;  // the field and its focus ring
      if (in_rect(x, y, 318, 118, 204, 124)) {
        if (!in_rect(x, y, 322, 122, 196, 116)) continue;
        ++key;
        if (!same(on_page(shot, x, y), pixel(skin, web_x + x, web_y + y), colour_tolerance))
          ++key_wrong;
        continue;
      }
      ++paper;
      if (!same(on_page(shot, x, y), white, colour_tolerance)) ++paper_wrong;
    }
  }
  EXPECT_GT(paper, 8000);
  EXPECT_EQ(paper_wrong, 0) << "points of the unset page background that are not white";
  EXPECT_GT(key, 1000);
  EXPECT_EQ(key_wrong, 0) << "points of the pure green block that do not show the skin";
  close_launcher();
}

TEST_F(PageHost, TheProtocolDefaultGoesIntoALinkedMimeappsKeepingTheLinkAndTheOtherBytes) {
  // The player keeps the desktop's defaults in a folder of their own, linked into place.
  const fs::path config = user_folders.path() / "config";
  const fs::path kept = user_folders.path() / "dotfiles" / "mimeapps.list";
  fs::create_directories(config);
  fs::create_directories(kept.parent_path());
  const std::string before_defaults = "\xEF\xBB\xBF# defaults of my own\r\n"
                                      "[Default Applications]\r\n"
                                      "text/html=browser.desktop\r\n";
  const std::string after_defaults = "\r\n[Added Associations]\n"
                                     "image/png=viewer.desktop;  \n"
                                     "# last line, with no line end";
  write_bytes(kept, before_defaults + after_defaults);
  fs::create_symlink("../dotfiles/mimeapps.list", config / "mimeapps.list");

  show_portal(first_show_page);
  const std::string expected = before_defaults +
                               "x-scheme-handler/qzzefa=qzzefa-launcher.desktop\r\n" +
                               after_defaults;
  EXPECT_TRUE(wait_until([&] { return read_bytes(kept) == expected; }, 20000))
      << read_bytes(kept);
  EXPECT_TRUE(fs::is_symlink(config / "mimeapps.list") &&
              fs::read_symlink(config / "mimeapps.list") == "../dotfiles/mimeapps.list");
  close_launcher();
}

// A page in a colour of its own; what is dropped on it would tell the server if it were opened.
// The page notes where the pointer comes to rest on it once the drag has let go.
const char* const drop_page = R"html(<!DOCTYPE html>
<html><head><meta charset="utf-8"></head>
<body style="margin: 0; background: rgb(30, 90, 60)">
<script>
function record(what) { fetch("/record/" + what, {cache: "no-store"}); }
addEventListener("load", () => record("loaded"));
addEventListener("mousemove", e => record("pointer?" + e.clientX + "," + e.clientY));
</script>
</body></html>)html";
const char* const dropped_page = R"html(<!DOCTYPE html>
<html><body style="background: rgb(200, 0, 0)">
<script>fetch("http://127.0.0.1:@PORT@/record/dropped-opened", {cache: "no-store"});</script>
</body></html>)html";

TEST_F(PageHost, DroppedFilesAndLinksLeaveThePortalAsItWas) {
  show_portal(drop_page);
  std::string dropped = dropped_page;
  dropped.replace(dropped.find("@PORT@"), 6, std::to_string(server->port()));
  write_bytes(site.path() / "dropped.html", dropped);
  const rgba page_colour{30, 90, 60, 255};
  ASSERT_TRUE(wait_until([&] {
    return same(on_page(testing_support::screen(), 300, 160), page_colour, colour_tolerance);
  }, 10000)) << "the page appears";

  const std::string file = "file://" + (site.path() / "dropped.html").string();
  for (const std::string& uri : {file, server->base_url() + "/dropped.html"}) {
    const std::size_t requests_before = server->requests().size();
    EXPECT_TRUE(testing_support::drag_uris_to({uri}, screen_x(300), screen_y(160))) << uri;
    // The drag let go over the page: the pointer is seen there once the drag gives it back.
    EXPECT_TRUE(wait_until([&] {
      const auto requests = server->requests();
      for (std::size_t i = requests_before; i < requests.size(); ++i)
        if (requests[i].rfind("GET /record/pointer?300,160 ", 0) == 0) return true;
      return false;
    }, 10000)) << "the drop of " << uri << " let go over the page";
  }
  // Whatever a drop would open has a generous time to show itself.
  EXPECT_FALSE(wait_until([&] {
    return requested("/dropped.html") || requested("/record/dropped-opened") ||
           count_of(log(), "文档加载完成") != 1;
  }, 5000)) << "nothing dropped was opened\n" << log();
  const pixbuf_ptr shot = screenshot("page-host-drop.png");
  EXPECT_TRUE(same(on_page(shot, 300, 160), page_colour, colour_tolerance))
      << "the portal is still shown";
  close_launcher();
}

using fields = std::vector<std::string>;

fields split(const std::string& line, char separator) {
  fields parts;
  std::istringstream in(line);
  for (std::string part; std::getline(in, part, separator);) parts.push_back(part);
  return parts;
}

// The demo portal page, except that the page hands over its package list as soon as the
// launcher is ready and then waits for the player in an alert, and asks the player before it
// takes a launch link.
const char* const dialog_script = R"js(<script>
"use strict";
const readyBefore = JsUpdateGame;
window.JsUpdateGame = function (value) {
  readyBefore(value);
  updateGame();
  alert("更新已开始");
};
const linkBefore = OnCallIE;
window.OnCallIE = function (second, first) {
  linkBefore(second, first);
  record("confirmed", confirm("打开 " + first + "?"));
};
</script>
</body>)js";

TEST_F(PageHost, PageDialogsAreModalToTheLauncherWhichGoesOnWithDownloadsAndLinksMeanwhile) {
  server = std::make_unique<testing_support::test_server>(
      site.path(), std::vector<std::string>{"--portal"});
  ASSERT_TRUE(server->running());
  const fs::path portal = site.path() / "portal";
  std::string page = read_bytes(portal / "index.html");
  page.replace(page.rfind("</body>"), 7, dialog_script);
  write_bytes(portal / "dialogs.html", page);
  auto events = [&] {
    std::vector<fields> lines;
    std::istringstream in(read_bytes(portal / "events.txt"));
    for (std::string line; std::getline(in, line);) lines.push_back(split(line, '\t'));
    return lines;
  };
  auto count_events = [&](const fields& prefix) {
    std::size_t count = 0;
    for (const auto& event : events())
      if (event.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), event.begin()))
        ++count;
    return count;
  };
  auto launcher_window = [] {
    for (const auto& window : testing_support::top_level_windows())
      if (window.title == "Zefaria" && window.transient_for == 0) return window.id;
    return 0ul;
  };
  // The page's dialog: a window of its own that the launcher window owns.
  auto page_dialog = [&] {
    const unsigned long owner = launcher_window();
    for (const auto& window : testing_support::top_level_windows())
      if (owner != 0 && window.transient_for == owner) return window;
    return testing_support::top_level_window{};
  };

  start_launcher(server->base_url() + "/portal/dialogs.html", server->port());
  ASSERT_TRUE(wait_until([&] { return page_dialog().id != 0; }, 20000))
      << "the page's alert is shown as a window of its own\n" << log();
  EXPECT_TRUE(page_dialog().modal) << "modal to the launcher window";
  screenshot("page-host-alert.png");

  // With the alert open the update runs to its end and a launch link is taken.
  EXPECT_TRUE(wait_until([&] { return fs::exists(dir.path() / "ui/fonts/readme.txt"); }, 30000))
      << log();
  const pid_t pid = launcher_process(dir.path() / "launcher");
  ASSERT_GT(pid, 0);
  const auto second = testing_support::run_child(
      dir.path() / "launcher", {"qzzefa://account1/news/" + std::to_string(pid)}, dir.path(),
      environment(server->base_url() + "/portal/dialogs.html", server->port()), 20000);
  EXPECT_EQ(second.exit_code, 0) << second.output;
  EXPECT_TRUE(wait_for_log("执行更新检查完毕", 20000))
      << "the call into the page counts" << log();
  ASSERT_NE(page_dialog().id, 0u) << "the alert was open all along";

  // The player answers the alert; the launch link's question follows, and is answered too.
  const unsigned long alert = page_dialog().id;
  testing_support::focus_window(alert);
  testing_support::press_key(testing_support::named_key::enter);
  ASSERT_TRUE(wait_until([&] { return page_dialog().id != 0 && page_dialog().id != alert; },
                         10000)) << "the confirm of the launch link";
  screenshot("page-host-confirm.png");
  testing_support::focus_window(page_dialog().id);
  testing_support::press_key(testing_support::named_key::enter);
  EXPECT_TRUE(wait_until([&] { return count_events({"confirmed", "true"}) == 1; }, 10000))
      << read_bytes(portal / "events.txt");
  EXPECT_EQ(count_events({"OnCallIE", "news", "account1"}), 1u);

  // The page got everything in order once it could run again, and was asked once.
  EXPECT_TRUE(wait_until([&] { return count_events({"onGetDownloadProcess", "5"}) >= 1; }, 10000))
      << read_bytes(portal / "events.txt");
  EXPECT_EQ(count_events({"JsUpdateGame"}), 1u) << read_bytes(portal / "events.txt");
  EXPECT_EQ(count_events({"OnUpdateGame", "0"}), 1u) << read_bytes(portal / "events.txt");
  EXPECT_EQ(count_of(log(), "执行更新检查完毕"), 1u) << log();
  close_launcher();
}

}  // namespace
