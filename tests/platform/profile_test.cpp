#include <gtest/gtest.h>

#include "platform/profile.h"
#include "platform/text.h"
#include "support/temp_folder.h"

namespace {

using testing_support::read_bytes;
using testing_support::temp_folder;
using testing_support::write_bytes;

struct Profile : ::testing::Test {
  temp_folder dir;
  std::u16string file = dir.core_folder() + u"test.ini";

  std::u16string get(std::u16string_view section, std::u16string_view key,
                     std::size_t buffer = 64, std::u16string_view fallback = u"none") {
    return platform::get_profile_string(section, key, fallback, buffer, file);
  }
};

TEST_F(Profile, ReadsSectionsAndKeysWithoutRegardToCaseAndTrimsValues) {
  write_bytes(dir.path() / "test.ini",
              "; comment line\r\n"
              "top=outside\r\n"
              "[LIAN_YUN]\r\n"
              "  id =  abc  \r\n"
              "sub_id=s=7\r\n"
              "empty=\r\n"
              "quoted=\"  q  \"\r\n"
              "half=\"open\r\n"
              "bare\r\n"
              "[ other ]\n"
              "id=second\n"
              "[lian_yun]\n"
              "id=shadowed\n");
  struct row {
    std::u16string section, key, expected;
  };
  const row table[] = {
      {u"LIAN_YUN", u"id", u"abc"},          {u"lian_yun", u"ID", u"abc"},
      {u"LIAN_YUN", u"sub_id", u"s=7"},      {u"LIAN_YUN", u"empty", u""},
      {u"LIAN_YUN", u"quoted", u"  q  "},    {u"LIAN_YUN", u"half", u"\"open"},
      {u"LIAN_YUN", u"bare", u""},           {u"OTHER", u"id", u"second"},
      {u"LIAN_YUN", u"missing", u"none"},    {u"nosuch", u"id", u"none"},
      {u"LIAN_YUN", u"top", u"none"},        {u"LIAN_YUN", u"comment line", u"none"},
  };
  for (const auto& r : table) {
    EXPECT_EQ(get(r.section, r.key), r.expected)
        << platform::to_utf8(r.section) << "/" << platform::to_utf8(r.key);
  }
}

TEST_F(Profile, ValuesAndDefaultsAreCutToTheBuffer) {
  write_bytes(dir.path() / "test.ini", "[GENERAL]\nguid=" + std::string(70, 'A') + "\n");
  EXPECT_EQ(get(u"GENERAL", u"guid", 64), std::u16string(63, u'A'));
  EXPECT_EQ(get(u"GENERAL", u"guid", 1), u"");
  EXPECT_EQ(get(u"GENERAL", u"guid", 0), u"");
  EXPECT_EQ(get(u"GENERAL", u"nope", 4, u"defaults  "), u"def");
  EXPECT_EQ(get(u"GENERAL", u"nope", 64, u"trailing   "), u"trailing");
}

TEST_F(Profile, AMissingFileGivesTheDefault) {
  EXPECT_EQ(get(u"GENERAL", u"guid", 64, u""), u"");
  EXPECT_EQ(get(u"GENERAL", u"guid"), u"none");
}

TEST_F(Profile, WritingCreatesReplacesAndAddsWithoutLosingOtherLines) {
  ASSERT_TRUE(platform::write_profile_string(u"GENERAL", u"guid", u"ONE", file));
  EXPECT_EQ(get(u"GENERAL", u"guid"), u"ONE");

  ASSERT_TRUE(platform::write_profile_string(u"general", u"GUID", u"TWO", file));
  ASSERT_TRUE(platform::write_profile_string(u"GENERAL", u"other", u"x", file));
  ASSERT_TRUE(platform::write_profile_string(u"NEXT", u"k", u"v", file));
  ASSERT_TRUE(platform::write_profile_string(u"GENERAL", u"third", u"y", file));
  EXPECT_EQ(read_bytes(dir.path() / "test.ini"),
            "[GENERAL]\nguid=TWO\nother=x\nthird=y\n[NEXT]\nk=v\n");
  EXPECT_EQ(get(u"GENERAL", u"guid"), u"TWO");
  EXPECT_EQ(get(u"next", u"K"), u"v");
}

TEST_F(Profile, WritingKeepsCommentsForeignLinesAndLineEnds) {
  write_bytes(dir.path() / "test.ini", "; keep me\r\n[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n");
  ASSERT_TRUE(platform::write_profile_string(u"A", u"z", u"3", file));
  ASSERT_TRUE(platform::write_profile_string(u"B", u"y", u"two", file));
  EXPECT_EQ(read_bytes(dir.path() / "test.ini"),
            "; keep me\r\n[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=two\r\n");
}

TEST_F(Profile, TextIsUtf8OnDisk) {
  ASSERT_TRUE(platform::write_profile_string(u"GENERAL", u"名字", u"微端", file));
  EXPECT_EQ(read_bytes(dir.path() / "test.ini"), "[GENERAL]\n名字=微端\n");
  write_bytes(dir.path() / "test.ini", "\xEF\xBB\xBF[S]\nk=中文\n");
  EXPECT_EQ(get(u"s", u"k"), u"中文");
}

TEST_F(Profile, WritingIntoAMissingFolderFailsAndCreatesNothing) {
  const std::u16string nowhere = dir.core_folder() + u"missing\\conf.ini";
  EXPECT_FALSE(platform::write_profile_string(u"GENERAL", u"guid", u"X", nowhere));
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "missing"));
  EXPECT_FALSE(platform::write_profile_string(u"", u"guid", u"X", file));
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "test.ini"));
}

}  // namespace
