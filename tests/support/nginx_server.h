#pragma once
// Debian's nginx as a child process on a free loopback port, serving a folder of files with
// its stock static-file handling. For interoperability tests against a real server.
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "support/temp_folder.h"

namespace testing_support {

// A certificate (PEM) and its key: nginx then speaks https only, with these protocols.
struct nginx_tls {
  std::filesystem::path certificate, key;
  std::string protocols = "TLSv1.2 TLSv1.3";
};

class nginx_server {
 public:
  explicit nginx_server(const std::filesystem::path& root,
                        const std::optional<nginx_tls>& tls = std::nullopt);
  ~nginx_server();
  nginx_server(const nginx_server&) = delete;
  nginx_server& operator=(const nginx_server&) = delete;

  bool running() const { return port_ != 0; }
  std::uint16_t port() const { return port_; }
  // "http://127.0.0.1:PORT", or https with a certificate.
  std::string base_url() const;
  // Why it did not start (nginx's error log), for test messages.
  std::string error_log() const;
  // With https, a line per request: "URI PROTOCOL REUSED" (REUSED "r" for a resumed session,
  // "." for a full handshake).
  std::string access_log() const;

  static std::filesystem::path program();

 private:
  bool start(const std::filesystem::path& root, std::uint16_t port);

  std::optional<nginx_tls> tls_;
  void stop();

  temp_folder work_;
  pid_t pid_ = -1;
  std::uint16_t port_ = 0;
};

}  // namespace testing_support
