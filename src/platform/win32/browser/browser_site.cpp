#include "platform/win32/browser/browser_site.h"

#include <mshtml.h>

#include <memory>

#include "platform/browser_host.h"
#include "platform/win32/browser/browser_keys.h"
#include "platform/win32/browser/com_text.h"

namespace platform::win32 {

namespace {

// The command group in which the browser asks its host what to do about the page.
constexpr GUID doc_host_command_handler = {
    0xf38bc242, 0xb950, 0x11d1, {0x89, 0x18, 0x00, 0xc0, 0x4f, 0xc2, 0xc8, 0x36}};

// A property of a script object by name; empty when it has none.
variant script_property(IDispatch& object, const wchar_t* name) {
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  DISPID id = 0;
  if (FAILED(object.GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &id))) return {};
  DISPPARAMS none{};
  unique_variant value;
  if (FAILED(object.Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_PROPERTYGET, &none,
                           value.get(), nullptr, nullptr)))
    return {};
  return from_com(*value.get());
}

// The error the browser reports: its window's event holds message, line and address while it
// asks. Empty details where there is no such document.
dispatch_params script_error_details(const VARIANT* in) {
  dispatch_params details;
  details.rgvarg = {variant::text({}), variant::number(0), variant::text({})};
  if (in == nullptr || in->vt != VT_UNKNOWN || in->punkVal == nullptr) return details;
  com_ptr<IHTMLDocument2> document;
  if (FAILED(in->punkVal->QueryInterface(IID_IHTMLDocument2, document.put_void()))) return details;
  com_ptr<IHTMLWindow2> window;
  if (FAILED(document->get_parentWindow(window.put())) || !window) return details;
  com_ptr<IHTMLEventObj> event;
  if (FAILED(window->get_event(event.put())) || !event) return details;
  auto event_object = event.query<IDispatch>(IID_IDispatch);
  if (!event_object) return details;
  details.rgvarg = {script_property(*event_object.get(), L"errorMessage"),
                    script_property(*event_object.get(), L"errorLine"),
                    script_property(*event_object.get(), L"errorUrl")};
  return details;
}

}  // namespace

browser_site* browser_site::create(HWND host_window, script_dispatch& external) {
  return std::make_unique<browser_site>(host_window, external).release();
}

void browser_site::detach() {
  attached_ = false;
  host_window_ = nullptr;
  // The active object and the browser are the control, which holds the site: let go, or
  // neither would end.
  active_object_.reset();
  browser_.reset();
  ui_active_ = false;
}

bool browser_site::translate_accelerator(MSG& message) {
  if (!host_window_) return false;
  if (message.message < WM_KEYFIRST || message.message > WM_KEYLAST) return false;
  if (message.hwnd != host_window_ && !IsChild(host_window_, message.hwnd)) return false;
  if (blocks_key(message)) return true;
  if (!active_object_) return false;
  const bool key_transition = message.message == WM_KEYDOWN || message.message == WM_KEYUP;
  if (key_transition && (message.wParam == VK_TAB || message.wParam == VK_RETURN)) return false;
  // The control may end its own activation while it handles the key.
  const auto active = active_object_;
  return active->TranslateAccelerator(&message) == S_OK;
}

bool browser_site::blocks_key(const MSG& message) {
  return is_blocked_browser_key(message.message, message.wParam, current_key_modifiers(),
                                message.wParam == VK_BACK && text_field_focused());
}

// The page's focused element, as the browser's document knows it.
bool browser_site::text_field_focused() {
  if (!browser_) return false;
  com_ptr<IDispatch> page;
  if (FAILED(browser_->get_Document(page.put())) || !page) return false;
  auto document = page.query<IHTMLDocument2>(IID_IHTMLDocument2);
  if (!document) return false;
  com_ptr<IHTMLElement> focused;
  if (FAILED(document->get_activeElement(focused.put())) || !focused) return false;
  VARIANT_BOOL editable = VARIANT_FALSE;
  return SUCCEEDED(focused->get_isTextEdit(&editable)) && editable == VARIANT_TRUE;
}

// The browser asks here for keys it handles itself as well (those the keyboard hook passes):
// its own commands end here too.
HRESULT STDMETHODCALLTYPE browser_site::TranslateAccelerator(LPMSG message, const GUID*, DWORD) {
  return message != nullptr && blocks_key(*message) ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE browser_site::Exec(const GUID* group, DWORD command, DWORD,
                                             VARIANT* in, VARIANT* out) {
  if (group == nullptr || !IsEqualGUID(*group, doc_host_command_handler))
    return OLECMDERR_E_UNKNOWNGROUP;
  if (command != OLECMDID_SHOWSCRIPTERROR) return OLECMDERR_E_NOTSUPPORTED;
  if (attached_) {
    dispatch_params details = script_error_details(in);
    variant ignored;
    external_.launcher().invoke(dispid_script_error, details, &ignored);
  }
  // Handled, and the page's scripts go on running.
  if (out != nullptr) {
    VariantClear(out);
    out->vt = VT_BOOL;
    out->boolVal = VARIANT_TRUE;
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE browser_site::OnUIActivate() {
  ui_active_ = attached_;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE browser_site::OnUIDeactivate(WINBOOL) {
  ui_active_ = false;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE browser_site::OnInPlaceDeactivate() {
  ui_active_ = false;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE browser_site::SetActiveObject(IOleInPlaceActiveObject* active,
                                                        LPCOLESTR) {
  // Null when the control stops being active.
  active_object_ = attached_ ? com_ptr<IOleInPlaceActiveObject>::shared(active)
                             : com_ptr<IOleInPlaceActiveObject>();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE browser_site::QueryInterface(REFIID id, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IOleClientSite))
    *object = static_cast<IOleClientSite*>(this);
  else if (IsEqualIID(id, IID_IOleWindow) || IsEqualIID(id, IID_IOleInPlaceSite))
    *object = static_cast<IOleInPlaceSite*>(this);
  else if (IsEqualIID(id, IID_IOleInPlaceUIWindow) || IsEqualIID(id, IID_IOleInPlaceFrame))
    *object = static_cast<IOleInPlaceFrame*>(this);
  else if (IsEqualIID(id, IID_IDocHostUIHandler))
    *object = static_cast<IDocHostUIHandler*>(this);
  else if (IsEqualIID(id, IID_IOleCommandTarget))
    *object = static_cast<IOleCommandTarget*>(this);
  else
    return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

ULONG STDMETHODCALLTYPE browser_site::AddRef() { return ++references_; }

ULONG STDMETHODCALLTYPE browser_site::Release() {
  const ULONG left = --references_;
  if (left == 0) std::unique_ptr<browser_site> last(this);
  return left;
}

HRESULT STDMETHODCALLTYPE browser_site::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  if (moniker) *moniker = nullptr;
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE browser_site::GetContainer(IOleContainer** container) {
  if (container) *container = nullptr;
  return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE browser_site::GetWindow(HWND* window) {
  if (window == nullptr) return E_POINTER;
  *window = host_window_;
  return host_window_ ? S_OK : E_FAIL;
}

HRESULT STDMETHODCALLTYPE browser_site::GetWindowContext(IOleInPlaceFrame** frame,
                                                         IOleInPlaceUIWindow** document,
                                                         LPRECT position, LPRECT clip,
                                                         LPOLEINPLACEFRAMEINFO frame_info) {
  if (frame == nullptr || document == nullptr || position == nullptr || clip == nullptr ||
      frame_info == nullptr)
    return E_POINTER;
  *document = nullptr;
  *frame = nullptr;
  if (!host_window_) return E_FAIL;
  *frame = static_cast<IOleInPlaceFrame*>(this);
  AddRef();
  GetClientRect(host_window_, position);
  *clip = *position;
  frame_info->fMDIApp = FALSE;
  frame_info->hwndFrame = host_window_;
  frame_info->haccel = nullptr;
  frame_info->cAccelEntries = 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE browser_site::GetHostInfo(DOCHOSTUIINFO* info) {
  if (info == nullptr) return E_POINTER;
  // The skin frames the page: no border of the browser's own.
  info->dwFlags = DOCHOSTUIFLAG_NO3DBORDER;
  info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE browser_site::GetOptionKeyPath(LPOLESTR* key, DWORD) {
  if (key) *key = nullptr;
  return S_FALSE;
}

HRESULT STDMETHODCALLTYPE browser_site::GetDropTarget(IDropTarget*, IDropTarget** target) {
  if (target) *target = nullptr;
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE browser_site::GetExternal(IDispatch** dispatch) {
  if (dispatch == nullptr) return E_POINTER;
  // A page that outlives its host must not reach the launcher any more.
  if (!attached_) {
    *dispatch = nullptr;
    return E_FAIL;
  }
  *dispatch = &external_;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE browser_site::TranslateUrl(DWORD, LPWSTR, LPWSTR* translated) {
  if (translated) *translated = nullptr;
  return S_FALSE;
}

HRESULT STDMETHODCALLTYPE browser_site::FilterDataObject(IDataObject*, IDataObject** result) {
  if (result) *result = nullptr;
  return S_FALSE;
}

}  // namespace platform::win32
