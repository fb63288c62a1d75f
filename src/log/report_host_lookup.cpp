#include "log/report_host_lookup.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include "platform/sockets.h"

namespace {

struct host_lookup {
  explicit host_lookup(std::string name) : host_name(std::move(name)) {}
  const std::string host_name;
  std::mutex mutex;
  std::condition_variable done;
  bool answered = false;
  std::optional<std::uint32_t> address;
};

// The latest look-up: still under way, or its answer. Shared with the thread that runs it, which
// may outlive any wait for it.
struct lookup_registry {
  std::mutex mutex;
  std::shared_ptr<host_lookup> latest;
};

// Never destroyed, like the logger it serves: workers may still log while the process ends.
lookup_registry& registry() {
  alignas(lookup_registry) static unsigned char storage[sizeof(lookup_registry)];
  static lookup_registry* const instance = ::new (static_cast<void*>(storage)) lookup_registry();
  return *instance;
}

void resolve(const std::shared_ptr<host_lookup>& lookup) {
  namespace net = platform::net;
  // The reporting thread's own startup may be cleaned up long before this answer comes.
  std::uint16_t granted = 0;
  const bool started = net::startup(0x0101, &granted) == 0;
  const auto address = net::resolve_ipv4(lookup->host_name.c_str());
  if (started) net::cleanup();
  {
    std::lock_guard lock(lookup->mutex);
    lookup->address = address;
    lookup->answered = true;
  }
  lookup->done.notify_all();
}

// The look-up to wait for: the latest one for this name, unless it ended without an address.
std::shared_ptr<host_lookup> lookup_for(const std::string& host_name) {
  lookup_registry& known = registry();
  std::lock_guard lock(known.mutex);
  if (known.latest && known.latest->host_name == host_name) {
    std::lock_guard answer_lock(known.latest->mutex);
    if (!known.latest->answered || known.latest->address) return known.latest;
  }
  auto lookup = std::make_shared<host_lookup>(host_name);
  try {
    std::thread(resolve, lookup).detach();
  } catch (const std::system_error&) {
    return nullptr;  // no thread to spare: this report is lost, the next one tries again
  }
  known.latest = lookup;
  return lookup;
}

}  // namespace

std::optional<std::uint32_t> report_host_address(const std::string& host_name,
                                                 std::uint32_t timeout_ms) {
  if (const auto dotted = platform::net::parse_ipv4(host_name.c_str())) return dotted;
  const auto lookup = lookup_for(host_name);
  if (!lookup) return std::nullopt;
  std::unique_lock lock(lookup->mutex);
  lookup->done.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                        [&] { return lookup->answered; });
  return lookup->answered ? lookup->address : std::nullopt;
}
