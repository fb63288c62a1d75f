#include <gtest/gtest.h>

#include <algorithm>

#include "platform/files.h"
#include "platform/text.h"
#include "support/temp_folder.h"
#include "support/text_file.h"
#include "support/text_file.h"

namespace {

using testing_support::temp_folder;

std::vector<std::u16string> names(const std::vector<platform::dir_entry>& entries) {
  std::vector<std::u16string> out;
  for (const auto& e : entries) out.push_back(e.name);
  std::sort(out.begin(), out.end());
  return out;
}

TEST(Files, DirectorySearchTakesBackslashesWildcardsAndFolders) {
  temp_folder dir;
  testing_support::write_bytes(dir.path() / "param.1", "x");
  testing_support::write_bytes(dir.path() / "param.22", "x");
  std::filesystem::create_directory(dir.path() / "param.dir");
  testing_support::write_bytes(dir.path() / "other", "x");
  const auto folder = dir.core_folder();

  const auto found = platform::find_files(folder + u"\\param.*");
  EXPECT_EQ(names(found), (std::vector<std::u16string>{u"param.1", u"param.22", u"param.dir"}));
  EXPECT_EQ(std::count_if(found.begin(), found.end(), [](auto& e) { return e.is_directory; }), 1);
  EXPECT_TRUE(platform::path_exists(folder + u"param.dir"));
  EXPECT_TRUE(platform::path_exists(folder + u"\\oth?r"));
  EXPECT_FALSE(platform::path_exists(folder + u"missing"));
  EXPECT_FALSE(platform::path_exists(folder + u"miss*"));
}

TEST(Files, ExactPathTakesNoWildcardsButATrailingSeparator) {
  temp_folder dir;
  testing_support::write_bytes(dir.path() / "other", "x");
  std::filesystem::create_directory(dir.path() / "sub");
  const auto folder = dir.core_folder();
  EXPECT_TRUE(platform::exact_path_exists(folder + u"other"));
  EXPECT_TRUE(platform::exact_path_exists(folder + u"sub"));
  EXPECT_TRUE(platform::exact_path_exists(folder + u"sub\\")) << "a folder written with its separator";
  EXPECT_TRUE(platform::exact_path_exists(folder)) << "the folder itself, ending in its separator";
  EXPECT_FALSE(platform::exact_path_exists(folder + u"oth?r"));
  EXPECT_FALSE(platform::exact_path_exists(folder + u"*"));
  EXPECT_FALSE(platform::exact_path_exists(folder + u"missing"));
  EXPECT_FALSE(platform::exact_path_exists(folder + u"missing\\"));
}

TEST(Files, WriteReadReplaceAndDelete) {
  temp_folder dir;
  const auto folder = dir.core_folder();
  ASSERT_TRUE(platform::write_file(folder + u"\\a", std::string("ab\0c", 4)));
  EXPECT_EQ(platform::read_file(folder + u"a", 100), std::string("ab\0c", 4));
  EXPECT_EQ(platform::read_file(folder + u"a", 2), "ab");
  ASSERT_TRUE(platform::write_file(folder + u"b", "new"));
  ASSERT_TRUE(platform::replace_file(folder + u"b", folder + u"a"));
  EXPECT_EQ(platform::read_file(folder + u"a", 100), "new");
  EXPECT_FALSE(platform::read_file(folder + u"b", 100).has_value());
  EXPECT_TRUE(platform::delete_file(folder + u"a"));
  EXPECT_FALSE(platform::delete_file(folder + u"a"));
}

TEST(Files, OutputFileAppendsAndKnowsItsSize) {
  temp_folder dir;
  const auto path = dir.core_folder() + u"log.1";
  {
    platform::output_file file;
    ASSERT_TRUE(file.open(path, platform::output_file::mode::append_text));
    EXPECT_TRUE(file.write("one\n"));
    EXPECT_EQ(file.size(), testing_support::as_text_file("one\n").size());
  }
  platform::output_file again;
  ASSERT_TRUE(again.open(path, platform::output_file::mode::append_text));
  EXPECT_EQ(again.size(), testing_support::as_text_file("one\n").size());
  again.write("two\n");
  again.close();
  EXPECT_EQ(testing_support::read_bytes(dir.path() / "log.1"),
            testing_support::as_text_file("one\ntwo\n"));
}

// Chinese names are the same file whether reached by wide paths or by narrow ones in the ANSI
// code page (GBK on Windows).
TEST(Files, ChineseNamesMeetThroughWideAndNarrowPaths) {
  temp_folder dir;
  const std::u16string previous = platform::current_directory();
  const std::u16string folder = dir.core_folder() + u"微端";
  ASSERT_TRUE(platform::create_directory(folder));
  EXPECT_FALSE(platform::create_directory(folder)) << "exists already";
  ASSERT_TRUE(platform::write_file(folder + u"\\更新包.zip", "zip"));
  EXPECT_TRUE(platform::narrow_path_exists(platform::to_ansi(folder + u"\\更新包.zip")));
  EXPECT_FALSE(platform::narrow_path_exists(platform::to_ansi(folder + u"\\更新包.7z")));
  EXPECT_EQ(names(platform::find_files(folder + u"\\*.zip")), std::vector<std::u16string>{u"更新包.zip"});
  {
    platform::output_file log;
    ASSERT_TRUE(log.open(folder + u"\\日志.1", platform::output_file::mode::truncate_text));
    EXPECT_TRUE(log.write("一行\n"));
  }
  EXPECT_EQ(platform::read_file(folder + u"\\日志.1", 100), testing_support::as_text_file("一行\n"));
  EXPECT_TRUE(platform::set_current_directory(folder));
  EXPECT_EQ(platform::current_directory(), folder);
  EXPECT_TRUE(platform::path_exists(u"更新包.zip")) << "relative to the current folder";
  EXPECT_TRUE(platform::set_current_directory(previous));
}

TEST(Files, ModulePathNamesThisTestProgram) {
  const std::u16string path = platform::module_path();
  const auto slash = path.rfind(u'\\');
  ASSERT_NE(slash, std::u16string::npos) << "folders are separated by a backslash";
  std::u16string name = path.substr(slash + 1);
  platform::to_lower(name);
  EXPECT_EQ(name.rfind(u"platform_text_test", 0), 0u);
}

}  // namespace
