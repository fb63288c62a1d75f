#include "support/test_server.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <thread>

#include "support/source_tools.h"


namespace testing_support {

namespace {

using clock_type = std::chrono::steady_clock;

bool child_gone(pid_t pid, int timeout_ms) {
  const auto end = clock_type::now() + std::chrono::milliseconds(timeout_ms);
  while (clock_type::now() < end) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

}  // namespace

std::filesystem::path test_server::program() { return source_tool("test_server.py"); }

test_server::test_server(const std::filesystem::path& root,
                         const std::vector<std::string>& options) {
  const auto port_file = work_.path() / "port";
  const auto log_dir = work_.path() / "requests";
  std::vector<std::string> storage{"python3",           program().string(), "--root",
                                   root.string(),       "--port",           "0",
                                   "--port-file",       port_file.string(), "--log-dir",
                                   log_dir.string()};
  storage.insert(storage.end(), options.begin(), options.end());
  pid_ = fork();
  if (pid_ == 0) {
    std::vector<char*> argv;
    for (auto& s : storage) argv.push_back(s.data());
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  if (pid_ < 0) return;
  const auto end = clock_type::now() + std::chrono::seconds(15);
  while (clock_type::now() < end) {
    std::ifstream in(port_file);
    unsigned port = 0;
    if (in >> port && port > 0 && port < 65536) {
      port_ = static_cast<std::uint16_t>(port);
      return;
    }
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

test_server::~test_server() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  if (!child_gone(pid_, 5000)) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

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
