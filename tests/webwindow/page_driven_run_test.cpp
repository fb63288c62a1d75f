// The launcher program's whole run driven by its page on the headless desktop: load,
// JsUpdateGame, updateGame, downloads, extraction, entryGame, the game started, and the exit
// path with the download list saved.
#include <chrono>
#include <sstream>
#include <thread>

#include "platform/text.h"
#include "support/child_program.h"
#include "support/test_server.h"
#include "test_packages.h"
#include "update/install_records.h"

namespace {

using namespace webwindow_testing;

std::vector<std::vector<std::string>> tabbedLines(const std::string& text) {
  std::vector<std::vector<std::string>> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> fields;
    std::istringstream fieldsIn(line);
    for (std::string field; std::getline(fieldsIn, field, '\t');) fields.push_back(field);
    lines.push_back(fields);
  }
  return lines;
}

TEST(PageDrivenRun, UpdatesStartsTheGameAndSavesTheDownloadList) {
  testing_support::temp_folder launcherFolder;
  testing_support::temp_folder serverRoot;
  testing_support::temp_folder userFolders;
  const fs::path& dir = launcherFolder.path();
  // The system's program suffix stays: Windows starts only what ends in ".exe".
  const fs::path launcher =
      dir / fs::path("launcher").replace_extension(fs::path(HEADLESS_RUN_PROGRAM).extension());
  fs::copy_file(HEADLESS_RUN_PROGRAM, launcher);
  fs::copy_file(RECORD_INVOCATION_PROGRAM, dir / "game.exe");

  const std::vector<Package> packages = {{"res.1", "res/a.txt", pseudoRandomText(1500, 1), {}},
                                         {"ui.2", "ui/b/c.txt", pseudoRandomText(1500, 2), {}},
                                         {"snd.3", "d.txt", pseudoRandomText(1500, 3), {}}};
  std::string list;
  for (auto p : packages) {
    makePackage(serverRoot.path() / p.name, {{p.entry, p.content}});
    list += "||" + md5Of(read_bytes(serverRoot.path() / p.name)) + "|" + p.name;
  }
  testing_support::test_server server(serverRoot.path());
  ASSERT_TRUE(server.running());
  list = server.base_url() + "/fault/drip=1/" + list + "||";

  const auto result = testing_support::run_child(
      launcher, {}, dir,
      {{"LAUNCHER_TEST_FILE_LIST", list},
       {"LAUNCHER_TEST_PARAM", "账号=玩家一"},
       {"LAUNCHER_TEST_GAME_ARGUMENT", "s1"},
       {"LAUNCHER_PORTAL_ADDRESS", "http://127.0.0.1:1/portal.html"},
       {"LAUNCHER_REPORT_HOST", "127.0.0.1:1"},
       {"RECORD_INVOCATION_FILE", (dir / "game.txt").string()},
       {"XDG_CONFIG_HOME", (userFolders.path() / "config").string()},
       {"XDG_DATA_HOME", (userFolders.path() / "data").string()}},
      60000);
  ASSERT_EQ(result.exit_code, 0) << result.output;

  // The page's view of the run.
  const auto calls = tabbedLines(read_bytes(dir / "page_calls.txt"));
  ASSERT_GE(calls.size(), 5u) << read_bytes(dir / "page_calls.txt");
  EXPECT_EQ(calls[0], (std::vector<std::string>{"JsUpdateGame", "0"}));
  EXPECT_EQ(calls[1], (std::vector<std::string>{"OnUpdateGame", "0"}));
  for (std::size_t i = 2; i + 2 < calls.size(); ++i) {
    ASSERT_EQ(calls[i].size(), 6u);
    EXPECT_EQ(calls[i][0], "onGetDownloadProcess");
    EXPECT_EQ(calls[i][1], "2");
  }
  EXPECT_EQ(calls[calls.size() - 2],
            (std::vector<std::string>{"onGetDownloadProcess", "4", "hjhk", "0", "0", "0"}));
  EXPECT_EQ(calls.back(),
            (std::vector<std::string>{"onGetDownloadProcess", "5", "hjhk", "0", "0", "0"}));

  // The game: started in the launcher folder with the work area and the parameter file.
  std::string param;
  for (const auto& entry : fs::directory_iterator(dir))
    if (entry.path().filename().string().rfind("param.", 0) == 0)
      param = entry.path().filename().string();
  ASSERT_FALSE(param.empty());
  EXPECT_EQ(read_bytes(dir / param), platform::to_utf8(u"账号=玩家一")) << "written in UTF-8";
  std::string game;
  for (int i = 0; i < 300 && game.find("--\n") == std::string::npos; ++i) {
    game = read_bytes(dir / "game.txt");
    if (game.find("--\n") == std::string::npos) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(game, "cwd=" + fs::canonical(dir).string() + "\narg=s1|1860|960|" + param + "\n--\n");

  // What was installed, and the list the exit path saved.
  for (const auto& p : packages) EXPECT_EQ(read_bytes(dir / p.entry), p.content) << p.entry;
  EXPECT_EQ(read_bytes(dir / "dlist"),
            dlistBytes({{u"res", u"1"}, {u"snd", u"3"}, {u"ui", u"2"}}));
  const std::string log = read_bytes(dir / "zefa_wd_run.log.1");
  EXPECT_NE(log.find("[CWebWindow::Exec]>> 执行命令"), std::string::npos);
  EXPECT_NE(log.rfind("[wWinMain]>> 程序准备退出"), std::string::npos);
  EXPECT_EQ(log.find("[ERROR"), std::string::npos) << log;
}

}  // namespace
