// Answers to 401 and 407 challenges: HTTP Basic and Digest (RFC 2617, MD5 and md5-sess).
#include <cstring>
#include <random>

#include "httpclient/http_context.h"
#include "httpclient/http_text.h"
#include "update/base64.h"
#include "update/md5.h"

namespace http_client {

namespace {

constexpr std::uint32_t challenge_candidates = 8;

std::uint32_t length_of(const char* text) { return static_cast<std::uint32_t>(std::strlen(text)); }

std::int32_t send_text(HTTPClientContext* context, const char* text) {
  return SendPiece(context, text, length_of(text));
}

std::int32_t send_span(HTTPClientContext* context, text_span span) {
  return SendPiece(context, span.start, span.length);
}

// ", name=\"value\"" or, first, "name=\"value\"".
std::int32_t send_quoted(HTTPClientContext* context, const char* name, text_span value,
                         bool first = false) {
  std::int32_t result;
  if (!first && (result = send_text(context, ", "))) return result;
  if ((result = send_text(context, name))) return result;
  if ((result = send_text(context, "=\""))) return result;
  if ((result = send_span(context, value))) return result;
  return send_text(context, "\"");
}

text_span span_of(const char* text) { return {text, length_of(text)}; }

void hex_of(MD5& md5, char (&out)[33]) {
  static constexpr char digits[] = "0123456789abcdef";
  const auto& digest = md5.digest();
  for (std::size_t i = 0; i < digest.size(); ++i) {
    out[2 * i] = digits[digest[i] >> 4];
    out[2 * i + 1] = digits[digest[i] & 15];
  }
  out[32] = '\0';
}

void add(MD5& md5, text_span text) { md5.update(text.start, text.length); }
void add(MD5& md5, const char* text) { md5.update(text, std::strlen(text)); }

}  // namespace

void DigestHA1(const char* user, text_span realm, const char* password, text_span nonce,
               const char* cnonce, bool session, char (&ha1)[33]) {
  MD5 md5;
  add(md5, user);
  add(md5, ":");
  add(md5, realm);
  add(md5, ":");
  add(md5, password);
  hex_of(md5, ha1);
  if (!session) return;
  MD5 sess;
  add(sess, ha1);
  add(sess, ":");
  add(sess, nonce);
  add(sess, ":");
  add(sess, cnonce);
  hex_of(sess, ha1);
}

void DigestResponse(const HTTPClientContext* context, const char (&ha1)[33], text_span nonce,
                    const char* cnonce, text_span qop, char (&response)[33]) {
  MD5 md5;
  add(md5, context->verb_text);
  add(md5, ":");
  add(md5, context->resource);
  if (EqualsNoCase(qop.start, "auth-int", qop.length)) {
    // The entity hash of auth-int: the MD5 of the request body (empty for a GET).
    MD5 entity;
    if (context->request_body)
      entity.update(context->request_body, context->request_body_length);
    char entity_hex[33];
    hex_of(entity, entity_hex);
    add(md5, ":");
    add(md5, entity_hex);
  }
  char ha2[33];
  hex_of(md5, ha2);
  MD5 final_hash;
  add(final_hash, ha1);
  add(final_hash, ":");
  add(final_hash, nonce);
  add(final_hash, ":00000001:");
  add(final_hash, cnonce);
  add(final_hash, ":");
  add(final_hash, qop);
  add(final_hash, ":");
  add(final_hash, ha2);
  hex_of(final_hash, response);
}

std::int32_t DetectAuthScheme(HTTPClientContext* context) {
  if (context->credentials_set) return HC_OK;
  const char* line = context->challenge.start;
  std::uint32_t length = context->challenge.length;
  const char* space = line ? static_cast<const char*>(std::memchr(line, ' ', length)) : nullptr;
  if (!space) return HC_AUTH_UNSUPPORTED;
  length -= static_cast<std::uint32_t>(space - line);
  line = space;
  std::uint32_t scheme = HTTP_AUTH_NONE;
  if (FindNoCase(line, length, challenge_candidates, "basic"))
    scheme = HTTP_AUTH_BASIC;
  else if (FindNoCase(line, length, challenge_candidates, "digest"))
    scheme = HTTP_AUTH_DIGEST;
  else if (FindNoCase(line, length, challenge_candidates, "negotiate"))
    scheme = HTTP_AUTH_NEGOTIATE;
  else
    return HC_AUTH_UNSUPPORTED;
  context->challenge_scheme = scheme;
  return scheme == context->requested_scheme ? HC_OK : HC_AUTH_MISMATCH;
}

std::int32_t AddBasicAuthorization(HTTPClientContext* context) {
  const char* prefix;
  const char* user;
  const char* password;
  if (context->status == 401) {
    prefix = "Authorization: Basic ";
    user = context->user;
    password = context->password;
  } else if (context->status == 407) {
    prefix = "Proxy-Authorization: Basic ";
    user = context->proxy_user;
    password = context->proxy_password;
  } else {
    return HC_AUTH_UNSUPPORTED;
  }
  // user and password are at most 15 bytes each (their fields are 16 with the terminator).
  char text[sizeof context->user + sizeof context->password];
  const std::uint32_t user_length = length_of(user);
  const std::uint32_t password_length = length_of(password);
  std::memcpy(text, user, user_length);
  text[user_length] = ':';
  std::memcpy(text + user_length + 1, password, password_length);
  char encoded[48];
  const std::size_t encoded_length =
      Base64Encode(text, user_length + 1 + password_length, encoded, sizeof encoded);
  std::int32_t result;
  if ((result = send_text(context, prefix))) return result;
  if ((result = SendPiece(context, encoded, static_cast<std::uint32_t>(encoded_length))))
    return result;
  return send_text(context, "\r\n");
}

void MakeCnonce(char (&cnonce)[33]) {
  static constexpr char digits[] = "0123456789abcdef";
  std::random_device source;
  for (int i = 0; i < 32; i += 8) {
    std::uint32_t bits = source();
    for (int j = 0; j < 8; ++j, bits >>= 4) cnonce[i + j] = digits[bits & 15];
  }
  cnonce[32] = '\0';
}

std::int32_t AddDigestAuthorization(HTTPClientContext* context) {
  if (context->status != 401 && context->status != 407) return HC_AUTH_UNSUPPORTED;
  char cnonce[33];
  MakeCnonce(cnonce);
  const char* challenge = context->challenge.start;
  const std::uint32_t challenge_length = context->challenge.length;
  text_span realm, qop, algorithm, nonce, opaque;

  // The line goes out piece by piece as its values are found; a missing one ends it there.
  std::int32_t result = send_text(context, context->status == 407
                                               ? "Proxy-Authorization: Digest "
                                               : "Authorization: Digest ");
  if (result) return result;
  if ((result = send_quoted(context, "username", span_of(context->user), true))) return result;
  if ((result = ParamValue(challenge, challenge_length, "realm", &realm))) return result;
  if ((result = send_quoted(context, "realm", realm))) return result;
  if ((result = ParamValue(challenge, challenge_length, "qop", &qop))) return result;
  if ((result = send_quoted(context, "qop", qop))) return result;
  if (ParamValue(challenge, challenge_length, "algorithm", &algorithm) != HC_OK)
    algorithm = span_of("MD5");
  if (!StartsNoCase(algorithm.start, algorithm.length, "md5", 3)) return HC_AUTH_ALGORITHM;
  const bool session = EqualsNoCase(algorithm.start, "md5-sess", algorithm.length);
  if ((result = send_quoted(context, "algorithm", algorithm))) return result;
  if ((result = send_quoted(context, "uri", context->resource))) return result;
  if ((result = ParamValue(challenge, challenge_length, "nonce", &nonce))) return result;
  if ((result = send_quoted(context, "nonce", nonce))) return result;
  if ((result = send_text(context, ", nc=00000001"))) return result;
  if ((result = send_quoted(context, "cnonce", span_of(cnonce)))) return result;
  if (ParamValue(challenge, challenge_length, "opaque", &opaque) == HC_OK &&
      (result = send_quoted(context, "opaque", opaque)))
    return result;

  char ha1[33];
  DigestHA1(context->user, realm, context->password, nonce, cnonce, session, ha1);
  char response[33];
  DigestResponse(context, ha1, nonce, cnonce, qop, response);
  if ((result = send_quoted(context, "response", span_of(response)))) return result;
  return send_text(context, "\r\n");
}

std::int32_t SendAuthenticated(HTTPClientContext* context) {
  std::int32_t result;
  if (!context->reusable) {
    if (context->socket != platform::net::invalid_socket) Disconnect(context);
    if ((result = Connect(context))) return result;
  }
  if ((result = DetectAuthScheme(context))) return result;
  if (context->reusable) {
    // The challenge's own body is still on the connection; read it away first.
    char discard[32];
    std::int32_t left = context->content_length;
    while (left > 0) {
      std::uint32_t length = sizeof discard < static_cast<std::uint32_t>(left)
                                 ? sizeof discard
                                 : static_cast<std::uint32_t>(left);
      if (RecvBytes(context, discard, &length, false) != HC_OK || length == 0) break;
      left -= static_cast<std::int32_t>(length);
    }
  }
  return SendHeaders(context);
}

}  // namespace http_client
