// A list held for a moment by another program (a virus scanner, an indexer) is saved once the
// program lets go of it.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <thread>

#include "platform/clock.h"
#include "support/temp_folder.h"
#include "update/install_records.h"

TEST(HeldList, IsSavedWhenTheHolderLetsGo) {
  testing_support::temp_folder dir;
  testing_support::write_bytes(dir.path() / "dlist", std::string("|\0|\0", 4));
  // Open without sharing, as a scanner reading it has it; let go a while after the new list
  // has been written beside it.
  const HANDLE held = CreateFileW((dir.path() / "dlist").wstring().c_str(), GENERIC_READ, 0,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::thread scanner([&] {
    for (int i = 0; i < 10000 && !std::filesystem::exists(dir.path() / "dlist.tmp"); ++i)
      platform::sleep_ms(1);
    platform::sleep_ms(300);
    CloseHandle(held);
  });
  dlistMap = {{u"new", u"2"}};
  saveDlist(dir.core_folder());
  scanner.join();
  dlistMap.clear();
  loadDlist(dir.core_folder());
  EXPECT_EQ(dlistMap, (std::map<std::u16string, std::u16string>{{u"new", u"2"}}));
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "dlist.tmp"));
  dlistMap.clear();
}
