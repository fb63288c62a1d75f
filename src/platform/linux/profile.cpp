// Profile-string files on Linux: a small reader and writer of "[section]" / "key=value" text
// in UTF-8 (a UTF-8 byte-order mark is skipped), matching what the profile functions of the
// Windows build do with the same files. Writing changes the one line it writes and leaves
// every other byte of the file as it was: these files are also the player's own (the
// desktop's mimeapps.list).
#include <optional>
#include <vector>

#include "platform/files.h"
#include "platform/linux/file_replacement.h"
#include "platform/linux/native_path.h"
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

// A line as it is in the file: its bytes and its line end ("\r\n", "\n", or none for a last
// line without one).
struct raw_line {
  std::string bytes;
  std::string end;
};

std::vector<raw_line> raw_lines(const std::string& bytes) {
  std::vector<raw_line> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    const auto newline = bytes.find('\n', start);
    if (newline == std::string::npos) {
      lines.push_back({bytes.substr(start), {}});
      break;
    }
    const bool cr = newline > start && bytes[newline - 1] == '\r';
    const std::size_t text_end = cr ? newline - 1 : newline;
    lines.push_back({bytes.substr(start, text_end - start), cr ? "\r\n" : "\n"});
    start = newline + 1;
  }
  return lines;
}

// The text of a line as the reader sees it.
std::u16string text_of(const raw_line& line, bool first) {
  std::string_view bytes = line.bytes;
  if (first && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  return from_utf8(bytes);
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
  const auto lines = raw_lines(*bytes);
  const std::u16string_view wanted_section = trim(section);
  const std::u16string_view wanted_key = trim(key);
  bool inside = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::u16string line = text_of(lines[i], i == 0);
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
  std::vector<raw_line> lines = bytes ? raw_lines(*bytes) : std::vector<raw_line>{};
  // New lines end as the file's lines do.
  const std::string line_end = bytes && bytes->find("\r\n") != std::string::npos ? "\r\n" : "\n";
  const std::string written_value = to_utf8(value);

  // Replace the key in the first matching section, or add it after that section's last entry,
  // or add the section at the end.
  std::optional<std::size_t> section_line, last_entry;
  bool replaced = false;
  for (std::size_t i = 0; i < lines.size() && !replaced; ++i) {
    const std::u16string text = text_of(lines[i], i == 0);
    if (const auto name = section_of(text)) {
      if (section_line) break;
      if (same_name(*name, wanted_section)) section_line = last_entry = i;
      continue;
    }
    if (!section_line) continue;
    const auto existing = key_of(text);
    if (!existing) continue;
    last_entry = i;
    if (same_name(existing->key, wanted_key)) {
      // The key keeps the spelling it already has in the file.
      lines[i].bytes = to_utf8(existing->key);
      lines[i].bytes.append("=").append(written_value);
      replaced = true;
    }
  }
  std::string entry = to_utf8(wanted_key);
  entry.append("=").append(written_value);
  if (!replaced && section_line) {
    if (lines[*last_entry].end.empty()) lines[*last_entry].end = line_end;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*last_entry + 1),
                 raw_line{entry, line_end});
  } else if (!replaced) {
    if (!lines.empty() && lines.back().end.empty()) lines.back().end = line_end;
    std::string header(1, '[');
    header.append(to_utf8(wanted_section)).append("]");
    lines.push_back({std::move(header), line_end});
    lines.push_back({entry, line_end});
  }

  std::string text;
  for (const auto& line : lines) text += line.bytes + line.end;
  return linux_impl::replace_file_contents(linux_impl::native_path(file), text);
}

}  // namespace platform
