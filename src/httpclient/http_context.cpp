// Creating and releasing request contexts, the verb, credentials and socket-library start.
#include <cstring>
#include <new>

#include "httpclient/http_context.h"

using namespace http_client;

HTTPClientContext* HTTPClientCreateContext(std::uint32_t option_flags) {
  std::unique_ptr<HTTPClientContext> context;
  try {
    context = std::make_unique<HTTPClientContext>();
    context->header_buffer = std::make_unique<char[]>(header_buffer_size);  // zero-filled
    context->read_ahead = std::make_unique_for_overwrite<char[]>(read_ahead_size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  context->header_buffer_size = header_buffer_size;
  context->verb = HTTP_VERB_GET;
  std::strcpy(context->verb_text, "GET");
  context->socket = platform::net::invalid_socket;
  context->state = STATE_CREATED;
  context->status = 0;
  context->options = option_flags;
  context->port = 80;
  return context.release();
}

std::int32_t HTTPClientFreeContext(HTTPClientContext** handle) {
  if (!handle || !*handle) return HC_NO_CONTEXT;
  std::unique_ptr<HTTPClientContext> context(*handle);
  context->header_buffer.reset();
  Disconnect(context.get());
  context.reset();
  *handle = nullptr;
  return HC_OK;
}

std::int32_t HTTPClientSetVerb(HTTPClientContext* context, std::int32_t verb) {
  if (!context) return HC_NO_CONTEXT;
  context->verb = verb;
  if (verb == HTTP_VERB_GET) {
    std::strcpy(context->verb_text, "GET");
  } else if (verb == HTTP_VERB_POST) {
    std::strcpy(context->verb_text, "POST");
  } else {
    return HC_BAD_VERB;
  }
  return HC_OK;
}

std::int32_t WinsockStartup(std::int32_t flag) {
  if (flag) {
    std::uint16_t granted = 0;
    return platform::net::startup(0x0201, &granted);
  }
  platform::net::cleanup();
  return HC_OK;
}

std::int32_t HTTPClientGetStatus(const HTTPClientContext* context) {
  return context ? context->status : 0;
}

std::int32_t HTTPClientGetContentLength(const HTTPClientContext* context) {
  return context ? context->content_length : 0;
}

std::uint32_t HTTPClientGetOptions(const HTTPClientContext* context) {
  return context ? context->options : 0;
}

const char* HTTPClientGetSecureFailure(const HTTPClientContext* context) {
  return context ? context->secure_failure.c_str() : "";
}

std::int32_t HTTPClientSetAuth(HTTPClientContext* context, std::uint32_t scheme, const char* user,
                               const char* password) {
  if (!context) return HC_NO_CONTEXT;
  if (scheme != HTTP_AUTH_BASIC && scheme != HTTP_AUTH_DIGEST) return HC_AUTH_UNSUPPORTED;
  if (!user || !password || std::strlen(user) >= sizeof context->user ||
      std::strlen(password) >= sizeof context->password)
    return HC_HEADER_BUFFER_FULL;
  std::strcpy(context->user, user);
  std::strcpy(context->password, password);
  context->requested_scheme = scheme;
  return HC_OK;
}
