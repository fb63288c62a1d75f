#pragma once
// Small portable stand-ins for the COM automation types that travel between the launcher and
// its page: HRESULT, VARIANT (strings and unsigned 32-bit numbers) and DISPPARAMS.
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

using hresult = std::int32_t;
inline constexpr hresult s_ok = 0;
inline constexpr hresult e_notimpl = static_cast<hresult>(0x80004001u);
inline constexpr hresult e_fail = static_cast<hresult>(0x80004005u);
inline constexpr hresult disp_e_unknownname = static_cast<hresult>(0x80020006u);

enum class variant_type : std::uint16_t { empty = 0, bstr = 8, ui4 = 19 };

struct variant {
  variant_type vt = variant_type::empty;
  std::u16string bstrVal;
  std::uint32_t ulVal = 0;

  static variant text(std::u16string value) { return {variant_type::bstr, std::move(value), 0}; }
  static variant number(std::uint32_t value) { return {variant_type::ui4, {}, value}; }
};

// As in DISPPARAMS, the arguments run in reverse order: rgvarg[0] is the last one.
struct dispatch_params {
  std::vector<variant> rgvarg;
  std::size_t cArgs() const { return rgvarg.size(); }
};

}  // namespace platform
