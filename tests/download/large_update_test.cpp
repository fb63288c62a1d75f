// Updates of a real game's size: thousands of packages, and more bytes than a 32-bit launcher
// has address space, from the project's test server and from Debian's nginx.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "download/packet_map.h"
#include "log/log_manager.h"
#include "log/recording_sink.h"
#include "platform/headless/headless_desktop.h"
#include "platform/text.h"
#include "support/address_space.h"
#include "support/child_program.h"
#include "support/nginx_server.h"
#include "support/temp_folder.h"
#include "support/test_server.h"

namespace {

using namespace testing_support;

// A server on loopback serving a folder: its base address, or empty when it did not start.
using server_factory = std::function<std::string(const std::filesystem::path&)>;

struct served_by {
  const char* name;
  server_factory start;
};

// The servers stay up until the test program ends; each serves the folder it was made for.
std::string start_test_server(const std::filesystem::path& root) {
  static std::vector<std::unique_ptr<test_server>> servers;
  servers.push_back(std::make_unique<test_server>(root));
  return servers.back()->running() ? servers.back()->base_url() : "";
}

std::string start_nginx(const std::filesystem::path& root) {
  static std::vector<std::unique_ptr<nginx_server>> servers;
  servers.push_back(std::make_unique<nginx_server>(root));
  return servers.back()->running() ? servers.back()->base_url() : "";
}

// prefix followed by the number, as the child program and these tests name packages.
std::string numbered(std::string prefix, std::size_t i) { return prefix.append(std::to_string(i)); }

const served_by servers[] = {{"test server", start_test_server}, {"nginx", start_nginx}};

// Package i's bytes: its own, so a package saved under another's name shows.
std::string package_bytes(std::size_t i, std::size_t size) {
  return random_bytes(size, static_cast<unsigned>(i) + 1);
}

// What a sample of the running update showed at worst.
struct worst_seen {
  std::size_t running = 0;
  std::size_t threads = 0;
  std::size_t open_files = 0;
  bool out_of_order = false;
};

void sample(CPacketMap& map, worst_seen& worst) {
  std::size_t running = 0;
  bool waiting_seen = false;
  for (CPacket* p = map.First(); p != nullptr; p = map.Next()) {
    const std::uint32_t status = p->GetJob()->thread_status.load();
    if (status == PACKET_RUNNING) ++running;
    if (status == PACKET_CREATED) waiting_seen = true;
    else if (waiting_seen) worst.out_of_order = true;  // a later job began before an earlier one
  }
  const process_load load = current_load();
  worst.running = std::max(worst.running, running);
  worst.threads = std::max(worst.threads, load.threads);
  worst.open_files = std::max(worst.open_files, load.open_files);
}

TEST(LargeUpdate, TwoThousandPackagesArriveWholeInListOrderOnABoundedNumberOfTransfers) {
  log_manager::instance().set_threshold(LOG_DEBUG);
  constexpr std::size_t packages = 2000;
  constexpr std::size_t size = 16 * 1024;
  temp_folder files;
  for (std::size_t i = 0; i < packages; ++i)
    write_bytes(files.path() / numbered("p", i), package_bytes(i, size));
  for (const auto& server : servers) {
    SCOPED_TRACE(server.name);
    const std::string base = server.start(files.path());
    ASSERT_FALSE(base.empty());
    temp_folder downloads;
    platform::headless::recording_window window;
    recording_sink sink;
    CPacketMap map;
    for (std::size_t i = 0; i < packages; ++i) {
      const std::string name = numbered("p", i);
      map.AddPacket(window.handle(), downloads.core_folder(), platform::from_utf8(name),
                    platform::from_utf8(base + "/" + name + "?7"), u"1");
    }
    const process_load before = current_load();
    map.StartAll();
    worst_seen worst;
    ASSERT_TRUE(platform::headless::run_until(
        [&] {
          sample(map, worst);
          return window.count(WM_DOWNLOAD_FINISHED) >= packages;
        },
        240000));
    EXPECT_TRUE(map.AllFinished());
    EXPECT_LE(worst.running, MAX_TRANSFERS);
    EXPECT_FALSE(worst.out_of_order) << "jobs begin in the order of the list";
    if (before.threads != 0) {
      EXPECT_LE(worst.threads, before.threads + MAX_TRANSFERS);
      // A socket and a file per transfer at most, and the recording window's own.
      EXPECT_LE(worst.open_files, before.open_files + 2 * MAX_TRANSFERS + 4);
    }
    std::size_t whole = 0;
    for (std::size_t i = 0; i < packages; ++i)
      if (read_bytes(downloads.path() / numbered("p", i)) == package_bytes(i, size)) ++whole;
    EXPECT_EQ(whole, packages);
    std::size_t errors = 0;
    {
      std::lock_guard lock(log_manager::instance());
      for (const auto& line : sink.lines) errors += line.rfind("[ERROR]", 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(errors, 0u);
  }
}

// 2.4 GB, more than the 2 GiB of address space a 32-bit launcher has for everything, in one
// update: memory does not follow the size of the update.
TEST(LargeUpdate, MoreBytesThanA32BitLauncherCanAddressArriveInItsAddressSpace) {
  if (!address_space_can_be_limited()) GTEST_SKIP() << "no address-space limit in this build";
  constexpr std::size_t packages = 96;
  constexpr std::size_t size = 25000000;
  temp_folder files;
  const std::string content = package_bytes(0, size);
  write_bytes(files.path() / "big.bin", content);
  const std::string base = start_nginx(files.path());
  ASSERT_FALSE(base.empty());
  temp_folder downloads;
  const auto r = run_child(DOWNLOAD_CHILD_PROGRAM,
                           {base + "/big.bin", platform::to_utf8(downloads.core_folder()), "big.bin"},
                           downloads.path(),
                           {{"LAUNCHER_REPORT_HOST", "127.0.0.1:1"},
                            {"DOWNLOAD_CHILD_JOBS", std::to_string(packages)},
                            {"DOWNLOAD_CHILD_ADDRESS_SPACE_MIB", "2048"}},
                           600000);
  const std::string tail = r.output.substr(r.output.size() - std::min<std::size_t>(r.output.size(), 3000));
  EXPECT_NE(r.output.find("address space limited to 2048 MiB"), std::string::npos) << tail;
  EXPECT_NE(r.output.find(numbered("finished jobs: ", packages)), std::string::npos) << tail;
  EXPECT_EQ(r.output.find("[ERROR]"), std::string::npos) << tail;
  const auto peak = r.output.find("peak resident MiB: ");
  ASSERT_NE(peak, std::string::npos) << tail;
  EXPECT_LT(std::stoul(r.output.substr(peak + 19)), 64u) << "far below one package per job";
  for (std::size_t i = 0; i < packages; ++i) {
    const auto file = downloads.path() / numbered("big.bin.", i);
    EXPECT_TRUE(read_bytes(file) == content) << file;
  }
}

}  // namespace
