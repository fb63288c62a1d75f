#pragma once
// The IE web browser control in the web window, inside a child "AtlAxWin80" window of our own
// that is its in-place container.
#include <windows.h>
#include <exdisp.h>

#include <string>

#include "platform/browser_host.h"
#include "platform/win32/browser/browser_events.h"
#include "platform/win32/browser/browser_site.h"
#include "platform/win32/browser/com_ptr.h"

namespace platform::win32 {

class ie_browser_host final : public browser_host {
 public:
  ie_browser_host(HWND web_window, script_dispatch& external);
  ~ie_browser_host() override;
  ie_browser_host(const ie_browser_host&) = delete;
  ie_browser_host& operator=(const ie_browser_host&) = delete;

  // Creates the control and connects it. Empty when it worked; otherwise the step that failed
  // with the system's code, and the destructor undoes what was done.
  std::string start();

  void navigate(std::u16string_view address) override;
  std::u16string location_url() override;
  hresult call_script(std::u16string_view function, const dispatch_params& params,
                      variant* result) override;
  void focus() override;

  HWND control_host_window() const { return host_window_; }
  // The container's side of the control, as the control itself reaches it.
  browser_site* site() const { return site_.get(); }
  // The control host window has the focus: UI-activate the control, as a container does, and
  // pass the focus on to the control's own window.
  void take_focus();
  // Hands a key message, addressed to the control host window, to the page's document: the
  // browser moves focus on Tab and submits on Enter only when its host passes those keys on.
  void translate_key(UINT message, WPARAM key, LPARAM flags);
  void fit_to_host();

  // The browser of the run: the one the keyboard hook serves (null when there is none).
  static ie_browser_host* current();
  // For the message loop: offers a keyboard message to the browser of the run before it is
  // translated and dispatched; true when the browser took it.
  static bool pre_translate(MSG& message);

 private:
  std::string connect_events();

  HWND web_window_;
  script_dispatch& external_;
  HWND host_window_ = nullptr;
  com_ptr<browser_site> site_;
  com_ptr<browser_events> events_;
  com_ptr<IOleObject> control_;
  com_ptr<IWebBrowser2> browser_;
  com_ptr<IConnectionPoint> event_source_;
  DWORD event_cookie_ = 0;
};

}  // namespace platform::win32
