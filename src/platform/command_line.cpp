#include "platform/command_line.h"

namespace platform {

std::vector<std::u16string> split_command_line(std::u16string_view line) {
  std::vector<std::u16string> args;
  std::size_t i = 0;
  const std::size_t n = line.size();
  while (true) {
    while (i < n && (line[i] == u' ' || line[i] == u'\t')) ++i;
    if (i >= n) break;
    std::u16string arg;
    bool quoted = false;
    while (i < n && (quoted || (line[i] != u' ' && line[i] != u'\t'))) {
      std::size_t backslashes = 0;
      while (i < n && line[i] == u'\\') {
        ++backslashes;
        ++i;
      }
      if (i < n && line[i] == u'"') {
        arg.append(backslashes / 2, u'\\');
        if (backslashes % 2 == 1) {
          arg += u'"';
          ++i;
        } else if (quoted && i + 1 < n && line[i + 1] == u'"') {
          arg += u'"';  // "" inside quotes is a literal quote
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
      } else {
        arg.append(backslashes, u'\\');
        if (i < n && (quoted || (line[i] != u' ' && line[i] != u'\t'))) {
          arg += line[i];
          ++i;
        }
      }
    }
    args.push_back(std::move(arg));
  }
  return args;
}

std::u16string join_command_line(const std::vector<std::u16string>& arguments) {
  std::u16string line;
  for (const auto& arg : arguments) {
    if (!line.empty()) line += u' ';
    const bool needs_quotes = arg.empty() || arg.find_first_of(u" \t\"") != std::u16string::npos;
    if (!needs_quotes) {
      line += arg;
      continue;
    }
    line += u'"';
    std::size_t backslashes = 0;
    for (char16_t c : arg) {
      if (c == u'\\') {
        ++backslashes;
        continue;
      }
      if (c == u'"') {
        line.append(backslashes * 2 + 1, u'\\');
      } else {
        line.append(backslashes, u'\\');
      }
      backslashes = 0;
      line += c;
    }
    line.append(backslashes * 2, u'\\');
    line += u'"';
  }
  return line;
}

}  // namespace platform
