#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <system_error>
#include <vector>

#include "download/packet_map.h"
#include "log/log_manager.h"
#include "log/recording_sink.h"
#include "platform/headless/headless_desktop.h"
#include "platform/text.h"
#include "support/address_space.h"
#include "support/child_program.h"
#include "support/file_facts.h"
#include "support/program_output.h"
#include "support/temp_folder.h"
#include "support/test_authority.h"
#include "support/test_server.h"

namespace {

using namespace testing_support;
using platform::headless::recording_window;

// Bytes that differ from their neighbours and repeat only every 65,521 bytes (a prime), so a
// piece stored at the wrong place shows.
std::string pattern_bytes(std::size_t n) {
  std::string block(65521, '\0');
  for (std::size_t i = 0; i < block.size(); ++i)
    block[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  std::string bytes;
  bytes.reserve(n);
  while (bytes.size() < n) bytes.append(block, 0, std::min(block.size(), n - bytes.size()));
  return bytes;
}

// The whole file in one read: a byte-wise read of 28 MiB is slow in the sanitizer builds.
std::string file_bytes(const std::filesystem::path& file) {
  std::error_code error;
  const auto size = std::filesystem::file_size(file, error);
  if (error) return "<missing>";
  std::string bytes(static_cast<std::size_t>(size), '\0');
  std::ifstream in(file, std::ios::binary);
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

// Log lines as the logger hands them out; read under the logger's lock since workers write.
struct log_capture {
  recording_sink sink;
  std::vector<std::string> lines() const {
    std::lock_guard lock(log_manager::instance());
    return sink.lines;
  }
  std::size_t count(const std::string& text) const {
    const auto all = lines();
    return static_cast<std::size_t>(std::count_if(all.begin(), all.end(), [&](const auto& l) {
      return l.find(text) != std::string::npos;
    }));
  }
};

class WorkerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // Set once: workers of earlier tests may still be logging.
    setenv("LAUNCHER_REPORT_HOST", "127.0.0.1:1", 1);
    log_manager::instance().set_threshold(LOG_DEBUG);
  }

  void SetUp() override {
    ASSERT_TRUE(server.running());
    platform::headless::clear_shown_boxes();
  }

  std::string url(const std::string& path) const { return server.base_url() + path; }

  // Adds one job for name (saved into folder + subfolder) and starts it.
  CPacket* start(const std::string& address, const std::u16string& name,
                 const std::u16string& subfolder = u"") {
    CPacket* p = map.AddPacket(window.handle(), downloads.core_folder() + subfolder, name,
                               platform::from_utf8(address), u"bin");
    if (p != nullptr) map.StartAll();
    return p;
  }

  bool wait_finished(std::size_t n, std::uint32_t limit_ms = 30000) {
    return platform::headless::run_until(
        [&] { return window.count(WM_DOWNLOAD_FINISHED) >= n; }, limit_ms);
  }

  temp_folder files;
  temp_folder downloads;
  test_server server{files.path()};
  recording_window window;
  CPacketMap map;
  log_capture log;
};

TEST_F(WorkerTest, CutFirstAttemptIsFollowedByOneWithTheBareRangeAndTheWholeFileIsSaved) {
  const std::string content = pattern_bytes(1000);
  write_bytes(files.path() / "a.bin", content);
  start(url("/fault/cut=700+full/a.bin?12345"), u"a.bin");
  ASSERT_TRUE(wait_finished(1));

  EXPECT_EQ(read_bytes(downloads.path() / "a.bin"), content);
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(request_header(requests[0], "Range"), "");
  EXPECT_EQ(request_header(requests[1], "Range"), "Range: 700");

  const PacketJob& job = *map.First()->GetJob();
  EXPECT_EQ(job.bufsize.load(), 1000);
  EXPECT_EQ(job.totalsize.load(), 1000);
  EXPECT_EQ(job.retry_cnt.load(), 1);
  EXPECT_EQ(job.thread_status.load(), PACKET_DONE);
  EXPECT_TRUE(map.IsFinished(0));
  EXPECT_TRUE(map.AllFinished());
  EXPECT_EQ(map.TotalReceived(), 1000u);

  const auto finished = window.received();
  const auto it = std::find_if(finished.begin(), finished.end(),
                               [](const auto& m) { return m.message == WM_DOWNLOAD_FINISHED; });
  ASSERT_NE(it, finished.end());
  EXPECT_EQ(it->wparam, 0u);
  EXPECT_EQ(it->lparam, 0);

  EXPECT_EQ(log.count("[ThreadProc]>> Redownload, start pos=700"), 1u);
  EXPECT_EQ(log.count("[ThreadProc]>> Recv buffer_size >= file_total_size, break, download finish!"), 1u);
  EXPECT_EQ(log.count("[ThreadProc]>> Retry_cnt=1, id=0, bufsize=1000, totalsize=1000"), 1u);
  EXPECT_EQ(log.count("[ThreadProc]>> thread_status=3, id=0"), 1u);
  EXPECT_EQ(log.count("[ThreadProc]>> " + platform::to_ansi(u"保存文件:") +
                      platform::to_ansi(downloads.core_folder()) + "a.bin, id=0"),
            1u);
  EXPECT_TRUE(platform::headless::shown_boxes().empty());
}

// A server that goes quiet, before its answer or in the middle of the body, holds a worker only
// for the response or read time-out; the next attempt fetches the rest.
TEST_F(WorkerTest, AServerThatGoesQuietIsLeftAfterItsTimeOutAndTheFileStillArrivesWhole) {
  const std::string content = pattern_bytes(1000);
  write_bytes(files.path() / "a.bin", content);
  const struct {
    std::string steps, name, secondRange;
  } cases[] = {{"silent+full", "before.bin", ""}, {"stall=700+full", "within.bin", "Range: 700"}};
  for (const auto& c : cases) {
    map.AddPacket(window.handle(), downloads.core_folder(), platform::from_utf8(c.name),
                  platform::from_utf8(url("/fault/" + c.steps + "/a.bin")), u"bin");
  }
  map.StartAll();
  ASSERT_TRUE(wait_finished(std::size(cases)));
  EXPECT_TRUE(map.AllFinished());
  const auto requests = server.requests();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.steps);
    EXPECT_EQ(read_bytes(downloads.path() / c.name), content);
    std::vector<std::string> ranges;
    for (const auto& r : requests)
      if (r.find("GET /fault/" + c.steps + "/") == 0) ranges.push_back(request_header(r, "Range"));
    EXPECT_EQ(ranges, (std::vector<std::string>{"", c.secondRange}));
  }
  EXPECT_TRUE(platform::headless::shown_boxes().empty());
}

TEST_F(WorkerTest, SeveralJobsRunAtOnceAndEachReportsItsOwnId) {
  const std::vector<std::string> contents = {pattern_bytes(5000), pattern_bytes(70000),
                                             pattern_bytes(1)};
  const std::u16string names[] = {u"one.bin", u"sub\\two.bin", u"包.bin"};
  std::filesystem::create_directories(downloads.path() / "sub");
  for (std::size_t i = 0; i < 3; ++i) {
    const std::string plain = i == 1 ? "two.bin" : i == 0 ? "one.bin" : "three.bin";
    write_bytes(files.path() / plain, contents[i]);
    map.AddPacket(window.handle(), downloads.core_folder(), names[i],
                  platform::from_utf8(url("/" + plain)), u"bin");
  }
  map.StartAll();
  ASSERT_TRUE(wait_finished(3));
  EXPECT_TRUE(map.AllFinished());
  EXPECT_EQ(map.TotalReceived(), 75001u);
  EXPECT_EQ(read_bytes(downloads.path() / "one.bin"), contents[0]);
  EXPECT_EQ(read_bytes(downloads.path() / "sub" / "two.bin"), contents[1]);
  EXPECT_EQ(read_bytes(downloads.path() / std::filesystem::path(u"包.bin")), contents[2]);
  std::vector<std::uintptr_t> ids;
  for (const auto& m : window.received())
    if (m.message == WM_DOWNLOAD_FINISHED) ids.push_back(m.wparam);
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(ids, (std::vector<std::uintptr_t>{0, 1, 2}));
}

TEST_F(WorkerTest, ReadsCloserThanTheIntervalPostAtMostOneProgressMessage) {
  write_bytes(files.path() / "three.bin", "abc");
  start(url("/fault/drip=200/three.bin"), u"three.bin");
  ASSERT_TRUE(wait_finished(1));
  EXPECT_EQ(read_bytes(downloads.path() / "three.bin"), "abc");
  EXPECT_LE(window.count(WM_DOWNLOAD_PROGRESS), 1u);
}

TEST_F(WorkerTest, ASlowBodyPostsProgressWhileItArrives) {
  write_bytes(files.path() / "slow.bin", "abcdefgh");
  start(url("/fault/drip=200/slow.bin"), u"slow.bin");
  ASSERT_TRUE(wait_finished(1));
  // About 1.6 s of body: two or three messages, never one per read.
  const auto progress = window.count(WM_DOWNLOAD_PROGRESS);
  EXPECT_GE(progress, 1u);
  EXPECT_LE(progress, 4u);
  for (const auto& m : window.received()) {
    if (m.message != WM_DOWNLOAD_PROGRESS) continue;
    EXPECT_EQ(m.wparam, 0u);
    EXPECT_EQ(m.lparam, 0);
  }
}

TEST_F(WorkerTest, TheLargestAcceptedBodyIsSaved) {
  const std::string content = pattern_bytes(static_cast<std::size_t>(MAX_PACKET_BYTES) - 1);
  write_bytes(files.path() / "big.bin", content);
  start(url("/big.bin"), u"big.bin");
  ASSERT_TRUE(wait_finished(1, 120000));
  EXPECT_TRUE(file_bytes(downloads.path() / "big.bin") == content);
  EXPECT_EQ(map.First()->GetReceived(), MAX_PACKET_BYTES - 1);
  EXPECT_TRUE(platform::headless::shown_boxes().empty());
}

TEST_F(WorkerTest, AFileThatCannotBeSavedIsLoggedWithTheReasonAndStillReportedFinished) {
  write_bytes(files.path() / "a.bin", "payload");
  const std::u16string folder = downloads.core_folder() + u"no-such-folder\\";
  const std::string path = platform::to_ansi(folder + u"a.bin");
  map.AddPacket(window.handle(), folder, u"a.bin", platform::from_utf8(url("/a.bin")), u"bin");
  map.StartAll();
  // Without the message the update would wait for it for ever.
  ASSERT_TRUE(wait_finished(1));
  const std::string line = "[ThreadProc]>> cannot save file:" + path + ", reason=";
  ASSERT_EQ(log.count(line), 1u);
  for (const auto& l : log.lines()) {
    if (l.find(line) == std::string::npos) continue;
    EXPECT_NE(l.find("[ERROR]"), std::string::npos) << l;
    EXPECT_GT(l.size(), l.find(line) + line.size() + 6) << "a reason is given: " << l;
    EXPECT_EQ(l.substr(l.size() - 6), ", id=0") << l;
  }
  EXPECT_TRUE(map.IsFinished(0)) << "the job is over";
  EXPECT_TRUE(platform::headless::shown_boxes().empty()) << "the package check shows the box";
  EXPECT_FALSE(std::filesystem::exists(downloads.path() / "no-such-folder"));
}

// A folder with characters the ANSI code page lacks (Korean on a Chinese Windows): the record's
// narrow name holds "?" for them, yet the worker saves the file where it belongs.
TEST_F(WorkerTest, AFolderOutsideTheCodePageStillGetsItsFile) {
  std::filesystem::create_directories(downloads.path() / std::filesystem::path(u"게임"));
  write_bytes(files.path() / "a.bin", "payload");
  start(url("/a.bin"), u"a.bin", u"게임\\");
  ASSERT_TRUE(wait_finished(1));
  EXPECT_EQ(read_bytes(downloads.path() / std::filesystem::path(u"게임") / "a.bin"), "payload");
  EXPECT_EQ(std::string(map.First()->GetJob()->lpName),
            platform::to_ansi(downloads.core_folder() + u"게임\\a.bin"));
}

// The fatal paths end the process, so they run in a child program of their own.
class FatalWorkerTest : public WorkerTest {
 protected:
  child_result run(const std::string& address, const std::string& name = "a.bin",
                   std::map<std::string, std::string> environment = {}) {
    environment["LAUNCHER_REPORT_HOST"] = "127.0.0.1:1";
    return run_child(DOWNLOAD_CHILD_PROGRAM,
                     {address, platform::to_utf8(downloads.core_folder()), name},
                     downloads.path(), environment, 240000);
  }

  static std::string window_of(const child_result& r) {
    const auto at = r.output.find("window=");
    if (at == std::string::npos) return "?";
    const auto digits = r.output.find_first_not_of("0123456789", at + 7);
    return r.output.substr(at + 7, digits == std::string::npos ? digits : digits - at - 7);
  }

  static void expect_ended_by_worker(const child_result& r) {
    EXPECT_EQ(r.exit_code, 0) << r.output;
    EXPECT_EQ(r.output.find("worker left the process running"), std::string::npos);
    // The process ends at once, before a sanitizer's summary could change its exit code.
    EXPECT_EQ(r.output.find("WARNING: ThreadSanitizer"), std::string::npos) << r.output;
  }
};

TEST_F(FatalWorkerTest, NotFoundOnALaterAttemptEndsTheProcessWithTheNotFoundBox) {
  write_bytes(files.path() / "a.bin", pattern_bytes(1000));
  const std::string address = url("/fault/cut=300+status=404/a.bin?77");
  const auto r = run(address);
  expect_ended_by_worker(r);
  EXPECT_EQ(count_of(r.output, box_line(u"提示", u"请求的资源(" + platform::from_utf8(address) + u")不存在，请联系GM!", "0")), 1u)
      << r.output;
  EXPECT_EQ(count_of(r.output, "[ERROR]"), 1u) << r.output;
  EXPECT_EQ(count_of(r.output, "[ThreadProc]>> request resource not found:" + address), 1u);
  EXPECT_EQ(count_of(r.output, "Redownload, start pos=300"), 1u);
  EXPECT_EQ(server.requests().size(), 2u) << "no attempt after the 404";
  EXPECT_FALSE(std::filesystem::exists(downloads.path() / "a.bin"));
}

TEST_F(FatalWorkerTest, FiveResponsesWithoutLengthEndWithTheFileLengthBox) {
  write_bytes(files.path() / "a.bin", pattern_bytes(1000));
  const auto r = run(url("/fault/nolength/a.bin"));
  expect_ended_by_worker(r);
  EXPECT_EQ(count_of(r.output, "[ThreadProc]>> Content Length is empty, id=0"), 5u) << r.output;
  EXPECT_EQ(count_of(r.output, "[ThreadProc]>> no file length after 5 attempts, url="), 1u);
  EXPECT_EQ(count_of(r.output, box_line(u"更新错误", u"获取文件长度失败", window_of(r))), 1u)
      << r.output;
  EXPECT_EQ(server.requests().size(), 5u);
}

TEST_F(FatalWorkerTest, ABodyOfTheFullBufferIsRefusedAsTooLarge) {
  write_bytes(files.path() / "big.bin", pattern_bytes(static_cast<std::size_t>(MAX_PACKET_BYTES)));
  const auto r = run(url("/big.bin"), "big.bin");
  expect_ended_by_worker(r);
  EXPECT_EQ(count_of(r.output, "[ERROR]"), 1u) << r.output;
  EXPECT_EQ(count_of(r.output, "[ThreadProc]>> file too large! max size=29360128, filesize:29360128"), 1u)
      << r.output;
  EXPECT_EQ(count_of(r.output, box_line(u"错误", u"文件过大，更新失败", "0")), 1u) << r.output;
  EXPECT_FALSE(std::filesystem::exists(downloads.path() / "big.bin"));
  EXPECT_FALSE(std::filesystem::exists(downloads.path() / "big.bin~")) << "nor its partial file";
}

TEST_F(FatalWorkerTest, ABodyBeyondTheBufferStopsAtItsEndAndIsRefused) {
  write_bytes(files.path() / "big.bin",
              pattern_bytes(static_cast<std::size_t>(MAX_PACKET_BYTES) + 5000));
  const auto r = run(url("/big.bin"), "big.bin");
  expect_ended_by_worker(r);
  EXPECT_EQ(count_of(r.output, "[ThreadProc]>> Buffer not large enough!, bufsize=29360128, total=29360128, id=0"), 1u)
      << r.output;
  EXPECT_EQ(count_of(r.output, "file too large! max size=29360128, filesize:29360128"), 1u);
  EXPECT_EQ(count_of(r.output, box_line(u"错误", u"文件过大，更新失败", "0")), 1u);
}

TEST_F(FatalWorkerTest, AnHttpsAddressWithARefusedCertificateFailsFiveRequestsWithTheReasonOnce) {
  const test_authority authority;
  ASSERT_TRUE(authority.ready());
  const test_server secure(files.path(), authority.server_options(server_certificate::self_signed));
  ASSERT_TRUE(secure.running());
  const std::string address = secure.secure_base_url() + "/a.bin";
  const auto r = run(address + "?player=secret");
  expect_ended_by_worker(r);
  EXPECT_EQ(count_of(r.output, "[ThreadProc]>> HTTPClientSendRequest FAIL:, id=0"), 5u) << r.output;
  // Once, and without the query.
  EXPECT_EQ(count_of(r.output, "[ThreadProc]>> secure connection failed: the certificate is "
                                  "self-signed and not trusted, url=" + address + ", id=0"),
            1u)
      << r.output;
  EXPECT_EQ(count_of(r.output, "[ERROR]"), 2u) << "the reason once, then the outcome";
  EXPECT_EQ(count_of(r.output,
                        box_line(u"更新错误", u"由于您的网络不稳定，程序请求数据更新失败，即将退出",
                                 window_of(r))),
            1u)
      << r.output;
  EXPECT_TRUE(secure.requests().empty()) << "no request goes out on a refused session";
}

TEST_F(FatalWorkerTest, ASessionBrokenInEveryBodyIsLoggedWithItsReasonOnce) {
  const test_authority authority;
  ASSERT_TRUE(authority.ready());
  write_bytes(files.path() / "a.bin", pattern_bytes(5000));
  const test_server secure(files.path(), authority.server_options(server_certificate::good));
  ASSERT_TRUE(secure.running());
  const auto r = run(secure.secure_base_url() + "/fault/garble=700/a.bin");
  expect_ended_by_worker(r);
  EXPECT_EQ(count_of(r.output, "Redownload, start pos="), 4u) << r.output;
  const std::string reason = "[ThreadProc]>> secure connection failed: receiving failed: ";
  ASSERT_EQ(count_of(r.output, reason), 1u) << r.output;
  const auto at = r.output.find(reason);
  const auto line = r.output.rfind('\n', at) + 1;
  const std::string reason_line = r.output.substr(line, r.output.find('\n', at) - line);
  EXPECT_EQ(reason_line.substr(0, 7), "[INFO ]") << "a broken session is no operator's fault";
  EXPECT_NE(reason_line.find("/fault/garble=700/a.bin, id=0"), std::string::npos) << reason_line;
}

TEST_F(FatalWorkerTest, ABodyCutOnEveryAttemptEndsWithTheDownloadFailureBoxThenTheErrorLine) {
  write_bytes(files.path() / "a.bin", pattern_bytes(1000));
  const auto r = run(url("/fault/cut=700/a.bin"));
  expect_ended_by_worker(r);
  EXPECT_EQ(count_of(r.output, "Redownload, start pos=700"), 4u) << r.output;
  EXPECT_EQ(count_of(r.output, "[ThreadProc]>> Retry_cnt=5, id=0, bufsize=700, totalsize=1000"), 1u);
  EXPECT_EQ(count_of(r.output, "[ThreadProc]>> thread_status=4, id=0"), 1u) << r.output;
  const auto outcome = r.output.find("[ThreadProc]>> download failed after 5 attempts, url=");
  const auto box = r.output.find(download_failure_box(window_of(r)));
  // Log text is in the ANSI code page.
  const auto error = r.output.find("[ThreadProc]>> " + platform::to_ansi(download_failure_text));
  ASSERT_NE(box, std::string::npos) << r.output;
  ASSERT_NE(error, std::string::npos) << r.output;
  EXPECT_LT(outcome, box) << "the outcome is logged before the box, which may wait for ever";
  EXPECT_LT(box, error) << "the error line follows the closed box";
  EXPECT_EQ(server.requests().size(), 5u);
}

// A 32-bit launcher has 2 GiB of address space for everything, its workers included. A
// 32-bit test program has them by nature, a 64-bit one is limited to them.
TEST_F(FatalWorkerTest, TwoHundredSmallPackagesRunAtOnceInTheAddressSpaceOfA32BitLauncher) {
  constexpr bool thirty_two_bit = sizeof(void*) == 4;
  if (!thirty_two_bit && !address_space_can_be_limited())
    GTEST_SKIP() << "a 64-bit build without an address-space limit";
  const std::string content = pattern_bytes(200000);
  write_bytes(files.path() / "p.bin", content);
  std::map<std::string, std::string> environment = {{"DOWNLOAD_CHILD_JOBS", "200"}};
  if (!thirty_two_bit) environment["DOWNLOAD_CHILD_ADDRESS_SPACE_MIB"] = "2048";
  const auto r = run(url("/p.bin"), "p.bin", environment);
  const std::string tail = r.output.substr(r.output.size() - std::min<std::size_t>(r.output.size(), 3000));
  EXPECT_EQ(r.exit_code, 3) << tail;
  if (!thirty_two_bit) {
    EXPECT_EQ(count_of(r.output, "address space limited to 2048 MiB"), 1u) << tail;
  }
  EXPECT_EQ(count_of(r.output, "finished jobs: 200"), 1u) << tail;
  EXPECT_EQ(count_of(r.output, "[ERROR]"), 0u) << tail;
  for (int i = 0; i < 200; ++i) {
    const std::string name = "p.bin." + std::to_string(i);
    EXPECT_TRUE(file_bytes(downloads.path() / name) == content) << name;
  }
}

// A body goes to disk as it arrives: 25 MB fit where the address space left holds less.
TEST_F(FatalWorkerTest, ABodyLargerThanTheAddressSpaceLeftArrivesWhole) {
  if (!address_space_can_be_limited()) GTEST_SKIP() << "no address-space limit in this build";
  const std::string content = pattern_bytes(25000000);
  write_bytes(files.path() / "a.bin", content);
  const auto r = run(url("/a.bin"), "a.bin", {{"DOWNLOAD_CHILD_ADDRESS_SPACE_MIB", "+20"}});
  EXPECT_EQ(count_of(r.output, "finished jobs: 1"), 1u) << r.output;
  EXPECT_EQ(count_of(r.output, "[ERROR]"), 0u) << r.output;
  EXPECT_TRUE(file_bytes(downloads.path() / "a.bin") == content);
  EXPECT_FALSE(std::filesystem::exists(downloads.path() / "a.bin~"));
}

// A disk that fills in the middle of a body: the reason is logged, the partial file removed,
// and the finished message still lets the package check end the update.
TEST_F(FatalWorkerTest, ADiskThatFillsWithinTheBodyIsLoggedAndLeavesNoPartialFile) {
  write_bytes(files.path() / "a.bin", pattern_bytes(300000));
  const auto r = run(url("/a.bin"), "a.bin", {{"DOWNLOAD_CHILD_FILE_LIMIT", "100000"}});
  const auto said = r.output.find("file size limited: ");
  ASSERT_NE(said, std::string::npos) << r.output;
  // The line ends in "\r\n" on Windows.
  const std::string reason =
      r.output.substr(said + 19, r.output.find_first_of("\r\n", said) - said - 19);
  if (reason == "no such limit here") GTEST_SKIP() << reason;
  EXPECT_EQ(count_of(r.output, "finished jobs: 1"), 1u) << r.output;
  EXPECT_EQ(count_of(r.output, "[ERROR]"), 1u) << r.output;
  const std::string path = platform::to_ansi(downloads.core_folder()) + "a.bin";
  EXPECT_EQ(count_of(r.output, "[ThreadProc]>> cannot save file:" + path + ", reason=" +
                                      reason + " ("),
            1u)
      << r.output;
  EXPECT_EQ(count_of(r.output, "thread_status=3, id=0"), 1u);
  EXPECT_FALSE(std::filesystem::exists(downloads.path() / "a.bin"));
  EXPECT_FALSE(std::filesystem::exists(downloads.path() / "a.bin~"));
}

TEST_F(FatalWorkerTest, AWorkerThatCannotBeStartedEndsTheUpdateLikeAFailedDownload) {
  // The second of three workers gets no thread (nor would any later one: one line means the
  // update ended there); the first waits for a silent server meanwhile.
  const auto r = run(url("/fault/silent/a.bin"), "a.bin",
                     {{"DOWNLOAD_CHILD_JOBS", "3"}, {"DOWNLOAD_CHILD_REFUSED_THREAD", "2"}});
  expect_ended_by_worker(r);
  const std::system_error refused(std::make_error_code(std::errc::resource_unavailable_try_again));
  const std::string line = "[CPacket::Start]>> cannot start the download worker: ";
  EXPECT_EQ(count_of(r.output, line), 1u) << r.output;
  EXPECT_EQ(count_of(r.output, line + refused.what()), 1u) << r.output;
  EXPECT_EQ(count_of(r.output, download_failure_box(window_of(r))), 1u);
}

TEST_F(WorkerTest, ALaterResponseLongerThanTheFirstAnnouncedIsSavedWhole) {
  // The first response announces 1,000 bytes and is cut; the second brings all 5,000.
  const std::string content = pattern_bytes(5000);
  write_bytes(files.path() / "a.bin", content);
  start(url("/fault/length=1000,cut=700+full/a.bin"), u"a.bin");
  ASSERT_TRUE(wait_finished(1));
  EXPECT_EQ(read_bytes(downloads.path() / "a.bin"), content);
  EXPECT_EQ(map.First()->GetTotalSize(), 1000);
}

}  // namespace
