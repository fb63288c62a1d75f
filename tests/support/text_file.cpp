#include "support/text_file.h"

#include "support/temp_folder.h"

namespace testing_support {

namespace {

std::string replace_all(std::string_view text, std::string_view from, std::string_view to) {
  std::string out;
  std::size_t start = 0;
  while (true) {
    const auto found = text.find(from, start);
    out.append(text.substr(start, found == std::string_view::npos ? found : found - start));
    if (found == std::string_view::npos) return out;
    out.append(to);
    start = found + from.size();
  }
}

}  // namespace

std::string as_text_file(std::string_view text) { return replace_all(text, "\n", system_line_end()); }

std::string read_text(const std::filesystem::path& file) {
  return replace_all(read_bytes(file), system_line_end(), "\n");
}

}  // namespace testing_support
