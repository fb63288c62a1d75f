#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "download/packet_map.h"
#include "log/log_manager.h"
#include "log/recording_sink.h"
#include "platform/text.h"

namespace {

// Stands in for the worker threads: counts them and takes the waiting records in the order
// workers would, so the test can play the worker.
struct recorded_workers {
  std::size_t started = 0;
  std::vector<std::shared_ptr<PacketJob>> jobs;
  packet_launcher launcher() {
    return [this](std::shared_ptr<transfer_queue> queue) {
      ++started;
      while (auto job = queue->take()) jobs.push_back(std::move(job));
    };
  }
};

struct PacketMapTest : ::testing::Test {
  void SetUp() override {
    setenv("LAUNCHER_REPORT_HOST", "127.0.0.1:1", 1);  // nothing listens: reports fail at once
    log_manager::instance().set_threshold(LOG_DEBUG);
  }
  void TearDown() override { log_manager::instance().set_threshold(LOG_ERROR); }

  CPacket* add(const std::u16string& name) {
    return map.AddPacket(0x10000, u"C:\\Game\\", name, u"http://127.0.0.1/" + name, u"zip");
  }

  CPacketMap map;
  recorded_workers workers;
};

TEST_F(PacketMapTest, IdsFollowTheOrderOfAdditionAndTheWalkEndsForGood) {
  EXPECT_EQ(map.First(), nullptr);
  EXPECT_EQ(map.Next(), nullptr);
  for (const auto* name : {u"a.zip", u"b.zip", u"c.zip"}) add(name);
  ASSERT_EQ(map.Count(), 3u);

  std::vector<std::int32_t> walked;
  for (CPacket* p = map.First(); p != nullptr; p = map.Next()) walked.push_back(p->id);
  EXPECT_EQ(walked, (std::vector<std::int32_t>{0, 1, 2}));
  EXPECT_EQ(map.Next(), nullptr) << "a walk that ended stays ended";
  EXPECT_EQ(map.Next(), nullptr);
  ASSERT_NE(map.First(), nullptr);
  EXPECT_EQ(map.First()->id, 0) << "First starts the walk again";
}

TEST_F(PacketMapTest, AnEntryKeepsItsTextsAndIsNotStartedWhenAdded) {
  CPacket* p = map.AddPacket(0x4242, u"C:\\Game\\", u"data\\a.zip", u"http://h/a.zip?7", u"3");
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->wnd, 0x4242u);
  EXPECT_EQ(p->GetName(), u"data\\a.zip");
  EXPECT_EQ(p->GetDirectory(), u"C:\\Game\\");
  EXPECT_EQ(p->GetExtension(), u"3");
  EXPECT_EQ(p->GetJob(), nullptr);
  EXPECT_FALSE(p->IsFinished());
  EXPECT_EQ(p->GetReceived(), 0);
  EXPECT_EQ(p->GetTotalSize(), 0);
}

TEST_F(PacketMapTest, EmptyTableIsFinishedAndReceiving) {
  map.StartAll(workers.launcher());
  EXPECT_EQ(map.Count(), 0u);
  EXPECT_TRUE(map.AllFinished());
  EXPECT_TRUE(map.AllReceiving());
  EXPECT_EQ(map.TotalReceived(), 0u);
  EXPECT_FALSE(map.IsFinished(0));
}

TEST_F(PacketMapTest, StartFillsTheRecordAndJoinsPathWithoutSeparator) {
  map.AddPacket(0x10000, u"C:\\Game\\", u"data\\a.zip", u"http://h/data/a.zip?12", u"zip");
  map.AddPacket(0x10000, u"C:\\Game", u"data\\a.zip", u"http://h/data/a.zip?13", u"zip");
  recording_sink sink;
  map.StartAll(workers.launcher());
  ASSERT_EQ(workers.jobs.size(), 2u);

  const PacketJob& first = *workers.jobs[0];
  EXPECT_EQ(first.id, 0);
  EXPECT_STREQ(first.lpName, "C:\\Game\\data\\a.zip");
  EXPECT_STREQ(first.lpURL, "http://h/data/a.zip?12");
  EXPECT_EQ(first.wnd, 0x10000u);
  EXPECT_EQ(first.bufsize.load(), 0);
  EXPECT_EQ(first.totalsize.load(), 0);
  EXPECT_EQ(first.thread_status.load(), PACKET_RUNNING) << "begun as a worker takes it";
  EXPECT_EQ(first.retry_cnt.load(), 0);
  EXPECT_STREQ(workers.jobs[1]->lpName, "C:\\Gamedata\\a.zip");
  EXPECT_EQ(workers.jobs[1]->id, 1);

  ASSERT_EQ(sink.lines.size(), 2u);
  EXPECT_NE(sink.lines[0].find("[INFO ]"), std::string::npos);
  EXPECT_NE(sink.lines[0].find("[CPacket::Start]>> id=0, wnd=00010000, "
                               "lpURL=http://h/data/a.zip?12, lpName=C:\\Game\\data\\a.zip"),
            std::string::npos)
      << sink.lines[0];
}

TEST_F(PacketMapTest, TextsAreNarrowedToTheCodePageOfTheLog) {
  map.AddPacket(0x10000, u"C:\\游戏\\", u"包.zip", u"http://h/包.zip", u"zip");
  map.StartAll(workers.launcher());
  ASSERT_EQ(workers.jobs.size(), 1u);
  EXPECT_EQ(std::string(workers.jobs[0]->lpName), platform::to_ansi(u"C:\\游戏\\包.zip"));
  EXPECT_EQ(std::string(workers.jobs[0]->lpURL), platform::to_ansi(u"http://h/包.zip"));
}

// Each case: directory, name, url and whether the job fits its record.
struct length_case {
  const char* what;
  std::size_t directory_chars;
  std::size_t url_chars;
  char16_t filler;
  bool accepted;
};

TEST_F(PacketMapTest, JobsWhoseTextsDoNotFitTheirRecordAreRefused) {
  const std::size_t wide_bytes = platform::to_ansi(u"游").size();
  const length_case cases[] = {
      {"path of 255 bytes", 255 - 5, 20, u'd', true},
      {"path of 256 bytes", 256 - 5, 20, u'd', false},
      {"url of 255 bytes", 10, 255, u'u', true},
      {"url of 256 bytes", 10, 256, u'u', false},
      {"path of wide characters beyond 255 bytes", 255 / wide_bytes + 1, 20, u'游', false},
      {"url of wide characters beyond 255 bytes", 10, 255 / wide_bytes + 1, u'游', false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    CPacketMap table;
    const std::u16string name = u"a.zip";  // 5 characters
    const std::u16string directory(c.directory_chars, c.filler == u'u' ? u'd' : c.filler);
    std::u16string url(c.url_chars, c.filler == u'd' ? u'u' : c.filler);
    recording_sink sink;
    table.AddPacket(1, u"C:\\", u"x", u"http://h/x", u"zip");
    CPacket* added = table.AddPacket(1, directory, name, url, u"zip");
    EXPECT_EQ(added != nullptr, c.accepted);
    EXPECT_EQ(table.Count(), c.accepted ? 2u : 1u);
    if (c.accepted) {
      EXPECT_TRUE(sink.lines.empty());
      continue;
    }
    ASSERT_EQ(sink.lines.size(), 1u);
    EXPECT_EQ(sink.lines[0].substr(0, 7), "[ERROR]");
    EXPECT_NE(sink.lines[0].find("id=1"), std::string::npos) << sink.lines[0];
    EXPECT_NE(sink.lines[0].find(platform::to_ansi(name)), std::string::npos);
    // The refused job takes no id: the next one gets it.
    CPacket* next = table.AddPacket(1, u"C:\\", u"y", u"http://h/y", u"zip");
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->id, 1);
  }
}

TEST_F(PacketMapTest, StartAllStartsInIdOrderAndQueriesReadTheWorkersCounters) {
  for (const auto* name : {u"a.zip", u"b.zip", u"c.zip"}) add(name);
  map.StartAll(workers.launcher());
  ASSERT_EQ(workers.jobs.size(), 3u);
  for (std::int32_t i = 0; i < 3; ++i) EXPECT_EQ(workers.jobs[static_cast<std::size_t>(i)]->id, i);
  auto& a = *workers.jobs[0];
  auto& b = *workers.jobs[1];
  auto& c = *workers.jobs[2];
  // The recorded workers took every job; here none has been taken yet.
  for (auto& job : workers.jobs) job->thread_status = PACKET_CREATED;

  EXPECT_TRUE(map.AllReceiving()) << "jobs waiting for a worker do not hold it back";
  EXPECT_FALSE(map.AllFinished());
  a.thread_status = PACKET_RUNNING;
  EXPECT_FALSE(map.AllReceiving()) << "a running transfer without bytes";
  a.bufsize = 1000;
  b.thread_status = PACKET_RUNNING;
  c.thread_status = PACKET_RUNNING;
  b.bufsize = 2000;
  EXPECT_FALSE(map.AllReceiving()) << "job 2 has received nothing yet";
  c.bufsize = 3;
  EXPECT_TRUE(map.AllReceiving());
  EXPECT_EQ(map.TotalReceived(), 3003u);
  EXPECT_EQ(map.First()->GetReceived(), 1000);

  a.totalsize = 1000;
  EXPECT_EQ(map.First()->GetTotalSize(), 1000);
  a.thread_status = PACKET_DONE;
  b.thread_status = PACKET_RUNNING;
  c.thread_status = PACKET_TIMED_OUT;
  EXPECT_TRUE(map.IsFinished(0));
  EXPECT_FALSE(map.IsFinished(1));
  EXPECT_FALSE(map.IsFinished(2));
  EXPECT_FALSE(map.IsFinished(3)) << "never added";
  EXPECT_FALSE(map.IsFinished(-1));
  EXPECT_FALSE(map.AllFinished());
  b.thread_status = PACKET_DONE;
  c.thread_status = PACKET_DONE;
  EXPECT_TRUE(map.AllFinished());
}

// Each case: jobs in the table, transfers allowed at once, workers started.
TEST_F(PacketMapTest, StartAllStartsAtMostTheAllowedWorkersWhoTakeTheJobsInListOrder) {
  const struct {
    std::size_t jobs, allowed, workers;
  } cases[] = {{0, 16, 0}, {3, 16, 3}, {40, 16, 16}, {40, 1, 1}, {5, 0, 1}, {2000, 16, 16}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.jobs << " jobs, " << c.allowed << " at once");
    CPacketMap table;
    recorded_workers started;
    for (std::size_t i = 0; i < c.jobs; ++i) table.AddPacket(1, u"C:\\", u"p", u"http://h/p", u"1");
    table.StartAll(started.launcher(), c.allowed);
    EXPECT_EQ(started.started, c.workers);
    ASSERT_EQ(started.jobs.size(), c.jobs);
    for (std::size_t i = 0; i < c.jobs; ++i) EXPECT_EQ(started.jobs[i]->id, static_cast<std::int32_t>(i));
  }
}

TEST_F(PacketMapTest, AJobAddedLaterIsStartedAloneByTheNextStartAll) {
  add(u"a.zip");
  map.StartAll(workers.launcher());
  const PacketJob* first = map.First()->GetJob();
  add(u"b.zip");
  map.StartAll(workers.launcher());
  ASSERT_EQ(workers.jobs.size(), 2u);
  EXPECT_EQ(workers.jobs[1]->id, 1);
  EXPECT_EQ(map.First()->GetJob(), first) << "a started job keeps its record";
}

TEST_F(PacketMapTest, MarkProgressIsTheBaseOfTheSpeed) {
  add(u"a.zip");
  map.StartAll(workers.launcher());
  auto& job = *workers.jobs[0];
  job.bufsize = 4000;
  EXPECT_EQ(map.MarkProgress(), 4000u);
  EXPECT_EQ(map.BytesPerSecond(), 0u) << "nothing arrived since the mark";
  // A retried attempt counts from 0 again: the total falls below the mark.
  job.bufsize = 100;
  EXPECT_EQ(map.BytesPerSecond(), 0u);
  EXPECT_EQ(map.MarkProgress(), 100u);
}

struct speed_case {
  std::uint32_t total, mark_bytes, now, mark_time, expected;
};

TEST(BytesPerSecond, MovesInStepsOfOneThousand) {
  const std::uint32_t t = 123456;
  const speed_case cases[] = {
      {5000, 0, t + 999, t, 5000},             // 5000 / 1000 * 1000
      {5000, 0, t + 1499, t, 3000},            // 5000 / 1500 = 3, then * 1000
      {999, 0, t + 999, t, 0},                 // below one thousand per second shows 0
      {7000, 2000, t, t, 5000000},             // same tick: divided by 1
      {2000, 2000, t + 10, t, 0},              // nothing new
      {1999, 2000, t + 10, t, 0},              // below the mark: a restarted attempt
      {0, 4000000000u, t + 10, t, 0},
      {5000, 0, 499, 0xFFFFFE0Cu, 5000},       // the tick count wrapped: 999 ms passed
  };
  for (const auto& c : cases) {
    EXPECT_EQ(bytes_per_second(c.total, c.mark_bytes, c.now, c.mark_time), c.expected)
        << c.total << " " << c.mark_bytes << " " << c.now << " " << c.mark_time;
  }
}

}  // namespace
