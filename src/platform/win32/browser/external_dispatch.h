#pragma once
// The page's window.external as an IDispatch over the launcher's script_dispatch: names become
// the launcher's dispatch ids and calls its invoke, with the arguments converted both ways.
// The launcher's object lives for the whole run, so nothing here is counted.
#include <windows.h>
#include <oaidl.h>

#include "platform/browser_host.h"
#include "platform/win32/browser/untyped_dispatch.h"

namespace platform::win32 {

// COM interfaces have no virtual destructor: these objects end only through their own Release
// or their owner, never through an interface pointer.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class external_dispatch final : public untyped_dispatch {
 public:
  explicit external_dispatch(script_dispatch& target) : target_(target) {}
  virtual ~external_dispatch() = default;
  external_dispatch(const external_dispatch&) = delete;
  external_dispatch& operator=(const external_dispatch&) = delete;

  // The launcher's object, which the browser's other reports go to as well.
  script_dispatch& launcher() { return target_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO*, UINT*) override;

 private:
  script_dispatch& target_;
};
#pragma GCC diagnostic pop

}  // namespace platform::win32
