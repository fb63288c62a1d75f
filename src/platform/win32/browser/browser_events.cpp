#include "platform/win32/browser/browser_events.h"

#include <exdisp.h>
#include <exdispid.h>

#include <memory>

#include "platform/win32/browser/com_text.h"

namespace platform::win32 {

browser_events* browser_events::create(script_dispatch& external) {
  return std::make_unique<browser_events>(external).release();
}

HRESULT STDMETHODCALLTYPE browser_events::QueryInterface(REFIID id, void** object) {
  if (object == nullptr) return E_POINTER;
  if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IDispatch) ||
      IsEqualIID(id, DIID_DWebBrowserEvents2)) {
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE browser_events::AddRef() { return ++references_; }

ULONG STDMETHODCALLTYPE browser_events::Release() {
  const ULONG left = --references_;
  if (left == 0) std::unique_ptr<browser_events> last(this);
  return left;
}

namespace {

// NewWindow3's arguments, last first: the address, the referring address, the flags, Cancel
// and the new window's place.
constexpr UINT new_window_arguments = 5;
constexpr UINT new_window_address = 0;
constexpr UINT new_window_cancel = 3;

}  // namespace

// Every completed document counts, frames included: the launcher reads the top-level address
// itself and ignores the event's arguments. A new window is never the browser's: in a window
// of its own the page would have no window.external; the launcher opens the address elsewhere.
HRESULT STDMETHODCALLTYPE browser_events::Invoke(DISPID id, REFIID, LCID, WORD,
                                                 DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                                 UINT*) {
  variant ignored;
  if (id == DISPID_NEWWINDOW3) {
    if (params == nullptr || params->cArgs != new_window_arguments || params->rgvarg == nullptr)
      return S_OK;
    VARIANT& cancel = params->rgvarg[new_window_cancel];
    if (cancel.vt == (VT_BOOL | VT_BYREF) && cancel.pboolVal != nullptr)
      *cancel.pboolVal = VARIANT_TRUE;
    if (external_ == nullptr) return S_OK;
    dispatch_params address;
    address.rgvarg = {from_com(params->rgvarg[new_window_address])};
    external_->invoke(dispid_new_window, address, &ignored);
    return S_OK;
  }
  if (external_ == nullptr || id != dispid_document_complete) return S_OK;
  dispatch_params none;
  external_->invoke(dispid_document_complete, none, &ignored);
  return S_OK;
}

}  // namespace platform::win32
