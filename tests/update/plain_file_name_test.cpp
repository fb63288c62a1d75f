#include <gtest/gtest.h>

#include <string>

#include "update/plain_file_name.h"

namespace {

TEST(PlainFileName, OnlyNamesEverySystemCanCreateAsOneFile) {
  const std::u16string plain[] = {
      u"res.12", u"ui.7", u"a b.1", u"游戏.3", u"CONFIG.1", u"console.2", u"nul1.1", u"COM10.1",
      u"LPT.1", u"auxiliary.4", u"x.con", u".hidden.1", u"a..b"};
  const std::u16string refused[] = {
      u"", u".", u"..", u"../keep.2", u"sub/x.1", u"sub\\x.1", u"c:x.1", u"bad\u0001.1",
      u"tab\t.1", u"del\u007F.1", u"a*.1", u"res.?", u"q\".1", u"a<b.1", u"a>b.1", u"a|b.1",
      u"res.12.", u"res.12 ", u"CON", u"con.1", u"Nul.12", u"prn.tar.gz", u"AUX.1", u"con .1",
      u"COM1.2", u"com9", u"LPT1.1", u"lpt9.txt", u"COM0.1", u"com\u00B9.1"};
  for (const auto& name : plain)
    EXPECT_TRUE(isPlainFileName(name)) << std::string(name.begin(), name.end());
  for (const auto& name : refused)
    EXPECT_FALSE(isPlainFileName(name)) << std::string(name.begin(), name.end());
}

}  // namespace
