#include <gtest/gtest.h>

#include "log/log_fostream.h"
#include "support/temp_folder.h"
#include "support/text_file.h"

namespace {

using testing_support::read_bytes;
using testing_support::temp_folder;
using testing_support::as_text_file;
using testing_support::write_bytes;

TEST(LogLimits, SizesAndCountsAreClamped) {
  const struct {
    unsigned mib, count;
    std::uint32_t bytes, files;
  } cases[] = {
      {0, 0, 300u << 20, 60},  {301, 201, 300u << 20, 60}, {300, 200, 300u << 20, 200},
      {5, 5, 5u << 20, 5},     {1, 1, 1u << 20, 1},
  };
  for (const auto& c : cases) {
    log_fostream sink("x", c.mib, c.count);
    EXPECT_EQ(sink.max_bytes(), c.bytes) << c.mib;
    EXPECT_EQ(sink.file_count(), c.files) << c.count;
  }
}

// Fills the numbered files 1..n with their own number, then writes one line into a live file
// that is exactly at the 1 MiB limit.
struct Rotation : ::testing::TestWithParam<unsigned> {};

TEST_P(Rotation, MovesEveryFileUpAndDropsTheOldest) {
  const unsigned count = GetParam();
  temp_folder dir;
  const std::string base = (dir.path() / "zefa_wd_run.log").string();
  for (unsigned n = 1; n <= count; ++n) write_bytes(base + "." + std::to_string(n), "file " + std::to_string(n));
  write_bytes(base + ".1", std::string(1u << 20, 'x'));

  log_fostream sink(base, 1, count);
  ASSERT_TRUE(sink.open());
  sink.write("fresh");
  EXPECT_EQ(read_bytes(base + ".1"), as_text_file("fresh\n"));
  if (count >= 2) {
    EXPECT_EQ(read_bytes(base + ".2").size(), 1u << 20);
  }
  for (unsigned n = 3; n <= count; ++n) {
    EXPECT_EQ(read_bytes(base + "." + std::to_string(n)), "file " + std::to_string(n - 1)) << n;
  }
  EXPECT_FALSE(std::filesystem::exists(base + "." + std::to_string(count + 1)));
  EXPECT_FALSE(std::filesystem::exists(base));
}

INSTANTIATE_TEST_SUITE_P(Counts, Rotation, ::testing::Values(1u, 5u, 12u));

TEST(LogRotation, AFileJustBelowTheLimitTakesOneMoreLine) {
  temp_folder dir;
  const std::string base = (dir.path() / "run.log").string();
  write_bytes(base + ".1", std::string((1u << 20) - 1, 'x'));
  log_fostream sink(base, 1, 3);
  ASSERT_TRUE(sink.open());
  sink.write("a");
  EXPECT_EQ(read_bytes(base + ".1").size(), (1u << 20) - 1 + as_text_file("a\n").size());
  EXPECT_FALSE(std::filesystem::exists(base + ".2"));
  sink.write("b");
  EXPECT_EQ(read_bytes(base + ".1"), as_text_file("b\n"));
  EXPECT_TRUE(std::filesystem::exists(base + ".2"));
}

TEST(LogRotation, ALiveFileThatCannotBeReopenedDropsLinesQuietly) {
  temp_folder dir;
  const std::string base = (dir.path() / "run.log").string();
  write_bytes(base + ".1", std::string(1u << 20, 'x'));
  log_fostream sink(base, 1, 1);
  ASSERT_TRUE(sink.open());
  // A folder in the place of the live file makes its reopening after the rotation fail.
  std::filesystem::rename(base + ".1", base + ".keep");
  std::filesystem::create_directory(base + ".1");
  sink.write("lost");
  sink.write("lost too");
  EXPECT_TRUE(std::filesystem::is_directory(base + ".1"));
  EXPECT_EQ(read_bytes(base + ".keep").size(), 1u << 20);
}

}  // namespace
