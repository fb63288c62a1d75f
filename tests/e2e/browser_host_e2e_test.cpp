// The WebKit browser host with a real page: window.external calls reach the dispatch object
// by name, page functions are called by name, and each load completes once.
#include <gtest/gtest.h>

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
function forever() { for (;;) {} }
</script>
<iframe src="frame.html"></iframe>
</body></html>)";

const char* const frame = R"(<!DOCTYPE html>
<html><body><script>window.external.callIE("from the frame");</script></body></html>)";

struct BrowserHost : ::testing::Test {
  testing_support::temp_folder dir;
  recording_external external;
  std::unique_ptr<platform::browser_host> host;
  std::u16string address;

  void SetUp() override {
    write(dir.path() / "index.html", page);
    write(dir.path() / "frame.html", frame);
    address = platform::from_utf8("file://" + (dir.path() / "index.html").string());
    const auto window = platform::create_message_window(
        [](std::uint32_t, std::uintptr_t, std::intptr_t) { return std::intptr_t{0}; });
    host = platform::create_browser_host(window, external);
    ASSERT_TRUE(host) << "the browser needs a display (run under xvfb-run)";
    host->navigate(address);
    ASSERT_TRUE(testing_support::run_until([&] { return external.completed == 1; }, 20000));
  }

  bool frame_called() const {
    for (const auto& call : external.calls)
      if (call.params.cArgs() == 1 && call.params.rgvarg[0].bstrVal == u"from the frame")
        return true;
    return false;
  }
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

// Runs last: the page stays busy for good.
TEST_F(BrowserHost, ACallThePageIsStillRunningIsDeliveredAndAPageThatNeverReturnsHoldsNothingUp) {
  variant result = variant::text(u"untouched");
  EXPECT_EQ(host->call_script(u"forever", {}, &result), platform::s_ok)
      << "the page has the call and is running it";
  EXPECT_EQ(result.vt, variant_type::empty);
  dispatch_params number;
  number.rgvarg = {variant::number(1)};
  EXPECT_EQ(host->call_script(u"next", number, &result), platform::s_ok)
      << "a later call waits in the page behind it";
}

}  // namespace
