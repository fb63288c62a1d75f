// Writing a whole settings file anew: which file gets the bytes when links lead to it, what it
// keeps of the old file, and when nothing is written at all.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/linux/file_replacement.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using platform::linux_impl::replace_file_contents;
using testing_support::read_bytes;
using testing_support::temp_folder;
using testing_support::write_bytes;

constexpr const char* old_bytes = "old";
constexpr const char* new_bytes = "[Default Applications]\nx=y.desktop\n";

struct file_entry {
  const char* name;
  mode_t mode;
};
// A target that starts with "/" is written as an absolute path into the case's folder.
struct link_entry {
  const char* name;
  const char* target;
};
struct replacement_case {
  const char* what;
  std::vector<file_entry> files;  // each holds old_bytes
  std::vector<link_entry> links;
  const char* written;  // the path handed over
  bool succeeds;
  const char* holder;  // the file that holds the new bytes afterwards; none when null
  mode_t holder_mode;  // none: whatever the umask gives a new file
};

mode_t mode_of(const fs::path& file) {
  struct stat st {};
  return stat(file.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

fs::path link_target(const fs::path& root, const link_entry& link) {
  return link.target[0] == '/' ? fs::path(root.string() + link.target) : fs::path(link.target);
}

std::vector<std::string> names_below(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    names.push_back(entry.path().lexically_relative(folder).string());
  std::sort(names.begin(), names.end());
  return names;
}

const replacement_case replacement_cases[] = {
    {"a plain file takes the bytes and keeps its permissions",
     {{"settings", 0640}}, {}, "settings", true, "settings", 0640},
    {"a missing file is made", {}, {}, "settings", true, "settings", 0},
    {"a relative link leads to the file that takes the bytes; the link stays",
     {{"kept/settings", 0600}}, {{"settings", "kept/settings"}}, "settings", true,
     "kept/settings", 0600},
    {"an absolute link is followed the same way",
     {{"kept/settings", 0600}}, {{"settings", "/kept/settings"}}, "settings", true,
     "kept/settings", 0600},
    {"a relative link in a chain counts from its own folder",
     {{"kept/settings", 0604}}, {{"settings", "/sub/hop"}, {"sub/hop", "../kept/settings"}},
     "settings", true, "kept/settings", 0604},
    {"a link to a missing file makes that file; the link stays",
     {}, {{"settings", "kept/settings"}}, "settings", true, "kept/settings", 0},
    {"a loop of links is refused and nothing is written",
     {}, {{"settings", "sub/hop"}, {"sub/hop", "../settings"}}, "settings", false, nullptr, 0},
    {"a link to itself is refused", {}, {{"settings", "settings"}}, "settings", false, nullptr, 0},
};

TEST(FileReplacement, TheBytesGoWhereTheLinksLeadAndTheRestStaysAsItWas) {
  for (const auto& c : replacement_cases) {
    SCOPED_TRACE(c.what);
    temp_folder dir;
    const fs::path& root = dir.path();
    fs::create_directories(root / "kept");
    fs::create_directories(root / "sub");
    for (const auto& f : c.files) {
      write_bytes(root / f.name, old_bytes);
      ASSERT_EQ(chmod((root / f.name).c_str(), f.mode), 0);
    }
    for (const auto& l : c.links) {
      fs::create_symlink(link_target(root, l), root / l.name);
    }
    std::vector<std::string> expected_names = names_below(root);
    if (c.holder && !fs::exists(root / c.holder)) expected_names.push_back(c.holder);
    std::sort(expected_names.begin(), expected_names.end());

    EXPECT_EQ(replace_file_contents((root / c.written).string(), new_bytes), c.succeeds);

    if (c.holder) {
      EXPECT_EQ(read_bytes(root / c.holder), new_bytes);
      if (c.holder_mode) {
        EXPECT_EQ(mode_of(root / c.holder), c.holder_mode);
      }
    }
    EXPECT_EQ(names_below(root), expected_names) << "no file left beside them";
    for (const auto& f : c.files) {
      if (!c.holder || std::string(f.name) != c.holder) {
        EXPECT_EQ(read_bytes(root / f.name), old_bytes);
      }
    }
    for (const auto& l : c.links) {
      EXPECT_TRUE(fs::is_symlink(root / l.name) && fs::read_symlink(root / l.name) == link_target(root, l))
          << l.name << " is still the same link";
    }
  }
}

TEST(FileReplacement, AFileThatAlreadyHoldsTheBytesIsNotWrittenAgain) {
  temp_folder dir;
  const fs::path file = dir.path() / "kept" / "settings";
  fs::create_directories(file.parent_path());
  write_bytes(file, new_bytes);
  // A time long past, so that any write would show in it.
  const timespec long_ago[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), long_ago, 0), 0);
  struct stat before {};
  ASSERT_EQ(stat(file.c_str(), &before), 0);
  fs::create_symlink(file, dir.path() / "settings");

  for (const fs::path& path : {file, dir.path() / "settings"}) {
    EXPECT_TRUE(replace_file_contents(path.string(), new_bytes)) << path;
    struct stat after {};
    ASSERT_EQ(stat(file.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino) << path;
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec) << path;
  }
  // The whole file is compared: one that only starts with the bytes is written.
  const std::string shorter = std::string(new_bytes).substr(0, 10);
  EXPECT_TRUE(replace_file_contents(file.string(), shorter));
  EXPECT_EQ(read_bytes(file), shorter);
}

}  // namespace
