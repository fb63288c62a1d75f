#pragma once
// Arguments for a page function, written in the page's order and stored reversed, as
// dispatch_params keeps them.
#include <initializer_list>

#include "platform/script_types.h"

inline platform::dispatch_params pageArguments(std::initializer_list<platform::variant> inOrder) {
  platform::dispatch_params params;
  params.rgvarg.assign(std::rbegin(inOrder), std::rend(inOrder));
  return params;
}
