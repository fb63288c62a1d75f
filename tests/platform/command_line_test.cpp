#include <gtest/gtest.h>

#include "platform/command_line.h"

namespace {

using args = std::vector<std::u16string>;

TEST(CommandLine, SplitsByTheWindowsRules) {
  const struct {
    std::u16string line;
    args expected;
  } cases[] = {
      {u"", {}},
      {u"a b  c", {u"a", u"b", u"c"}},
      {uR"(C:\G\game.exe "t|1860|960|param.1")", {uR"(C:\G\game.exe)", u"t|1860|960|param.1"}},
      {uR"("a b" c)", {u"a b", u"c"}},
      {uR"(a\\b)", {uR"(a\\b)"}},
      {uR"(a\"b)", {u"a\"b"}},
      {uR"("a\\" b)", {uR"(a\)", u"b"}},
      {uR"("")", {u""}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::split_command_line(c.line), c.expected);
  }
}

TEST(CommandLine, JoinIsTheInverseOfSplit) {
  const args samples[] = {{u"qzzefa://a/b/1234"}, {u"a b", u"", u"x\"y", uR"(c:\dir\)"}};
  for (const auto& sample : samples) {
    EXPECT_EQ(platform::split_command_line(platform::join_command_line(sample)), sample);
  }
  EXPECT_EQ(platform::join_command_line({u"qzzefa://a/b/1"}), u"qzzefa://a/b/1");
}

}  // namespace
