// URL parsing and host resolution.
#include <cstring>

#include "httpclient/http_context.h"
#include "httpclient/http_text.h"

namespace http_client {

namespace {

constexpr std::size_t longest_url = 511;

// Control bytes and DEL have no place in a URL: copied into the request line or the Host
// header, a CR or LF would end it there and let the rest pass for headers or another request.
// A blank is judged by where it stands (see ParseUrl).
bool has_forbidden_byte(const char* url) {
  for (const char* p = url; *p; ++p) {
    const auto byte = static_cast<unsigned char>(*p);
    if (byte < 0x20 || byte == 0x7F) return true;
  }
  return false;
}

// Writes each blank of the text from `from` to the end of the copy as %20, in place. False
// when the URL would then pass the longest one the copy takes.
bool encode_blanks(char* copy, char* from) {
  std::size_t blanks = 0;
  for (const char* p = from; *p; ++p) blanks += *p == ' ';
  if (blanks == 0) return true;  // the copy may hold 512 bytes: a slash was appended
  const std::size_t length = std::strlen(copy);
  if (length + 2 * blanks > longest_url) return false;
  char* write = copy + length + 2 * blanks;
  *write = '\0';
  for (char* read = copy + length; read > from;) {
    const char c = *--read;
    if (c == ' ') {
      *--write = '0';
      *--write = '2';
      *--write = '%';
    } else {
      *--write = c;
    }
  }
  return true;
}

}  // namespace

std::int32_t ParseUrl(HTTPClientContext* context, const char* url) {
  if (!context) return HC_NO_CONTEXT;
  if (!url) return HC_BAD_URL;
  const std::size_t url_length = std::strlen(url);
  if (url_length > longest_url) return HC_URL_TOO_LONG;
  if (has_forbidden_byte(url)) return HC_BAD_URL;
  std::memcpy(context->url, url, url_length + 1);
  char* const copy = context->url;

  char* colon = std::strchr(copy, ':');
  if (!colon) return HC_BAD_URL;
  const auto scheme_length = static_cast<std::uint32_t>(colon - copy);
  context->scheme = {copy, scheme_length};
  if (EqualsNoCase(copy, "https", scheme_length)) {
    context->options |= HTTP_CLIENT_FLAG_SECURE | HTTP_CLIENT_FLAG_HTTPS;
  } else if (!EqualsNoCase(copy, "http", scheme_length)) {
    return HC_BAD_URL;
  }
  if (std::strncmp(colon, "://", 3) != 0) return HC_BAD_URL;

  char* host = colon + 3;
  char* slash = std::strchr(host, '/');
  if (!slash) {
    // The copy has room for the slash: at most 511 bytes, then "/" and the terminator.
    const std::size_t end = std::strlen(copy);
    copy[end] = '/';
    copy[end + 1] = '\0';
    slash = std::strchr(host, '/');
  }
  // A blank in the scheme, host or port is no address at all; inside the path and query it is
  // part of a name (a folder "My Games") and travels as %20, which keeps the request line's
  // three parts apart.
  if (std::memchr(copy, ' ', static_cast<std::size_t>(slash - copy))) return HC_BAD_URL;
  if (!encode_blanks(copy, slash)) return HC_URL_TOO_LONG;
  context->host = {host, static_cast<std::uint32_t>(slash - host)};

  const char* port_colon =
      static_cast<const char*>(std::memchr(host, ':', static_cast<std::size_t>(slash - host)));
  if (port_colon) {
    if (slash - port_colon >= 10) return HC_BAD_URL;
    char digits[10] = {};
    std::memcpy(digits, port_colon + 1, static_cast<std::size_t>(slash - port_colon - 1));
    context->port_text = {port_colon + 1, static_cast<std::uint32_t>(slash - port_colon - 1)};
    // A port that does not fit 16 bits would otherwise wrap to some other port.
    const std::int32_t port = ParseDecimal(digits);
    if (port < 0 || port > 65535) return HC_BAD_URL;
    context->port = static_cast<std::uint16_t>(port);
    context->options |= HTTP_CLIENT_FLAG_EXPLICIT_PORT;
  }
  context->resource = {slash, static_cast<std::uint32_t>(std::strlen(slash))};
  if ((context->options & HTTP_CLIENT_FLAG_HTTPS) &&
      !(context->options & HTTP_CLIENT_FLAG_EXPLICIT_PORT))
    context->port = 443;
  context->state |= STATE_URL_PARSED;
  return HC_OK;
}

namespace {

// A dotted address "a.b.c.d": exactly three dots, parts of one to four digits, none above
// 255. Returns false for anything else made of digits and dots that must not be looked up.
enum class dotted { valid, invalid, not_an_address };

dotted classify_dotted(const char* name) {
  int dots = 0;
  for (const char* p = name; *p; ++p) {
    if (*p == '.') {
      ++dots;
    } else if (*p < '0' || *p > '9') {
      return dotted::not_an_address;
    }
  }
  if (*name == '\0') return dotted::not_an_address;
  // Parts of five or more digits, or fewer than three dots, go to the name lookup.
  int digits = 0;
  int value = 0;
  bool too_large = false;
  for (const char* p = name;; ++p) {
    if (*p == '.' || *p == '\0') {
      if (value > 255) too_large = true;
      digits = 0;
      value = 0;
      if (*p == '\0') break;
      continue;
    }
    if (++digits >= 5) return dotted::not_an_address;
    value = value * 10 + (*p - '0');
  }
  if (dots < 3) return dotted::not_an_address;
  if (dots > 3 || too_large) return dotted::invalid;
  return dotted::valid;
}

}  // namespace

bool ResolveHost(const char* name, std::uint32_t* address) {
  *address = 0;
  switch (classify_dotted(name)) {
    case dotted::invalid:
      return false;
    case dotted::valid: {
      const auto parsed = platform::net::parse_ipv4(name);
      if (!parsed) return false;
      *address = *parsed;
      return true;
    }
    case dotted::not_an_address:
      break;
  }
  const auto found = platform::net::resolve_ipv4(name);
  if (!found) return false;
  *address = *found;
  return true;
}

}  // namespace http_client
