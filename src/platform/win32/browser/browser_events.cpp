#include "platform/win32/browser/browser_events.h"

#include <exdisp.h>

#include <memory>

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

// Every completed document counts, frames included: the launcher reads the top-level address
// itself and ignores the event's arguments.
HRESULT STDMETHODCALLTYPE browser_events::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*,
                                                 VARIANT*, EXCEPINFO*, UINT*) {
  if (external_ == nullptr || id != dispid_document_complete) return S_OK;
  dispatch_params none;
  variant ignored;
  external_->invoke(dispid_document_complete, none, &ignored);
  return S_OK;
}

}  // namespace platform::win32
