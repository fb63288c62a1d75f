#pragma once
// Receives the browser's DWebBrowserEvents2 and passes a completed document on to the
// launcher. Counted like the site: the browser may hold it past the host's end, so detach()
// cuts it off first.
#include <windows.h>
#include <oaidl.h>

#include <atomic>

#include "platform/browser_host.h"
#include "platform/win32/browser/untyped_dispatch.h"

namespace platform::win32 {

// COM interfaces have no virtual destructor: these objects end only through their own Release
// or their owner, never through an interface pointer.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class browser_events final : public untyped_dispatch {
 public:
  static browser_events* create(script_dispatch& external);
  explicit browser_events(script_dispatch& external) : external_(&external) {}
  virtual ~browser_events() = default;
  browser_events(const browser_events&) = delete;
  browser_events& operator=(const browser_events&) = delete;

  void detach() { external_ = nullptr; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*,
                                   EXCEPINFO*, UINT*) override;

 private:
  std::atomic<ULONG> references_{1};
  script_dispatch* external_;
};
#pragma GCC diagnostic pop

}  // namespace platform::win32
