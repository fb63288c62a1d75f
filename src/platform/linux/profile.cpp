// Profile-string files on Linux: a small reader and writer of "[section]" / "key=value" text
// in UTF-8 (a UTF-8 byte-order mark is skipped), matching what the profile functions of the
// Windows build do with the same files.
#include <unistd.h>

#include <optional>
#include <vector>

#include "platform/files.h"
#include "platform/profile.h"
#include "platform/text.h"

namespace platform {

namespace {

// Files larger than this are not profile files; reading stops there rather than filling memory.
constexpr std::size_t max_profile_bytes = 16u << 20;

bool blank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\v' || c == u'\f'; }

std::u16string_view trim(std::u16string_view text) {
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

bool same_name(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  std::u16string left(a), right(b);
  to_lower(left);
  to_lower(right);
  return left == right;
}

// The section name of a "[name]" line, or nullopt for any other line. A missing "]" still
// opens a section, as the profile functions allow.
std::optional<std::u16string_view> section_of(std::u16string_view line) {
  line = trim(line);
  if (line.empty() || line.front() != u'[') return std::nullopt;
  line.remove_prefix(1);
  const auto close = line.find(u']');
  if (close != std::u16string_view::npos) line = line.substr(0, close);
  return trim(line);
}

struct key_line {
  std::u16string_view key;
  std::u16string_view value;
};

// Blank lines and ";" comments hold no key; a line without "=" is a key with an empty value.
std::optional<key_line> key_of(std::u16string_view line) {
  line = trim(line);
  if (line.empty() || line.front() == u';') return std::nullopt;
  const auto equals = line.find(u'=');
  if (equals == std::u16string_view::npos) return key_line{line, {}};
  return key_line{trim(line.substr(0, equals)), trim(line.substr(equals + 1))};
}

// A value enclosed in a matching pair of double or single quotes loses them.
std::u16string_view unquote(std::u16string_view value) {
  if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

std::vector<std::u16string> split_lines(const std::string& bytes) {
  std::string_view text = bytes;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::vector<std::u16string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    auto end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(from_utf8(line));
    start = end + 1;
  }
  return lines;
}

std::u16string fit(std::u16string_view value, std::size_t buffer_chars) {
  if (buffer_chars == 0) return {};
  return std::u16string(value.substr(0, buffer_chars - 1));
}

}  // namespace

std::u16string get_profile_string(std::u16string_view section, std::u16string_view key,
                                  std::u16string_view default_value, std::size_t buffer_chars,
                                  std::u16string_view file) {
  // Trailing blanks of the default are dropped, as the profile functions do.
  while (!default_value.empty() && blank(default_value.back())) default_value.remove_suffix(1);
  const auto bytes = read_file(file, max_profile_bytes);
  if (!bytes) return fit(default_value, buffer_chars);
  const auto lines = split_lines(*bytes);
  const std::u16string_view wanted_section = trim(section);
  const std::u16string_view wanted_key = trim(key);
  bool inside = false;
  for (const auto& line : lines) {
    if (const auto name = section_of(line)) {
      inside = same_name(*name, wanted_section);
      continue;
    }
    if (!inside) continue;
    const auto entry = key_of(line);
    if (entry && same_name(entry->key, wanted_key)) return fit(unquote(entry->value), buffer_chars);
  }
  return fit(default_value, buffer_chars);
}

bool write_profile_string(std::u16string_view section, std::u16string_view key,
                          std::u16string_view value, std::u16string_view file) {
  const std::u16string_view wanted_section = trim(section);
  const std::u16string_view wanted_key = trim(key);
  if (wanted_section.empty() || wanted_key.empty()) return false;
  const auto bytes = read_file(file, max_profile_bytes);
  if (bytes && bytes->size() >= max_profile_bytes) return false;  // never truncate a big file
  std::vector<std::u16string> lines = bytes ? split_lines(*bytes) : std::vector<std::u16string>{};
  const bool crlf = bytes && bytes->find("\r\n") != std::string::npos;
  const std::u16string entry = std::u16string(wanted_key) + u"=" + std::u16string(value);

  // Replace the key in the first matching section, or add it after that section's last entry,
  // or add the section at the end.
  std::optional<std::size_t> section_line, last_entry;
  bool replaced = false;
  for (std::size_t i = 0; i < lines.size() && !replaced; ++i) {
    if (const auto name = section_of(lines[i])) {
      if (section_line) break;
      if (same_name(*name, wanted_section)) section_line = last_entry = i;
      continue;
    }
    if (!section_line) continue;
    const auto existing = key_of(lines[i]);
    if (!existing) continue;
    last_entry = i;
    if (same_name(existing->key, wanted_key)) {
      // The key keeps the spelling it already has in the file.
      lines[i] = std::u16string(existing->key) + u"=" + std::u16string(value);
      replaced = true;
    }
  }
  if (!replaced && section_line) {
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*last_entry + 1), entry);
  } else if (!replaced) {
    lines.push_back(u"[" + std::u16string(wanted_section) + u"]");
    lines.push_back(entry);
  }

  std::string text;
  const char* line_end = crlf ? "\r\n" : "\n";
  for (const auto& line : lines) text += to_utf8(line) + line_end;
  // A whole new file is renamed over the old one, so a failed write never leaves half a file.
  const std::u16string temporary =
      std::u16string(file) + u".tmp" + from_utf8(std::to_string(getpid()));
  if (!write_file(temporary, text)) {
    delete_file(temporary);
    return false;
  }
  if (!replace_file(temporary, file)) {
    delete_file(temporary);
    return false;
  }
  return true;
}

}  // namespace platform
