// A launcher with the publisher's key against a real server on loopback: the signed release
// installs; every forgery is refused with its reason, and the installed version stays.
#include <cstdlib>
#include <functional>
#include <optional>

#include "download/packet_map.h"
#include "platform/clock.h"
#include "release/release_signature.h"
#include "support/death_test_output.h"
#include "support/program_output.h"
#include "support/release_signer.h"
#include "support/test_server.h"
#include "system/machine_identity.h"
#include "update/file_md5.h"
#include "test_packages.h"
#include "web_window_fixture.h"

namespace {

using namespace webwindow_testing;
using platform::variant;

struct SignedUpdate : WebWindowTest {
  testing_support::temp_folder serverRoot, keys;
  std::string key, otherKey;
  ReleaseManifest manifest;
  std::string listMd5;  // what the page's list says of res.1
  std::string extraItems;  // after it

  std::string makeKey(const char* name) {
    std::string made = testing_support::make_release_key(keys.path() / name);
    EXPECT_NE(made, "");
    return made;
  }
  void SetUp() override {
    WebWindowTest::SetUp();
    key = makeKey("key.pem");
    otherKey = makeKey("other.pem");
  }
  // A fresh signed release of res.1, an installed res.0, and no release accepted yet.
  void publish() {
    makePackage(serverRoot.path() / "res.1", {{"res/a.txt", pseudoRandomText(3000, 5)}});
    const std::string bytes = read_bytes(serverRoot.path() / "res.1");
    const FileDigests digests = fileDigests(platform::from_utf8((serverRoot.path() / "res.1").string()), true);
    manifest = {1, utcText(platform::unix_time() + 86400), {}, {{"res.1", bytes.size(), md5Of(bytes), digests.sha256, {}}}};
    listMd5 = md5Of(bytes);
    sign("key.pem");
    // What an earlier case may have left: each case starts from the installed version alone.
    std::filesystem::remove_all(folder.path() / "res");
    std::filesystem::remove(folder.path() / "res.1");
    write_bytes(folder.path() / "res.0", "installed");
    extraItems.clear();
    saveReleaseTrust(machine_conf_file(), {0, {key}});
  }
  void sign(const char* keyFile) { signText(manifestText(manifest), keyFile); }
  void signText(const std::string& text, const char* keyFile) {
    write_bytes(serverRoot.path() / RELEASE_MANIFEST_FILE, text);
    write_bytes(serverRoot.path() / RELEASE_SIGNATURE_FILE,
                testing_support::sign_release(keys.path() / keyFile, text));
  }
  void update(const std::string& base) {
    createWindow();
    window->SetReleaseKey(key);
    const std::string list = base + "/||" + listMd5 + "|res.1||" + extraItems;
    headless::call_external(u"updateGame", {variant::text(platform::from_utf8(list))});
  }
};

TEST_F(SignedUpdate, TheSignedReleaseInstallsAndItsNumberIsKept) {
  testing_support::test_server server(serverRoot.path());
  ASSERT_TRUE(server.running());
  publish();
  update(server.base_url());
  // The release is fetched off the main thread: the page's call has returned before it is in,
  // and the page asking for progress meanwhile does not hear that the update has finished.
  EXPECT_EQ(window->Packets().Count(), 0);
  headless::call_external(u"getDownloadProcess", {});
  EXPECT_NE(window->CurrentUpdateState(), UPDATE_FINISHED);
  ASSERT_TRUE(headless::run_until([this] { return window->CurrentUpdateState() == UPDATE_FINISHED; }, 30000));
  EXPECT_EQ(read_bytes(folder.path() / "res/a.txt"), pseudoRandomText(3000, 5));
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "res.0")) << "the checked version replaces the old";
  EXPECT_EQ(loadReleaseTrust(machine_conf_file(), key).highestRelease, 1);
}

struct Forgery {
  const char* name;
  std::function<void(SignedUpdate&)> arrange;
  std::vector<std::string> logged;  // in this order
};

TEST_F(SignedUpdate, EveryForgeryIsRefusedWithItsReason) {
  // The dying process must not start a server of its own: that one would outlive it and keep
  // its output open. Where it can, the dying process forks from here. Where death tests start
  // the test program again (Windows), the new process finds this server's address and this
  // key in the environment; the packages it makes are byte for byte the ones served here.
  GTEST_FLAG_SET(death_test_style, "fast");
  std::optional<testing_support::test_server> server;
  if (!std::getenv("SIGNED_UPDATE_TEST_SERVER")) {
    server.emplace(serverRoot.path());
    ASSERT_TRUE(server->running());
    setenv("SIGNED_UPDATE_TEST_SERVER", server->base_url().c_str(), 1);
    setenv("SIGNED_UPDATE_TEST_KEY", key.c_str(), 1);
  }
  const std::string serverAddress = std::getenv("SIGNED_UPDATE_TEST_SERVER");
  key = std::getenv("SIGNED_UPDATE_TEST_KEY");
  const std::string refused = "signed release refused: ";
  const std::vector<Forgery> forgeries = {
      {"changed byte", [](SignedUpdate& t) {
         std::string text = read_bytes(t.serverRoot.path() / RELEASE_MANIFEST_FILE);
         text[text.find("\"release\": 1")+11] = '2';
         write_bytes(t.serverRoot.path() / RELEASE_MANIFEST_FILE, text);
       }, {refused + "the release signature does not hold: the signature does not match"}},
      {"wrong key", [](SignedUpdate& t) { t.sign("other.pem"); },
       {refused + "the release signature does not hold: the signature does not match"}},
      {"swapped package, page MD5 to match", [](SignedUpdate& t) {
         makePackage(t.serverRoot.path() / "res.1", {{"res/a.txt", "evil"}});
         t.listMd5 = md5Of(read_bytes(t.serverRoot.path() / "res.1"));
       }, {refused + "package res.1 has another MD5 in the page's list than in the signed release 1"}},
      {"entry absent", [](SignedUpdate& t) { t.extraItems = t.listMd5 + "|evil.1||"; },
       {refused + "package evil.1 is not in the signed release 1"}},
      {"older release", [](SignedUpdate& t) { saveReleaseTrust(machine_conf_file(), {5, {t.key}}); },
       {refused + "the release 1 is older than the release 5 already accepted"}},
      {"expired", [](SignedUpdate& t) {
         t.manifest.expires = utcText(platform::unix_time() - 1);
         t.sign("key.pem");
       }, {refused + "the signed manifest expired at "}},
      {"malformed signature", [](SignedUpdate& t) {
         write_bytes(t.serverRoot.path() / RELEASE_SIGNATURE_FILE, "not a signature");
       }, {refused + "the release signature is missing or not 64 hexadecimal bytes"}},
      {"signed, but no manifest", [](SignedUpdate& t) { t.signText("{\"release\": ", "key.pem"); },
       {refused + "the signed manifest cannot be read: "}},
      {"missing signature", [](SignedUpdate& t) { std::filesystem::remove(t.serverRoot.path() / RELEASE_SIGNATURE_FILE); },
       {refused, "/release.json.sig cannot be fetched: the server answered 404"}},
      {"signed digest differs", [](SignedUpdate& t) {
         t.manifest.packages[0].sha256[0] = t.manifest.packages[0].sha256[0] == '0' ? '1' : '0';
         t.sign("key.pem");
       }, {"package differs from the signed release (SHA-256 or size)"}},
      {"oversize body", [](SignedUpdate& t) {
         write_bytes(t.serverRoot.path() / "res.1", read_bytes(t.serverRoot.path() / "res.1") + std::string(100000, 'x'));
       }, {"file too large! max size=", ", url="}},
  };
  for (const auto& forgery : forgeries) {
    publish();
    forgery.arrange(*this);
    EXPECT_EXIT(
        {
          testing_support::StderrSink toStderr;
          update(serverAddress);
          headless::run_for(30000);
          std::exit(3);
        },
        ::testing::ExitedWithCode(0), testing_support::InOrder{forgery.logged})
        << forgery.name;
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "res.1")) << forgery.name;
    EXPECT_EQ(read_bytes(folder.path() / "res.0"), "installed") << forgery.name;
  }
  unsetenv("SIGNED_UPDATE_TEST_SERVER");
  unsetenv("SIGNED_UPDATE_TEST_KEY");
}

}  // namespace
