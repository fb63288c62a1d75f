// Runs download jobs the way the launcher does and waits for them, so that a test can watch a
// worker end the whole process. Arguments: url, folder (core form, ending in "\"), name.
// Prints "window=<handle>" first. When the loop ends without the process having been ended it
// prints "finished jobs: <n>", its peak resident memory and "worker left the process running"
// and exits with 3.
// DOWNLOAD_CHILD_JOBS=N runs N jobs of the url, saved as name.0, name.1, ...; "{i}" in the url
// stands for the job's number. While they run, the child watches whether they begin in list
// order, and its threads and open files, and prints the worst it saw at the end.
// DOWNLOAD_CHILD_ADDRESS_SPACE_MIB=M (or +M: M more than is in use at start) first lays the
// process out as a 32-bit launcher with M MiB of address space (support/address_space.h).
// DOWNLOAD_CHILD_REFUSED_THREAD=N: from the Nth worker on (counting from 1) no thread can be
// had, as on a system that has no room for another.
// DOWNLOAD_CHILD_TRANSFERS=T runs at most T transfers at once instead of the launcher's number.
// DOWNLOAD_CHILD_FILE_LIMIT=B makes writes past B bytes of a file fail as on a full disk.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <system_error>

#include "download/packet_map.h"
#include "log/log_manager.h"
#include "platform/headless/headless_desktop.h"
#include "platform/text.h"
#include "support/address_space.h"
#include "support/file_facts.h"

namespace {

bool limit_from_environment() {
  const char* text = std::getenv("DOWNLOAD_CHILD_ADDRESS_SPACE_MIB");
  if (text == nullptr) return true;
  const bool relative = *text == '+';
  std::uint64_t bytes = std::strtoull(text + (relative ? 1 : 0), nullptr, 10) << 20;
  if (relative) bytes += testing_support::address_space_in_use();
  if (!testing_support::limit_address_space(bytes)) return false;
  std::printf("address space limited to %llu MiB\n",
              static_cast<unsigned long long>(bytes >> 20));
  return true;
}

packet_launcher launcher_from_environment() {
  const char* text = std::getenv("DOWNLOAD_CHILD_REFUSED_THREAD");
  if (text == nullptr) return launch_worker_thread;
  const int refused_from = std::atoi(text);
  auto asked = std::make_shared<int>(0);
  return worker_thread_launcher([refused_from, asked](std::function<void()> body) {
    if (++*asked >= refused_from)
      throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    start_detached_thread(std::move(body));
  });
}

// The url of job i: "{i}" replaced by its number.
std::string job_url(std::string url, int i) {
  if (const auto at = url.find("{i}"); at != std::string::npos) url.replace(at, 3, std::to_string(i));
  return url;
}

struct worst_seen {
  bool out_of_order = false;
  testing_support::process_load load;
};

// Jobs begin in list order when no job has begun while an earlier one still waits. The walk
// goes from the last job to the first: a job seen begun means every earlier one has begun by
// the time it is read, so the walk cannot see a disorder that was not there.
void sample(const CPacketMap& map, worst_seen& worst) {
  bool begun_seen = false;
  for (auto id = static_cast<std::int32_t>(map.Count()) - 1; id >= 0; --id) {
    const bool begun = map.Find(id)->GetJob()->thread_status.load() != PACKET_CREATED;
    if (begun) begun_seen = true;
    else if (begun_seen) worst.out_of_order = true;
  }
  const auto load = testing_support::current_load();
  worst.load.threads = std::max(worst.load.threads, load.threads);
  worst.load.open_files = std::max(worst.load.open_files, load.open_files);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: download_child url folder name\n");
    return 2;
  }
  auto& log = log_manager::instance();
  log.set_threshold(LOG_DEBUG);
  log.echo_to_stdout = true;

  platform::headless::recording_window window;
  std::printf("window=%lu\n", static_cast<unsigned long>(window.handle()));
  std::fflush(stdout);

  const char* jobs_text = std::getenv("DOWNLOAD_CHILD_JOBS");
  const int jobs = jobs_text ? std::atoi(jobs_text) : 1;
  CPacketMap map;
  for (int i = 0; i < jobs; ++i) {
    std::string name = argv[3];
    if (jobs != 1) name.append(".").append(std::to_string(i));
    if (map.AddPacket(window.handle(), platform::from_utf8(argv[2]), platform::from_utf8(name),
                      platform::from_utf8(job_url(argv[1], i)), u"bin") == nullptr)
      return 4;
  }
  if (!limit_from_environment()) {
    std::printf("cannot limit the address space\n");
    return 5;
  }
  if (const char* limit = std::getenv("DOWNLOAD_CHILD_FILE_LIMIT")) {
    const auto reason = testing_support::limit_file_size(std::strtoull(limit, nullptr, 10));
    std::printf("file size limited: %s\n", reason ? reason->c_str() : "no such limit here");
  }
  const auto before = testing_support::current_load();
  std::fflush(stdout);
  const char* transfers = std::getenv("DOWNLOAD_CHILD_TRANSFERS");
  map.StartAll(launcher_from_environment(),
               transfers ? std::strtoul(transfers, nullptr, 10) : MAX_TRANSFERS);
  worst_seen worst;
  platform::headless::run_until(
      [&] {
        sample(map, worst);
        return window.count(WM_DOWNLOAD_FINISHED) >= static_cast<std::size_t>(jobs);
      },
      300000);
  std::printf("finished jobs: %zu\n", window.count(WM_DOWNLOAD_FINISHED));
  std::printf("began out of order: %s\n", worst.out_of_order ? "yes" : "no");
  std::printf("threads before: %zu, most: %zu\n", before.threads, worst.load.threads);
  std::printf("open files before: %zu, most: %zu\n", before.open_files, worst.load.open_files);
  std::printf("peak resident MiB: %llu\n",
              static_cast<unsigned long long>(testing_support::peak_resident_bytes() >> 20));
  std::printf("worker left the process running\n");
  return 3;
}
