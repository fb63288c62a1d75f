#pragma once
// The automation types of COM (BSTR, VARIANT, DISPPARAMS) and the portable ones of the seam,
// converted with every allocation owned.
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/script_types.h"

namespace platform::win32 {

// A BSTR freed once.
class unique_bstr {
 public:
  unique_bstr() = default;
  explicit unique_bstr(std::u16string_view text);
  ~unique_bstr() { reset(); }
  unique_bstr(const unique_bstr&) = delete;
  unique_bstr& operator=(const unique_bstr&) = delete;

  BSTR get() const { return text_; }
  BSTR* put() {
    reset();
    return &text_;
  }
  void reset();
  std::u16string text() const;

 private:
  BSTR text_ = nullptr;
};

// A VARIANT cleared once.
class unique_variant {
 public:
  unique_variant() { VariantInit(&value_); }
  explicit unique_variant(const variant& value);
  ~unique_variant() { VariantClear(&value_); }
  unique_variant(const unique_variant&) = delete;
  unique_variant& operator=(const unique_variant&) = delete;

  VARIANT* get() { return &value_; }

 private:
  VARIANT value_;
};

// What the launcher reads of a page's value: text, or a number as an unsigned 32-bit value
// (negative ones wrap, fractions are cut off, booleans are 1 or 0). Anything else is empty.
variant from_com(const VARIANT& value);
// Writes value into target, whose old content is cleared first.
void to_com(const variant& value, VARIANT& target);

dispatch_params from_com(const DISPPARAMS* params);

// DISPPARAMS over owned VARIANTs, in the order the portable arguments already have.
class com_params {
 public:
  explicit com_params(const dispatch_params& params);
  ~com_params();
  com_params(const com_params&) = delete;
  com_params& operator=(const com_params&) = delete;
  DISPPARAMS* get() { return &params_; }

 private:
  std::vector<VARIANT> values_;
  DISPPARAMS params_{};
};

}  // namespace platform::win32
