#pragma once
// Files the launcher writes in text mode end their lines with the system's line end (CR LF on
// Windows). Tests state their expectations with "\n" and translate here.
#include <filesystem>
#include <string>
#include <string_view>

namespace testing_support {

// "\n" on Linux, "\r\n" on Windows.
std::string system_line_end();
// The bytes a text-mode file holds after text was written to it.
std::string as_text_file(std::string_view text);
// A text-mode file's bytes with the system's line ends read back as "\n".
std::string read_text(const std::filesystem::path& file);

}  // namespace testing_support
