// launcher-publish run as a program: stable and deterministic releases, refused names, and a
// check that finds what was tampered with.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <regex>

#include "platform/clock.h"
#include "release/release_signature.h"
#include "support/child_program.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;
using testing_support::read_bytes;

namespace {

void write_bytes(const fs::path& file, const std::string& bytes) {
  fs::create_directories(file.parent_path());
  testing_support::write_bytes(file, bytes);
}

testing_support::child_result publish(const std::vector<std::string>& args) {
  return testing_support::run_child(PUBLISH_PROGRAM, args, fs::temp_directory_path(), {}, 120000);
}

struct Release {
  fs::path folder;
  std::map<std::string, std::string> files;  // every file of the release folder, by name
};

Release readRelease(const fs::path& folder) {
  Release release{folder, {}};
  for (const auto& entry : fs::directory_iterator(folder))
    release.files[entry.path().filename().string()] = read_bytes(entry.path());
  return release;
}

// Package names of a release, from its list: name -> digest.
std::map<std::string, std::string> listedPackages(const Release& release) {
  std::map<std::string, std::string> packages;
  const std::string& list = release.files.at("list.txt");
  const std::regex item("\\|\\|([0-9A-F]{32})\\|([^|]+)");
  for (std::sregex_iterator at(list.begin(), list.end(), item), end; at != end; ++at)
    packages[(*at)[2]] = (*at)[1];
  return packages;
}

class PublishTest : public ::testing::Test {
 protected:
  // Three folders of files, one program, text and data that does not compress.
  void makeGame() {
    for (int folder = 0; folder < 3; ++folder)
      for (int file = 0; file < 4; ++file) {
        char name[32];
        std::snprintf(name, sizeof name, "folder%d/f%d.dat", folder, file);
        write_bytes(game() / name,
                    testing_support::random_bytes(300000, static_cast<unsigned>(folder * 10 + file)));
      }
    write_bytes(game() / "game.exe", "#!/bin/sh\n");
    fs::permissions(game() / "game.exe", fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
    write_bytes(game() / "readme.txt", std::string(100000, 'x'));
  }
  Release build(const std::string& name, std::vector<std::string> more = {}) {
    std::vector<std::string> args{"build", game().string(), (root_.path() / name).string(),
                                  "--package-size", "700000"};
    args.insert(args.end(), more.begin(), more.end());
    const auto run = publish(args);
    EXPECT_EQ(run.exit_code, 0) << run.output;
    return readRelease(root_.path() / name);
  }
  fs::path game() const { return root_.path() / "game"; }
  fs::path out(const std::string& name) const { return root_.path() / name; }

  testing_support::temp_folder root_;
};

TEST_F(PublishTest, TheSameGameGivesTheSameBytesAndTheReleaseChecksOut) {
  makeGame();
  const Release first = build("a", {"--base-url", "http://host/r"});
  const Release second = build("b", {"--base-url", "http://host/r"});
  EXPECT_EQ(first.files, second.files);
  EXPECT_EQ(first.files.at("list.txt").rfind("http://host/r/||", 0), 0u);
  EXPECT_GE(listedPackages(first).size(), 4u);  // the size limit splits the folders
  EXPECT_NE(first.files.at("release.json").find("\"mode\": \"0744\",\n          \"path\": \"game.exe\""),
            std::string::npos);
  const auto check = publish({"check", first.folder.string()});
  EXPECT_EQ(check.exit_code, 0) << check.output;
}

// Each release after a change to one file: changed data, a file removed, a changed mode.
TEST_F(PublishTest, AChangedFileMovesExactlyOnePackageToItsNextVersion) {
  makeGame();
  const std::vector<std::function<void()>> changes = {
      [&] { write_bytes(game() / "folder1" / "f2.dat", testing_support::random_bytes(300000, 99)); },
      [&] { fs::remove(game() / "folder2" / "f0.dat"); },
      [&] { fs::permissions(game() / "folder0" / "f1.dat", fs::perms::owner_exec, fs::perm_options::add); },
  };
  Release last = build("r1");
  for (std::size_t step = 0; step < changes.size(); ++step) {
    changes[step]();
    const std::string number = std::to_string(step + 2);
    const Release next = build("r" + number, {"--previous", last.folder.string()});
    const auto before = listedPackages(last), after = listedPackages(next);
    std::vector<std::string> gone, added;
    for (const auto& [name, digest] : before) {
      if (!after.count(name)) gone.push_back(name);
      else EXPECT_EQ(next.files.at(name), last.files.at(name)) << name;
    }
    for (const auto& [name, digest] : after)
      if (!before.count(name)) added.push_back(name);
    ASSERT_EQ(gone.size(), 1u) << "change " << step;
    ASSERT_EQ(added.size(), 1u) << "change " << step;
    const auto dot = gone[0].rfind('.');
    EXPECT_EQ(added[0], gone[0].substr(0, dot + 1) + std::to_string(std::stoi(gone[0].substr(dot + 1)) + 1));
    EXPECT_NE(next.files.at("release.json").find("\"release\": " + number), std::string::npos);
    last = next;
  }
}

TEST_F(PublishTest, NamesTheLauncherWouldRefuseAndTooLargeFilesAreRefusedByPath) {
  const std::vector<std::pair<std::string, std::string>> refused = {
      {"a*b.txt", "not a plain file name"}, {"data/q?.dat", "not a plain file name"},
      {"x<y>.txt", "not a plain file name"}, {"pipe|name", "not a plain file name"},
      {"maps/con.txt", "not a plain file name"}, {"LPT1", "not a plain file name"},
      {"dot.", "not a plain file name"}, {"blank ", "not a plain file name"},
      {"a:b", "outside the launcher folder"}, {"tab\tname", "not a plain file name"},
      {"deep/" + std::string(220, 'n'), "passes the limit of 255"},
      {"bad\xff.txt", "not valid UTF-8"}, {"Readme.TXT", "only in letter case"},
      {"dlist", "keeps a file of its own"}, {"Param.1", "keeps a file of its own"},
      {"pkg-top-1.txt", "a version of the package pkg-top-1"},
  };
  for (const auto& [path, reason] : refused) {
    testing_support::temp_folder tree;
    write_bytes(tree.path() / "game" / "readme.txt", "fine");
    write_bytes(tree.path() / "game" / path, "refused");
    const auto run = publish({"build", (tree.path() / "game").string(), (tree.path() / "out").string()});
    EXPECT_NE(run.exit_code, 0) << path;
    EXPECT_NE(run.output.find(path + ": refused: "), std::string::npos) << run.output;
    EXPECT_NE(run.output.find(reason), std::string::npos) << run.output;
  }
  // One byte more than a package may hold: refused with its size, however the limit is set.
  write_bytes(game() / "small.dat", "fine");
  write_bytes(game() / "huge.dat", "");
  fs::resize_file(game() / "huge.dat", 0x1C00000);
  const auto run = publish({"build", game().string(), out("big").string()});
  EXPECT_NE(run.exit_code, 0);
  EXPECT_NE(run.output.find("huge.dat: refused: 29360128 bytes"), std::string::npos) << run.output;
}

TEST_F(PublishTest, CheckNamesWhatWasTamperedWith) {
  makeGame();
  const Release release = build("r");
  const std::string package = listedPackages(release).begin()->first;
  const std::string manifest = release.files.at("release.json");
  const std::string list = release.files.at("list.txt");
  const std::string fileDigest = manifest.substr(manifest.find("\"sha256\": \"") + 11, 64);
  struct Tamper {
    std::string file, bytes, expected;
  };
  std::string flipped = release.files.at(package);
  flipped[flipped.size() / 2] ^= 1;
  std::string digestChanged = manifest;
  digestChanged.replace(digestChanged.find(fileDigest), 64, std::string(64, '0'));
  // A second package of the first one's base: the launcher would delete one fetching the other.
  const std::string other = std::next(listedPackages(release).begin())->first;
  std::string sameBase = manifest;
  sameBase.replace(sameBase.find("\"" + other + "\""), other.size() + 2,
                   "\"" + package.substr(0, package.rfind('.')) + ".7\"");
  const std::vector<Tamper> tampers = {
      {"release.json", sameBase, ".7: has the base name of " + package},
      {package, flipped, package + ": its MD5 is"},
      {package, release.files.at(package).substr(1), package + ": missing or not"},
      {"release.json", digestChanged, "does not have the SHA-256 the manifest says"},
      {"list.txt", list.substr(list.find("||", 2)), "list.txt: does not list"},
  };
  for (const auto& tamper : tampers) {
    write_bytes(release.folder / tamper.file, tamper.bytes);
    const auto run = publish({"check", release.folder.string()});
    EXPECT_NE(run.exit_code, 0) << tamper.expected;
    EXPECT_NE(run.output.find(tamper.expected), std::string::npos) << run.output;
    write_bytes(release.folder / tamper.file, release.files.at(tamper.file));
  }
  EXPECT_EQ(publish({"check", release.folder.string()}).exit_code, 0);
}

}  // namespace

namespace {

TEST_F(PublishTest, KeygenAndSignMakeAReleaseTheLauncherAccepts) {
  makeGame();
  const auto key = publish({"keygen", out("key.pem").string()});
  ASSERT_EQ(key.exit_code, 0) << key.output;
  const auto next = publish({"keygen", out("next.pem").string()});
  EXPECT_EQ(fs::status(out("key.pem")).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_NE(publish({"keygen", out("key.pem").string()}).exit_code, 0) << "a key is never overwritten";
  const std::string publicKey = read_bytes(out("key.pem.pub")).substr(0, 130);
  EXPECT_NE(key.output.find(publicKey), std::string::npos) << "printed as well";
  for (const char* expires : {"0", "tomorrow", "2030-01-01"})
    EXPECT_EQ(publish({"build", game().string(), out("bad").string(), "--sign", out("key.pem").string(),
                       "--expires", expires}).exit_code, 2) << expires;

  const Release release = build("signed", {"--sign", out("key.pem").string(), "--expires", "2",
                                           "--next-key", out("next.pem.pub").string()});
  const auto check = checkSignedRelease(release.files.at("release.json"), release.files.at("release.json.sig"),
                                        {0, {publicKey}}, platform::unix_time() + 86400);
  ASSERT_TRUE(check.manifest) << check.reason;
  EXPECT_EQ(check.manifest->nextKey, read_bytes(out("next.pem.pub")).substr(0, 130));
  EXPECT_FALSE(checkSignedRelease(release.files.at("release.json"), release.files.at("release.json.sig"),
                                  {0, {publicKey}}, platform::unix_time() + 2 * 86400 + 60).manifest)
      << "expired two days on";
}

}  // namespace
