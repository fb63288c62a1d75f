#include "platform/win32/browser/ie_browser_host.h"

#include <mshtml.h>
#include <ocidl.h>

#include <memory>

#include "platform/win32/browser/com_text.h"
#include "platform/win32/browser/control_host_window.h"
#include "platform/win32/wide_text.h"

namespace platform::win32 {

namespace {

// One web window per run; the keyboard hook finds its browser here. Main thread only.
ie_browser_host* current_host = nullptr;

}  // namespace

ie_browser_host::ie_browser_host(HWND web_window, script_dispatch& external)
    : web_window_(web_window), external_(external) {}

ie_browser_host::~ie_browser_host() {
  if (current_host == this) current_host = nullptr;
  if (event_source_ && event_cookie_ != 0) event_source_->Unadvise(event_cookie_);
  if (events_) events_->detach();
  if (control_) {
    if (auto in_place = control_.query<IOleInPlaceObject>(IID_IOleInPlaceObject))
      in_place->InPlaceDeactivate();
    control_->Close(OLECLOSE_NOSAVE);
    control_->SetClientSite(nullptr);
  }
  if (site_) site_->detach();
  event_source_.reset();
  browser_.reset();
  control_.reset();
  events_.reset();
  site_.reset();
  release_control_host_window(host_window_);
  if (host_window_ && IsWindow(host_window_)) DestroyWindow(host_window_);
}

ie_browser_host* ie_browser_host::current() { return current_host; }

// The control host window passes the focus on to the browser's own window inside it.
void ie_browser_host::focus() {
  if (host_window_) SetFocus(host_window_);
}

bool ie_browser_host::start() {
  if (!IsWindow(web_window_)) return false;
  host_window_ = create_control_host_window(web_window_, *this);
  if (!host_window_) return false;
  site_ = com_ptr<browser_site>(browser_site::create(host_window_, external_));

  if (FAILED(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                              control_.put_void())))
    return false;
  if (FAILED(control_->SetClientSite(site_->client_site()))) return false;
  RECT area{};
  GetClientRect(host_window_, &area);
  if (FAILED(control_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_->client_site(), 0,
                              host_window_, &area)))
    return false;
  browser_ = control_.query<IWebBrowser2>(IID_IWebBrowser2);
  if (!browser_) return false;
  // Without its events the page would never be shown: such a browser is of no use.
  if (!connect_events()) return false;
  // Files or links dropped on the page are not opened.
  browser_->put_RegisterAsDropTarget(VARIANT_FALSE);
  fit_to_host();
  current_host = this;
  return true;
}

bool ie_browser_host::connect_events() {
  auto container = browser_.query<IConnectionPointContainer>(IID_IConnectionPointContainer);
  if (!container) return false;
  if (FAILED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, event_source_.put())) ||
      !event_source_)
    return false;
  events_ = com_ptr<browser_events>(browser_events::create(external_));
  if (FAILED(event_source_->Advise(events_.get(), &event_cookie_))) {
    event_cookie_ = 0;
    return false;
  }
  return true;
}

void ie_browser_host::fit_to_host() {
  if (!control_ || !host_window_) return;
  RECT area{};
  GetClientRect(host_window_, &area);
  if (auto in_place = control_.query<IOleInPlaceObject>(IID_IOleInPlaceObject))
    in_place->SetObjectRects(&area, &area);
}

void ie_browser_host::navigate(std::u16string_view address) {
  if (!browser_) return;
  unique_bstr target(address);
  VARIANT empty;
  VariantInit(&empty);
  // A failed navigation leaves the window without a page; the launcher has logged the address.
  browser_->Navigate(target.get(), &empty, &empty, &empty, &empty);
}

std::u16string ie_browser_host::location_url() {
  if (!browser_) return {};
  unique_bstr address;
  if (FAILED(browser_->get_LocationURL(address.put()))) return {};
  return address.text();
}

hresult ie_browser_host::call_script(std::u16string_view function, const dispatch_params& params,
                                     variant* result) {
  if (!browser_) return e_fail;
  com_ptr<IDispatch> document;
  HRESULT outcome = browser_->get_Document(document.put());
  if (FAILED(outcome)) return outcome;
  // No document yet (nothing loaded, or no HTML engine): nothing can be called.
  if (!document) return e_fail;
  auto html = document.query<IHTMLDocument2>(IID_IHTMLDocument2);
  if (!html) return e_fail;
  com_ptr<IDispatch> script;
  outcome = html->get_Script(script.put());
  if (FAILED(outcome)) return outcome;
  if (!script) return e_fail;

  const std::wstring name = to_wide(function);
  LPOLESTR names[] = {const_cast<LPOLESTR>(name.c_str())};
  DISPID id = 0;
  outcome = script->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &id);
  if (FAILED(outcome)) return outcome;

  com_params arguments(params);
  unique_variant answer;
  outcome = script->Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_METHOD, arguments.get(),
                           answer.get(), nullptr, nullptr);
  if (SUCCEEDED(outcome) && result) *result = from_com(*answer.get());
  return outcome;
}

void ie_browser_host::translate_key(UINT message, WPARAM key, LPARAM flags) {
  if (!browser_) return;
  com_ptr<IDispatch> document;
  if (FAILED(browser_->get_Document(document.put())) || !document) return;
  auto active = document.query<IOleInPlaceActiveObject>(IID_IOleInPlaceActiveObject);
  if (!active) return;
  MSG record{};
  record.hwnd = host_window_;
  record.message = message;
  record.wParam = key;
  record.lParam = flags;
  active->TranslateAccelerator(&record);
}

}  // namespace platform::win32

namespace platform {

std::unique_ptr<browser_host> create_browser_host(window_handle web_window,
                                                  script_dispatch& external) {
  auto host = std::make_unique<win32::ie_browser_host>(reinterpret_cast<HWND>(web_window),
                                                       external);
  if (!host->start()) return nullptr;
  return host;
}

}  // namespace platform
