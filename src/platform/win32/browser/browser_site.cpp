#include "platform/win32/browser/browser_site.h"

#include <memory>

namespace platform::win32 {

browser_site* browser_site::create(HWND host_window, script_dispatch& external) {
  return std::make_unique<browser_site>(host_window, external).release();
}

void browser_site::detach() {
  attached_ = false;
  host_window_ = nullptr;
  // The active object is the control, which holds the site: let go, or neither would end.
  active_object_.reset();
  ui_active_ = false;
}

bool browser_site::translate_accelerator(MSG& message) {
  if (!active_object_ || !host_window_) return false;
  if (message.message < WM_KEYFIRST || message.message > WM_KEYLAST) return false;
  if (message.hwnd != host_window_ && !IsChild(host_window_, message.hwnd)) return false;
  const bool key_transition = message.message == WM_KEYDOWN || message.message == WM_KEYUP;
  if (key_transition && (message.wParam == VK_TAB || message.wParam == VK_RETURN)) return false;
  // The control may end its own activation while it handles the key.
  const auto active = active_object_;
  return active->TranslateAccelerator(&message) == S_OK;
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
