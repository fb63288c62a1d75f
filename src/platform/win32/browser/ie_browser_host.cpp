#include "platform/win32/browser/ie_browser_host.h"

#include <mshtml.h>
#include <ocidl.h>

#include <cstdio>
#include <memory>
#include <string>

#include "platform/win32/browser/com_text.h"
#include "platform/win32/browser/control_host_window.h"
#include "platform/win32/wide_text.h"

namespace platform::win32 {

namespace {

// One web window per run; the keyboard hook finds its browser here. Main thread only.
ie_browser_host* current_host = nullptr;

std::string step_failed(const char* step, HRESULT outcome) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(outcome));
  return std::string(step) + " failed, HRESULT " + code;
}

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

bool ie_browser_host::pre_translate(MSG& message) {
  return current_host != nullptr && current_host->site_ &&
         current_host->site_->translate_accelerator(message);
}

// The control host window passes the focus on to the browser's own window inside it.
void ie_browser_host::focus() {
  if (host_window_) SetFocus(host_window_);
}

// In-place activation alone gives the control a window but not the keyboard: typing would go
// nowhere until the player clicks the page.
void ie_browser_host::take_focus() {
  if (!host_window_) return;
  if (control_ && site_ && !site_->ui_active()) {
    RECT area{};
    GetClientRect(host_window_, &area);
    control_->DoVerb(OLEIVERB_UIACTIVATE, nullptr, site_->client_site(), 0, host_window_, &area);
  }
  // A control that took the focus into its own window on activation keeps it there.
  if (!IsChild(host_window_, GetFocus())) {
    if (const HWND control_window = GetWindow(host_window_, GW_CHILD)) SetFocus(control_window);
  }
}

std::string ie_browser_host::start() {
  if (!IsWindow(web_window_)) return "no web window";
  // The control and its page need the single-threaded apartment that start-up sets up for the
  // main thread; anywhere else it fails in ways that show only on some systems.
  APTTYPE apartment{};
  APTTYPEQUALIFIER qualifier{};
  HRESULT outcome = CoGetApartmentType(&apartment, &qualifier);
  if (FAILED(outcome)) return "no COM apartment: " + step_failed("CoGetApartmentType", outcome);
  if (apartment != APTTYPE_STA && apartment != APTTYPE_MAINSTA)
    return "the thread is not in a single-threaded apartment (type " +
           std::to_string(apartment) + ")";
  // An apartment alone is not enough (an input method may make one for any thread with a
  // window): in-place activation, drag and drop and the page's copy and paste need OLE set up
  // for the run. A balanced probe tells: OleInitialize answers S_FALSE where OLE already is.
  outcome = OleInitialize(nullptr);
  if (SUCCEEDED(outcome)) OleUninitialize();
  if (FAILED(outcome)) return step_failed("OleInitialize", outcome);
  if (outcome == S_OK) return "OLE is not initialised on this thread";

  host_window_ = create_control_host_window(web_window_, *this);
  if (!host_window_)
    return step_failed("CreateWindowExW(control host)", HRESULT_FROM_WIN32(GetLastError()));
  site_ = com_ptr<browser_site>(browser_site::create(host_window_, external_));

  outcome = CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                             control_.put_void());
  if (FAILED(outcome)) return step_failed("CoCreateInstance(CLSID_WebBrowser)", outcome);
  outcome = control_->SetClientSite(site_->client_site());
  if (FAILED(outcome)) return step_failed("IOleObject::SetClientSite", outcome);
  RECT area{};
  GetClientRect(host_window_, &area);
  outcome = control_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_->client_site(), 0,
                             host_window_, &area);
  if (FAILED(outcome)) return step_failed("IOleObject::DoVerb(INPLACEACTIVATE)", outcome);
  browser_ = control_.query<IWebBrowser2>(IID_IWebBrowser2);
  if (!browser_) return step_failed("QueryInterface(IWebBrowser2)", E_NOINTERFACE);
  site_->watch_browser(browser_.get());
  // Without its events the page would never be shown: such a browser is of no use.
  if (auto failure = connect_events(); !failure.empty()) return failure;
  // Files or links dropped on the page are not opened.
  browser_->put_RegisterAsDropTarget(VARIANT_FALSE);
  fit_to_host();
  current_host = this;
  return {};
}

std::string ie_browser_host::connect_events() {
  auto container = browser_.query<IConnectionPointContainer>(IID_IConnectionPointContainer);
  if (!container) return step_failed("QueryInterface(IConnectionPointContainer)", E_NOINTERFACE);
  HRESULT outcome = container->FindConnectionPoint(DIID_DWebBrowserEvents2, event_source_.put());
  if (FAILED(outcome) || !event_source_)
    return step_failed("FindConnectionPoint(DWebBrowserEvents2)",
                       FAILED(outcome) ? outcome : E_POINTER);
  events_ = com_ptr<browser_events>(browser_events::create(external_));
  outcome = event_source_->Advise(events_.get(), &event_cookie_);
  if (FAILED(outcome)) {
    event_cookie_ = 0;
    return step_failed("IConnectionPoint::Advise", outcome);
  }
  return {};
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
                                                  script_dispatch& external,
                                                  std::string* failure) {
  auto host = std::make_unique<win32::ie_browser_host>(reinterpret_cast<HWND>(web_window),
                                                       external);
  std::string outcome = host->start();
  if (outcome.empty()) return host;
  if (failure) *failure = std::move(outcome);
  return nullptr;
}

}  // namespace platform
