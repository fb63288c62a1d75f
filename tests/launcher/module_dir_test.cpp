#include <gtest/gtest.h>

#include "launcher/module_dir.h"

namespace {

TEST(ModuleDir, IsTheFolderOfTheProgramWithOneTrailingBackslash) {
  const struct {
    std::u16string program, folder;
  } cases[] = {
      {uR"(C:\Games\Z\launcher.exe)", uR"(C:\Games\Z\)"},
      {uR"(  C:\Games\Z \launcher.exe)", uR"(C:\Games\Z\)"},
      {uR"(\opt\z\launcher)", uR"(\opt\z\)"},
      {u"launcher.exe", uR"(.\)"},
      {uR"(\launcher)", uR"(.\)"},
      {u"", uR"(.\)"},
  };
  for (const auto& c : cases) EXPECT_EQ(moduleDirOf(c.program), c.folder);
}

}  // namespace
