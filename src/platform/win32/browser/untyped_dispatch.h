#pragma once
// An IDispatch without type information: the page's script engine and the browser's event
// source only ever look names up and invoke, so the type-info half answers "not implemented".
#include <windows.h>
#include <oaidl.h>

namespace platform::win32 {

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class untyped_dispatch : public IDispatch {
 public:
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return E_NOTIMPL;
  }
};
#pragma GCC diagnostic pop

}  // namespace platform::win32
