#pragma once
// The core writes "\" between folders; Linux takes it as "/", as Windows takes "/" as "\".
#include <string>
#include <string_view>

namespace platform::linux_impl {

std::string native_path(std::u16string_view core_path);
std::u16string core_path(std::string_view native);

}  // namespace platform::linux_impl
