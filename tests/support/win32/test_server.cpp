// The test server of the Windows tier runs on the Linux side: Wine starts python3 natively,
// and the Windows test program talks to it over loopback and reads its request log through
// the shared file system.
#include "support/test_server.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <thread>

#include "support/source_tools.h"
#include "support/win32/unix_process.h"


namespace testing_support {

namespace {
using clock_type = std::chrono::steady_clock;
}

// A Linux path: the program is started on the Linux side.
std::filesystem::path test_server::program() { return source_tool("test_server.py"); }

test_server::test_server(const std::filesystem::path& root,
                         const std::vector<std::string>& options) {
  const auto port_file = work_.path() / "port";
  std::filesystem::create_directories(work_.path() / "requests");
  std::vector<std::string> argv{"python3",  program().string(),
                                      "--root",   unix_path(root),
                                      "--port",   "0",
                                      "--port-file", unix_path(port_file),
                                      "--log-dir", unix_path(work_.path() / "requests")};
  argv.insert(argv.end(), options.begin(), options.end());
  pid_ = start_unix_process(argv, work_.path() / "pid");
  if (pid_ <= 0) return;
  const auto end = clock_type::now() + std::chrono::seconds(15);
  while (clock_type::now() < end) {
    std::ifstream in(port_file);
    unsigned port = 0;
    if (in >> port && port > 0 && port < 65536) {
      port_ = static_cast<std::uint16_t>(port);
      return;
    }
    if (!unix_process_running(pid_)) {
      pid_ = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

test_server::~test_server() { stop_unix_process(pid_); }

std::string test_server::base_url() const {
  return "http://127.0.0.1:" + std::to_string(port_);
}

std::vector<std::string> test_server::requests() const {
  std::vector<std::filesystem::path> files;
  std::error_code error;
  for (const auto& entry :
       std::filesystem::directory_iterator(work_.path() / "requests", error)) {
    if (entry.path().extension() == ".http") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  std::vector<std::string> result;
  for (const auto& f : files) result.push_back(read_bytes(f));
  return result;
}

bool test_server::wait_for_requests(std::size_t n, int timeout_ms) const {
  const auto end = clock_type::now() + std::chrono::milliseconds(timeout_ms);
  while (true) {
    if (requests().size() >= n) return true;
    if (clock_type::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

std::string request_header(const std::string& request, const std::string& name) {
  const std::string key = "\r\n" + name + ":";
  const auto at = request.find(key);
  if (at == std::string::npos) return {};
  const auto start = at + 2;
  const auto end = request.find("\r\n", start);
  return request.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

}  // namespace testing_support
