// Updates of a real game's size: thousands of packages, and more bytes than a 32-bit launcher
// has address space, from the project's test server and, on Linux, from Debian's nginx.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "download/packet_map.h"
#include "platform/text.h"
#include "support/address_space.h"
#include "support/child_program.h"
#include "support/temp_folder.h"
#include "update_servers.h"

namespace {

using namespace testing_support;

// prefix followed by the number, as the child program and these tests name packages.
std::string numbered(std::string prefix, std::size_t i) { return prefix.append(std::to_string(i)); }

// Package i's bytes: its own, so a package saved under another's name shows.
std::string package_bytes(std::size_t i, std::size_t size) {
  return random_bytes(size, static_cast<unsigned>(i) + 1);
}

// Runs an update of `packages` jobs in the child program (a worker that fails ends the whole
// process, which must not pass for a finished test) and returns its output.
child_result run_update(const std::string& url, const temp_folder& downloads, std::size_t packages,
                        std::map<std::string, std::string> environment = {}) {
  environment["LAUNCHER_REPORT_HOST"] = "127.0.0.1:1";
  environment["DOWNLOAD_CHILD_JOBS"] = std::to_string(packages);
  return run_child(DOWNLOAD_CHILD_PROGRAM, {url, platform::to_utf8(downloads.core_folder()), "p"},
                   downloads.path(), environment, 600000);
}

// The number after `label` in the output; -1 when the line is missing.
long figure(const std::string& output, const std::string& label) {
  const auto at = output.find(label);
  return at == std::string::npos ? -1 : std::stol(output.substr(at + label.size()));
}

// The last lines of the output, for failure messages.
std::string tail_of(const std::string& output) {
  return output.substr(output.size() - std::min<std::size_t>(output.size(), 3000));
}

// The update ended by itself, with every job finished and not one ERROR line.
void expect_finished_without_error(const child_result& r, std::size_t packages) {
  EXPECT_EQ(r.exit_code, 3) << tail_of(r.output);
  EXPECT_EQ(figure(r.output, "finished jobs: "), static_cast<long>(packages)) << tail_of(r.output);
  EXPECT_EQ(r.output.find("[ERROR]"), std::string::npos) << tail_of(r.output);
}

TEST(LargeUpdate, TwoThousandPackagesArriveWholeInListOrderOnABoundedNumberOfTransfers) {
  constexpr std::size_t packages = 2000;
  constexpr std::size_t size = 16 * 1024;
  temp_folder files;
  for (std::size_t i = 0; i < packages; ++i)
    write_bytes(files.path() / numbered("p", i), package_bytes(i, size));
  for (const auto& server : update_servers()) {
    SCOPED_TRACE(server.name);
    const std::string base = server.start(files.path());
    ASSERT_FALSE(base.empty());
    temp_folder downloads;
    const auto r = run_update(base + "/p{i}?7", downloads, packages);
    expect_finished_without_error(r, packages);
    EXPECT_NE(r.output.find("began out of order: no"), std::string::npos) << tail_of(r.output);
    // Where the system tells: a thread per transfer, a socket and a file per transfer at most,
    // so no more than the transfers allowed at once run.
    const long threads = figure(r.output, "threads before: ");
    if (threads > 0) {
      const long files_before = figure(r.output, "open files before: ");
      const auto most = [&](const std::string& label, long before) {
        return figure(r.output, label + std::to_string(before) + ", most: ");
      };
      EXPECT_LE(most("threads before: ", threads), threads + static_cast<long>(MAX_TRANSFERS));
      EXPECT_LE(most("open files before: ", files_before),
                files_before + 2 * static_cast<long>(MAX_TRANSFERS));
    }
    std::size_t whole = 0;
    for (std::size_t i = 0; i < packages; ++i)
      if (read_bytes(downloads.path() / numbered("p.", i)) == package_bytes(i, size)) ++whole;
    EXPECT_EQ(whole, packages);
  }
}

// 2.4 GB, more than the 2 GiB of address space a 32-bit launcher has for everything, in one
// update: memory does not follow the size of the update. A 32-bit test program has that
// address space by nature, a 64-bit one is limited to it.
TEST(LargeUpdate, MoreBytesThanA32BitLauncherCanAddressArriveInItsAddressSpace) {
  constexpr bool thirty_two_bit = sizeof(void*) == 4;
  if (!thirty_two_bit && !address_space_can_be_limited())
    GTEST_SKIP() << "a 64-bit build without an address-space limit";
  constexpr std::size_t packages = 96;
  constexpr std::size_t size = 25000000;
  temp_folder files;
  const std::string content = package_bytes(0, size);
  write_bytes(files.path() / "big.bin", content);
  const std::string base = update_servers().back().start(files.path());
  ASSERT_FALSE(base.empty());
  temp_folder downloads;
  std::map<std::string, std::string> environment;
  if (!thirty_two_bit) environment["DOWNLOAD_CHILD_ADDRESS_SPACE_MIB"] = "2048";
  const auto r = run_update(base + "/big.bin", downloads, packages, environment);
  if (!thirty_two_bit) {
    EXPECT_NE(r.output.find("address space limited to 2048 MiB"), std::string::npos)
        << tail_of(r.output);
  }
  expect_finished_without_error(r, packages);
  // Where the system tells (0 where it does not).
  const long peak = figure(r.output, "peak resident MiB: ");
  EXPECT_GE(peak, 0) << tail_of(r.output);
  EXPECT_LT(peak, 64) << "far below one package per job";
  for (std::size_t i = 0; i < packages; ++i) {
    const auto file = downloads.path() / numbered("p.", i);
    EXPECT_TRUE(read_bytes(file) == content) << file;
  }
}

}  // namespace
