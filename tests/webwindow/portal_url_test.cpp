// The portal address from the configured page, "oem.ini" and "wb.flg".
#include <filesystem>

#include "web_window_fixture.h"

namespace {

using namespace webwindow_testing;
using testing_support::write_bytes;

struct PortalUrl : WebWindowTest {
  void SetUp() override {
    WebWindowTest::SetUp();
    setenv("LAUNCHER_PORTAL_ADDRESS", "http://127.0.0.1:9/p/index.html", 1);
  }
  void TearDown() override {
    unsetenv("LAUNCHER_PORTAL_ADDRESS");
    WebWindowTest::TearDown();
  }
  std::string url() { return utf8(CWebWindow(folder.core_folder()).buildPortalUrl()); }
};

const std::string defaultAddress = "http://127.0.0.1:9/p/index.html?version=2&appver=7";

TEST_F(PortalUrl, OperatorPiecesAndTheMarker) {
  const struct {
    const char* oemIni;  // null: no file
    bool marker;
    const char* expectedTail;
  } table[] = {
      {nullptr, false, "&ly=halvor"},
      {"[LIAN_YUN]\nid=abc\nsub_id=s=7\n", true, "&ly=abc&s=7&wb=1"},
      {"[LIAN_YUN]\nid=abc\nsub_id=\n", false, "&ly=abc"},
      {"[lian_yun]\r\nID = x y \r\n", false, "&ly=x y"},
      {"[OTHER]\nid=abc\n", false, "&ly=halvor"},
      {"[LIAN_YUN]\nsub_id=k=v\n", false, "&ly=halvor&k=v"},
      {nullptr, true, "&ly=halvor&wb=1"},
  };
  for (const auto& row : table) {
    std::filesystem::remove(folder.path() / "oem.ini");
    std::filesystem::remove_all(folder.path() / "wb.flg");
    if (row.oemIni) write_bytes(folder.path() / "oem.ini", row.oemIni);
    if (row.marker) write_bytes(folder.path() / "wb.flg", "");
    EXPECT_EQ(url(), defaultAddress + row.expectedTail) << (row.oemIni ? row.oemIni : "(none)");
  }
}

TEST_F(PortalUrl, AFolderNamedLikeTheMarkerCounts) {
  std::filesystem::create_directory(folder.path() / "wb.flg");
  EXPECT_EQ(url(), defaultAddress + "&ly=halvor&wb=1");
}

TEST_F(PortalUrl, ValuesAreCutTo259Characters) {
  write_bytes(folder.path() / "oem.ini", "[LIAN_YUN]\nid=" + std::string(300, 'a') + "\n");
  EXPECT_EQ(url(), defaultAddress + "&ly=" + std::string(259, 'a'));
}

TEST_F(PortalUrl, TheBuildDefaultWithoutTheEnvironment) {
  unsetenv("LAUNCHER_PORTAL_ADDRESS");
  EXPECT_EQ(url(), std::string(LAUNCHER_DEFAULT_PORTAL_ADDRESS) + "?version=2&appver=7&ly=halvor");
  setenv("LAUNCHER_PORTAL_ADDRESS", "", 1);
  EXPECT_EQ(url(), std::string(LAUNCHER_DEFAULT_PORTAL_ADDRESS) + "?version=2&appver=7&ly=halvor")
      << "an empty override is no override";
}

TEST_F(PortalUrl, TheBrowserIsSentThereAndTheAddressLogged) {
  write_bytes(folder.path() / "oem.ini", "[LIAN_YUN]\nid=abc\nsub_id=s=7\n");
  write_bytes(folder.path() / "wb.flg", "");
  createWindow();
  const std::string expected = defaultAddress + "&ly=abc&s=7&wb=1";
  ASSERT_EQ(headless::navigations().size(), 1u);
  EXPECT_EQ(utf8(headless::navigations()[0]), expected);
  EXPECT_EQ(linesTagged("INFO", "Proc"), std::vector<std::string>{"请求URL:" + expected});
}

}  // namespace
