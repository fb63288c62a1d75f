// The launcher's whole run on the headless desktop with its page played by a script: once the
// launcher calls JsUpdateGame the page asks for the update with the list in
// LAUNCHER_TEST_FILE_LIST, and once the update is reported finished it starts the game with
// the parameter text and game argument in LAUNCHER_TEST_PARAM and LAUNCHER_TEST_GAME_ARGUMENT
// (it asks for the state once after OnUpdateGame, as a page does when nothing downloads).
// Every call the launcher makes into the page is written to page_calls.txt in the launcher
// folder, one line each: the function and its arguments separated by tabs.
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "launcher/launcher_main.h"
#include "launcher/module_dir.h"
#include "platform/event_loop.h"
#include "platform/headless/headless_desktop.h"
#include "platform/text.h"
#include "webwindow/web_window.h"

namespace {

namespace headless = platform::headless;
using platform::variant;

std::u16string environment(const char* name) {
  const char* value = std::getenv(name);
  // The environment is in the system's encoding: the ANSI code page on Windows.
  return platform::from_ansi(value ? value : "");
}

void record(const std::u16string& function, const std::vector<variant>& arguments) {
  // The launcher folder is the current folder from start-up on.
  std::ofstream out("page_calls.txt", std::ios::app | std::ios::binary);
  out << platform::to_utf8(function);
  for (const auto& a : arguments)
    out << '\t'
        << (a.vt == platform::variant_type::ui4 ? std::to_string(a.ulVal)
                                                : platform::to_utf8(a.bstrVal));
  out << '\n';
}

void playThePage() {
  headless::define_page_function(u"JsUpdateGame", [](const std::vector<variant>& arguments) {
    record(u"JsUpdateGame", arguments);
    headless::call_external(u"updateGame", {variant::text(environment("LAUNCHER_TEST_FILE_LIST"))});
  });
  headless::define_page_function(u"OnUpdateGame", [](const std::vector<variant>& arguments) {
    record(u"OnUpdateGame", arguments);
    // Without downloads nothing is reported by itself: the page asks.
    headless::call_external(u"getDownloadProcess", {});
  });
  headless::define_page_function(u"onGetDownloadProcess", [](const std::vector<variant>& arguments) {
    record(u"onGetDownloadProcess", arguments);
    if (!arguments.empty() && arguments[0].ulVal == UPDATE_FINISHED) {
      headless::call_external(u"entryGame",
                              {variant::text(environment("LAUNCHER_TEST_PARAM")),
                               variant::text(environment("LAUNCHER_TEST_GAME_ARGUMENT"))});
    }
  });
}

}  // namespace

int main() {
  playThePage();
  return launcher::launcherMain(u"", [] {
    // Lives for the process, as the web window does: never destroyed, not even at exit.
    static auto* webWindow = std::make_unique<CWebWindow>(getModuleDir()).release();
    if (!webWindow->CreateWebWindow()) return -1;
    return platform::run_message_loop();
  });
}
