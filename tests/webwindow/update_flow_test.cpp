// The update the page asks for, with real downloads from the project's server on loopback,
// real packages and the page's reports.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>

#include "download/packet_map.h"
#include "platform/clock.h"
#include "support/death_test_output.h"
#include "support/program_output.h"
#include "support/test_server.h"
#include "support/waiting.h"
#include "update/install_records.h"
#include "update/md5.h"
#include "test_packages.h"
#include "web_window_fixture.h"

namespace {

using namespace webwindow_testing;
using platform::variant;
using testing_support::read_bytes;
using testing_support::write_bytes;
namespace fs = std::filesystem;

struct UpdateFlow : WebWindowTest {
  testing_support::temp_folder serverRoot;
  std::vector<Package> packages;

  void SetUp() override {
    WebWindowTest::SetUp();
    verFileExisted = false;
    dlistMap.clear();
    headless::define_page_function(u"OnUpdateGame");
    headless::define_page_function(u"onGetDownloadProcess");
    const std::vector<std::pair<std::string, std::string>> made = {
        {"res.1", "res/a.txt"}, {"ui.2", "ui/b/c.txt"}, {"snd.3", "d.txt"}};
    unsigned seed = 7;
    for (const auto& [name, entry] : made) {
      Package p{name, entry, pseudoRandomText(1200, seed++), {}};
      makePackage(serverRoot.path() / name, {{entry, p.content}});
      p.bytes = read_bytes(serverRoot.path() / name);
      packages.push_back(p);
    }
  }

  std::u16string fileList(const std::string& base, bool lowerCaseDigests = false) {
    std::string list = base + "||";
    for (const auto& p : packages) {
      std::string digest = md5Of(p.bytes);
      if (lowerCaseDigests)
        for (auto& c : digest) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      list += digest + "|" + p.name + "||";
    }
    return platform::from_utf8(list);
  }

  static std::vector<headless::page_call> reports() {
    return headless::page_calls_of(u"onGetDownloadProcess");
  }
  static bool reported(std::uint32_t state) {
    for (const auto& call : reports())
      if (!call.arguments.empty() && call.arguments[0].ulVal == state) return true;
    return false;
  }
};

void expectStateReport(const headless::page_call& call, std::uint32_t state) {
  ASSERT_EQ(call.arguments.size(), 5u);
  EXPECT_EQ(call.arguments[0].ulVal, state);
  EXPECT_EQ(call.arguments[1].bstrVal, u"hjhk");
  for (int i = 2; i < 5; ++i) {
    EXPECT_EQ(call.arguments[i].vt, platform::variant_type::ui4);
    EXPECT_EQ(call.arguments[i].ulVal, 0u);
  }
}

TEST_F(UpdateFlow, ThreePackagesAreDownloadedReportedExtractedAndRecorded) {
  testing_support::test_server server(serverRoot.path());
  ASSERT_TRUE(server.running());
  createWindow();
  // One byte a millisecond: each download takes over a second, so progress is reported.
  headless::call_external(u"updateGame", {variant::text(fileList(server.base_url() + "/fault/drip=1/", true))});
  EXPECT_EQ(window->Packets().Count(), 3u);
  EXPECT_EQ(window->StartedJobCount(), 3);
  const auto first = headless::page_calls();
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(first[0].function, u"OnUpdateGame");
  ASSERT_EQ(first[0].arguments.size(), 1u);
  EXPECT_EQ(first[0].arguments[0].vt, platform::variant_type::ui4);
  EXPECT_EQ(first[0].arguments[0].ulVal, 0u);

  ASSERT_TRUE(headless::run_until([this] { return reported(5); }, 30000));
  const auto calls = reports();
  ASSERT_GE(calls.size(), 3u);
  expectStateReport(calls[calls.size() - 2], 4);
  expectStateReport(calls.back(), 5);
  std::size_t progress = 0;
  for (std::size_t i = 0; i + 2 < calls.size(); ++i) {
    const auto& a = calls[i].arguments;
    ASSERT_EQ(a.size(), 5u);
    EXPECT_EQ(a[0].ulVal, 2u);
    const auto named = std::find_if(packages.begin(), packages.end(), [&](const Package& p) {
      return platform::from_utf8(p.name) == a[1].bstrVal;
    });
    ASSERT_NE(named, packages.end());
    EXPECT_EQ(a[3].ulVal, named->bytes.size()) << "the total is the file's length";
    EXPECT_LT(a[2].ulVal, a[3].ulVal) << "only incomplete jobs are reported";
    EXPECT_EQ(a[4].vt, platform::variant_type::ui4);
    ++progress;
  }
  EXPECT_GE(progress, 1u);

  for (const auto& p : packages) {
    EXPECT_EQ(read_bytes(folder.path() / p.name), p.bytes);
    EXPECT_EQ(read_bytes(folder.path() / p.entry), p.content) << p.entry;
  }
  EXPECT_EQ(dlistMap, (std::map<std::u16string, std::u16string>{
                          {u"res", u"1"}, {u"ui", u"2"}, {u"snd", u"3"}}));
  EXPECT_EQ(window->CurrentUpdateState(), UPDATE_FINISHED);
  // Each address carries a cache breaker: "?" and a number below 10000.
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 3u);
  for (const auto& request : requests) {
    const auto mark = request.find('?');
    ASSERT_NE(mark, std::string::npos) << request;
    const auto number = request.substr(mark + 1, request.find(' ', mark) - mark - 1);
    EXPECT_FALSE(number.empty());
    EXPECT_LT(std::stoi(number), 10000);
  }
  EXPECT_EQ(linesTagged("INFO", "CWebWindow::ProcessDownloadCompleate"),
            std::vector<std::string>{"下载全部完成"});
}

TEST_F(UpdateFlow, InstalledPackagesNeedNoJobAndTheStateIsAskedFor) {
  for (const auto& p : packages) write_bytes(folder.path() / p.name, p.bytes);
  verFileExisted = true;
  dlistMap = {{u"res", u"1"}, {u"ui", u"2"}, {u"snd", u"3"}};
  createWindow();
  headless::call_external(u"updateGame", {variant::text(fileList("http://127.0.0.1:1/"))});
  EXPECT_EQ(window->Packets().Count(), 0u);
  ASSERT_EQ(headless::page_calls().size(), 1u);
  EXPECT_EQ(headless::page_calls()[0].function, u"OnUpdateGame");
  EXPECT_FALSE(headless::run_for(200));
  EXPECT_TRUE(reports().empty()) << "nothing is reported by itself";

  headless::call_external(u"getDownloadProcess", {});
  ASSERT_EQ(reports().size(), 1u);
  expectStateReport(reports()[0], 5);
  EXPECT_EQ(linesTagged("INFO", "CWebWindow::getDownloadProcess"),
            std::vector<std::string>{"getDownloadProcess Call"});

  headless::call_external(u"updateGame", {variant::text(fileList("http://127.0.0.1:1/"))});
  EXPECT_EQ(headless::page_calls_of(u"OnUpdateGame").size(), 1u) << "a second call only logs";
  EXPECT_EQ(linesTagged("DEBUG", "CWebWindow::updateGame").back(), "函数已经被调用");
}

TEST_F(UpdateFlow, ACallWithoutListsDoesNotUseUpTheOneUpdate) {
  for (const auto& p : packages) write_bytes(folder.path() / p.name, p.bytes);
  verFileExisted = true;
  dlistMap = {{u"res", u"1"}, {u"ui", u"2"}, {u"snd", u"3"}};
  createWindow();
  headless::call_external(u"updateGame", {});
  EXPECT_EQ(linesTagged("ERROR", "CWebWindow::updateGame"),
            std::vector<std::string>{"update game error, param error"});
  EXPECT_TRUE(headless::page_calls().empty());
  headless::call_external(u"updateGame", {variant::text(fileList("http://127.0.0.1:1/"))});
  EXPECT_EQ(headless::page_calls_of(u"OnUpdateGame").size(), 1u);
  EXPECT_EQ(window->UpdateMd5Map().size(), 3u);
}

TEST_F(UpdateFlow, NamesThatAreNotPlainFileNamesAreSkipped) {
  write_bytes(folder.path() / "keep.1", "precious");
  createWindow();
  window->SetPacketLauncher([](std::shared_ptr<transfer_queue>) {});
  const std::u16string list =
      u"http://127.0.0.1:1/||d|../keep.2||d|sub/x.1||d|sub\\x.1||d|c:x.1||d|..||d|.||"
      u"d|bad\u0001.1||d|fine.1||";
  headless::call_external(u"updateGame", {variant::text(list)});
  const auto errors = linesTagged("ERROR", "CWebWindow::updateGame");
  ASSERT_EQ(errors.size(), 7u);
  EXPECT_NE(errors[0].find("../keep.2"), std::string::npos) << errors[0];
  EXPECT_NE(errors[3].find("c:x.1"), std::string::npos) << errors[3];
  EXPECT_EQ(window->Packets().Count(), 1u) << "only fine.1";
  EXPECT_EQ(window->UpdateMd5Map().size(), 1u);
  EXPECT_EQ(read_bytes(folder.path() / "keep.1"), "precious");
}

TEST_F(UpdateFlow, APackageWhoseJobIsRefusedEndsTheUpdateAndKeepsTheInstalledVersion) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  write_bytes(folder.path() / "res.0", "installed");
  // An address of more than 255 bytes does not fit a job's record.
  const std::u16string list =
      u"http://127.0.0.1:1/" + std::u16string(250, u'a') + u"/||d|res.1||d|ui.2||";
  EXPECT_EXIT(
      {
        testing_support::StderrSink toStderr;
        createWindow();
        window->SetPacketLauncher([](std::shared_ptr<transfer_queue>) {});
        headless::call_external(u"updateGame", {variant::text(list)});
        std::exit(3);
      },
      ::testing::ExitedWithCode(0),
      testing_support::inOrder({"[CPacketMap::AddPacket]>> job refused", "res.1",
                                testing_support::download_failure_box(),
                                "[CWebWindow::updateGame]>> " +
                                    platform::to_ansi(testing_support::download_failure_text)}));
  EXPECT_EQ(read_bytes(folder.path() / "res.0"), "installed");
}

// Jobs whose workers the test plays, to drive the messages exactly.
struct ScriptedJobs : UpdateFlow {
  std::vector<std::shared_ptr<PacketJob>> jobs;

  void start() {
    createWindow();
    window->SetPacketLauncher([this](std::shared_ptr<transfer_queue> queue) {
      while (auto job = queue->take()) jobs.push_back(job);
    });
    headless::call_external(u"updateGame", {variant::text(fileList("http://127.0.0.1:1/"))});
    ASSERT_EQ(jobs.size(), 3u);
    headless::clear_page_calls();
  }
  // A job of a running transfer, or, with total 0, one still waiting for a worker.
  void set(std::size_t i, std::int32_t received, std::int32_t total) {
    jobs[i]->bufsize = received;
    jobs[i]->totalsize = total;
    jobs[i]->thread_status = total == 0 ? PACKET_CREATED : PACKET_RUNNING;
  }
  // Lets the 40 ms between accepted progress messages pass by the clock the window reads. Wine
  // moves that clock in steps of its own, which can lag a loaded machine's sleeps.
  static void let_the_throttle_pass() {
    const std::uint32_t from = platform::tick_count();
    ASSERT_TRUE(testing_support::wait_until(
        [from] { return platform::tick_count() - from > 45; }, 10000));
  }
};

TEST_F(ScriptedJobs, ProgressIsThrottledAndNamesTheFirstIncompleteJob) {
  start();
  set(0, 100, 100);
  set(1, 50, 200);
  set(2, 0, 300);
  let_the_throttle_pass();
  window->OnDLProgress();
  const std::uint32_t accepted = platform::tick_count();
  EXPECT_TRUE(reports().empty()) << "a job without bytes holds the report back";

  set(2, 10, 300);
  window->OnDLProgress();
  // A machine that stalled past the throttle here makes this one report early.
  const std::size_t early = platform::tick_count() - accepted <= 40 ? 0 : reports().size();
  if (early == 0) {
    EXPECT_TRUE(reports().empty()) << "within 40 ms of the last accepted message";
  }
  let_the_throttle_pass();
  window->OnDLProgress();
  // A job still waiting for a worker neither holds the report back nor is reported.
  set(0, 0, 0);
  let_the_throttle_pass();
  window->OnDLProgress();
  const auto made = reports();
  ASSERT_EQ(made.size(), early + 2);
  for (const auto& report : made) {
    const auto& a = report.arguments;
    ASSERT_EQ(a.size(), 5u);
    EXPECT_EQ(a[0].ulVal, 2u);
    EXPECT_EQ(a[1].bstrVal, u"ui.2");
    EXPECT_EQ(a[2].ulVal, 50u);
    EXPECT_EQ(a[3].ulVal, 200u);
  }
  EXPECT_EQ(window->CurrentUpdateState(), UPDATE_DOWNLOADING);
}

TEST_F(ScriptedJobs, ExtractionWaitsForEveryFinishedMessage) {
  start();
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    set(i, 10, 10);
    jobs[i]->thread_status = PACKET_DONE;
  }
  window->OnDLFinish(1);
  window->OnDLFinish(1);
  window->OnDLFinish(0);
  EXPECT_TRUE(reports().empty()) << "every status says finished, but job 2 may still be writing";
  window->OnDLFinish(2);
  ASSERT_EQ(reports().size(), 1u);
  expectStateReport(reports()[0], 4);
  window->OnDLFinish(2);
  EXPECT_EQ(reports().size(), 1u) << "state 4 is entered once";
  platform::kill_timer(window->Window(), TIMER_UNCOMPRESS);  // these packages do not exist
}

TEST_F(ScriptedJobs, AFinishedMessageOfAnUnknownJobEndsTheRun) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  start();
  EXPECT_EXIT(window->Proc(WM_DOWNLOAD_FINISHED, 7, 0), ::testing::ExitedWithCode(0),
              utf8(u"由于您的网络不稳定，程序下载数据失败，即将退出,请稍后再试"));
}

TEST_F(UpdateFlow, AWrongDigestEndsTheRunAndDeletesThePackage) {
  // The dying process must not start a server of its own: that one would outlive it and keep
  // its output open. Where it can, the dying process forks from here. Where death tests start
  // the test program again (Windows), the new process finds this server's address in the
  // environment; the packages it makes in SetUp are byte for byte the ones served here.
  GTEST_FLAG_SET(death_test_style, "fast");
  std::optional<testing_support::test_server> server;
  if (!std::getenv("UPDATE_FLOW_TEST_SERVER")) {
    server.emplace(serverRoot.path());
    ASSERT_TRUE(server->running());
    setenv("UPDATE_FLOW_TEST_SERVER", server->base_url().c_str(), 1);
  }
  const std::string serverAddress = std::getenv("UPDATE_FLOW_TEST_SERVER");
  std::u16string list = fileList(serverAddress + "/");
  list.replace(list.find(u"||") + 2, 1, list[list.find(u"||") + 2] == u'0' ? u"1" : u"0");
  EXPECT_EXIT(
      {
        createWindow();
        headless::call_external(u"updateGame", {variant::text(list)});
        headless::run_for(30000);
        std::exit(3);
      },
      ::testing::ExitedWithCode(0), utf8(u"微端数据校验失败，请重试"));
  unsetenv("UPDATE_FLOW_TEST_SERVER");
  EXPECT_FALSE(fs::exists(folder.path() / packages[0].name)) << "the bad package is deleted";
}

}  // namespace
