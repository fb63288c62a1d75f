// Composing and sending a request.
#include <cstring>

#include "httpclient/http_context.h"
#include "httpclient/http_text.h"

namespace http_client {

namespace {

constexpr char user_agent[] = "Mozilla/4.0 (compatible; MSIE 5.5; Windows NT 5.0)";

std::uint32_t length_of(const char* text) { return static_cast<std::uint32_t>(std::strlen(text)); }

std::int32_t add(HTTPClientContext* context, const char* name, const char* value,
                 std::uint32_t value_length) {
  return AddHeader(context, name, length_of(name), value, value_length);
}

std::int32_t add(HTTPClientContext* context, const char* name, const char* value) {
  return add(context, name, value, length_of(value));
}

std::int32_t add_request_headers(HTTPClientContext* context, std::uint32_t body_length,
                                 bool length_announced, const char* range_text) {
  const bool post = context->verb == HTTP_VERB_POST;
  const char* colon =
      static_cast<const char*>(std::memchr(context->host.start, ':', context->host.length));
  const std::uint32_t host_length =
      colon ? static_cast<std::uint32_t>(colon - context->host.start) : context->host.length;
  std::int32_t result = add(context, "Host", context->host.start, host_length);
  if (result) return result;
  if (post && !length_announced) {
    if (!(context->options & HTTP_CLIENT_FLAG_CHUNKED_UPLOAD)) return HC_CHUNKED_REQUIRED;
    if ((result = add(context, "Transfer-Encoding", "chunked"))) return result;
  }
  if ((result = add(context, "User-Agent", user_agent))) return result;
  if (context->options & HTTP_CLIENT_FLAG_KEEP_ALIVE) {
    const char* name =
        (context->options & HTTP_CLIENT_FLAG_PROXY) ? "Proxy-Connection" : "Connection";
    if ((result = add(context, name, "Keep-Alive"))) return result;
  }
  if (post && length_announced) {
    char digits[12];
    const std::uint32_t n = FormatDecimal(digits, static_cast<std::int32_t>(body_length));
    context->request_body_length = body_length;
    if ((result = add(context, "Content-Length", digits, n))) return result;
  }
  if (context->options & HTTP_CLIENT_FLAG_NO_CACHE) {
    if ((result = add(context, "Cache-Control", "no-cache"))) return result;
  }
  if (range_text) {
    if ((result = add(context, "Range", range_text))) return result;
  }
  return HC_OK;
}

std::int32_t send_body(HTTPClientContext* context, const void* body, std::uint32_t length) {
  std::uint32_t sent = length;
  const std::int32_t result = SendBytes(context, static_cast<const char*>(body), &sent);
  if (result) return result;
  context->request_bytes_sent += static_cast<std::int32_t>(sent);
  context->state |= STATE_BODY_SENT;
  return HC_OK;
}

}  // namespace

std::int32_t AddHeader(HTTPClientContext* context, const char* name, std::uint32_t name_length,
                       const char* value, std::uint32_t value_length) {
  const std::uint64_t line = std::uint64_t{name_length} + value_length + 4;
  if (std::uint64_t(context->request_headers_length) + context->response_headers_length + line >
      std::uint64_t(context->header_buffer_size))
    return HC_HEADER_BUFFER_FULL;
  char* at = context->request_headers() + context->request_headers_length;
  if (context->response_headers_length > 0)
    std::memmove(at + line, at, static_cast<std::size_t>(context->response_headers_length));
  std::memcpy(at, name, name_length);
  at += name_length;
  *at++ = ':';
  *at++ = ' ';
  std::memcpy(at, value, value_length);
  at += value_length;
  *at++ = '\r';
  *at++ = '\n';
  context->request_headers_length += static_cast<std::int32_t>(line);
  return HC_OK;
}

std::int32_t SendPiece(HTTPClientContext* context, const char* data, std::uint32_t length) {
  std::uint32_t sent = length;
  const std::int32_t result = SendBytes(context, data, &sent);
  if (result) return result;
  context->request_bytes_sent += static_cast<std::int32_t>(sent);
  return HC_OK;
}

std::int32_t SendHeaders(HTTPClientContext* context) {
  char verb[sizeof context->verb_text + 1];
  const std::uint32_t verb_length = length_of(context->verb_text);
  std::memcpy(verb, context->verb_text, verb_length);
  verb[verb_length] = ' ';
  std::int32_t result = SendPiece(context, verb, verb_length + 1);
  if (result) return result;
  if (context->options & HTTP_CLIENT_FLAG_PROXY)
    result = SendPiece(context, context->url, length_of(context->url));
  else
    result = SendPiece(context, context->resource.start, context->resource.length);
  if (result) return result;
  if ((result = SendPiece(context, " HTTP/1.1\r\n", 11))) return result;
  if ((result = SendPiece(context, context->request_headers(),
                          static_cast<std::uint32_t>(context->request_headers_length))))
    return result;
  if (context->status == 401 || context->status == 407) {
    if (context->credentials_set) {
      result = AddBasicAuthorization(context);
    } else {
      switch (context->challenge_scheme) {
        case HTTP_AUTH_BASIC: result = AddBasicAuthorization(context); break;
        case HTTP_AUTH_DIGEST: result = AddDigestAuthorization(context); break;
        case HTTP_AUTH_NEGOTIATE: result = HC_NEGOTIATE_UNSUPPORTED; break;
        default: result = HC_AUTH_UNSUPPORTED; break;
      }
    }
    if (result) return result;
    context->authorization_sent = 1;
  }
  if ((result = SendPiece(context, "\r\n", 2))) return result;
  context->state |= STATE_HEADERS_SENT;
  return HC_OK;
}

}  // namespace http_client

using namespace http_client;

std::int32_t HTTPClientSendRequest(HTTPClientContext* context, const char* url, const void* body,
                                   std::uint32_t body_length, std::int32_t length_announced,
                                   std::uint32_t timeout_seconds, std::uint32_t local_port,
                                   const char* range_text) {
  if (!context) return HC_NO_CONTEXT;
  StartDeadline(context, timeout_seconds ? timeout_seconds : default_timeout_seconds);
  context->local_port = local_port;
  std::int32_t result = ParseUrl(context, url);
  if (result) return result;
  // A context carries one request; start its header block afresh.
  std::memset(context->header_buffer.get(), 0, static_cast<std::size_t>(context->header_buffer_size));
  context->request_headers_length = 0;
  context->response_headers_length = 0;
  const bool announced = length_announced != 0;
  context->request_body = announced ? body : nullptr;
  if ((result = add_request_headers(context, body_length, announced, range_text))) return result;
  if (DeadlinePassed(context)) return HC_TIMED_OUT;
  if (!context->reusable) {
    if (context->socket != platform::net::invalid_socket) Disconnect(context);
    if ((result = Connect(context))) return result;
  }
  const bool send_body_now = context->verb == HTTP_VERB_POST && announced;
  if (context->credentials_set || context->requested_scheme != HTTP_AUTH_NONE) {
    if ((result = SendHeaders(context))) return result;
    if (send_body_now && (result = send_body(context, body, body_length))) return result;
    if ((result = ReadResponse(context, timeout_seconds))) return result;
    if (context->status != 401 && context->status != 407) return HC_AUTH_MISMATCH;
    if ((result = SendAuthenticated(context))) return result;
  } else {
    if ((result = SendHeaders(context))) return result;
  }
  if (send_body_now) return send_body(context, body, body_length);
  return HC_OK;
}
