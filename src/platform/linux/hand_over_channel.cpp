// The hand-over channel on Linux. A request is the message of hand_over_message.h; the receiver
// answers with one byte once its main thread has handled the request, which is what the sender
// waits for.
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstddef>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <limits>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/hand_over.h"
#include "platform/linux/hand_over_message.h"
#include "platform/linux/hand_over_socket.h"

namespace platform {

using linux_impl::unique_fd;

namespace linux_impl {

namespace {

using clock = std::chrono::steady_clock;

constexpr char handled_answer = 1;
// A connection that has not delivered its request by then is dropped, so one stalled
// sender cannot keep the others out.
constexpr int request_read_ms = 5000;
// How long a receiver keeps a sender waiting for its main thread.
constexpr auto handling_wait = std::chrono::seconds(10);
// Process ids stay below 2^22; further candidates for a number step over that range.
constexpr std::int32_t number_stride = 1 << 22;

int ms_left(clock::time_point end) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Waits for the events on fd until end; false on time-out or error.
bool wait_for(int fd, short events, clock::time_point end) {
  while (true) {
    pollfd p{fd, events, 0};
    const int rc = poll(&p, 1, ms_left(end));
    if (rc > 0) return true;
    if (rc == 0 || errno != EINTR) return false;
  }
}

// Reads exactly size bytes before end. nullopt-like false when the peer closed or time ran
// out; got tells how many bytes arrived.
bool read_exactly(int fd, char* buffer, std::size_t size, clock::time_point end,
                  std::size_t& got) {
  got = 0;
  while (got < size) {
    if (!wait_for(fd, POLLIN, end)) return false;
    const ssize_t n = recv(fd, buffer + got, size - got, 0);
    if (n == 0) return false;
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      return false;
    }
    got += static_cast<std::size_t>(n);
  }
  return true;
}

bool write_all(int fd, const char* data, std::size_t size, clock::time_point end) {
  std::size_t done = 0;
  while (done < size) {
    if (!wait_for(fd, POLLOUT, end)) return false;
    const ssize_t n = send(fd, data + done, size - done, MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

hand_over_address hand_over_address_for(unsigned user_id, std::int32_t number) {
  hand_over_address result;
  result.address.sun_family = AF_UNIX;
  char name[64];
  const int n = std::snprintf(name, sizeof name, "zefa-launcher-hand-over-%u-%d", user_id, number);
  // The leading zero byte puts the name in the abstract namespace.
  std::memcpy(result.address.sun_path + 1, name, static_cast<std::size_t>(n));
  result.length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + n);
  return result;
}

bool peer_is_same_user(int connected_socket) {
  ucred peer{};
  socklen_t size = sizeof peer;
  if (getsockopt(connected_socket, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0) return false;
  return size == sizeof peer && peer.uid == geteuid();
}

unique_fd connect_to_hand_over(link_number number, std::uint32_t timeout_ms) {
  // Listeners only hand out positive 32-bit numbers.
  if (number <= 0 || number > std::numeric_limits<std::int32_t>::max()) return {};
  unique_fd s(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!s) return {};
  // Bounds a connect that waits for room in a busy listener's queue.
  timeval limit{static_cast<time_t>(timeout_ms / 1000),
                static_cast<suseconds_t>((timeout_ms % 1000) * 1000)};
  setsockopt(s.get(), SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
  const auto target = hand_over_address_for(geteuid(), static_cast<std::int32_t>(number));
  if (::connect(s.get(), reinterpret_cast<const sockaddr*>(&target.address), target.length) != 0)
    return {};
  // Anyone may bind a name in the abstract namespace: never hand text to another user.
  if (!peer_is_same_user(s.get())) return {};
  return s;
}

namespace {

struct pending_request {
  copy_data data;
  bool handled = false;
};

// Shared by the listener, its worker thread and the relay window's procedure, which may
// outlive the listener (the event loop has no way to remove a window).
struct channel_state {
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<std::shared_ptr<pending_request>> queue;
  bool stopping = false;
  copy_data_handler handler;
};

constexpr std::uint32_t message_relay = 0x8000 + message_copy_data;  // WM_APP range

class socket_listener final : public hand_over_listener {
 public:
  socket_listener(unique_fd listening, std::int32_t number, window_handle relay,
                  std::shared_ptr<channel_state> state, std::array<unique_fd, 2> wake)
      : listening_(std::move(listening)),
        number_(number),
        relay_(relay),
        state_(std::move(state)),
        wake_(std::move(wake)) {
    worker_ = std::thread([this] { serve(); });
  }

  ~socket_listener() override {
    {
      std::lock_guard lock(state_->mutex);
      state_->stopping = true;
      state_->queue.clear();
    }
    state_->changed.notify_all();
    const char stop = 0;
    [[maybe_unused]] const auto ignored = ::write(wake_[1].get(), &stop, 1);
    worker_.join();
  }

  link_number number() const override { return number_; }

 private:
  bool stopping() {
    std::lock_guard lock(state_->mutex);
    return state_->stopping;
  }

  void serve() {
    while (!stopping()) {
      std::array<pollfd, 2> wait{{{listening_.get(), POLLIN, 0}, {wake_[0].get(), POLLIN, 0}}};
      if (poll(wait.data(), wait.size(), -1) < 0) {
        if (errno == EINTR) continue;
        return;
      }
      if (wait[1].revents != 0) return;
      if (wait[0].revents == 0) continue;
      unique_fd connection(accept4(listening_.get(), nullptr, nullptr, SOCK_CLOEXEC));
      if (connection) serve_one(connection.get());
    }
  }

  void serve_one(int connection) {
    if (!peer_is_same_user(connection)) return;
    const auto end = clock::now() + std::chrono::milliseconds(request_read_ms);
    std::string message(hand_over_header_bytes, '\0');
    std::size_t got = 0;
    // A probe (hand_over_target_exists) connects and closes without a request.
    if (!read_exactly(connection, message.data(), message.size(), end, got)) return;
    const auto byte_count = announced_text_bytes(message);
    if (!byte_count) return;
    message.resize(hand_over_header_bytes + *byte_count);
    if (!read_exactly(connection, message.data() + hand_over_header_bytes, *byte_count, end, got))
      return;
    const auto decoded = decode_hand_over(message);
    if (!decoded) return;

    auto request = std::make_shared<pending_request>();
    request->data = *decoded;
    {
      std::lock_guard lock(state_->mutex);
      state_->queue.push_back(request);
    }
    if (!post_message(relay_, message_relay, 0, 0)) {
      std::lock_guard lock(state_->mutex);
      state_->queue.clear();
      return;
    }
    std::unique_lock lock(state_->mutex);
    const bool handled = state_->changed.wait_for(lock, handling_wait, [&] {
      return request->handled || state_->stopping;
    }) && request->handled;
    lock.unlock();
    if (handled) write_all(connection, &handled_answer, 1, clock::now() + std::chrono::seconds(1));
  }

  unique_fd listening_;
  std::int32_t number_;
  window_handle relay_;
  std::shared_ptr<channel_state> state_;
  std::array<unique_fd, 2> wake_;
  std::thread worker_;
};

// Runs on the main thread for each posted relay message: hands the oldest request to the
// handler and releases its sender.
void relay_one(const std::shared_ptr<channel_state>& state) {
  std::shared_ptr<pending_request> request;
  {
    std::lock_guard lock(state->mutex);
    if (state->stopping || state->queue.empty()) return;
    request = state->queue.front();
    state->queue.pop_front();
  }
  if (state->handler) state->handler(request->data);
  {
    std::lock_guard lock(state->mutex);
    request->handled = true;
  }
  state->changed.notify_all();
}

}  // namespace

}  // namespace linux_impl

std::unique_ptr<hand_over_listener> listen_for_hand_over(window_handle /*web_window*/,
                                                         copy_data_handler on_request) {
  using namespace linux_impl;
  unique_fd listening(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!listening) return nullptr;
  std::int32_t number = 0;
  for (std::int32_t candidate = getpid(); candidate > 0 && candidate < (1 << 30);
       candidate += number_stride) {
    const auto address = hand_over_address_for(geteuid(), candidate);
    if (bind(listening.get(), reinterpret_cast<const sockaddr*>(&address.address),
             address.length) == 0) {
      number = candidate;
      break;
    }
    if (errno != EADDRINUSE) return nullptr;
  }
  if (number == 0 || ::listen(listening.get(), 16) != 0) return nullptr;

  int wake_ends[2];
  if (pipe2(wake_ends, O_CLOEXEC) != 0) return nullptr;
  std::array<unique_fd, 2> wake{unique_fd(wake_ends[0]), unique_fd(wake_ends[1])};

  auto state = std::make_shared<channel_state>();
  state->handler = std::move(on_request);
  const window_handle relay = create_message_window(
      [state](std::uint32_t message, std::uintptr_t, std::intptr_t) -> std::intptr_t {
        if (message == message_relay) relay_one(state);
        return 0;
      });
  if (relay == 0) return nullptr;
  return std::make_unique<socket_listener>(std::move(listening), number, relay, std::move(state),
                                           std::move(wake));
}

bool hand_over_target_exists(link_number number) {
  return static_cast<bool>(linux_impl::connect_to_hand_over(number, 1000));
}

bool send_hand_over(link_number number, const copy_data& request, std::uint32_t timeout_ms) {
  using namespace linux_impl;
  const auto end = clock::now() + std::chrono::milliseconds(timeout_ms);
  const auto connection = connect_to_hand_over(number, timeout_ms);
  if (!connection) return false;
  const std::size_t byte_count = request.text.size() * 2;
  if (byte_count > hand_over_max_bytes) return false;
  const std::string message = encode_hand_over(request);
  if (!write_all(connection.get(), message.data(), message.size(), end)) return false;
  char answer = 0;
  std::size_t got = 0;
  return read_exactly(connection.get(), &answer, 1, end, got) && answer == handled_answer;
}

}  // namespace platform
