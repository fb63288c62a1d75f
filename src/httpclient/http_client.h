#pragma once
// The launcher's own HTTP/1.1 client: a set of functions over one request context each.
// Every call returns a signed 32-bit result code; the client never logs and allocates nothing
// after HTTPClientCreateContext. A context belongs to one thread.
//
// Use, per request:
//   HTTPClientContext* c = HTTPClientCreateContext(0);
//   HTTPClientSetVerb(c, HTTP_VERB_GET);
//   HTTPClientSendRequest(c, url, nullptr, 0, 0, 4, 0, range_text_or_null);
//   HTTPClientRecvResponse(c, 3);
//   while ((r = HTTPClientRecvBody(c, dest, size, 8, &got)) == HC_OK) { ... }  // 1000 = done
//   HTTPClientFreeContext(&c);
#include <cstdint>
#include <memory>

// Result codes.
inline constexpr std::int32_t HC_OK = 0;
inline constexpr std::int32_t HC_NO_CONTEXT = 2;
inline constexpr std::int32_t HC_HEADER_BUFFER_FULL = 3;
inline constexpr std::int32_t HC_SOCKET_FAILED = 4;
inline constexpr std::int32_t HC_NONBLOCKING_FAILED = 5;
inline constexpr std::int32_t HC_CONNECT_FAILED = 7;
inline constexpr std::int32_t HC_TIMED_OUT = 8;
inline constexpr std::int32_t HC_RECV_FAILED = 9;
inline constexpr std::int32_t HC_SEND_FAILED = 10;
inline constexpr std::int32_t HC_HEADERS_FAILED = 11;
inline constexpr std::int32_t HC_HEADER_NOT_FOUND = 12;
inline constexpr std::int32_t HC_HEADER_NAME_TOO_LONG = 13;
inline constexpr std::int32_t HC_CHUNKED_REQUIRED = 14;
inline constexpr std::int32_t HC_CHUNK_LINE_TOO_LONG = 15;
inline constexpr std::int32_t HC_BAD_VERB = 18;
inline constexpr std::int32_t HC_URL_TOO_LONG = 19;
inline constexpr std::int32_t HC_NO_RESPONSE = 20;
inline constexpr std::int32_t HC_CHUNK_SIZE_FAILED = 21;
inline constexpr std::int32_t HC_BAD_URL = 22;
inline constexpr std::int32_t HC_BAD_RESPONSE = 23;
inline constexpr std::int32_t HC_AUTH_UNSUPPORTED = 25;
inline constexpr std::int32_t HC_AUTH_MISMATCH = 26;
inline constexpr std::int32_t HC_AUTH_PARAM_MISSING = 27;
inline constexpr std::int32_t HC_AUTH_ALGORITHM = 28;
inline constexpr std::int32_t HC_SECURE_FAILED = 30;
inline constexpr std::int32_t HC_NEGOTIATE_UNSUPPORTED = 64;
inline constexpr std::int32_t HC_END_OF_DATA = 1000;

// Option flags given to HTTPClientCreateContext (the launcher itself always passes 0).
inline constexpr std::uint32_t HTTP_CLIENT_FLAG_KEEP_ALIVE = 0x001;
inline constexpr std::uint32_t HTTP_CLIENT_FLAG_CHUNKED_UPLOAD = 0x002;
inline constexpr std::uint32_t HTTP_CLIENT_FLAG_NO_CACHE = 0x004;
// Set by the client itself while it works; visible through HTTPClientGetOptions.
inline constexpr std::uint32_t HTTP_CLIENT_FLAG_SECURE = 0x010;
inline constexpr std::uint32_t HTTP_CLIENT_FLAG_EXPLICIT_PORT = 0x020;
inline constexpr std::uint32_t HTTP_CLIENT_FLAG_HTTPS = 0x040;
inline constexpr std::uint32_t HTTP_CLIENT_FLAG_PROXY = 0x080;
inline constexpr std::uint32_t HTTP_CLIENT_FLAG_CHUNKED_BODY = 0x100;

// Verb codes of HTTPClientSetVerb.
inline constexpr std::int32_t HTTP_VERB_GET = 0;
inline constexpr std::int32_t HTTP_VERB_POST = 2;

// Authentication schemes (HTTPClientSetAuth).
inline constexpr std::uint32_t HTTP_AUTH_NONE = 0;
inline constexpr std::uint32_t HTTP_AUTH_BASIC = 1;
inline constexpr std::uint32_t HTTP_AUTH_DIGEST = 2;
inline constexpr std::uint32_t HTTP_AUTH_NEGOTIATE = 3;

// The request record; its layout is private to the client (http_context.h).
struct HTTPClientContext;

// A new context, or null when memory runs out.
HTTPClientContext* HTTPClientCreateContext(std::uint32_t option_flags);
// Releases the context, closes its socket and nulls the handle. 2 for a null handle.
std::int32_t HTTPClientFreeContext(HTTPClientContext** context);
// 0 GET, 2 POST; any other code gives 18.
std::int32_t HTTPClientSetVerb(HTTPClientContext* context, std::int32_t verb);

// Parses the URL, connects and sends the request line and headers (and a POST body with an
// announced length). time-out in whole seconds, 0 means 30. range_text, when given, is sent
// unchanged as the whole value of a "Range" header.
std::int32_t HTTPClientSendRequest(HTTPClientContext* context, const char* url, const void* body,
                                   std::uint32_t body_length, std::int32_t length_announced,
                                   std::uint32_t timeout_seconds, std::uint32_t local_port,
                                   const char* range_text);
// Reads and parses the status line and headers (skipping 100 Continue). 0 keeps the time-out.
std::int32_t HTTPClientRecvResponse(HTTPClientContext* context, std::uint32_t timeout_seconds);
// Reads the next piece of the body: at most destination_size - 1 bytes, followed by a zero
// byte. 0 while more follows, 1000 when the body is complete or the peer closed, else an error
// (then received is 0). time-out 0 means 30.
std::int32_t HTTPClientRecvBody(HTTPClientContext* context, char* destination,
                                std::uint32_t destination_size, std::uint32_t timeout_seconds,
                                std::uint32_t* received);

// Non-zero flag: start the socket library for this thread (version 2.1) and return its result.
// Zero: clean up, return 0.
std::int32_t WinsockStartup(std::int32_t flag);

// The parsed response (0 before one was parsed).
std::int32_t HTTPClientGetStatus(const HTTPClientContext* context);
// Content-Length of the response; 0 when absent.
std::int32_t HTTPClientGetContentLength(const HTTPClientContext* context);
// Option flags as they stand now (creation flags plus what the URL and response set).
std::uint32_t HTTPClientGetOptions(const HTTPClientContext* context);
// Why the secure transport of the last request failed (certificate, handshake), in words;
// "" when it did not. The client never logs: a caller that got HC_SECURE_FAILED logs this.
const char* HTTPClientGetSecureFailure(const HTTPClientContext* context);

// Credentials for a 401/407 answer: scheme HTTP_AUTH_BASIC or HTTP_AUTH_DIGEST must match the
// server's challenge. User and password of at most 15 bytes each, else 3 (they would not fit).
// The launcher's downloads never set them.
std::int32_t HTTPClientSetAuth(HTTPClientContext* context, std::uint32_t scheme, const char* user,
                               const char* password);

// Owning handle for code that prefers RAII: frees the context when it goes.
struct HTTPClientContextDeleter {
  void operator()(HTTPClientContext* context) const { HTTPClientFreeContext(&context); }
};
using HTTPClientContextPtr = std::unique_ptr<HTTPClientContext, HTTPClientContextDeleter>;
