// The launcher program's whole run driven by its page on the headless desktop: load,
// JsUpdateGame, updateGame, downloads, extraction, entryGame, the game started, and the exit
// path with the download list saved.
#include <sstream>

#include "platform/text.h"
#include "support/child_program.h"
#include "support/program_output.h"
#include "support/start_record.h"
#include "support/test_server.h"
#include "support/utf16_bytes.h"
#include "test_packages.h"

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

// A launcher folder holding a copy of the headless launcher and a stand-in game, and a server
// for the packages.
class PageDrivenRun : public ::testing::Test {
 protected:
  void SetUp() override {
    // The system's program suffix stays: Windows starts only what ends in ".exe".
    const fs::path suffix = fs::path(HEADLESS_RUN_PROGRAM).extension();
    launcher = dir / fs::path("launcher").replace_extension(suffix);
    fs::copy_file(HEADLESS_RUN_PROGRAM, launcher);
    fs::copy_file(RECORD_INVOCATION_PROGRAM, dir / "game.exe");
    ASSERT_TRUE(server.running());
  }

  // "||digest|name" for each package, served below the given path of the server.
  std::string fileList(const std::vector<Package>& packages, const std::string& path = "/") {
    std::string list = server.base_url() + path;
    for (const auto& p : packages)
      list += "||" + md5Of(testing_support::stored_zip({{p.entry, p.content}})) + "|" + p.name;
    return list + "||";
  }

  // Starts the launcher as a player does; its page asks for the update with the list.
  testing_support::child_result run(const std::string& list) {
    return testing_support::run_child(
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
  }

  // The stand-in game's record once it is whole.
  std::string gameRecord() {
    testing_support::wait_for_starts(dir / "game.txt");
    return read_bytes(dir / "game.txt");
  }

  testing_support::temp_folder launcherFolder;
  testing_support::temp_folder serverRoot;
  testing_support::temp_folder userFolders;
  const fs::path& dir = launcherFolder.path();
  fs::path launcher;
  testing_support::test_server server{serverRoot.path()};
};

TEST_F(PageDrivenRun, UpdatesStartsTheGameAndSavesTheDownloadList) {
  const std::vector<Package> packages = {{"res.1", "res/a.txt", pseudoRandomText(1500, 1), {}},
                                         {"ui.2", "ui/b/c.txt", pseudoRandomText(1500, 2), {}},
                                         {"snd.3", "d.txt", pseudoRandomText(1500, 3), {}}};
  for (const auto& p : packages) makePackage(serverRoot.path() / p.name, {{p.entry, p.content}});
  const auto result = run(fileList(packages, "/fault/drip=1/"));
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
  EXPECT_EQ(gameRecord(),
            "cwd=" + fs::canonical(dir).string() + "\narg=s1|1860|960|" + param + "\n--\n");

  // What was installed, and the list the exit path saved.
  for (const auto& p : packages) EXPECT_EQ(read_bytes(dir / p.entry), p.content) << p.entry;
  EXPECT_EQ(read_bytes(dir / "dlist"), testing_support::utf16le(u"||1|res||3|snd||2|ui||"));
  const std::string log = read_bytes(dir / "zefa_wd_run.log.1");
  EXPECT_NE(log.find("[CWebWindow::Exec]>> 执行命令"), std::string::npos);
  EXPECT_NE(log.rfind("[wWinMain]>> 程序准备退出"), std::string::npos);
  EXPECT_EQ(log.find("[ERROR"), std::string::npos) << log;
}

// A run that ended on a failed package check, then the next start: what the first run saved
// and checked is installed from disk, only the failed package is fetched again.
TEST_F(PageDrivenRun, TheStartAfterAFailedCheckInstallsWhatIsOnDiskAndFetchesOnlyTheRest) {
  const std::vector<Package> packages = {{"res.1", "res/a.txt", pseudoRandomText(1500, 4), {}},
                                         {"ui.2", "ui/b.txt", pseudoRandomText(1500, 5), {}}};
  const std::string list = fileList(packages);
  makePackage(serverRoot.path() / "res.1", {{"res/a.txt", packages[0].content}});
  makePackage(serverRoot.path() / "ui.2", {{"ui/b.txt", "not what the page's digest names"}});
  const auto first = run(list);
  ASSERT_EQ(first.exit_code, 0) << first.output;
  EXPECT_NE(first.output.find(testing_support::box_line(u"提示", u"微端数据校验失败，请重试")),
            std::string::npos)
      << first.output;
  EXPECT_FALSE(fs::exists(dir / "ui.2")) << "the package that failed its check is gone";
  EXPECT_FALSE(fs::exists(dir / "game.txt")) << "no game after a failed update";
  const std::size_t firstRequests = server.requests().size();
  const std::size_t firstLog = read_bytes(dir / "zefa_wd_run.log.1").size();

  makePackage(serverRoot.path() / "ui.2", {{"ui/b.txt", packages[1].content}});
  const auto second = run(list);
  ASSERT_EQ(second.exit_code, 0) << second.output;
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), firstRequests + 1) << second.output;
  EXPECT_EQ(requests.back().rfind("GET /ui.2?", 0), 0u) << requests.back();
  for (const auto& p : packages) EXPECT_EQ(read_bytes(dir / p.entry), p.content) << p.entry;
  EXPECT_EQ(read_bytes(dir / "dlist"), testing_support::utf16le(u"||1|res||2|ui||"));
  EXPECT_NE(gameRecord().find("arg=s1|"), std::string::npos);
  const std::string log = read_bytes(dir / "zefa_wd_run.log.1").substr(firstLog);
  EXPECT_EQ(log.find("[ERROR"), std::string::npos) << log;
}

}  // namespace
