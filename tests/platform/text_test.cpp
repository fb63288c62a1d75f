#include <gtest/gtest.h>

#include "platform/text.h"

namespace {

TEST(Utf8, RoundTripsChineseAndAstralText) {
  const std::u16string text = u"微端启动 V7.0 \U0001F600";
  const std::string utf8 = platform::to_utf8(text);
  // Spelled in bytes: narrow literals are in the ANSI code page on Windows builds.
  EXPECT_EQ(utf8, "\xE5\xBE\xAE\xE7\xAB\xAF\xE5\x90\xAF\xE5\x8A\xA8 V7.0 \xF0\x9F\x98\x80");
  EXPECT_EQ(platform::from_utf8(utf8), text);
}

TEST(Utf8, BrokenInputBecomesQuestionMarks) {
  EXPECT_EQ(platform::from_utf8("a\xFF" "b"), u"a?b");
  EXPECT_EQ(platform::from_utf8("\xE5\xBE"), u"??");  // cut in the middle of a character
  // Longer forms than needed are no UTF-8: "/" and "." must not hide in them.
  EXPECT_EQ(platform::from_utf8("a\xC0\xAF" "b\xE0\x80\xAE"), u"a??b???");
  EXPECT_EQ(platform::from_utf8("\xF0\x80\x80\xAF"), u"????");
  EXPECT_EQ(platform::to_utf8(std::u16string(1, char16_t(0xD800)) + u"x"), "?x");
}

TEST(CaseMapping, UpperCasesLettersBeyondAscii) {
  std::u16string text = u"beta-ä1";
  platform::to_upper(text);
  EXPECT_EQ(text, u"BETA-Ä1");
  platform::to_lower(text);
  EXPECT_EQ(text, u"beta-ä1");
}

}  // namespace

namespace {

// The build gives narrow literals the encoding of the system's ANSI code page (GBK under code
// page 936 on Windows, UTF-8 on Linux): a log text written as a literal and one converted from
// wide text must be the same bytes.
TEST(AnsiCodePage, NarrowLiteralsMatchConvertedWideText) {
  EXPECT_EQ(platform::to_ansi(u"微端启动, 版本:"), "微端启动, 版本:");
  EXPECT_EQ(platform::from_ansi("日志初始化完成"), u"日志初始化完成");
  EXPECT_EQ(platform::from_ansi(platform::to_ansi(u"程序准备退出 V7.0")), u"程序准备退出 V7.0");
  EXPECT_EQ(platform::to_ansi(u""), "");
}

}  // namespace
