// window.external as the page sees it, and the browser's events through the same entry.
#include "launcher/main_window.h"
#include "platform/hand_over.h"
#include "platform/clock.h"
#include "platform/script_types.h"
#include "platform/skin_surface.h"
#include "web_window_fixture.h"

namespace {

using namespace webwindow_testing;
using platform::variant;

using ScriptBridge = WebWindowTest;

TEST_F(ScriptBridge, TheFourMethodsHaveConsecutiveIdsAndOtherNamesZero) {
  auto& w = createWindow();
  const struct {
    const char16_t* name;
    std::int32_t id;
  } table[] = {{u"updateGame", 100000},      {u"entryGame", 100001},
               {u"getDownloadProcess", 100002}, {u"callIE", 100003},
               {u"CallIE", 0},               {u"callie", 0},
               {u"", 0},                     {u"updateGame ", 0},
               {u"toString", 0}};
  for (const auto& row : table) EXPECT_EQ(w.get_id_of_name(row.name), row.id) << utf8(row.name);
  EXPECT_EQ(w.ScriptMethods().size(), 4u);
}

TEST_F(ScriptBridge, RegisteringAgainReplacesTheHandlerWithTheNextId) {
  auto& w = createWindow();
  w.registerScriptMethod(u"callIE", &CWebWindow::getDownloadProcess);
  EXPECT_EQ(w.get_id_of_name(u"callIE"), 100004) << "ids count the entries before the insertion";
  w.registerScriptMethod(u"extra", &CWebWindow::getDownloadProcess);
  EXPECT_EQ(w.get_id_of_name(u"extra"), 100004);
}

TEST_F(ScriptBridge, InvokeRunsTheHandlerOfAnIdAndRefusesIdsAboveTheTable) {
  auto& w = createWindow();
  headless::define_page_function(u"onGetDownloadProcess");
  platform::dispatch_params none;
  variant result;
  EXPECT_EQ(w.invoke(100004, none, &result), platform::e_notimpl);
  EXPECT_EQ(w.invoke(0, none, &result), platform::s_ok);
  EXPECT_EQ(w.invoke(250, none, &result), platform::s_ok);
  EXPECT_TRUE(headless::page_calls().empty()) << "id 0 and other events do nothing";

  // getDownloadProcess with no job answers state 5 through the page.
  EXPECT_EQ(w.invoke(100002, none, &result), platform::s_ok);
  const auto calls = headless::page_calls_of(u"onGetDownloadProcess");
  ASSERT_EQ(calls.size(), 1u);
  ASSERT_EQ(calls[0].arguments.size(), 5u);
  EXPECT_EQ(calls[0].arguments[0].ulVal, 5u);
  EXPECT_EQ(calls[0].arguments[1].bstrVal, u"hjhk");
  EXPECT_EQ(result.vt, platform::variant_type::empty) << "script methods return nothing";
}

TEST_F(ScriptBridge, AnUnknownNameCalledByThePageDoesNothing) {
  createWindow();
  EXPECT_EQ(headless::call_external(u"noSuchMethod", {variant::text(u"x")}), platform::s_ok);
  EXPECT_TRUE(headless::page_calls().empty());
  EXPECT_TRUE(headless::shown_boxes().empty());
}

TEST_F(ScriptBridge, TheFirstCompletedDocumentShowsTheWindowAndArmsTheTimerOnce) {
  auto& w = createWindow();
  EXPECT_FALSE(platform::window_visible(w.Window())) << "created hidden";
  ASSERT_EQ(headless::navigations().size(), 1u);

  ASSERT_TRUE(headless::complete_document());
  EXPECT_TRUE(platform::window_visible(w.Window()));
  const std::string address = utf8(headless::navigations()[0]);
  EXPECT_EQ(linesTagged("DEBUG", "CWebWindow::Invoke"),
            (std::vector<std::string>{"文档加载完成" + address, "设置定时器"}));

  ASSERT_TRUE(headless::complete_document());
  EXPECT_EQ(linesTagged("DEBUG", "CWebWindow::Invoke").size(), 3u)
      << "a second document logs its address only";

  // The timer calls JsUpdateGame until the page has it, then stops.
  headless::run_for(1100);
  const auto early = headless::page_calls_of(u"JsUpdateGame");
  ASSERT_GE(early.size(), 2u);
  for (const auto& call : early) {
    EXPECT_FALSE(call.defined);
    ASSERT_EQ(call.arguments.size(), 1u);
    EXPECT_EQ(call.arguments[0].vt, platform::variant_type::ui4);
    EXPECT_EQ(call.arguments[0].ulVal, 0u);
  }
  EXPECT_TRUE(linesTagged("DEBUG", "CWebWindow::OnTimer").empty());
  headless::define_page_function(u"JsUpdateGame");
  headless::clear_page_calls();
  headless::run_for(1600);
  const auto calls = headless::page_calls_of(u"JsUpdateGame");
  ASSERT_EQ(calls.size(), 1u) << "one successful call stops the timer";
  EXPECT_TRUE(calls[0].defined);
  EXPECT_EQ(linesTagged("DEBUG", "CWebWindow::OnTimer"),
            std::vector<std::string>{"执行更新检查完毕"});
}

TEST_F(ScriptBridge, ANavigationCompletesFromTheEventLoop) {
  auto& w = createWindow(true);
  headless::define_page_function(u"JsUpdateGame");
  EXPECT_FALSE(platform::window_visible(w.Window()));
  headless::run_until([] { return !headless::page_calls_of(u"JsUpdateGame").empty(); }, 2000);
  EXPECT_TRUE(platform::window_visible(w.Window()));
  EXPECT_EQ(headless::page_calls_of(u"JsUpdateGame").size(), 1u);
}

TEST_F(ScriptBridge, CallScriptPassesArgumentsInThePagesOrder) {
  auto& w = createWindow();
  headless::define_page_function(u"f");
  platform::dispatch_params params;  // reversed: element 0 is the page's last parameter
  params.rgvarg = {variant::number(7), variant::text(u"b"), variant::text(u"a")};
  variant result;
  EXPECT_EQ(w.callScript(u"f", params, &result), platform::s_ok);
  EXPECT_EQ(w.callScript(u"g", params, &result), platform::disp_e_unknownname);
  const auto calls = headless::page_calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].arguments[0].bstrVal, u"a");
  EXPECT_EQ(calls[0].arguments[1].bstrVal, u"b");
  EXPECT_EQ(calls[0].arguments[2].ulVal, 7u);
  EXPECT_FALSE(calls[1].defined);
}

TEST_F(ScriptBridge, UnknownTimersAreRefusedAndTheUncompressTimerStopsItself) {
  auto& w = createWindow();
  EXPECT_EQ(w.OnTimer(1031), -1);
  EXPECT_EQ(w.OnTimer(0), -1);
  platform::set_timer(w.Window(), TIMER_UNCOMPRESS, 20);
  headless::run_for(200);
  EXPECT_EQ(linesTagged("INFO", "CWebWindow::OnTimer"), std::vector<std::string>{"正在解压"})
      << "once per arming";
}

TEST_F(ScriptBridge, LaunchRequestsOnlyWithTheirOwnTag) {
  auto& w = createWindow();
  headless::define_page_function(u"OnCallIE");
  const std::u16string text = u"qzzefa://garbage";
  platform::copy_data other{4999, text};
  EXPECT_EQ(w.Proc(platform::message_copy_data, 0, reinterpret_cast<std::intptr_t>(&other)), 0);
  EXPECT_TRUE(headless::page_calls().empty());
  EXPECT_EQ(w.Proc(platform::message_copy_data, 0, 0), 0);
  EXPECT_TRUE(headless::page_calls().empty());

  platform::copy_data request{5000, text};
  w.Proc(platform::message_copy_data, 0, reinterpret_cast<std::intptr_t>(&request));
  const auto calls = headless::page_calls_of(u"OnCallIE");
  ASSERT_EQ(calls.size(), 1u) << "the page hears of it even when the text does not parse";
  ASSERT_EQ(calls[0].arguments.size(), 2u);
  EXPECT_EQ(calls[0].arguments[0].vt, platform::variant_type::bstr);

  headless::remove_page_function(u"OnCallIE");
  w.Proc(platform::message_copy_data, 0, reinterpret_cast<std::intptr_t>(&request));
  EXPECT_EQ(linesTagged("ERROR", "Proc"), std::vector<std::string>{"call OnCallIE fail"});
}

TEST_F(ScriptBridge, CallIEWithoutATextArgumentIsRefused) {
  auto& w = createWindow();
  platform::dispatch_params none;
  variant result;
  w.invoke(100003, none, &result);
  platform::dispatch_params number;
  number.rgvarg = {variant::number(3)};
  w.invoke(100003, number, &result);
  EXPECT_EQ(linesTagged("ERROR", "CWebWindow::callIE").size(), 2u);
}

TEST_F(ScriptBridge, TheLauncherWindowGivesTheKeyboardToTheBrowserAndEndsIt) {
  CWebWindow& web = createWindow();
  const launcher::web_window_binding binding = launcher::webWindowBinding(web);
  ASSERT_TRUE(binding.focus);
  EXPECT_EQ(headless::focus_requests(), 0) << "creating the browser takes no focus";
  binding.focus();
  EXPECT_EQ(headless::focus_requests(), 1);

  ASSERT_TRUE(binding.close);
  binding.close();
  EXPECT_FALSE(headless::complete_document()) << "the browser is gone";
  EXPECT_TRUE(platform::window_exists(web.Window())) << "the web window stays for the workers";
}

TEST_F(ScriptBridge, AScriptErrorOfThePageIsLoggedAsAWarning) {
  auto& w = createWindow();
  platform::dispatch_params error;
  error.rgvarg = {variant::text(u"'x' is undefined"), variant::number(12),
                  variant::text(u"http://127.0.0.1/portal.html")};
  EXPECT_EQ(w.invoke(platform::dispid_script_error, error, nullptr), platform::s_ok);
  EXPECT_EQ(linesTagged("WARN", "CWebWindow::Invoke"),
            std::vector<std::string>{
                "script error: 'x' is undefined, line 12, http://127.0.0.1/portal.html"});
}

}  // namespace
