#pragma once
// The project's test and demo server (tools/test_server.py) as a child process on a free
// loopback port, for one test or fixture. The URL scheme of its files and faults is described
// at the top of tools/test_server.py.
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace testing_support {

class test_server {
 public:
  // Serves the files of root. Starts the server and waits until it listens; on failure
  // port() is 0 and running() false.
  // options go to the server's command line as they are (for example "--portal").
  explicit test_server(const std::filesystem::path& root,
                       const std::vector<std::string>& options = {});
  ~test_server();
  test_server(const test_server&) = delete;
  test_server& operator=(const test_server&) = delete;

  bool running() const { return port_ != 0; }
  std::uint16_t port() const { return port_; }
  // "http://127.0.0.1:PORT", without a trailing slash.
  std::string base_url() const;
  // "https://127.0.0.1:PORT": the same port, for a server started with "--tls CERT KEY".
  std::string secure_base_url() const { return "https://127.0.0.1:" + std::to_string(port_); }
  // The exact bytes of every request the server has read, in order of arrival.
  std::vector<std::string> requests() const;
  // Waits up to timeout_ms until at least n requests are logged; returns whether they are.
  bool wait_for_requests(std::size_t n, int timeout_ms) const;

  // The server program in the source tree.
  static std::filesystem::path program();

 private:
  temp_folder work_;
  pid_t pid_ = -1;
  std::uint16_t port_ = 0;
};

// The first line of a request with the given name ("Range"), without CR LF; empty when absent.
std::string request_header(const std::string& request, const std::string& name);

}  // namespace testing_support
