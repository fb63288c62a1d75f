#include <gtest/gtest.h>

#include "log/recording_sink.h"
#include "platform/files.h"
#include "platform/text.h"
#include "support/temp_folder.h"
#include "support/utf16_bytes.h"
#include "update/install_records.h"

namespace {

using testing_support::read_bytes;
using testing_support::temp_folder;
using testing_support::utf16le;
using testing_support::write_bytes;

struct InstallRecords : ::testing::Test {
  void SetUp() override { dlistMap.clear(); }
  void TearDown() override { dlistMap.clear(); }
  temp_folder dir;
};

TEST_F(InstallRecords, MarkerIsCreatedOnceAndRemembersItsAbsence) {
  checkVerFileExist(dir.core_folder());
  EXPECT_FALSE(verFileExisted) << "stays false for the whole first run";
  EXPECT_EQ(read_bytes(dir.path() / "wdver.V7.0"), std::string("v\0", 2));
  checkVerFileExist(dir.core_folder());
  EXPECT_TRUE(verFileExisted);
}

TEST_F(InstallRecords, AFolderOfTheMarkersNameCountsAsTheMarker) {
  std::filesystem::create_directory(dir.path() / "wdver.V7.0");
  checkVerFileExist(dir.core_folder());
  EXPECT_TRUE(verFileExisted);
}

TEST_F(InstallRecords, EmptyListIsTwoBars) {
  saveDlist(dir.core_folder());
  EXPECT_EQ(read_bytes(dir.path() / "dlist"), std::string("|\0|\0", 4));
  loadDlist(dir.core_folder());
  EXPECT_TRUE(dlistMap.empty());
}

TEST_F(InstallRecords, SavesInKeyOrderValueFirstAndLoadsBackUpperCased) {
  recordInstalled({u"ui.7", u"7"});
  recordInstalled({u"res.beta", u"beta"});
  saveDlist(dir.core_folder());
  EXPECT_EQ(read_bytes(dir.path() / "dlist"), utf16le(u"||beta|res||7|ui||"));
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "dlist.tmp"));
  dlistMap.clear();
  loadDlist(dir.core_folder());
  const std::map<std::u16string, std::u16string> expected{{u"res", u"BETA"}, {u"ui", u"7"}};
  EXPECT_EQ(dlistMap, expected);
  ASSERT_NE(findInstalled(u"res"), nullptr);
  EXPECT_EQ(findInstalled(u"absent"), nullptr);
  EXPECT_EQ(dlistMap.count(u"absent"), 0u) << "the lookup must not insert";
}

// A list cut right after a bar (at the read limit, or by a crash of an older writer) ends in
// an entry with an empty name. Written back as "7|||", it used to swallow the entry after it,
// so that package was extracted again at every start.
TEST_F(InstallRecords, AnEntryTheListCannotHoldCostsNoOtherEntry) {
  write_bytes(dir.path() / "dlist", utf16le(u"||12|res||7|"));
  loadDlist(dir.core_folder());
  saveDlist(dir.core_folder());
  dlistMap.clear();
  loadDlist(dir.core_folder());
  const std::map<std::u16string, std::u16string> expected{{u"res", u"12"}};
  EXPECT_EQ(dlistMap, expected);
}

TEST_F(InstallRecords, LoadSkipsBrokenTokensAndLeadingTextAndLaterEntriesWin) {
  write_bytes(dir.path() / "dlist", utf16le(u"abc||12|res|||x||y||11|ui||13|res||"));
  loadDlist(dir.core_folder());
  const std::map<std::u16string, std::u16string> expected{{u"res", u"13"}, {u"ui", u"11"}};
  EXPECT_EQ(dlistMap, expected);
}

TEST_F(InstallRecords, LoadStopsAtTheReadLimitAndAtANulUnit) {
  // Entries padded so that the limit cuts the last one after its bar: it loads shortened.
  std::u16string text = u"||";
  const std::u16string pad(100, u'p');
  int n = 0;
  while (text.size() * 2 < DLIST_READ_LIMIT - 400) text += u"1|" + pad + platform::from_utf8(std::to_string(n++)) + u"||";
  const std::size_t before = text.size() * 2;
  const std::size_t room = (DLIST_READ_LIMIT - before) / 2;  // code units left below the limit
  text += u"9|" + std::u16string(room + 50, u'z') + u"||";
  write_bytes(dir.path() / "dlist", utf16le(text));
  loadDlist(dir.core_folder());
  EXPECT_EQ(dlistMap.size(), static_cast<std::size_t>(n) + 1);
  EXPECT_EQ(dlistMap[std::u16string(room - 2, u'z')], u"9");

  dlistMap.clear();
  write_bytes(dir.path() / "dlist", utf16le(u"||1|a||") + std::string(2, '\0') + utf16le(u"2|b||"));
  loadDlist(dir.core_folder());
  EXPECT_EQ(dlistMap.size(), 1u);
}

TEST_F(InstallRecords, AMissingListLeavesTheMapAlone) {
  dlistMap[u"kept"] = u"1";
  loadDlist(dir.core_folder());
  EXPECT_EQ(dlistMap.size(), 1u);
}

TEST_F(InstallRecords, SavingIntoAnUnwritableFolderKeepsTheOldList) {
  write_bytes(dir.path() / "dlist", utf16le(u"||1|old||"));
  std::filesystem::create_directory(dir.path() / "dlist.tmp");  // blocks the temporary file
  recordInstalled({u"new.2", u"2"});
  recording_sink log;
  saveDlist(dir.core_folder());
  EXPECT_EQ(read_bytes(dir.path() / "dlist"), utf16le(u"||1|old||"));
  ASSERT_EQ(log.lines.size(), 1u);
  EXPECT_EQ(log.lines[0].rfind("[ERROR", 0), 0u) << log.lines[0];
  EXPECT_NE(log.lines[0].find("[saveDlist]>> dlist not saved: "), std::string::npos) << log.lines[0];
}

}  // namespace
