// The error report's host look-up against a name server the test owns. Each test runs again
// inside new user, network and mount namespaces (unshare), where it brings up its own loopback
// and puts its name server in the resolver's configuration: the system's own resolver, asking
// a server that answers as the test says.
#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "log/log_manager.h"
#include "log/log_owner.h"
#include "support/child_program.h"
#include "support/file_facts.h"
#include "support/loopback_peer.h"
#include "support/temp_folder.h"
#include "support/waiting.h"

namespace {

using namespace std::chrono_literals;
using testing_support::loopback_peer;
using testing_support::temp_folder;

constexpr const char* inside_marker = "LAUNCHER_TEST_PRIVATE_NETWORK";

enum class run_place { inside, checked_outside, impossible };

// Outside: runs the current test again in the private network and checks its result there.
run_place runInPrivateNetwork() {
  if (std::getenv(inside_marker)) return run_place::inside;
  temp_folder here;
  const auto probe = testing_support::run_child("/usr/bin/unshare", {"-rnm", "/bin/true"}, here.path(), {});
  if (probe.exit_code != 0) return run_place::impossible;
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string filter = std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name();
  // The resolver would wait 30 s for each of 5 tries: far beyond any report's bound.
  const auto inner = testing_support::run_child(
      "/usr/bin/unshare", {"-rnm", testing_support::own_program().string(), filter}, here.path(),
      {{inside_marker, "1"}, {"RES_OPTIONS", "timeout:30 attempts:5"}}, 60000);
  EXPECT_EQ(inner.exit_code, 0) << "the run in the private network (-1: killed after 60 s)\n"
                                << inner.output;
  EXPECT_NE(inner.output.find("[  PASSED  ] 1 test."), std::string::npos) << inner.output;
  return run_place::checked_outside;
}

// Inside: loopback up, and 127.0.0.1 as the only name server. Without a resolv.conf to cover,
// the resolver asks 127.0.0.1 by itself.
void usePrivateNameServer(const temp_folder& dir) {
  const int s = socket(AF_INET, SOCK_DGRAM, 0);
  ifreq loopback{};
  std::strncpy(loopback.ifr_name, "lo", IFNAMSIZ - 1);
  ASSERT_EQ(ioctl(s, SIOCGIFFLAGS, &loopback), 0);
  loopback.ifr_flags = static_cast<short>(loopback.ifr_flags | IFF_UP);
  ASSERT_EQ(ioctl(s, SIOCSIFFLAGS, &loopback), 0) << std::strerror(errno);
  close(s);
  const auto conf = dir.path() / "resolv.conf";
  testing_support::write_bytes(conf, "nameserver 127.0.0.1\n");
  if (mount(conf.c_str(), "/etc/resolv.conf", nullptr, MS_BIND, nullptr) != 0) {
    ASSERT_EQ(errno, ENOENT) << std::strerror(errno);
  }
}

// A name server on 127.0.0.1:53 that answers the first `answers` questions with 127.0.0.1 and
// reads and drops every later one.
class name_server {
 public:
  explicit name_server(int answers) : answers_left_(answers) {
    socket_ = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(53);
    bound_ = bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    thread_ = std::thread([this] { serve(); });
  }
  ~name_server() {
    stop_ = true;
    thread_.join();
    close(socket_);
  }
  name_server(const name_server&) = delete;
  name_server& operator=(const name_server&) = delete;

  bool bound() const { return bound_; }
  int questions() const { return questions_; }

 private:
  void serve() {
    while (!stop_) {
      pollfd wait{socket_, POLLIN, 0};
      if (poll(&wait, 1, 20) <= 0) continue;
      unsigned char query[512];
      sockaddr_in from{};
      socklen_t from_size = sizeof from;
      const ssize_t n = recvfrom(socket_, query, sizeof query, 0, reinterpret_cast<sockaddr*>(&from), &from_size);
      if (n < 12) continue;
      ++questions_;
      if (answers_left_ == 0) continue;
      --answers_left_;
      std::size_t end = 12;  // past the question's name, type and class
      while (end < static_cast<std::size_t>(n) && query[end] != 0) end += query[end] + 1u;
      end += 5;
      if (end > static_cast<std::size_t>(n)) continue;
      std::string reply(reinterpret_cast<const char*>(query), end);
      reply[2] = '\x81';  // a response, recursion desired and available, no error
      reply[3] = '\x80';
      reply.replace(6, 6, std::string("\0\1\0\0\0\0", 6));  // one answer, nothing else
      reply += std::string("\xC0\x0C\0\1\0\1\0\0\0\x3C\0\4\x7F\0\0\1", 16);  // A 127.0.0.1, 60 s
      sendto(socket_, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&from), from_size);
    }
  }

  int socket_ = -1;
  bool bound_ = false;
  int answers_left_;
  std::atomic<int> questions_{0};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

struct ReportHostLookup : ::testing::Test {
  void SetUp() override { log_manager::instance().set_threshold(LOG_DEBUG); }
  void TearDown() override {
    log_manager::instance().set_threshold(LOG_ERROR);
    unsetenv("LAUNCHER_REPORT_HOST");
  }
  void reportTo(const loopback_peer& peer) {
    setenv("LAUNCHER_REPORT_HOST", ("reports.launcher.test:" + std::to_string(peer.port())).c_str(), 1);
  }
  temp_folder dir;
};

TEST_F(ReportHostLookup, AResolverThatNeverAnswersCostsAtMostTheBoundPerErrorLine) {
  switch (runInPrivateNetwork()) {
    case run_place::impossible: GTEST_SKIP() << "this system gives no user namespaces";
    case run_place::checked_outside: return;
    case run_place::inside: break;
  }
  ASSERT_NO_FATAL_FAILURE(usePrivateNameServer(dir));
  name_server silent(0);
  ASSERT_TRUE(silent.bound());
  log_owner owner;
  ASSERT_TRUE(owner.init(LOG_DEBUG, LOG_SINK_FILE, (dir.path() / "r.log").string(), 5, 5, false));
  loopback_peer peer(loopback_peer::behaviour::answer_after_zero_byte);
  reportTo(peer);

  std::thread reporter([] { LOG_LINE(LOG_ERROR, "t") << "first error"; });
  // The report is under way and holds the logger: another thread's line waits for it.
  ASSERT_TRUE(testing_support::wait_until([&] { return silent.questions() > 0; }, 30s));
  LOG_LINE(LOG_INFO, "t") << "another thread's line";
  reporter.join();
  // The look-up is still under way: this line waits for that one again rather than start
  // another, which would ask at once.
  LOG_LINE(LOG_ERROR, "t") << "second error";
  // The resolver asks again only after 30 s: a line that waited for the resolver rather than
  // for the report's bound would have let it ask twice.
  EXPECT_EQ(silent.questions(), 1);
  EXPECT_TRUE(peer.received().empty()) << "no address, no report";
  const std::string text = testing_support::read_bytes(dir.path() / "r.log.1");
  for (const char* line : {"first error", "another thread's line", "second error"})
    EXPECT_NE(text.find(line), std::string::npos) << line;
}

TEST_F(ReportHostLookup, AnAddressOnceFoundServesTheWholeRun) {
  switch (runInPrivateNetwork()) {
    case run_place::impossible: GTEST_SKIP() << "this system gives no user namespaces";
    case run_place::checked_outside: return;
    case run_place::inside: break;
  }
  ASSERT_NO_FATAL_FAILURE(usePrivateNameServer(dir));
  name_server answersOnce(1);
  ASSERT_TRUE(answersOnce.bound());
  loopback_peer peer(loopback_peer::behaviour::answer_after_zero_byte);
  reportTo(peer);
  LOG_LINE(LOG_ERROR, "t") << "first error";
  LOG_LINE(LOG_ERROR, "t") << "second error, the name server now silent";
  EXPECT_TRUE(peer.wait_for_requests(2, 5000));
  EXPECT_EQ(answersOnce.questions(), 1);
}

}  // namespace
