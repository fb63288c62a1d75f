#include <gtest/gtest.h>

#include "update/list_split.h"
#include "update/package_name.h"

namespace {

using tokens = std::vector<std::u16string>;

tokens split(const std::u16string& text) {
  tokens out;
  splitDoubleBar(text, out);
  return out;
}

TEST(SplitDoubleBar, EmitsTheTokensBetweenDoubleBars) {
  const struct {
    std::u16string text;
    tokens expected;
  } cases[] = {
      {u"||12|res||7|ui||", {u"12|res", u"7|ui"}},
      {u"abc||12|res||", {u"12|res"}},            // the leading text is dropped
      {u"B||D1|res.12", {u"D1|res.12"}},         // no final double bar
      {u"D1|res.12", {u"D1|res.12"}},            // no double bar at all: one token
      {u"||", {}},
      {u"", {}},
      {u"||a||||b||", {u"a", u"||b"}},           // the character after "||" is always taken
      {u"||a|||b||", {u"a", u"|b"}},
      {u"||a||||", {u"a", u"||"}},
      {u"x||a||", {u"a"}},
  };
  for (const auto& c : cases) EXPECT_EQ(split(c.text), c.expected);
}

TEST(SplitBarPair, SplitsAtTheFirstBarAndUpperCasesTheFirstPart) {
  std::u16string first, second;
  ASSERT_TRUE(splitBarPair(u"beta|res|x", first, second));
  EXPECT_EQ(first, u"res|x");
  EXPECT_EQ(second, u"BETA");
  EXPECT_FALSE(splitBarPair(u"|res", first, second));
  EXPECT_FALSE(splitBarPair(u"res", first, second));
}

TEST(PackageName, SplitsAtTheLastDot) {
  const struct {
    std::u16string name, base, version;
  } cases[] = {
      {u"res.12", u"res", u"12"}, {u"a.b.7", u"a.b", u"7"}, {u"readme", u"", u""},
      {u".12", u"", u""},         {u"res.", u"res", u""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(baseName(c.name), c.base);
    EXPECT_EQ(versionSuffix(c.name), c.version);
  }
}

}  // namespace
