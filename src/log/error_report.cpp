#include "log/error_report.h"

#include <cstdlib>

#include "log/report_host_lookup.h"
#include "platform/clock.h"
#include "platform/sockets.h"

namespace {

constexpr std::size_t request_limit = 511;  // the 512-byte buffer holds the text and its zero
constexpr std::uint32_t report_budget_ms = 2000;
constexpr const char* report_path = "record_error.php?msg=";

bool unreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_';
}

// Milliseconds left of the budget that started at start_tick.
std::uint32_t remaining(std::uint32_t start_tick) {
  const std::uint32_t spent = platform::tick_count() - start_tick;
  return spent >= report_budget_ms ? 0 : report_budget_ms - spent;
}

}  // namespace

std::string url_encode_form(std::string_view text) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size() * 3);
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (unreserved(c)) {
      out += ch;
    } else if (c == ' ') {
      out += '+';
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 0x0F];
    }
  }
  return out;
}

report_server parse_report_server(std::string_view host_and_port) {
  report_server server;
  server.host = std::string(host_and_port);
  const auto colon = host_and_port.rfind(':');
  server.name = std::string(host_and_port.substr(0, colon));
  if (colon != std::string_view::npos) {
    const long port = std::strtol(std::string(host_and_port.substr(colon + 1)).c_str(), nullptr, 10);
    server.port = port > 0 && port <= 65535 ? static_cast<std::uint16_t>(port) : 80;
  }
  return server;
}

report_server error_report_server() {
  const char* configured = std::getenv("LAUNCHER_REPORT_HOST");
  return parse_report_server(configured && *configured ? configured : LAUNCHER_DEFAULT_REPORT_HOST);
}

std::string error_report_request(const std::string& host, std::string_view line) {
  const std::string head = std::string("GET /") + report_path;
  const std::string tail = " HTTP/1.1\r\nHost: " + host + "\r\n\r\n";
  std::string message = url_encode_form(line);
  const std::size_t fixed = head.size() + tail.size();
  const std::size_t room = fixed >= request_limit ? 0 : request_limit - fixed;
  if (message.size() > room) {
    std::size_t cut = room;
    // Never end inside an escape: back up to its "%".
    if (cut >= 1 && message[cut - 1] == '%') cut -= 1;
    else if (cut >= 2 && message[cut - 2] == '%') cut -= 2;
    message.resize(cut);
  }
  std::string request = head + message + tail;
  if (request.size() > request_limit) request.resize(request_limit);  // an absurdly long host
  return request;
}

bool send_error_report(const std::string& line) {
  const report_server server = error_report_server();
  plain_http_get(server, error_report_request(server.host, line));
  return true;
}

bool plain_http_get(const report_server& server, const std::string& request) {
  namespace net = platform::net;
  std::uint16_t granted = 0;
  if (net::startup(0x0101, &granted) != 0) return true;
  if (granted != 0x0101) {
    net::cleanup();
    return true;
  }
  // The bound covers the look-up too: it runs under the logger's lock.
  const std::uint32_t start = platform::tick_count();
  const auto address = report_host_address(server.name, report_budget_ms);
  if (!address) {
    net::cleanup();
    return true;
  }
  const net::socket_handle s = net::open_tcp();
  if (s != net::invalid_socket) {
    net::readiness ready;
    net::set_nonblocking(s);
    net::connect(s, *address, server.port);
    // The text and its terminating zero byte go in one send call.
    if (net::wait(s, false, true, remaining(start), ready) > 0 && ready.writable) {
      const int length = static_cast<int>(request.size() + 1);
      if (net::send(s, request.c_str(), length) == length &&
          net::wait(s, true, false, remaining(start), ready) > 0 && ready.readable) {
        char reply[5];
        net::recv(s, reply, sizeof reply, false);
      }
    }
    net::close(s);
  }
  net::cleanup();
  return true;
}
