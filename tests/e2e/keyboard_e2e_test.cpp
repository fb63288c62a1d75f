// Typing into the portal page inside the launcher window: a synthetic keyboard fills a login
// form, Tab moves to the next field and Enter submits it. The page reports what it received to
// the project's server, so the test reads the page's own view of the fields.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <chrono>
#include <future>
#include <thread>

#include "e2e/synthetic_keyboard.h"
#include "e2e/synthetic_mouse.h"
#include "skin_origin.h"
#include "support/child_program.h"
#include "support/temp_folder.h"
#include "support/test_server.h"
#include "support/waiting.h"

namespace {

namespace fs = std::filesystem;
using testing_support::read_bytes;

constexpr int web_x = 389;
constexpr int web_y = 273;

// Fields at (20, 20) and (20, 80) of the web window, 240 x 32 each; the button below them.
const char* const login_page = R"html(<!DOCTYPE html>
<html><head><meta charset="utf-8"><style>
body { margin: 0; background: rgb(30, 40, 60) }
input, button { position: absolute; left: 20px; width: 240px; height: 32px; box-sizing: border-box }
</style></head><body>
<form id="login">
<input id="account" type="text" autocomplete="off" style="top: 20px">
<input id="password" type="password" autocomplete="off" style="top: 80px">
<button type="submit" style="top: 140px">登录</button>
</form>
<script>
function record(what) { fetch("/record/" + what, {cache: "no-store"}); }
account.addEventListener("focus", () => record("focus-account"));
password.addEventListener("focus", () => record("focus-password"));
login.addEventListener("submit", (event) => {
  event.preventDefault();
  record("submit?account=" + encodeURIComponent(account.value) +
         "&password=" + encodeURIComponent(password.value));
});
</script>
</body></html>)html";

struct TypingIntoThePage : ::testing::Test {
  testing_support::temp_folder dir;
  testing_support::temp_folder site;
  std::unique_ptr<testing_support::test_server> server;
  std::future<testing_support::child_result> launcher;
  int origin_x = 0;
  int origin_y = 0;

  void SetUp() override {
    gdk_set_allowed_backends("x11");
    ASSERT_TRUE(gtk_init_check(nullptr, nullptr)) << "needs an X display (run under xvfb-run)";
    const testing_support::screen_point origin = testing_support::expected_skin_origin();
    origin_x = origin.x;
    origin_y = origin.y;
    fs::copy_file(LAUNCHER_PROGRAM, dir.path() / "launcher");
    testing_support::write_bytes(site.path() / "login.html", login_page);
    server = std::make_unique<testing_support::test_server>(site.path());
    ASSERT_TRUE(server->running());
    testing_support::move_pointer_to(0, 0);
  }

  // A launcher left running by a failed check is closed, not waited for until its time-out.
  void TearDown() override {
    if (!launcher.valid()) return;
    if (launcher.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
      click_close_button();
    launcher.wait();
  }

  void start_launcher() {
    const fs::path folder = dir.path();
    const std::map<std::string, std::string> environment = {
        {"LAUNCHER_PORTAL_ADDRESS", server->base_url() + "/login.html"},
        {"LAUNCHER_REPORT_HOST", "127.0.0.1:" + std::to_string(server->port())},
        {"XDG_CONFIG_HOME", (folder / "config").string()},
        {"XDG_DATA_HOME", (folder / "data").string()}};
    launcher = std::async(std::launch::async, [folder, environment] {
      return testing_support::run_child(folder / "launcher", {}, folder, environment, 60000);
    });
  }

  std::string log() const { return read_bytes(dir.path() / "zefa_wd_run.log.1"); }

  // The first line of the first request whose target starts with prefix, waiting for it up to
  // limit_ms; empty when none came.
  std::string wait_for_request(const std::string& prefix, int limit_ms) const {
    std::string found;
    testing_support::wait_until([&] {
      for (const auto& request : server->requests()) {
        const std::string line = request.substr(0, request.find("\r\n"));
        if (line.rfind("GET " + prefix, 0) == 0) {
          found = line;
          return true;
        }
      }
      return false;
    }, limit_ms);
    return found;
  }

  bool wait_for_log(const std::string& text, int limit_ms) const {
    return testing_support::wait_until([&] { return log().find(text) != std::string::npos; },
                                       limit_ms);
  }

  void click(int x, int y) {
    testing_support::move_pointer_to(x, y);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    testing_support::press_left_button(true);
    testing_support::press_left_button(false);
  }

  void click_close_button() { click(origin_x + 932 + 14, origin_y + 230 + 14); }
};

TEST_F(TypingIntoThePage, TextLandsInTheFocusedFieldTabMovesOnAndEnterSubmits) {
  start_launcher();
  // The web window shows the page once its document has completed.
  ASSERT_TRUE(wait_for_log("文档加载完成", 20000)) << log();

  click(origin_x + web_x + 20 + 120, origin_y + web_y + 20 + 16);
  ASSERT_NE(wait_for_request("/record/focus-account ", 5000), "")
      << "a click on the first field gives it the keyboard focus";
  ASSERT_TRUE(testing_support::type_text("Player7 one"));
  testing_support::press_key(testing_support::named_key::tab);
  EXPECT_NE(wait_for_request("/record/focus-password ", 5000), "")
      << "Tab moves on to the next field of the page";
  ASSERT_TRUE(testing_support::type_text("S3cret-42!"));
  testing_support::press_key(testing_support::named_key::enter);

  EXPECT_EQ(wait_for_request("/record/submit?", 5000),
            "GET /record/submit?account=Player7%20one&password=S3cret-42! HTTP/1.1")
      << "Enter submits the form with each text in its own field";

  // The close button still ends the launcher normally after the page had the keyboard.
  click_close_button();
  ASSERT_EQ(launcher.wait_for(std::chrono::seconds(20)), std::future_status::ready);
  const auto result = launcher.get();
  EXPECT_EQ(result.exit_code, 0) << result.output;
  EXPECT_EQ(log().find("[ERROR"), std::string::npos) << log();
}

}  // namespace
