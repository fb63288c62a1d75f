#include <gtest/gtest.h>

#include <string>

#include "update/entry_path.h"
#include "update/zip_entry_times.h"

namespace {

constexpr std::uint64_t ticksPerSecond = 10000000ULL;
constexpr std::uint64_t unixEpoch = 116444736000000000ULL;

std::uint32_t dos(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute, unsigned second) {
  const std::uint32_t date = ((year - 1980) << 9) | (month << 5) | day;
  const std::uint32_t time = (hour << 11) | (minute << 5) | (second / 2);
  return date << 16 | time;
}

TEST(ZipEntryTimes, DosDateAndTime) {
  EXPECT_EQ(dosDateTimeToFileTime(dos(1980, 1, 1, 0, 0, 0)), unixEpoch + 315532800ULL * ticksPerSecond);
  EXPECT_EQ(dosDateTimeToFileTime(dos(2000, 2, 29, 23, 59, 58)), unixEpoch + 951868798ULL * ticksPerSecond);
  EXPECT_EQ(dosDateTimeToFileTime(dos(2107, 12, 31, 0, 0, 0)), unixEpoch + 4354732800ULL * ticksPerSecond);
  // Fields no calendar has give no time at all.
  for (const std::uint32_t invalid : {dos(1980, 0, 1, 0, 0, 0), dos(1980, 13, 1, 0, 0, 0), dos(2001, 2, 29, 0, 0, 0),
                                      dos(1980, 1, 0, 0, 0, 0), dos(1980, 1, 1, 24, 0, 0), dos(1980, 1, 1, 0, 60, 0),
                                      0u}) {
    EXPECT_EQ(dosDateTimeToFileTime(invalid), 0u) << std::hex << invalid;
  }
}

TEST(ZipEntryTimes, UnixTime) {
  EXPECT_EQ(unixTimeToFileTime(0), unixEpoch);
  EXPECT_EQ(unixTimeToFileTime(1), unixEpoch + ticksPerSecond);
  EXPECT_EQ(unixTimeToFileTime(-1), 0u);
}

std::string le32(std::int64_t value) {
  std::string bytes;
  for (int i = 0; i < 4; ++i) bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
  return bytes;
}

std::string block(const std::string& tag, const std::string& data, int declared = -1) {
  const int size = declared < 0 ? static_cast<int>(data.size()) : declared;
  return tag + static_cast<char>(size & 0xFF) + static_cast<char>(size >> 8) + data;
}

platform::file_times applied(const std::string& extra) {
  platform::file_times times{7, 8, 9};
  applyExtendedTimestamp(reinterpret_cast<const unsigned char*>(extra.data()), extra.size(), times);
  return times;
}

std::uint64_t at(std::int64_t seconds) { return unixTimeToFileTime(seconds); }

TEST(ZipEntryTimes, ExtendedTimestampBlock) {
  struct Case {
    const char* what;
    std::string extra;
    platform::file_times expected;  // creation, access, modification
  };
  const std::string all = std::string("\x07") + le32(100) + le32(200) + le32(300);
  const Case cases[] = {
      {"all three, in flag order", block("UT", all), {at(300), at(200), at(100)}},
      {"modification only", block("UT", std::string("\x01") + le32(100)), {7, 8, at(100)}},
      {"creation only", block("UT", std::string("\x04") + le32(100)), {at(100), 8, 9}},
      {"after another block", block(std::string("\x0a\0", 2), "abcd") + block("UT", std::string("\x02") + le32(5)), {7, at(5), 9}},
      {"first UT block wins", block("UT", std::string("\x01") + le32(1)) + block("UT", std::string("\x01") + le32(2)), {7, 8, at(1)}},
      {"flags announce more than the block holds", block("UT", std::string("\x03") + le32(100)), {7, 8, at(100)}},
      {"block longer than the field", block("UT", std::string("\x03") + le32(100) + "xy", 9), {7, 8, at(100)}},
      {"empty UT block", block("UT", ""), {7, 8, 9}},
      {"header that does not fit", std::string("UT\x05"), {7, 8, 9}},
      {"before 1970 keeps the old time", block("UT", std::string("\x01") + le32(-100)), {7, 8, 9}},
      {"no extra field", std::string(), {7, 8, 9}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto got = applied(c.extra);
    EXPECT_EQ(got.creation, c.expected.creation);
    EXPECT_EQ(got.access, c.expected.access);
    EXPECT_EQ(got.modification, c.expected.modification);
  }
}

TEST(EntryPath, OnlyNamesBelowTheFolderStayInside) {
  const struct {
    std::u16string name;
    bool inside;
  } cases[] = {
      {u"a.txt", true},        {u"data/a.txt", true},     {u"data\\sub\\", true},
      {u"..data/x", true},     {u"a/..b/c..", true},      {u"...", true},
      {u"", true},             {u"../a", false},          {u"..\\a", false},
      {u"..", false},          {u"a/../../b", false},     {u"a\\..\\b", false},
      {u"a/..", false},        {u"/etc/passwd", false},   {u"\\windows", false},
      {u"C:/x", false},        {u"c:x", false},           {u"a:stream", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(entryStaysInside(c.name), c.inside) << std::string(c.name.begin(), c.name.end());
  }
}

}  // namespace
