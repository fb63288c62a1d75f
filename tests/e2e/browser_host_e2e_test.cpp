// The WebKit browser host with a real page: window.external calls reach the dispatch object
// by name, page functions are called by name, each load completes once, and what the browser
// keeps stays in the launcher's own user folders.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "e2e/run_until.h"
#include "platform/browser_host.h"
#include "platform/text.h"
#include "support/loopback_peer.h"
#include "support/temp_folder.h"

namespace {

using platform::dispatch_params;
using platform::variant;
using platform::variant_type;

struct external_call {
  std::u16string name;
  dispatch_params params;
};

// Knows two methods, as the launcher's external object does, and records what reaches it.
class recording_external final : public platform::script_dispatch {
 public:
  std::vector<std::u16string> names_asked;
  std::vector<external_call> calls;
  int completed = 0;
  int unknown_invokes = 0;

  std::int32_t get_id_of_name(std::u16string_view name) override {
    names_asked.emplace_back(name);
    const auto found = ids_.find(std::u16string(name));
    return found == ids_.end() ? 0 : found->second;
  }
  platform::hresult invoke(std::int32_t id, dispatch_params& params, variant*) override {
    if (id == platform::dispid_document_complete) {
      ++completed;
    } else if (id == 0) {
      ++unknown_invokes;
    } else {
      for (const auto& [name, known] : ids_)
        if (known == id) calls.push_back({name, params});
    }
    return platform::s_ok;
  }

 private:
  std::map<std::u16string, std::int32_t> ids_{{u"updateGame", 100000}, {u"callIE", 100003}};
};

void write(const std::filesystem::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

const char* const page = R"(<!DOCTYPE html>
<html><head><meta charset="utf-8"></head><body style="background: transparent">
<script>
window.external.updateGame("包一|0123", 7);
window.external.noSuchMethod(1);
window.external.callIE();
function echo(first, second) { return first + ":" + second; }
function next(n) { return n + 1; }
function broken() { throw new Error("broken on purpose"); }
function quiet() {}
function later() { return Promise.resolve(5); }
</script>
<iframe src="frame.html"></iframe>
</body></html>)";

const char* const frame = R"(<!DOCTYPE html>
<html><body><script>window.external.callIE("from the frame");</script></body></html>)";

// A browser host showing a page of the test's own, loaded to its end.
struct BrowserPage : ::testing::Test {
  testing_support::temp_folder dir;
  recording_external external;
  std::unique_ptr<platform::browser_host> host;
  std::u16string address;

  void show(const std::string& page_text) {
    write(dir.path() / "index.html", page_text);
    address = platform::from_utf8("file://" + (dir.path() / "index.html").string());
    const auto window = platform::create_message_window(
        [](std::uint32_t, std::uintptr_t, std::intptr_t) { return std::intptr_t{0}; });
    host = platform::create_browser_host(window, external);
    ASSERT_TRUE(host) << "the browser needs a display (run under xvfb-run)";
    host->navigate(address);
    ASSERT_TRUE(testing_support::run_until([&] { return external.completed == 1; }, 20000));
  }

  // Whether the page called callIE with this one text.
  bool called_with(std::u16string_view text) const {
    for (const auto& call : external.calls)
      if (call.params.cArgs() == 1 && call.params.rgvarg[0].bstrVal == text) return true;
    return false;
  }
};

struct BrowserHost : BrowserPage {
  void SetUp() override {
    write(dir.path() / "frame.html", frame);
    show(page);
  }

  bool frame_called() const { return called_with(u"from the frame"); }
};

TEST_F(BrowserHost, ExternalCallsArriveByNameWithTheirArgumentsReversed) {
  ASSERT_TRUE(testing_support::run_until([&] { return frame_called(); }, 10000))
      << "the frame has its own window.external";
  ASSERT_GE(external.calls.size(), 3u);
  const auto& update = external.calls[0];
  EXPECT_EQ(update.name, u"updateGame");
  ASSERT_EQ(update.params.cArgs(), 2u);
  EXPECT_EQ(update.params.rgvarg[0].vt, variant_type::ui4);
  EXPECT_EQ(update.params.rgvarg[0].ulVal, 7u);
  EXPECT_EQ(update.params.rgvarg[1].vt, variant_type::bstr);
  EXPECT_EQ(update.params.rgvarg[1].bstrVal, u"包一|0123");
  EXPECT_EQ(external.calls[1].name, u"callIE");
  EXPECT_EQ(external.calls[1].params.cArgs(), 0u);
  EXPECT_NE(std::find(external.names_asked.begin(), external.names_asked.end(), u"noSuchMethod"),
            external.names_asked.end());
  EXPECT_EQ(external.unknown_invokes, 1) << "an unknown name is invoked as id 0, doing nothing";
}

TEST_F(BrowserHost, PageFunctionsAreCalledByNameAndMissingOnesAreToldApart) {
  variant result;
  dispatch_params two;
  two.rgvarg = {variant::text(u"second"), variant::text(u"第一")};
  EXPECT_EQ(host->call_script(u"echo", two, &result), platform::s_ok);
  EXPECT_EQ(result.vt, variant_type::bstr);
  EXPECT_EQ(result.bstrVal, u"第一:second");

  dispatch_params number;
  number.rgvarg = {variant::number(41)};
  EXPECT_EQ(host->call_script(u"next", number, &result), platform::s_ok);
  EXPECT_EQ(result.vt, variant_type::ui4);
  EXPECT_EQ(result.ulVal, 42u);

  EXPECT_EQ(host->call_script(u"JsUpdateGame", number, &result), platform::disp_e_unknownname);

  const auto thrown = host->call_script(u"broken", {}, &result);
  EXPECT_NE(thrown, platform::s_ok);
  EXPECT_NE(thrown, platform::disp_e_unknownname);

  EXPECT_EQ(host->call_script(u"quiet", {}, &result), platform::s_ok);
  EXPECT_EQ(result.vt, variant_type::empty);
  EXPECT_EQ(host->call_script(u"later", {}, &result), platform::s_ok);
  EXPECT_EQ(result.vt, variant_type::empty) << "a page promise is not handed back";
}

TEST_F(BrowserHost, EachLoadCompletesOnceAndAFailedLoadNotAtAll) {
  EXPECT_FALSE(testing_support::run_until([&] { return external.completed > 1; }, 1000));
  EXPECT_EQ(host->location_url(), address);

  host->navigate(address);
  EXPECT_TRUE(testing_support::run_until([&] { return external.completed == 2; }, 20000));
  EXPECT_FALSE(testing_support::run_until([&] { return external.completed > 2; }, 1000));

  host->navigate(u"http://127.0.0.1:" + std::u16string(platform::from_utf8(std::to_string(testing_support::loopback_peer::refused_port()))) + u"/nothing-listens-here");
  EXPECT_FALSE(testing_support::run_until([&] { return external.completed > 2; }, 3000));
  EXPECT_EQ(external.completed, 2);
}

// A page whose function runs past the launcher's wait for an answer (five seconds), and tells
// the launcher when it is done.
const char* const busy_page = R"(<!DOCTYPE html>
<html><body><script>
function busy(seconds) {
  const end = Date.now() + seconds * 1000;
  while (Date.now() < end) {}
  window.external.callIE("busy done");
  return "finished";
}
function tell(what) { window.external.callIE(what); }
</script></body></html>)";

struct BusyPage : BrowserPage {
  void SetUp() override { show(busy_page); }
};

TEST_F(BusyPage,
       ACallThePageIsStillRunningIsDeliveredAndAPageThatDoesNotReturnHoldsNothingUp) {
  variant result = variant::text(u"untouched");
  dispatch_params seconds;
  seconds.rgvarg = {variant::number(8)};
  EXPECT_EQ(host->call_script(u"busy", seconds, &result), platform::s_ok)
      << "the page has the call and is running it";
  EXPECT_EQ(result.vt, variant_type::empty) << "the launcher went on before the answer";
  EXPECT_FALSE(called_with(u"busy done"));

  dispatch_params later;
  later.rgvarg = {variant::text(u"the later call")};
  EXPECT_EQ(host->call_script(u"tell", later, &result), platform::s_ok)
      << "a later call waits in the page behind it";
  // Behind a call still unanswered the launcher does not wait again: it is back about three
  // seconds before the page is free, where waiting would have lasted until the page answered.
  EXPECT_FALSE(called_with(u"busy done")) << "the later call waited for the busy page";
  ASSERT_TRUE(testing_support::run_until([&] { return called_with(u"the later call"); }, 60000))
      << "the later call ran once the page was free";
  ASSERT_EQ(external.calls.size(), 2u);
  EXPECT_EQ(external.calls[0].params.rgvarg[0].bstrVal, u"busy done") << "in order";
}

const char* const storage_page = R"(<!DOCTYPE html>
<html><body><script>
localStorage.setItem("player", "kept between starts");
window.external.callIE(localStorage.getItem("player"));
</script></body></html>)";

// The browser's files among the user's folders: its local storage and its disk cache.
std::vector<std::filesystem::path> browser_files() {
  std::vector<std::filesystem::path> found;
  for (const char* variable :
       {"XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME"}) {
    std::error_code missing;
    for (std::filesystem::recursive_directory_iterator it(std::getenv(variable), missing), end;
         !missing && it != end; it.increment(missing)) {
      const std::string path = it->path().string();
      if (path.find(".localstorage") != std::string::npos ||
          path.find("/WebKitCache/") != std::string::npos)
        found.push_back(it->path());
    }
  }
  return found;
}

TEST_F(BrowserPage, TheBrowsersStorageAndCacheStayInTheLaunchersOwnUserFolders) {
  show(storage_page);
  ASSERT_TRUE(
      testing_support::run_until([&] { return called_with(u"kept between starts"); }, 10000));
  const std::filesystem::path data = std::getenv("XDG_DATA_HOME");
  const std::filesystem::path cache = std::getenv("XDG_CACHE_HOME");
  const std::filesystem::path own_storage =
      data / "QzLauncherZEFA" / "localstorage" / "file__0.localstorage";
  EXPECT_TRUE(
      testing_support::run_until([&] { return std::filesystem::exists(own_storage); }, 30000))
      << "the page's local storage is kept in the launcher's data folder";
  EXPECT_TRUE(std::filesystem::is_directory(cache / "QzLauncherZEFA" / "WebKitCache"));
  for (const auto& file : browser_files()) {
    const std::string path = file.string();
    EXPECT_TRUE(path.rfind((data / "QzLauncherZEFA/").string(), 0) == 0 ||
                path.rfind((cache / "QzLauncherZEFA/").string(), 0) == 0)
        << path << " is outside the launcher's own folders";
  }
}

}  // namespace
