#pragma once
// The request record behind HTTPClientContext and the client's internal routines. Only the
// client's own files and its tests include this; everyone else uses http_client.h.
#include <cstdint>
#include <memory>
#include <string>

#include "httpclient/http_client.h"
#include "platform/secure_channel.h"
#include "platform/sockets.h"

namespace http_client {

// A piece of text inside one of the context's buffers.
struct text_span {
  const char* start = nullptr;
  std::uint32_t length = 0;
};

inline constexpr std::int32_t header_buffer_size = 1024;
inline constexpr std::uint32_t read_ahead_size = 64 * 1024;
inline constexpr std::uint32_t url_capacity = 514;
inline constexpr std::uint32_t default_timeout_seconds = 30;

// State flags.
inline constexpr std::uint32_t STATE_CREATED = 0x001;
inline constexpr std::uint32_t STATE_URL_PARSED = 0x002;
inline constexpr std::uint32_t STATE_CONNECTED = 0x004;
inline constexpr std::uint32_t STATE_BODY_SENT = 0x010;
inline constexpr std::uint32_t STATE_HEADERS_SENT = 0x020;
inline constexpr std::uint32_t STATE_HEADERS_READ = 0x040;
inline constexpr std::uint32_t STATE_RESPONSE_PARSED = 0x080;
inline constexpr std::uint32_t STATE_STATUS_200 = 0x100;

}  // namespace http_client

struct HTTPClientContext {
  http_client::text_span scheme;
  http_client::text_span host;  // with ":port" when the URL has one
  http_client::text_span port_text;
  http_client::text_span resource;  // path and query, always beginning with "/"
  std::uint16_t port = 80;
  char url[http_client::url_capacity] = {};

  std::unique_ptr<char[]> header_buffer;
  std::int32_t header_buffer_size = 0;
  std::int32_t request_headers_length = 0;  // the request block starts at header_buffer
  std::int32_t response_headers_length = 0;  // right after the request block

  std::int32_t verb = HTTP_VERB_GET;
  char verb_text[16] = "GET";
  http_client::text_span location;
  std::int32_t status = 0;
  std::int32_t content_length = 0;
  std::uint32_t request_body_length = 0;
  const void* request_body = nullptr;  // the caller's POST body during the send, for auth-int
  std::int32_t reusable = 0;
  char http_version[16] = {};
  http_client::text_span challenge;
  std::uint32_t challenge_scheme = HTTP_AUTH_NONE;

  char proxy_host[64] = {};
  char proxy_user[16] = {};
  char proxy_password[16] = {};
  std::uint16_t proxy_port = 0;

  std::int32_t credentials_set = 0;
  char user[16] = {};
  char password[16] = {};
  char preferred_scheme_name[16] = {};
  std::uint32_t requested_scheme = HTTP_AUTH_NONE;
  std::int32_t authorization_sent = 0;

  platform::net::socket_set read_set;
  platform::net::socket_set write_set;
  platform::net::socket_set except_set;
  platform::net::socket_handle socket = platform::net::invalid_socket;
  std::uint32_t local_port = 0;
  std::int32_t secure_handshake_done = 0;
  // The TLS session of an https connection, and why the last one failed (for the caller's log).
  std::unique_ptr<platform::tls::secure_channel> secure_session;
  std::string secure_failure;
  std::int32_t response_header_bytes = 0;
  std::int32_t body_received = 0;
  std::uint32_t chunk_size = 0;
  std::uint32_t chunk_remaining = 0;
  std::uint32_t deadline_start = 0;  // whole seconds
  std::uint32_t timeout = 0;  // whole seconds from deadline_start
  std::int32_t request_bytes_sent = 0;
  // Bytes received from the socket but not handed out yet, [start, end) of read_ahead.
  std::unique_ptr<char[]> read_ahead;
  std::uint32_t read_ahead_start = 0;
  std::uint32_t read_ahead_end = 0;
  std::uint32_t state = 0;
  std::uint32_t options = 0;

  char* request_headers() { return header_buffer.get(); }
  char* response_headers() { return header_buffer.get() + request_headers_length; }
};

namespace http_client {

// URL and host (http_url.cpp).
std::int32_t ParseUrl(HTTPClientContext* context, const char* url);
// The IPv4 address of a dotted address or a name, network byte order; 0 when it fails.
bool ResolveHost(const char* name, std::uint32_t* address);

// Connection and transfer (http_connection.cpp).
std::uint32_t NowSeconds();
void StartDeadline(HTTPClientContext* context, std::uint32_t timeout_seconds);
bool DeadlinePassed(const HTTPClientContext* context);
std::uint32_t SecondsLeft(const HTTPClientContext* context);
std::int32_t Connect(HTTPClientContext* context);
std::int32_t Disconnect(HTTPClientContext* context);
std::int32_t SendBytes(HTTPClientContext* context, const char* data, std::uint32_t* length);
std::int32_t RecvBytes(HTTPClientContext* context, char* buffer, std::uint32_t* length,
                       bool peek);

// Request and response (http_request.cpp, http_response.cpp).
std::int32_t AddHeader(HTTPClientContext* context, const char* name, std::uint32_t name_length,
                       const char* value, std::uint32_t value_length);
std::int32_t SendHeaders(HTTPClientContext* context);
// Sends one piece and counts what was accepted.
std::int32_t SendPiece(HTTPClientContext* context, const char* data, std::uint32_t length);
void ResetForResponse(HTTPClientContext* context);
std::int32_t ReadHeaders(HTTPClientContext* context);
std::int32_t ReadResponse(HTTPClientContext* context, std::uint32_t timeout_seconds);
enum class header_block { request, response };
std::int32_t FindHeader(HTTPClientContext* context, const char* name, header_block which,
                        std::uint32_t offset, text_span* found);
std::int32_t ParseResponse(HTTPClientContext* context);
std::int32_t ReadChunkSize(HTTPClientContext* context);

// Authentication (http_auth.cpp).
std::int32_t DetectAuthScheme(HTTPClientContext* context);
std::int32_t AddBasicAuthorization(HTTPClientContext* context);
std::int32_t AddDigestAuthorization(HTTPClientContext* context);
// 32 lower-case hexadecimal digits from the system's random source, and a terminator.
void MakeCnonce(char (&cnonce)[33]);
// HA1 = MD5(user:realm:password), or in the md5-sess form MD5(hex HA1:nonce:cnonce).
void DigestHA1(const char* user, text_span realm, const char* password, text_span nonce,
               const char* cnonce, bool session, char (&ha1)[33]);
// The response digest over the context's verb and resource, nonce count 00000001.
void DigestResponse(const HTTPClientContext* context, const char (&ha1)[33], text_span nonce,
                    const char* cnonce, text_span qop, char (&response)[33]);
std::int32_t SendAuthenticated(HTTPClientContext* context);

}  // namespace http_client
