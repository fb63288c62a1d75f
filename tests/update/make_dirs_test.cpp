#include <gtest/gtest.h>

#include "update/install_fixture.h"
#include "update/make_dirs.h"

namespace {

namespace fs = std::filesystem;
using testing_support::core_path;
using testing_support::temp_folder;

struct MakeDirs : ::testing::Test {
  temp_folder dir;
  install_testing::CurrentFolderGuard keepFolder;
};

TEST_F(MakeDirs, CreatesEveryMissingLevelAndResolvesThePath) {
  const fs::path before = fs::current_path();
  std::u16string resolved;
  ASSERT_TRUE(makeDirs(dir.core_folder() + u"a\\b\\\\c", resolved));
  EXPECT_TRUE(fs::is_directory(dir.path() / "a" / "b" / "c"));
  EXPECT_EQ(resolved, core_path(dir.path() / "a" / "b" / "c") + u"\\");
  EXPECT_TRUE(fs::equivalent(fs::current_path(), before)) << "the current folder is restored";
}

TEST_F(MakeDirs, ExistingFolderAndTrailingSeparator) {
  std::u16string resolved;
  ASSERT_TRUE(makeDirs(dir.core_folder(), resolved));
  EXPECT_EQ(resolved, dir.core_folder());
  ASSERT_TRUE(makeDirs(dir.core_folder() + u"data/", resolved)) << "an archive's folder entry keeps its /";
  EXPECT_TRUE(fs::is_directory(dir.path() / "data"));
}

TEST_F(MakeDirs, AFileInTheWayIsNoFolder) {
  testing_support::write_bytes(dir.path() / "file", "x");
  std::u16string resolved = u"untouched";
  EXPECT_FALSE(makeDirs(dir.core_folder() + u"file", resolved));
  EXPECT_FALSE(makeDirs(dir.core_folder() + u"file\\below", resolved));
  EXPECT_EQ(resolved, u"untouched");
}

}  // namespace
