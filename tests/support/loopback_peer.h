#pragma once
// A TCP peer on 127.0.0.1 for tests of what the launcher sends: it accepts connections on a
// free port, records the bytes of each and answers as told.
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

class loopback_peer {
 public:
  enum class behaviour {
    answer_after_zero_byte,  // read until a zero byte or close, then reply and close
    silent,                  // read and never answer until stopped
    reset,                   // read what the first packet brings, then close with a reset
  };
  explicit loopback_peer(behaviour how);
  ~loopback_peer();
  loopback_peer(const loopback_peer&) = delete;
  loopback_peer& operator=(const loopback_peer&) = delete;

  std::uint16_t port() const { return port_; }
  // The bytes received on each connection so far, in order of acceptance.
  std::vector<std::string> received() const;
  // Waits up to timeout_ms for n connections to have finished sending.
  bool wait_for_requests(std::size_t n, int timeout_ms) const;

  // A port on which nothing listens (bound and closed again).
  static std::uint16_t refused_port();

 private:
  void serve();

  behaviour how_;
  int listener_ = -1;
  int wake_[2] = {-1, -1};
  std::uint16_t port_ = 0;
  mutable std::mutex mutex_;
  std::vector<std::string> received_;
  std::size_t finished_ = 0;
  std::thread thread_;
};

}  // namespace testing_support
