#include "platform/win32/browser/external_dispatch.h"

#include <cwchar>

#include "platform/win32/browser/com_text.h"
#include "platform/win32/wide_text.h"

namespace platform::win32 {

// The launcher's results travel to the page unchanged: the portable codes are the system's.
static_assert(s_ok == S_OK && e_notimpl == E_NOTIMPL && e_fail == E_FAIL &&
              disp_e_unknownname == DISP_E_UNKNOWNNAME);

HRESULT STDMETHODCALLTYPE external_dispatch::QueryInterface(REFIID id, void** object) {
  if (object == nullptr) return E_POINTER;
  if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IDispatch)) {
    *object = static_cast<IDispatch*>(this);
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

// Only the first name is looked up; a name the launcher does not know gets id 0, which the
// launcher's invoke ignores, so a page calling it sees no error.
HRESULT STDMETHODCALLTYPE external_dispatch::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count,
                                                           LCID, DISPID* ids) {
  if (names == nullptr || ids == nullptr) return E_POINTER;
  if (count == 0) return S_OK;
  ids[0] = names[0] ? target_.get_id_of_name(from_wide(names[0], std::wcslen(names[0]))) : 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE external_dispatch::Invoke(DISPID id, REFIID, LCID, WORD /*flags*/,
                                                    DISPPARAMS* params, VARIANT* result,
                                                    EXCEPINFO*, UINT*) {
  dispatch_params arguments = from_com(params);
  variant answer;
  const hresult outcome = target_.invoke(id, arguments, &answer);
  // The caller's result stays as it was unless the launcher gave one.
  if (result && answer.vt != variant_type::empty) to_com(answer, *result);
  return static_cast<HRESULT>(outcome);
}

}  // namespace platform::win32
