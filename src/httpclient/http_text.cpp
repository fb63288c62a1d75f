#include "httpclient/http_text.h"

#include <cstring>

namespace http_client {

char LowerAscii(char c) { return (c >= 0x40 && c <= 0x5A) ? static_cast<char>(c + 32) : c; }

bool StartsNoCase(const char* text, std::uint32_t text_length, const char* word,
                  std::uint32_t word_length) {
  if (text_length < word_length) return false;
  for (std::uint32_t i = 0; i < word_length; ++i)
    if (LowerAscii(text[i]) != LowerAscii(word[i])) return false;
  return true;
}

bool EqualsNoCase(const char* text, const char* word, std::uint32_t length) {
  if (!text || !word) return false;
  if (length == 0) length = static_cast<std::uint32_t>(std::strlen(text));
  if (length != std::strlen(word)) return false;
  return StartsNoCase(text, length, word, length);
}

bool FindInRange(const char* text, const char* pattern, std::uint32_t offset,
                 std::uint32_t length, text_span* found) {
  const std::uint32_t pattern_length = static_cast<std::uint32_t>(std::strlen(pattern));
  const char* start = text + offset;
  if (pattern_length > length) return false;
  for (std::uint32_t i = 0; i + pattern_length <= length; ++i) {
    if (std::memcmp(start + i, pattern, pattern_length) == 0) {
      *found = {start, i};
      return true;
    }
  }
  return false;
}

const char* FindNoCase(const char* text, std::uint32_t length, std::uint32_t count,
                       const char* word) {
  const std::uint32_t word_length = static_cast<std::uint32_t>(std::strlen(word));
  if (word_length == 0) return nullptr;
  const char first = LowerAscii(word[0]);
  std::uint32_t candidates = 0;
  for (std::uint32_t i = 0; i < length && candidates < count; ++i) {
    if (LowerAscii(text[i]) != first) continue;
    ++candidates;
    if (StartsNoCase(text + i, length - i, word, word_length)) return text + i;
  }
  return nullptr;
}

bool HeaderValue(const char* line, std::uint32_t length, char* out, std::uint32_t* size) {
  const char* colon = static_cast<const char*>(std::memchr(line, ':', length));
  if (!colon) return false;
  std::uint32_t written = 0;
  for (const char* p = colon + 1; p < line + length && *p != '\r' && *p != '\n' && *p; ++p) {
    if (*p == ' ') continue;
    if (written >= *size) return false;
    out[written++] = *p;
  }
  out[written] = '\0';
  *size = written;
  return true;
}

namespace {

// A value sent back to the server (a Digest realm, nonce or opaque) ends where the server's
// line ends, and at a NUL: inside an Authorization line it would end that line for a server
// and carry the rest as text of its own.
bool ends_line(char c) { return c == '\r' || c == '\n' || c == '\0'; }

}  // namespace

std::int32_t ParamValue(const char* text, std::uint32_t length, const char* name,
                        text_span* value) {
  const std::uint32_t name_length = static_cast<std::uint32_t>(std::strlen(name));
  const char* end = text + length;
  const char* from = text;
  while (from < end) {
    const char* at = FindNoCase(from, static_cast<std::uint32_t>(end - from),
                                static_cast<std::uint32_t>(end - from), name);
    if (!at) break;
    const char* p = at + name_length;
    if (p < end && *p == '=') {
      ++p;
      while (p < end && *p == ' ') ++p;
      if (p < end && *p == '"') {
        const char* start = ++p;
        while (p < end && *p != '"' && !ends_line(*p)) ++p;
        *value = {start, static_cast<std::uint32_t>(p - start)};
      } else {
        const char* start = p;
        while (p < end && !ends_line(*p) && *p != ' ' && *p != ',') ++p;
        *value = {start, static_cast<std::uint32_t>(p - start)};
      }
      return HC_OK;
    }
    from = at + 1;
  }
  return HC_AUTH_PARAM_MISSING;
}

std::uint32_t ParseHex(const char* text) {
  std::uint32_t value = 0;
  int digits = 0;
  for (const char* p = text; *p; ++p) {
    char c = *p;
    const bool digit = c >= '0' && c <= '9';
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!digit && !letter) continue;
    if (letter && c >= 'a') c = static_cast<char>(c - 32);
    if (c == 'X') {
      value = 0;
      digits = 0;
      continue;
    }
    const std::uint32_t v = digit ? static_cast<std::uint32_t>(c - '0')
                                  : (c - 55 > 15 ? 15u : static_cast<std::uint32_t>(c - 55));
    value = value * 16 + v;
    if (value != 0 && ++digits >= 8) break;
  }
  return value;
}

std::uint32_t FormatDecimal(char* buffer, std::int32_t value) {
  char digits[12];
  std::uint32_t n = 0;
  // Work in 64 bits so that the most negative value has a positive counterpart.
  std::int64_t v = value;
  const bool negative = v < 0;
  if (negative) v = -v;
  do {
    digits[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0);
  std::uint32_t out = 0;
  if (negative) buffer[out++] = '-';
  while (n > 0) buffer[out++] = digits[--n];
  buffer[out] = '\0';
  return out;
}

std::int32_t ParseDecimal(const char* text) {
  const char* p = text;
  while (*p == ' ' || *p == '\t') ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  std::int64_t value = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    value = value * 10 + (*p - '0');
    if (value > INT32_MAX) {
      value = INT32_MAX;
      break;
    }
  }
  return static_cast<std::int32_t>(negative ? -value : value);
}

}  // namespace http_client
