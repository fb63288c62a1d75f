#pragma once
// Windows command-line rules, for systems whose processes take an argument vector instead.
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Splits like CommandLineToArgvW: blanks separate, double quotes group, backslashes escape a
// quote only when they stand right before it.
std::vector<std::u16string> split_command_line(std::u16string_view command_line);

// The inverse: quotes an argument only when it is empty or holds a blank or a quote.
std::u16string join_command_line(const std::vector<std::u16string>& arguments);

}  // namespace platform
