// The identifier and the protocol registration written into a temporary XDG home.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <regex>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/text.h"
#include "platform/url_protocol.h"
#include "support/temp_folder.h"
#include "system/machine_identity.h"
#include "system/url_protocol.h"

namespace {

namespace fs = std::filesystem;
using testing_support::read_bytes;
using testing_support::temp_folder;
using testing_support::write_bytes;

struct scoped_variable {
  std::string name;
  std::optional<std::string> old;
  scoped_variable(std::string n, const std::string& value) : name(std::move(n)) {
    if (const char* v = std::getenv(name.c_str())) old = v;
    setenv(name.c_str(), value.c_str(), 1);
  }
  ~scoped_variable() {
    if (old) setenv(name.c_str(), old->c_str(), 1);
    else unsetenv(name.c_str());
  }
};

struct Identity : ::testing::Test {
  temp_folder home;
  fs::path config = home.path() / "config";
  fs::path data = home.path() / "data";
  scoped_variable config_home{"XDG_CONFIG_HOME", config.string()};
  scoped_variable data_home{"XDG_DATA_HOME", data.string()};
  fs::path conf = config / "QzLauncherZEFA" / "conf.ini";
  fs::path desktop = data / "applications" / "qzzefa-launcher.desktop";
  fs::path mimeapps = config / "mimeapps.list";

  static std::string program() { return platform::to_utf8(platform::module_path()); }
  static std::string program_native() {
    std::string p = program();
    std::replace(p.begin(), p.end(), '\\', '/');
    return p;
  }
};

TEST_F(Identity, FirstRunCreatesTheFolderTheFileAndTheRegistration) {
  ensure_machine_identity();
  const std::string text = read_bytes(conf);
  std::smatch m;
  ASSERT_TRUE(std::regex_match(text, m, std::regex("\\[GENERAL\\]\nguid=([0-9A-F]{36})\n"))) << text;
  EXPECT_EQ(get_app_data_folder(), testing_support::core_path(config));

  const std::string entry = read_bytes(desktop);
  EXPECT_NE(entry.find("[Desktop Entry]\n"), std::string::npos) << entry;
  EXPECT_NE(entry.find("\nExec=\"" + program_native() + "\" %u\n"), std::string::npos) << entry;
  EXPECT_NE(entry.find("\nMimeType=x-scheme-handler/qzzefa;\n"), std::string::npos) << entry;
  EXPECT_NE(entry.find("\nType=Application\n"), std::string::npos) << entry;
  EXPECT_EQ(read_bytes(mimeapps),
            "[Default Applications]\nx-scheme-handler/qzzefa=qzzefa-launcher.desktop\n");
}

TEST_F(Identity, SecondRunKeepsTheIdentifierAndDoesNotRewriteTheFile) {
  ensure_machine_identity();
  const std::string first = read_bytes(conf);
  const auto written = fs::last_write_time(conf);
  fs::remove(desktop);
  platform::sleep_ms(20);
  ensure_machine_identity();
  EXPECT_EQ(read_bytes(conf), first);
  EXPECT_EQ(fs::last_write_time(conf), written);
  EXPECT_TRUE(fs::exists(desktop)) << "the registration is renewed on every run";
}

TEST_F(Identity, StoredValuesAreUsedAsTheyAreAndEmptyOnesReplaced) {
  fs::create_directories(conf.parent_path());
  write_bytes(conf, "; mine\n[general]\nGUID = not hex at all \nother=1\n");
  ensure_machine_identity();
  EXPECT_EQ(read_bytes(conf), "; mine\n[general]\nGUID = not hex at all \nother=1\n");

  write_bytes(conf, "[GENERAL]\nguid=\nother=1\n");
  ensure_machine_identity();
  EXPECT_TRUE(std::regex_match(read_bytes(conf),
                               std::regex("\\[GENERAL\\]\nguid=[0-9A-F]{36}\nother=1\n")))
      << read_bytes(conf);
}

TEST_F(Identity, ALongValueIsReadCutTo63CharactersAndNotRewritten) {
  fs::create_directories(conf.parent_path());
  const std::string stored = "[GENERAL]\nguid=" + std::string(63, 'A') + "BCDEF\n";
  write_bytes(conf, stored);
  ensure_machine_identity();
  EXPECT_EQ(read_bytes(conf), stored);
}

TEST_F(Identity, TheConfigFolderIsCreatedWhenMissing) {
  EXPECT_FALSE(fs::exists(config));
  ensure_machine_identity();
  EXPECT_TRUE(fs::exists(conf));
  EXPECT_EQ(fs::status(config).permissions() & fs::perms::all, fs::perms::owner_all);
}

TEST_F(Identity, RegistrationKeepsOtherDefaultsAndReplacesItsOwn) {
  fs::create_directories(config);
  write_bytes(mimeapps,
              "[Added Associations]\ntext/plain=a.desktop;\n\n"
              "[Default Applications]\nx-scheme-handler/http=b.desktop\n"
              "x-scheme-handler/qzzefa=stale.desktop\n");
  ASSERT_TRUE(register_url_protocol(u"qzzefa", u"ID"));
  EXPECT_EQ(read_bytes(mimeapps),
            "[Added Associations]\ntext/plain=a.desktop;\n\n"
            "[Default Applications]\nx-scheme-handler/http=b.desktop\n"
            "x-scheme-handler/qzzefa=qzzefa-launcher.desktop\n");
}

TEST_F(Identity, RegistrationFailsWhenTheApplicationsFolderCannotBeMade) {
  fs::create_directories(data.parent_path());
  write_bytes(data, "a file where the folder should be");
  EXPECT_FALSE(register_url_protocol(u"qzzefa", u"ID"));
}

TEST(ExecLine, ReservedCharactersOfThePathAreEscaped) {
  temp_folder home;
  scoped_variable data_home{"XDG_DATA_HOME", (home.path() / "data").string()};
  scoped_variable config_home{"XDG_CONFIG_HOME", (home.path() / "config").string()};
  // The real program path is what gets registered; escape handling is checked through a
  // program path with every reserved character, written by the platform directly.
  ASSERT_TRUE(platform::register_url_protocol_entries(u"qzzefa", u"\\opt\\my $game\\50%\\\"q\"\\x`y",
                                                      u"ID"));
  const std::string entry = read_bytes(home.path() / "data" / "applications" / "qzzefa-launcher.desktop");
  EXPECT_NE(entry.find("\nExec=\"/opt/my \\\\$game/50%%/\\\\\"q\\\\\"/x\\\\`y\" %u\n"), std::string::npos)
      << entry;
}

}  // namespace
