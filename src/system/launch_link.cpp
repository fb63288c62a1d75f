#include "system/launch_link.h"

#include <limits>

#include "platform/hand_over.h"

namespace {

constexpr std::u16string_view launch_token = u"qzzefa";
// The token and the "://" after it, which is not examined.
constexpr std::size_t launch_prefix_length = launch_token.size() + 3;

char16_t ascii_lower(char16_t c) { return c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c; }

bool starts_with_token(std::u16string_view text) {
  if (text.size() < launch_token.size()) return false;
  for (std::size_t i = 0; i < launch_token.size(); ++i)
    if (ascii_lower(text[i]) != launch_token[i]) return false;
  return true;
}

bool wtol_blank(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

}  // namespace

std::int32_t decimal_prefix_value(std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size() && wtol_blank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  std::int64_t value = 0;
  constexpr std::int64_t limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    value = std::min(value * 10 + (text[i] - u'0'), limit);
  }
  if (negative) return static_cast<std::int32_t>(-value);
  return static_cast<std::int32_t>(std::min<std::int64_t>(value, limit - 1));
}

std::u16string strip_launch_prefix(std::u16string text) {
  if (text.size() >= 2 && text.front() == u'"' && text.back() == u'"')
    text = text.substr(1, text.size() - 2);
  if (starts_with_token(text)) text.erase(0, std::min(launch_prefix_length, text.size()));
  return text;
}

std::vector<std::u16string> split_path_pieces(std::u16string_view text, char16_t separator) {
  std::vector<std::u16string> pieces;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != separator) continue;
    if (i > 0) pieces.emplace_back(text.substr(start, i - start));
    start = i + 1;
  }
  if (start < text.size()) pieces.emplace_back(text.substr(start));
  return pieces;
}

launch_request parse_launch_url(const char16_t* text, std::size_t length) {
  std::u16string copy = text ? std::u16string(text, length) : std::u16string();
  const auto pieces = split_path_pieces(strip_launch_prefix(std::move(copy)), u'/');
  launch_request request;
  if (pieces.size() != 3) return request;
  request.first = pieces[0];
  request.second = pieces[1];
  request.target_window = decimal_prefix_value(pieces[2]);
  request.valid = platform::hand_over_target_exists(request.target_window);
  return request;
}
