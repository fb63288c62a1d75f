// Reading and parsing the response, and handing out its body.
#include <cstring>

#include "httpclient/http_context.h"
#include "httpclient/http_text.h"

namespace http_client {

namespace {

constexpr std::uint32_t value_capacity = 512;

std::uint32_t length_of(const char* text) { return static_cast<std::uint32_t>(std::strlen(text)); }

// The value of a response header, spaces removed; false when absent or too long.
bool response_value(HTTPClientContext* context, const char* name, char (&value)[value_capacity + 1],
                    std::uint32_t* length) {
  text_span line;
  if (FindHeader(context, name, header_block::response, 0, &line) != HC_OK) return false;
  *length = value_capacity;
  return HeaderValue(line.start, line.length, value, length);
}

}  // namespace

void ResetForResponse(HTTPClientContext* context) {
  std::memset(context->response_headers(), 0,
              static_cast<std::size_t>(context->response_headers_length));
  context->response_headers_length = 0;
  context->response_header_bytes = 0;
  context->body_received = 0;
  context->chunk_size = 0;
  context->chunk_remaining = 0;
  context->request_bytes_sent = 0;
  context->deadline_start = NowSeconds();
  context->authorization_sent = 0;
}

std::int32_t ReadHeaders(HTTPClientContext* context) {
  char* const block = context->response_headers();
  while (true) {
    if (context->request_headers_length + context->response_headers_length + 1 >
        context->header_buffer_size)
      return HC_HEADER_BUFFER_FULL;
    std::uint32_t length = 1;
    const std::int32_t result =
        RecvBytes(context, block + context->response_headers_length, &length, false);
    if (result != HC_OK || length == 0) return HC_HEADERS_FAILED;
    ++context->response_headers_length;
    ++context->response_header_bytes;
    const std::int32_t n = context->response_headers_length;
    if (n >= 4 && std::memcmp(block + n - 4, "\r\n\r\n", 4) == 0) return HC_OK;
  }
}

std::int32_t FindHeader(HTTPClientContext* context, const char* name, header_block which,
                        std::uint32_t offset, text_span* found) {
  const std::uint32_t name_length = length_of(name);
  if (name_length >= 1022) return HC_HEADER_NAME_TOO_LONG;
  const char* block = which == header_block::request ? context->request_headers()
                                                     : context->response_headers();
  const auto block_length = static_cast<std::uint32_t>(
      which == header_block::request ? context->request_headers_length
                                     : context->response_headers_length);
  const std::uint32_t pattern = name_length + 3;  // CR LF, the name, ":"
  for (std::uint32_t i = offset; i + pattern <= block_length; ++i) {
    if (block[i] != '\r' || block[i + 1] != '\n' || block[i + 2 + name_length] != ':') continue;
    if (!StartsNoCase(block + i + 2, name_length, name, name_length)) continue;
    std::uint32_t end = i + 2;
    while (end + 1 < block_length && !(block[end] == '\r' && block[end + 1] == '\n')) ++end;
    if (end + 1 >= block_length) end = block_length;
    *found = {block + i, end - i};
    return HC_OK;
  }
  return HC_HEADER_NOT_FOUND;
}

std::int32_t ParseResponse(HTTPClientContext* context) {
  const char* block = context->response_headers();
  const auto block_length = static_cast<std::uint32_t>(context->response_headers_length);
  if (!StartsNoCase(block, block_length, "http", 4)) return HC_BAD_RESPONSE;

  const char* space = static_cast<const char*>(std::memchr(block, ' ', block_length));
  const char* line_end = block + block_length;
  const auto version_length = static_cast<std::size_t>((space ? space : line_end) - block);
  std::memset(context->http_version, 0, sizeof context->http_version);
  std::memcpy(context->http_version, block,
              version_length < sizeof context->http_version ? version_length
                                                            : sizeof context->http_version - 1);
  context->status = 0;
  if (space) {
    const char* code = space + 1;
    const char* code_end = code;
    while (code_end < line_end && *code_end != ' ' && code_end - code < 512) ++code_end;
    char digits[513] = {};
    std::memcpy(digits, code, static_cast<std::size_t>(code_end - code));
    context->status = ParseDecimal(digits);
  }

  char value[value_capacity + 1];
  std::uint32_t value_length = 0;
  context->content_length = 0;
  if (response_value(context, "content-length", value, &value_length))
    context->content_length = ParseDecimal(value);

  context->reusable = 1;
  if (response_value(context, "connection", value, &value_length) ||
      response_value(context, "proxy-connection", value, &value_length))
    context->reusable = EqualsNoCase(value, "keep-alive", value_length) ? 1 : 0;

  context->options &= ~HTTP_CLIENT_FLAG_CHUNKED_BODY;
  if (response_value(context, "transfer-encoding", value, &value_length) &&
      EqualsNoCase(value, "chunked", value_length))
    context->options |= HTTP_CLIENT_FLAG_CHUNKED_BODY;

  text_span line;
  switch (context->status) {
    case 401: {
      if (FindHeader(context, "www-authenticate", header_block::response, 0, &line) != HC_OK)
        return HC_BAD_RESPONSE;
      const char* preferred = context->preferred_scheme_name;
      while (true) {
        if (!*preferred || FindNoCase(line.start, line.length, line.length, preferred)) {
          context->challenge = line;
          return HC_OK;
        }
        const auto next = static_cast<std::uint32_t>(line.start + line.length - block);
        if (FindHeader(context, "www-authenticate", header_block::response, next, &line) != HC_OK)
          return HC_AUTH_MISMATCH;
      }
    }
    case 407:
      if (FindHeader(context, "proxy-authenticate", header_block::response, 0, &line) != HC_OK)
        return HC_BAD_RESPONSE;
      context->challenge = line;
      return HC_OK;
    case 301:
    case 302: {
      if (FindHeader(context, "location", header_block::response, 0, &line) != HC_OK)
        return HC_BAD_RESPONSE;
      const std::uint32_t skip = 2 + length_of("location") + 2;  // CR LF, name, ": "
      context->location = line.length > skip ? text_span{line.start + skip, line.length - skip}
                                             : text_span{line.start + line.length, 0};
      return HC_OK;
    }
    default:
      return HC_OK;
  }
}

std::int32_t ReadResponse(HTTPClientContext* context, std::uint32_t timeout_seconds) {
  // The time-out covers the interim responses and the final one together: were each
  // "100 Continue" to start the clock again, a server repeating it would hold the caller
  // forever. One that is still sending them at the deadline has not answered in time.
  const std::uint32_t started = NowSeconds();
  bool interim_seen = false;
  do {
    if (timeout_seconds != 0) context->timeout = timeout_seconds;
    ResetForResponse(context);
    context->deadline_start = started;
    std::int32_t result = ReadHeaders(context);
    if (result) return interim_seen && DeadlinePassed(context) ? HC_TIMED_OUT : result;
    context->state |= STATE_HEADERS_READ;
    if ((result = ParseResponse(context))) return result;
    context->state |= STATE_RESPONSE_PARSED;
    if (context->status == 200) context->state |= STATE_STATUS_200;
    interim_seen = true;
  } while (context->status == 100);
  return HC_OK;
}

std::int32_t ReadChunkSize(HTTPClientContext* context) {
  char line[64];
  std::uint32_t used = 0;
  std::uint32_t bytes_read = 0;
  bool dropped_cr = false;
  context->chunk_size = 0;
  while (true) {
    char c = 0;
    std::uint32_t length = 1;
    // A failed read or a closed connection leaves the size 0: the body read then ends.
    if (RecvBytes(context, &c, &length, false) != HC_OK || length == 0) return HC_OK;
    ++bytes_read;
    // The CR LF that ends the previous chunk's data.
    if (bytes_read == 1 && c == '\r') {
      dropped_cr = true;
      continue;
    }
    if (bytes_read == 2 && dropped_cr && c == '\n') continue;
    if (used + 1 >= sizeof line) return HC_CHUNK_LINE_TOO_LONG;
    line[used++] = c;
    if (used >= 2 && line[used - 2] == '\r' && line[used - 1] == '\n') {
      line[used - 2] = '\0';
      break;
    }
  }
  // Chunk extensions (";name=value") are not part of the size.
  if (char* semicolon = std::strchr(line, ';')) *semicolon = '\0';
  context->chunk_size = ParseHex(line);
  context->chunk_remaining = context->chunk_size;
  return HC_OK;
}

}  // namespace http_client

using namespace http_client;

std::int32_t HTTPClientRecvResponse(HTTPClientContext* context, std::uint32_t timeout_seconds) {
  if (!context) return HC_NO_CONTEXT;
  return ReadResponse(context, timeout_seconds);
}

std::int32_t HTTPClientRecvBody(HTTPClientContext* context, char* destination,
                                std::uint32_t destination_size, std::uint32_t timeout_seconds,
                                std::uint32_t* received) {
  if (!context) return HC_NO_CONTEXT;
  StartDeadline(context, timeout_seconds ? timeout_seconds : default_timeout_seconds);
  if (received) *received = 0;
  // Room for at least one byte and its terminator; a zero-byte read would look like the end.
  if (!destination || destination_size < 2) return HC_RECV_FAILED;
  destination[0] = '\0';
  std::uint32_t want = destination_size - 1;
  if (!(context->state & STATE_RESPONSE_PARSED)) return HC_NO_RESPONSE;

  const bool chunked = (context->options & HTTP_CLIENT_FLAG_CHUNKED_BODY) != 0;
  if (chunked) {
    if (context->chunk_remaining == 0) {
      if (ReadChunkSize(context) != HC_OK) return HC_CHUNK_SIZE_FAILED;
      if (context->chunk_size == 0) return HC_END_OF_DATA;
    }
    if (context->chunk_remaining < want) want = context->chunk_remaining;
  }
  if (context->content_length > 0) {
    const auto total = static_cast<std::uint32_t>(context->content_length);
    const auto so_far = static_cast<std::uint32_t>(context->body_received);
    if (so_far >= total) return HC_END_OF_DATA;
    if (so_far + want >= total) want = total - so_far;
  }
  std::uint32_t got = want;
  const std::int32_t result = RecvBytes(context, destination, &got, false);
  destination[got] = '\0';
  if (received) *received = got;
  if (result) return result;
  context->body_received += static_cast<std::int32_t>(got);
  if (chunked) context->chunk_remaining -= got;
  if (context->content_length > 0 && context->body_received >= context->content_length)
    return HC_END_OF_DATA;
  return HC_OK;
}
