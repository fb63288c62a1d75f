#include "platform/win32/browser/com_text.h"

#include <cmath>
#include <cstdint>

#include "platform/win32/wide_text.h"

namespace platform::win32 {

unique_bstr::unique_bstr(std::u16string_view text) {
  const std::wstring wide = to_wide(text);
  text_ = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

void unique_bstr::reset() {
  if (text_) SysFreeString(text_);
  text_ = nullptr;
}

std::u16string unique_bstr::text() const {
  return text_ ? from_wide(text_, SysStringLen(text_)) : std::u16string();
}

unique_variant::unique_variant(const variant& value) {
  VariantInit(&value_);
  to_com(value, value_);
}

namespace {

variant number_of(double value) {
  if (!std::isfinite(value)) return variant::number(0);
  return variant::number(static_cast<std::uint32_t>(static_cast<std::int64_t>(value)));
}

}  // namespace

variant from_com(const VARIANT& value) {
  // Script engines may pass an argument by reference to the caller's VARIANT.
  if (V_VT(&value) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(&value) != nullptr)
    return from_com(*V_VARIANTREF(&value));
  switch (V_VT(&value)) {
    case VT_BSTR:
      return variant::text(V_BSTR(&value) ? from_wide(V_BSTR(&value), SysStringLen(V_BSTR(&value)))
                                          : std::u16string());
    case VT_UI4:
      return variant::number(V_UI4(&value));
    case VT_UINT:
      return variant::number(V_UINT(&value));
    case VT_I4:
      return variant::number(static_cast<std::uint32_t>(V_I4(&value)));
    case VT_INT:
      return variant::number(static_cast<std::uint32_t>(V_INT(&value)));
    case VT_I2:
      return variant::number(static_cast<std::uint32_t>(static_cast<std::int32_t>(V_I2(&value))));
    case VT_UI2:
      return variant::number(V_UI2(&value));
    case VT_I1:
      return variant::number(static_cast<std::uint32_t>(static_cast<std::int32_t>(V_I1(&value))));
    case VT_UI1:
      return variant::number(V_UI1(&value));
    case VT_R8:
      return number_of(V_R8(&value));
    case VT_R4:
      return number_of(V_R4(&value));
    case VT_BOOL:
      return variant::number(V_BOOL(&value) != VARIANT_FALSE ? 1 : 0);
    default:
      return {};
  }
}

void to_com(const variant& value, VARIANT& target) {
  VariantClear(&target);
  switch (value.vt) {
    case variant_type::bstr: {
      const std::wstring wide = to_wide(value.bstrVal);
      V_VT(&target) = VT_BSTR;
      V_BSTR(&target) = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
      break;
    }
    case variant_type::ui4:
      V_VT(&target) = VT_UI4;
      V_UI4(&target) = value.ulVal;
      break;
    case variant_type::empty:
      break;
  }
}

dispatch_params from_com(const DISPPARAMS* params) {
  dispatch_params converted;
  if (params == nullptr || params->rgvarg == nullptr) return converted;
  converted.rgvarg.reserve(params->cArgs);
  for (UINT i = 0; i < params->cArgs; ++i) converted.rgvarg.push_back(from_com(params->rgvarg[i]));
  return converted;
}

com_params::com_params(const dispatch_params& params) : values_(params.cArgs()) {
  for (std::size_t i = 0; i < values_.size(); ++i) {
    VariantInit(&values_[i]);
    to_com(params.rgvarg[i], values_[i]);
  }
  params_.rgvarg = values_.empty() ? nullptr : values_.data();
  params_.cArgs = static_cast<UINT>(values_.size());
}

com_params::~com_params() {
  for (auto& value : values_) VariantClear(&value);
}

}  // namespace platform::win32
