#include "support/nginx_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>
#include <vector>

#include "support/loopback_peer.h"

namespace testing_support {

namespace {

using clock_type = std::chrono::steady_clock;

bool accepts_connections(std::uint16_t port) {
  const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s < 0) return false;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool ok = connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  close(s);
  return ok;
}

}  // namespace

std::filesystem::path nginx_server::program() { return "/usr/sbin/nginx"; }

nginx_server::nginx_server(const std::filesystem::path& root,
                           const std::optional<nginx_tls>& tls)
    : tls_(tls) {
  // The free port is found by binding and closing; another process may take it in between,
  // so a start that fails is tried again on a new port.
  for (int attempt = 0; attempt < 5 && !running(); ++attempt) {
    if (start(root, loopback_peer::refused_port())) return;
    stop();
  }
}

nginx_server::~nginx_server() { stop(); }

bool nginx_server::start(const std::filesystem::path& root, std::uint16_t port) {
  const auto prefix = work_.path();
  std::filesystem::create_directories(prefix / "temp");
  {
    std::ofstream conf(prefix / "nginx.conf");
    // One process, in the foreground, as the invoking user: no worker that would switch to
    // an unprivileged user unable to read the test's folder.
    conf << "master_process off;\n"
            "daemon off;\n"
            "pid "
         << (prefix / "nginx.pid").string() << ";\n"
         << "error_log " << (prefix / "error.log").string() << " warn;\n"
         // The connections of Debian's stock configuration.
         << "events { worker_connections 768; }\n"
            "http {\n"
            "  default_type application/octet-stream;\n"
            "  log_format tls '$request_uri $ssl_protocol $ssl_session_reused';\n"
            "  sendfile on;\n"
            "  client_body_temp_path "
         << (prefix / "temp").string() << ";\n"
         << "  proxy_temp_path " << (prefix / "temp").string() << ";\n"
         << "  fastcgi_temp_path " << (prefix / "temp").string() << ";\n"
         << "  uwsgi_temp_path " << (prefix / "temp").string() << ";\n"
         << "  scgi_temp_path " << (prefix / "temp").string() << ";\n"
         << "  server {\n"
            "    listen 127.0.0.1:"
         << port << (tls_ ? " ssl" : "") << ";\n"
         << "    root " << root.string() << ";\n";
    if (tls_)
      conf << "    ssl_certificate " << tls_->certificate.string() << ";\n"
           << "    ssl_certificate_key " << tls_->key.string() << ";\n"
           << "    ssl_protocols " << tls_->protocols << ";\n"
           << "    access_log " << (prefix / "access.log").string() << " tls;\n";
    else
      conf << "    access_log off;\n";
    conf
         << "  }\n"
            "}\n";
  }
  std::vector<std::string> storage{program().string(), "-e", (prefix / "error.log").string(),
                                   "-p", prefix.string() + "/", "-c",
                                   (prefix / "nginx.conf").string()};
  pid_ = fork();
  if (pid_ == 0) {
    std::vector<char*> argv;
    for (auto& s : storage) argv.push_back(s.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  if (pid_ < 0) return false;
  const auto end = clock_type::now() + std::chrono::seconds(10);
  while (clock_type::now() < end) {
    if (accepts_connections(port)) {
      port_ = port;
      return true;
    }
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

void nginx_server::stop() {
  port_ = 0;
  if (pid_ <= 0) return;
  kill(pid_, SIGQUIT);
  for (int i = 0; i < 250; ++i) {
    if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
      pid_ = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

std::string nginx_server::base_url() const {
  return (tls_ ? "https://127.0.0.1:" : "http://127.0.0.1:") + std::to_string(port_);
}

std::string nginx_server::error_log() const { return read_bytes(work_.path() / "error.log"); }

std::string nginx_server::access_log() const { return read_bytes(work_.path() / "access.log"); }

}  // namespace testing_support
