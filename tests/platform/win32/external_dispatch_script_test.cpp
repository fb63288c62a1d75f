// window.external as a page script sees it: the system's JScript engine calls the launcher
// through the IDispatch adapter, by name, with its own argument and result types.
#include <gtest/gtest.h>

#include <ole2.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "jscript_engine.h"
#include "log/recording_sink.h"
#include "platform/text.h"
#include "platform/win32/browser/external_dispatch.h"
#include "support/temp_folder.h"
#include "webwindow/web_window.h"

namespace {

using browser_testing::jscript_engine;
using platform::variant;
using platform::variant_type;

// A launcher object that keeps every lookup and call and answers as told.
struct recording_dispatch : platform::script_dispatch {
  std::map<std::u16string, std::int32_t> known;
  std::vector<std::u16string> lookups;
  struct call {
    std::int32_t id;
    std::vector<variant> arguments;
  };
  std::vector<call> calls;
  variant answer;
  platform::hresult outcome = platform::s_ok;

  std::int32_t get_id_of_name(std::u16string_view name) override {
    lookups.emplace_back(name);
    const auto found = known.find(std::u16string(name));
    return found == known.end() ? 0 : found->second;
  }
  platform::hresult invoke(std::int32_t id, platform::dispatch_params& params,
                           variant* result) override {
    calls.push_back({id, params.rgvarg});
    if (result) *result = answer;
    return outcome;
  }
};

// Texts in UTF-8: narrow literals of this build are in the ANSI code page.
std::string describe(const variant& value) {
  switch (value.vt) {
    case variant_type::bstr:
      return "text:" + platform::to_utf8(value.bstrVal);
    case variant_type::ui4:
      return "number:" + std::to_string(value.ulVal);
    case variant_type::empty:
      return "empty";
  }
  return "?";
}

std::vector<std::string> describe(const std::vector<variant>& values) {
  std::vector<std::string> described;
  for (const auto& value : values) described.push_back(describe(value));
  return described;
}

struct ExternalScriptTest : ::testing::Test {
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
  void TearDown() override { OleUninitialize(); }
};

struct RecordedExternalTest : ExternalScriptTest {
  recording_dispatch launcher;
  platform::win32::external_dispatch external{launcher};

  void SetUp() override {
    ExternalScriptTest::SetUp();
    launcher.known = {{u"updateGame", 100000}, {u"entryGame", 100001}};
  }
};

TEST_F(RecordedExternalTest, ScriptCallsArriveByIdWithTheArgumentsReversed) {
  jscript_engine script(&external);
  ASSERT_TRUE(script.ready()) << script.problem();

  ASSERT_EQ(script.run(L"external.updateGame(\"first\", \"第二|\\u00e9\");"), S_OK);
  EXPECT_TRUE(script.errors().empty());
  ASSERT_EQ(launcher.calls.size(), 1u);
  EXPECT_EQ(launcher.calls[0].id, 100000);
  EXPECT_EQ(describe(launcher.calls[0].arguments),
            (std::vector<std::string>{"text:" + platform::to_utf8(u"第二|é"), "text:first"}));
  ASSERT_FALSE(launcher.lookups.empty());
  EXPECT_EQ(launcher.lookups.back(), u"updateGame");

  // Arguments of different kinds, an empty text among them.
  launcher.calls.clear();
  ASSERT_EQ(script.run(L"external.entryGame(\"\", 12);"), S_OK);
  ASSERT_EQ(launcher.calls.size(), 1u);
  EXPECT_EQ(launcher.calls[0].id, 100001);
  EXPECT_EQ(describe(launcher.calls[0].arguments),
            (std::vector<std::string>{"number:12", "text:"}));
}

TEST_F(RecordedExternalTest, ScriptNumbersBecomeUnsigned32BitValues) {
  jscript_engine script(&external);
  ASSERT_TRUE(script.ready()) << script.problem();

  ASSERT_EQ(script.run(L"external.updateGame(7, -1, 2.9, 4294967295, true, false, 0);"), S_OK);
  ASSERT_EQ(launcher.calls.size(), 1u);
  EXPECT_EQ(describe(launcher.calls[0].arguments),
            (std::vector<std::string>{"number:0", "number:0", "number:1", "number:4294967295",
                                      "number:2", "number:4294967295", "number:7"}));
}

TEST_F(RecordedExternalTest, LauncherResultsReachTheScript) {
  jscript_engine script(&external);
  ASSERT_TRUE(script.ready()) << script.problem();
  VARIANT value;
  VariantInit(&value);

  launcher.answer = variant::text(u"回答 ok");
  ASSERT_EQ(script.evaluate(L"external.updateGame() + \"!\"", value), S_OK);
  ASSERT_EQ(V_VT(&value), VT_BSTR);
  EXPECT_EQ(std::wstring(V_BSTR(&value)), L"回答 ok!");

  // Beyond the signed range: the script must see the unsigned value.
  launcher.answer = variant::number(4000000000u);
  ASSERT_EQ(script.evaluate(L"external.updateGame() + 1", value), S_OK);
  ASSERT_EQ(V_VT(&value), VT_R8);
  EXPECT_EQ(V_R8(&value), 4000000001.0);

  launcher.answer = {};
  ASSERT_EQ(script.evaluate(L"typeof external.updateGame()", value), S_OK);
  ASSERT_EQ(V_VT(&value), VT_BSTR);
  EXPECT_EQ(std::wstring(V_BSTR(&value)), L"undefined");
  VariantClear(&value);
}

TEST_F(RecordedExternalTest, AFailingLauncherCallIsAScriptError) {
  jscript_engine script(&external);
  ASSERT_TRUE(script.ready()) << script.problem();

  launcher.outcome = platform::e_notimpl;
  const HRESULT outcome = script.run(L"external.updateGame(\"x\");");
  EXPECT_TRUE(FAILED(outcome) || !script.errors().empty())
      << "the page must see that the call failed";
  ASSERT_EQ(launcher.calls.size(), 1u);
}

TEST_F(RecordedExternalTest, OnlyTheFirstNameIsLookedUp) {
  LPOLESTR names[] = {const_cast<LPOLESTR>(L"entryGame"), const_cast<LPOLESTR>(L"updateGame")};
  DISPID ids[2] = {-5, -5};
  EXPECT_EQ(external.GetIDsOfNames(IID_NULL, names, 2, LOCALE_SYSTEM_DEFAULT, ids), S_OK);
  EXPECT_EQ(ids[0], 100001);
  EXPECT_EQ(ids[1], -5);
  EXPECT_EQ(launcher.lookups, (std::vector<std::u16string>{u"entryGame"}));
}

// The launcher's own object behind the adapter, as the page meets it.
struct WebWindowExternalTest : ExternalScriptTest {
  testing_support::temp_folder folder;
  std::filesystem::path previousFolder = std::filesystem::current_path();
  recording_sink log;
  std::unique_ptr<CWebWindow> window;
  std::unique_ptr<platform::win32::external_dispatch> external;

  void SetUp() override {
    ExternalScriptTest::SetUp();
    setenv("LAUNCHER_REPORT_HOST", "127.0.0.1:1", 1);
    log_manager::instance().set_threshold(LOG_DEBUG);
    std::filesystem::current_path(folder.path());
    window = std::make_unique<CWebWindow>(folder.core_folder());
    window->registerScriptMethods();
    external = std::make_unique<platform::win32::external_dispatch>(*window);
  }
  void TearDown() override {
    external.reset();
    window.reset();
    std::filesystem::current_path(previousFolder);
    ExternalScriptTest::TearDown();
  }

  DISPID idOf(const wchar_t* name) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = -1;
    EXPECT_EQ(external->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &id), S_OK);
    return id;
  }

  // Texts of the lines with this tag, in the log's narrow encoding.
  std::vector<std::string> linesTagged(const std::string& tag) const {
    std::vector<std::string> found;
    for (const auto& line : log.lines) {
      const auto at = line.find("[" + tag + "]>> ");
      if (at == std::string::npos) continue;
      std::string text = line.substr(at + tag.size() + 5);
      while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
      found.push_back(text);
    }
    return found;
  }
};

TEST_F(WebWindowExternalTest, TheMethodTableGivesTheDispatchIds) {
  const std::vector<std::pair<const wchar_t*, DISPID>> table = {
      {L"updateGame", 100000}, {L"entryGame", 100001}, {L"getDownloadProcess", 100002},
      {L"callIE", 100003},     {L"CallIE", 0},         {L"updategame", 0},
      {L"", 0},                {L"toString", 0}};
  for (const auto& [name, id] : table) EXPECT_EQ(idOf(name), id) << platform::to_utf8(
      std::u16string(reinterpret_cast<const char16_t*>(name)));

  DISPPARAMS none{};
  VARIANT result;
  VariantInit(&result);
  EXPECT_EQ(external->Invoke(100004, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_METHOD, &none,
                             &result, nullptr, nullptr),
            E_NOTIMPL);
  EXPECT_EQ(external->Invoke(0, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_METHOD, &none, &result,
                             nullptr, nullptr),
            S_OK);
  EXPECT_EQ(V_VT(&result), VT_EMPTY);
}

TEST_F(WebWindowExternalTest, APageCallsUpdateGameWithItsFileList) {
  jscript_engine script(external.get());
  ASSERT_TRUE(script.ready()) << script.problem();

  ASSERT_EQ(script.run(L"external.updateGame(\"list-one\");"), S_OK);
  EXPECT_TRUE(script.errors().empty());
  const auto lines = linesTagged("CWebWindow::updateGame");
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), platform::to_ansi(u"文件列表:list-one"));

  // Once called, the flow does not start again.
  ASSERT_EQ(script.run(L"external.updateGame(\"list-two\");"), S_OK);
  EXPECT_EQ(linesTagged("CWebWindow::updateGame").back(), platform::to_ansi(u"函数已经被调用"));
}

TEST_F(WebWindowExternalTest, UnknownNamesDoNothingAndRaiseNothing) {
  jscript_engine script(external.get());
  ASSERT_TRUE(script.ready()) << script.problem();

  const auto before = log.lines.size();
  EXPECT_EQ(script.run(L"external.CallIE(\"http://127.0.0.1/\"); external.noSuchMethod(1, 2);"),
            S_OK);
  EXPECT_TRUE(script.errors().empty());
  EXPECT_EQ(log.lines.size(), before);

  // A known name without its argument is refused by the launcher, not by the script.
  EXPECT_EQ(script.run(L"external.callIE();"), S_OK);
  EXPECT_EQ(linesTagged("CWebWindow::callIE"),
            (std::vector<std::string>{"callIE error, param error"}));
}

TEST_F(WebWindowExternalTest, ReadingAMethodAsAPropertyRunsIt) {
  jscript_engine script(external.get());
  ASSERT_TRUE(script.ready()) << script.problem();

  ASSERT_EQ(script.run(L"var present = external.getDownloadProcess;"), S_OK);
  EXPECT_EQ(linesTagged("CWebWindow::getDownloadProcess"),
            (std::vector<std::string>{"getDownloadProcess Call"}));
}

}  // namespace
