#pragma once
// Every ERROR line is sent to the operator's error-report server as one plain HTTP GET,
// fire-and-forget: the reply is not examined and nothing is retried or logged.
#include <cstdint>
#include <string>
#include <string_view>

// Form encoding byte by byte: letters, digits, "-", "." and "_" stay, a space becomes "+",
// every other byte becomes %XX in upper-case hex.
std::string url_encode_form(std::string_view text);

struct report_server {
  std::string host;  // as sent in the Host header: name, or name:port
  std::string name;  // without the port
  std::uint16_t port = 80;
};
// LAUNCHER_REPORT_HOST from the environment, else the build's setting; host[:port].
report_server error_report_server();
report_server parse_report_server(std::string_view host_and_port);

// The request text without its closing zero byte; never longer than 511 characters (the
// encoded message is cut at a whole escape when it would not fit).
std::string error_report_request(const std::string& host, std::string_view line);

bool send_error_report(const std::string& line);
// Sends "GET /path HTTP/1.1\r\nHost: host\r\n\r\n" and one zero byte, then waits for the
// first bytes of the reply. Looking up the host, connecting, sending and waiting together take
// at most about 2 s.
bool plain_http_get(const report_server& server, const std::string& request);
