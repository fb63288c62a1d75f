// The container's COM objects on their own: what the browser control asks of them and what
// reaches the launcher through them.
#include <gtest/gtest.h>

#include <exdisp.h>
#include <exdispid.h>
#include <ole2.h>
#include <windows.h>

#include <vector>

#include "platform/win32/browser/browser_events.h"
#include "platform/win32/browser/browser_keys.h"
#include "platform/win32/browser/browser_site.h"
#include "platform/win32/browser/com_ptr.h"
#include "support/win32/test_popup.h"

namespace {

using platform::win32::browser_events;
using platform::win32::browser_site;
using platform::win32::com_ptr;

struct recording_dispatch : platform::script_dispatch {
  std::vector<std::u16string> lookups;
  std::vector<std::int32_t> invoked;
  std::vector<platform::dispatch_params> arguments;
  std::int32_t get_id_of_name(std::u16string_view name) override {
    lookups.emplace_back(name);
    return name == u"callIE" ? 100003 : 0;
  }
  platform::hresult invoke(std::int32_t id, platform::dispatch_params& params,
                           platform::variant*) override {
    invoked.push_back(id);
    arguments.push_back(params);
    return platform::s_ok;
  }
};

HRESULT fire(IDispatch& sink, DISPID id) {
  DISPPARAMS none{};
  return sink.Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_METHOD, &none, nullptr, nullptr,
                     nullptr);
}

TEST(BrowserEvents, OnlyCompletedDocumentsReachTheLauncherUntilDetached) {
  recording_dispatch launcher;
  com_ptr<browser_events> events(browser_events::create(launcher));

  auto asEvents = events.query<IDispatch>(DIID_DWebBrowserEvents2);
  ASSERT_TRUE(asEvents);
  EXPECT_FALSE(events.query<IUnknown>(IID_IOleClientSite));

  for (const DISPID id : {DISPID_BEFORENAVIGATE2, DISPID_NAVIGATECOMPLETE2, DISPID_NAVIGATEERROR,
                          DISPID_DOCUMENTCOMPLETE, DISPID_DOWNLOADCOMPLETE, DISPID_DOCUMENTCOMPLETE})
    EXPECT_EQ(fire(*asEvents.get(), id), S_OK);
  EXPECT_EQ(launcher.invoked, (std::vector<std::int32_t>{259, 259}));

  events->detach();
  EXPECT_EQ(fire(*asEvents.get(), DISPID_DOCUMENTCOMPLETE), S_OK);
  EXPECT_EQ(launcher.invoked.size(), 2u);
}

// NewWindow3 as the browser fires it: the arguments last first, Cancel by reference.
HRESULT fire_new_window(IDispatch& sink, const wchar_t* address, VARIANT_BOOL& cancel) {
  VARIANT arguments[5];
  for (auto& argument : arguments) VariantInit(&argument);
  arguments[0].vt = VT_BSTR;
  arguments[0].bstrVal = SysAllocString(address);
  arguments[3].vt = VT_BOOL | VT_BYREF;
  arguments[3].pboolVal = &cancel;
  DISPPARAMS params{arguments, nullptr, 5, 0};
  const HRESULT outcome = sink.Invoke(DISPID_NEWWINDOW3, IID_NULL, LOCALE_SYSTEM_DEFAULT,
                                      DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
  VariantClear(&arguments[0]);
  return outcome;
}

TEST(BrowserEvents, NewWindowsAreCancelledAndTheirAddressGoesToTheLauncher) {
  recording_dispatch launcher;
  com_ptr<browser_events> events(browser_events::create(launcher));
  auto asEvents = events.query<IDispatch>(DIID_DWebBrowserEvents2);
  for (const bool attached : {true, false}) {
    if (!attached) events->detach();
    VARIANT_BOOL cancel = VARIANT_FALSE;
    EXPECT_EQ(fire_new_window(*asEvents.get(), L"https://b/news", cancel), S_OK);
    EXPECT_EQ(cancel, VARIANT_TRUE) << "attached " << attached;
  }
  ASSERT_EQ(launcher.invoked, (std::vector<std::int32_t>{platform::dispid_new_window}));
  EXPECT_EQ(launcher.arguments[0].rgvarg.at(0).bstrVal, u"https://b/news");
}

TEST(BrowserKeys, TheBrowsersOwnCommandsAreBlockedAndEditingKeysAreNot) {
  using platform::win32::is_blocked_browser_key;
  const platform::win32::key_modifiers none, control{true, false, false}, alt{false, true, false};
  for (const WPARAM key : std::initializer_list<WPARAM>{'R', 'N', 'O', 'P', 'F', VK_F5})
    EXPECT_TRUE(is_blocked_browser_key(WM_KEYDOWN, key, control, true)) << "Ctrl+" << key;
  for (const WPARAM key : {'C', 'V', 'X', 'A', 'Z'})
    EXPECT_FALSE(is_blocked_browser_key(WM_KEYDOWN, key, control, true)) << "Ctrl+" << key;
  EXPECT_TRUE(is_blocked_browser_key(WM_KEYDOWN, VK_F5, none, false));
  EXPECT_TRUE(is_blocked_browser_key(WM_SYSKEYDOWN, VK_LEFT, alt, true));
  EXPECT_TRUE(is_blocked_browser_key(WM_KEYDOWN, VK_BROWSER_BACK, none, false));
  EXPECT_TRUE(is_blocked_browser_key(WM_KEYDOWN, VK_BACK, none, false)) << "back, outside a field";
  EXPECT_FALSE(is_blocked_browser_key(WM_KEYDOWN, VK_BACK, none, true)) << "deletes in a field";
  for (const WPARAM key : std::initializer_list<WPARAM>{'R', VK_LEFT, VK_DELETE})
    EXPECT_FALSE(is_blocked_browser_key(WM_KEYDOWN, key, none, true)) << key;
  EXPECT_FALSE(is_blocked_browser_key(WM_KEYUP, VK_F5, none, false));
}

struct BrowserSiteTest : ::testing::Test {
  HWND window = nullptr;
  recording_dispatch launcher;
  com_ptr<browser_site> site;

  void SetUp() override {
    window = testing_support::create_test_popup(L"siteTestWindow", DefWindowProcW, 0, 300, 200);
    ASSERT_NE(window, nullptr);
    site = com_ptr<browser_site>(browser_site::create(window, launcher));
  }
  void TearDown() override {
    site.reset();
    DestroyWindow(window);
  }
};

TEST_F(BrowserSiteTest, AnswersForEveryInterfaceTheControlAsksFor) {
  EXPECT_TRUE(site.query<IOleClientSite>(IID_IOleClientSite));
  EXPECT_TRUE(site.query<IOleInPlaceSite>(IID_IOleInPlaceSite));
  EXPECT_TRUE(site.query<IOleInPlaceFrame>(IID_IOleInPlaceFrame));
  EXPECT_TRUE(site.query<IDocHostUIHandler>(IID_IDocHostUIHandler));
  EXPECT_TRUE(site.query<IOleCommandTarget>(IID_IOleCommandTarget));
  EXPECT_FALSE(site.query<IDispatch>(IID_IDispatch));
  // Every interface is the same object.
  auto fromHandler = site.query<IDocHostUIHandler>(IID_IDocHostUIHandler).query<IUnknown>(IID_IUnknown);
  auto fromFrame = site.query<IOleInPlaceFrame>(IID_IOleInPlaceFrame).query<IUnknown>(IID_IUnknown);
  EXPECT_EQ(fromHandler.get(), fromFrame.get());
}

TEST_F(BrowserSiteTest, PlacesTheControlOverTheWholeHostWindow) {
  auto inPlace = site.query<IOleInPlaceSite>(IID_IOleInPlaceSite);
  com_ptr<IOleInPlaceFrame> frame;
  com_ptr<IOleInPlaceUIWindow> document;
  RECT position{}, clip{};
  OLEINPLACEFRAMEINFO info{};
  info.cb = sizeof(info);
  ASSERT_EQ(inPlace->GetWindowContext(frame.put(), document.put(), &position, &clip, &info), S_OK);
  ASSERT_TRUE(frame);
  EXPECT_FALSE(document);
  EXPECT_EQ(position.right - position.left, 300);
  EXPECT_EQ(position.bottom - position.top, 200);
  EXPECT_TRUE(EqualRect(&position, &clip));
  EXPECT_EQ(info.hwndFrame, window);
  HWND reported = nullptr;
  EXPECT_EQ(frame->GetWindow(&reported), S_OK);
  EXPECT_EQ(reported, window);
}

TEST_F(BrowserSiteTest, GivesThePageTheLauncherAsExternalUntilDetached) {
  auto handler = site.query<IDocHostUIHandler>(IID_IDocHostUIHandler);
  IDispatch* external = nullptr;
  ASSERT_EQ(handler->GetExternal(&external), S_OK);
  ASSERT_NE(external, nullptr);
  LPOLESTR names[] = {const_cast<LPOLESTR>(L"callIE")};
  DISPID id = 0;
  EXPECT_EQ(external->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &id), S_OK);
  EXPECT_EQ(id, 100003);
  DISPPARAMS none{};
  EXPECT_EQ(external->Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_METHOD, &none, nullptr,
                             nullptr, nullptr),
            S_OK);
  EXPECT_EQ(launcher.invoked, (std::vector<std::int32_t>{100003}));

  site->detach();
  external = reinterpret_cast<IDispatch*>(1);
  EXPECT_NE(handler->GetExternal(&external), S_OK);
  EXPECT_EQ(external, nullptr);
  HWND reported = window;
  EXPECT_NE(site.query<IOleInPlaceSite>(IID_IOleInPlaceSite)->GetWindow(&reported), S_OK);
}

TEST_F(BrowserSiteTest, KeepsTheBrowserFrameless) {
  auto handler = site.query<IDocHostUIHandler>(IID_IDocHostUIHandler);
  DOCHOSTUIINFO info{};
  info.cbSize = sizeof(info);
  ASSERT_EQ(handler->GetHostInfo(&info), S_OK);
  EXPECT_NE(info.dwFlags & DOCHOSTUIFLAG_NO3DBORDER, 0u);
}

TEST_F(BrowserSiteTest, ShowsTheBrowsersMenuOnlyInTextFields) {
  auto handler = site.query<IDocHostUIHandler>(IID_IDocHostUIHandler);
  POINT at{10, 10};
  for (const DWORD menu : {CONTEXT_MENU_DEFAULT, CONTEXT_MENU_IMAGE, CONTEXT_MENU_TABLE,
                           CONTEXT_MENU_TEXTSELECT, CONTEXT_MENU_ANCHOR})
    EXPECT_EQ(handler->ShowContextMenu(menu, &at, nullptr, nullptr), S_OK) << "menu " << menu;
  EXPECT_EQ(handler->ShowContextMenu(CONTEXT_MENU_CONTROL, &at, nullptr, nullptr), S_FALSE);
}

TEST_F(BrowserSiteTest, AnswersScriptErrorsByReportingThemAndLettingScriptsGoOn) {
  auto commands = site.query<IOleCommandTarget>(IID_IOleCommandTarget);
  // The browser's group for its questions to the host.
  const GUID group = {0xf38bc242, 0xb950, 0x11d1, {0x89, 0x18, 0x00, 0xc0, 0x4f, 0xc2, 0xc8, 0x36}};
  VARIANT in, out;
  VariantInit(&in);
  VariantInit(&out);
  EXPECT_EQ(commands->Exec(&group, OLECMDID_SHOWSCRIPTERROR, 0, &in, &out), S_OK);
  EXPECT_TRUE(out.vt == VT_BOOL && out.boolVal == VARIANT_TRUE) << "the page's scripts go on";
  EXPECT_EQ(commands->Exec(&group, OLECMDID_PRINT, 0, &in, &out), OLECMDERR_E_NOTSUPPORTED);
  EXPECT_EQ(commands->Exec(&CLSID_NULL, OLECMDID_SHOWSCRIPTERROR, 0, &in, &out),
            OLECMDERR_E_UNKNOWNGROUP);
  ASSERT_EQ(launcher.invoked, (std::vector<std::int32_t>{platform::dispid_script_error}));
  EXPECT_EQ(launcher.arguments[0].cArgs(), 3u);
}

}  // namespace
