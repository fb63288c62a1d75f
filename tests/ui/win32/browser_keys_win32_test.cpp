// The launcher's message loop as the container of the browser control: keyboard messages for
// the browser's windows are offered to the object the control named active before they are
// dispatched, as a container's loop does. Wine's control never names one (it has no HTML
// engine here), so a recording object stands in for it, named through the container's frame as
// the control names its own.
#include <gtest/gtest.h>

#include <ole2.h>
#include <windows.h>

#include <set>
#include <utility>
#include <vector>

#include "platform/browser_host.h"
#include "platform/event_loop.h"
#include "platform/win32/browser/ie_browser_host.h"

namespace {

using key = std::pair<UINT, WPARAM>;  // message, virtual key

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
// Records what it is offered and takes the keys it is told to take.
struct recording_active_object final : IOleInPlaceActiveObject {
  std::vector<key> offered;
  std::set<WPARAM> taken;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
    if (!IsEqualIID(id, IID_IUnknown) && !IsEqualIID(id, IID_IOleWindow) &&
        !IsEqualIID(id, IID_IOleInPlaceActiveObject)) {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    *object = this;
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives on the test's stack
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetWindow(HWND*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(WINBOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG message) override {
    // The characters the loop makes of key-downs come and go with the keyboard's state.
    if (message->message != WM_CHAR) offered.emplace_back(message->message, message->wParam);
    return taken.count(message->wParam) ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(WINBOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnDocWindowActivate(WINBOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, WINBOOL) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE EnableModeless(WINBOOL) override { return S_OK; }
};
#pragma GCC diagnostic pop

struct null_dispatch : platform::script_dispatch {
  std::int32_t get_id_of_name(std::u16string_view) override { return 0; }
  platform::hresult invoke(std::int32_t, platform::dispatch_params&, platform::variant*) override {
    return platform::s_ok;
  }
};

std::vector<key> dispatched;

LRESULT CALLBACK recording_window(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_KEYDOWN || message == WM_KEYUP) dispatched.emplace_back(message, wparam);
  return DefWindowProcW(window, message, wparam, lparam);
}

HWND make_window(HWND parent, const wchar_t* class_name) {
  WNDCLASSW description{};
  description.lpfnWndProc = recording_window;
  description.hInstance = GetModuleHandleW(nullptr);
  description.lpszClassName = class_name;
  RegisterClassW(&description);
  return CreateWindowExW(0, class_name, L"", parent ? WS_CHILD : WS_POPUP, 0, 0, 50, 50, parent,
                         nullptr, description.hInstance, nullptr);
}

// Posts the keys, then runs the launcher's loop until it has handled them all.
void run_loop_over(const std::vector<std::pair<HWND, key>>& keys) {
  for (const auto& [window, k] : keys) PostMessageW(window, k.first, k.second, 0);
  platform::post_quit_message(0);
  platform::run_message_loop();
}

TEST(BrowserKeys, TheLoopOffersKeysForThePageToTheActiveObjectFirst) {
  ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
  const HWND webWindow = make_window(nullptr, L"browserKeysWebWindow");
  ASSERT_NE(webWindow, nullptr);
  null_dispatch external;
  auto browser =
      platform::create_browser_host(reinterpret_cast<platform::window_handle>(webWindow), external);
  ASSERT_NE(browser, nullptr);
  const HWND controlHost = FindWindowExW(webWindow, nullptr, L"AtlAxWin80", nullptr);
  ASSERT_NE(controlHost, nullptr);
  // The page's window, deep inside the control host as the browser's own windows are.
  const HWND page = make_window(controlHost, L"browserKeysPage");
  const HWND elsewhere = make_window(nullptr, L"browserKeysElsewhere");
  ASSERT_TRUE(page && elsewhere);

  recording_active_object active;
  active.taken = {VK_DELETE, VK_F10, 'A'};
  auto* site = static_cast<platform::win32::ie_browser_host*>(browser.get())->site();
  ASSERT_EQ(site->SetActiveObject(&active, L"page"), S_OK);

  dispatched.clear();
  run_loop_over({{page, {WM_KEYDOWN, VK_DELETE}},
                 {page, {WM_KEYDOWN, 'C'}},
                 {page, {WM_KEYDOWN, VK_TAB}},
                 {page, {WM_KEYUP, VK_RETURN}},
                 {page, {WM_SYSKEYDOWN, VK_F10}},
                 {page, {WM_KEYDOWN, VK_F5}},
                 {page, {WM_KEYDOWN, VK_BACK}},
                 {elsewhere, {WM_KEYDOWN, 'A'}},
                 {elsewhere, {WM_KEYDOWN, VK_F5}}});
  // Tab and Enter reach the page through the keyboard hook, so they are not offered twice;
  // keys for other windows are none of the browser's business. The browser's own commands
  // (reload, back outside a text field) reach neither the page nor its windows.
  const std::vector<key> offered{
      {WM_KEYDOWN, VK_DELETE}, {WM_KEYDOWN, 'C'}, {WM_SYSKEYDOWN, VK_F10}};
  EXPECT_EQ(active.offered, offered);
  // What the active object took is not dispatched again; the rest is, as before.
  const std::vector<key> delivered{
      {WM_KEYDOWN, 'C'}, {WM_KEYDOWN, VK_TAB}, {WM_KEYUP, VK_RETURN}, {WM_KEYDOWN, 'A'},
      {WM_KEYDOWN, VK_F5}};
  EXPECT_EQ(dispatched, delivered);

  // A control that is no longer active is offered nothing.
  site->SetActiveObject(nullptr, nullptr);
  active.offered.clear();
  dispatched.clear();
  run_loop_over({{page, {WM_KEYDOWN, VK_DELETE}}});
  EXPECT_TRUE(active.offered.empty());
  EXPECT_EQ(dispatched, (std::vector<key>{{WM_KEYDOWN, VK_DELETE}}));

  browser.reset();
  DestroyWindow(elsewhere);
  DestroyWindow(webWindow);
  OleUninitialize();
}

}  // namespace
