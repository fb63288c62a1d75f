// The protocol's registry entries, read back from the registry they were written to.
#include <gtest/gtest.h>

#include <windows.h>

#include <regex>
#include <string>

#include "platform/files.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "platform/url_protocol.h"
#include "platform/user_folders.h"
#include "system/machine_identity.h"
#include "system/url_protocol.h"
#include "system/win32/registry_reader.h"

namespace {

using testing_support::delete_registry_tree;
using testing_support::registry_dword;
using testing_support::registry_key_exists;
using testing_support::registry_string;

const std::wstring classes_root = L"Software\\Classes\\";
const std::wstring execute_root = L"SOFTWARE\\Microsoft\\Internet Explorer\\ProtocolExecute\\";
const std::wstring policy_root =
    L"SOFTWARE\\Microsoft\\Internet Explorer\\Low Rights\\ElevationPolicy\\";

std::wstring wide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

// A protocol and policy name of this run only, removed again at the end.
struct Registration : ::testing::Test {
  std::wstring protocol = L"zefatest" + std::to_wstring(GetCurrentProcessId());
  std::wstring policy = L"ZEFATESTPOLICY" + std::to_wstring(GetCurrentProcessId());
  std::u16string protocol16{protocol.begin(), protocol.end()};
  std::u16string policy16{policy.begin(), policy.end()};

  void TearDown() override {
    for (const HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
      delete_registry_tree(root, classes_root + protocol);
      delete_registry_tree(root, execute_root + protocol);
      delete_registry_tree(root, policy_root + policy);
    }
  }
  // Nothing machine-wide, which the per-user uninstaller could not remove.
  void expect_nothing_machine_wide() const {
    EXPECT_FALSE(registry_key_exists(HKEY_LOCAL_MACHINE, classes_root + protocol));
    EXPECT_FALSE(registry_key_exists(HKEY_LOCAL_MACHINE, execute_root + protocol));
    EXPECT_FALSE(registry_key_exists(HKEY_LOCAL_MACHINE, policy_root + policy));
  }
};

TEST_F(Registration, EveryEntryIsWrittenAsTheSystemReadsIt) {
  // A Chinese folder with a blank: the command line must keep it whole and quoted.
  const std::u16string program = platform::from_utf8("C:\\Games\\\xE6\xB8\xB8\xE6\x88\x8F 1\\launcher.exe");
  ASSERT_TRUE(platform::register_url_protocol_entries(protocol16, program, policy16));

  const HKEY user = HKEY_CURRENT_USER;
  const std::wstring key = classes_root + protocol;
  EXPECT_EQ(registry_string(user, key, L""), L"URL:" + protocol + L" Protocol");
  EXPECT_EQ(registry_string(user, key, L"URL Protocol"), L"");
  EXPECT_EQ(registry_string(user, key + L"\\DefaultIcon", L""), L"launcher.exe,0");
  EXPECT_EQ(registry_string(user, key + L"\\shell\\open\\command", L""),
            L"\"" + wide(program) + L"\" \"%1\"");
  EXPECT_EQ(registry_dword(user, execute_root + protocol, L"WarnOnOpen"), 0u);
  EXPECT_EQ(registry_string(user, policy_root + policy, L"AppPath"),
            wide(program.substr(0, program.rfind(u'\\'))));
  EXPECT_EQ(registry_string(user, policy_root + policy, L"AppName"), L"launcher.exe");
  EXPECT_EQ(registry_dword(user, policy_root + policy, L"Policy"), 3u);
  expect_nothing_machine_wide();
}

TEST_F(Registration, RenewingReplacesTheOldProgram) {
  ASSERT_TRUE(platform::register_url_protocol_entries(protocol16, u"C:\\old\\a.exe", policy16));
  ASSERT_TRUE(platform::register_url_protocol_entries(protocol16, u"D:\\new\\b.exe", policy16));
  const std::wstring key = classes_root + protocol;
  EXPECT_EQ(registry_string(HKEY_CURRENT_USER, key + L"\\shell\\open\\command", L""),
            L"\"D:\\new\\b.exe\" \"%1\"");
  EXPECT_EQ(registry_string(HKEY_CURRENT_USER, key + L"\\DefaultIcon", L""), L"b.exe,0");
  EXPECT_EQ(registry_string(HKEY_CURRENT_USER, policy_root + policy, L"AppPath"), L"D:\\new");
}

TEST_F(Registration, APathWithoutFolderWritesNothing) {
  EXPECT_FALSE(platform::register_url_protocol_entries(protocol16, u"launcher.exe", policy16));
  EXPECT_FALSE(registry_key_exists(HKEY_CURRENT_USER, classes_root + protocol));
  EXPECT_FALSE(registry_key_exists(HKEY_CURRENT_USER, execute_root + protocol));
  expect_nothing_machine_wide();
}

// The whole start-up step: identifier file in the roaming folder, then the protocol registered
// for this very program with the identifier as its policy name.
TEST(Identity, TheIdentifierIsKeptInAppDataAndNamesThePolicy) {
  ensure_machine_identity();
  const std::u16string conf = platform::app_data_folder() + u"\\QzLauncherZEFA\\conf.ini";
  ASSERT_TRUE(platform::path_exists(conf));
  const std::u16string identity = platform::get_profile_string(u"GENERAL", u"guid", u"", 64, conf);
  EXPECT_TRUE(std::regex_match(platform::to_utf8(identity), std::regex("[0-9A-F]{36}")))
      << platform::to_utf8(identity);

  const std::u16string program = platform::module_path();
  EXPECT_EQ(registry_string(HKEY_CURRENT_USER, classes_root + L"qzzefa\\shell\\open\\command", L""),
            L"\"" + wide(program) + L"\" \"%1\"");
  EXPECT_EQ(registry_string(HKEY_CURRENT_USER, policy_root + wide(identity), L"AppName"),
            wide(program.substr(program.rfind(u'\\') + 1)));

  ensure_machine_identity();
  EXPECT_EQ(platform::get_profile_string(u"GENERAL", u"guid", u"", 64, conf), identity)
      << "a second start keeps the identifier";
}

}  // namespace
