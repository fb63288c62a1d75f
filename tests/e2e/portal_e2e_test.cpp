// The real launcher program against the demo portal of the project's server, on an X display:
// the page's own record of every call (the server's events.txt) shows what the page saw.
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <future>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "e2e/launcher_process.h"
#include "e2e/synthetic_mouse.h"
#include "skin_origin.h"
#include "support/child_program.h"
#include "support/program_output.h"
#include "support/temp_folder.h"
#include "support/test_authority.h"
#include "support/test_server.h"
#include "support/utf16_bytes.h"
#include "support/waiting.h"

namespace {

using testing_support::launcher_process;

namespace fs = std::filesystem;
using testing_support::read_bytes;
using fields = std::vector<std::string>;


fields split(const std::string& line, char separator) {
  fields parts;
  std::istringstream in(line);
  for (std::string part; std::getline(in, part, separator);) parts.push_back(part);
  if (!line.empty() && line.back() == separator) parts.emplace_back();
  return parts;
}

bool starts_with(const fields& event, const fields& prefix) {
  return event.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), event.begin());
}

// Waits until a file exists and is not empty; its content, or "" after the time limit.
std::string wait_for_file(const fs::path& file, int limit_ms) {
  std::string content;
  testing_support::wait_until([&] { return !(content = read_bytes(file)).empty(); }, limit_ms);
  return content;
}

struct PortalRun : ::testing::Test {
  testing_support::temp_folder dir;
  testing_support::temp_folder server_root;
  testing_support::temp_folder user_folders;
  std::unique_ptr<testing_support::test_authority> authority;
  std::unique_ptr<testing_support::test_server> server;
  std::string portal_base;  // the portal's scheme, host and port when not plain http

  void SetUp() override {
    fs::copy_file(LAUNCHER_PROGRAM, dir.path() / "launcher");
    const fs::path game = dir.path() / "game.exe";
    fs::copy_file(fs::path(LAUNCHER_SOURCE_TREE) / "tools" / "demo_game.py", game);
    fs::permissions(game, fs::perms::owner_exec, fs::perm_options::add);
    server = std::make_unique<testing_support::test_server>(server_root.path(),
                                                            std::vector<std::string>{"--portal"});
    ASSERT_TRUE(server->running());
  }

  // Serves the portal and its packages over https from now on, with a certificate of a test
  // authority that the launcher (its client and its browser) is told to trust.
  void serve_over_https() {
    authority = std::make_unique<testing_support::test_authority>();
    ASSERT_TRUE(authority->ready());
    std::vector<std::string> options{"--portal"};
    for (const auto& option : authority->server_options(testing_support::server_certificate::good))
      options.push_back(option);
    server = std::make_unique<testing_support::test_server>(server_root.path(), options);
    ASSERT_TRUE(server->running());
    portal_base = server->secure_base_url();
  }

  std::map<std::string, std::string> environment(const std::string& page) const {
    const std::string base = portal_base.empty() ? server->base_url() : portal_base;
    return {{"LAUNCHER_PORTAL_ADDRESS", base + "/portal/" + page},
            {"LAUNCHER_REPORT_HOST", "127.0.0.1:" + std::to_string(server->port())},
            {"XDG_CONFIG_HOME", (user_folders.path() / "config").string()},
            {"XDG_DATA_HOME", (user_folders.path() / "data").string()}};
  }

  std::future<testing_support::child_result> start_launcher(const std::string& page) {
    const fs::path folder = dir.path();
    auto env = environment(page);
    return std::async(std::launch::async, [folder, env] {
      return testing_support::run_child(folder / "launcher", {}, folder, env, 60000);
    });
  }

  std::vector<fields> events() const {
    std::vector<fields> lines;
    std::istringstream in(read_bytes(server_root.path() / "portal" / "events.txt"));
    for (std::string line; std::getline(in, line);) lines.push_back(split(line, '\t'));
    return lines;
  }

  bool wait_for_event(const fields& prefix, int limit_ms) const {
    return testing_support::wait_until([&] {
      for (const auto& event : events())
        if (starts_with(event, prefix)) return true;
      return false;
    }, limit_ms);
  }

  std::string events_text() const {
    return read_bytes(server_root.path() / "portal" / "events.txt");
  }

  std::string log() const { return read_bytes(dir.path() / "zefa_wd_run.log.1"); }
};

TEST_F(PortalRun, PageUpdatesSeveralPackagesWithProgressAndStartsTheGame) {
  auto launcher = start_launcher("play.html");
  ASSERT_EQ(launcher.wait_for(std::chrono::seconds(70)), std::future_status::ready);
  const auto result = launcher.get();
  ASSERT_EQ(result.exit_code, 0) << result.output << log() << events_text();

  // The page's view: loaded, asked once, updated with progress of several packages, done.
  const auto seen = events();
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen[0], (fields{"loaded", "/portal/play.html"}));
  auto position = [&](const fields& prefix) {
    for (std::size_t i = 0; i < seen.size(); ++i)
      if (starts_with(seen[i], prefix)) return static_cast<long>(i);
    return -1L;
  };
  const long ready = position({"JsUpdateGame", "0"});
  const long accepted = position({"OnUpdateGame", "0"});
  const long extracting = position({"onGetDownloadProcess", "4", "hjhk", "0", "0", "0"});
  const long finished = position({"onGetDownloadProcess", "5", "hjhk", "0", "0", "0"});
  const long started = position({"click", "start"});
  ASSERT_GE(ready, 0) << events_text();
  EXPECT_LT(ready, accepted) << events_text();
  EXPECT_LT(accepted, extracting) << events_text();
  EXPECT_LT(extracting, finished) << events_text();
  EXPECT_LT(finished, started) << events_text();

  const std::map<std::string, std::uintmax_t> package_sizes = {
      {"data.3", fs::file_size(server_root.path() / "portal/packages/data.3")},
      {"sound.2", fs::file_size(server_root.path() / "portal/packages/sound.2")},
      {"ui.7", fs::file_size(server_root.path() / "portal/packages/ui.7")}};
  int progress_reports = 0;
  for (const auto& event : seen) {
    if (!starts_with(event, {"onGetDownloadProcess", "2"})) continue;
    ++progress_reports;
    ASSERT_EQ(event.size(), 6u) << events_text();
    ASSERT_TRUE(package_sizes.count(event[2])) << event[2];
    EXPECT_EQ(std::stoull(event[4]), package_sizes.at(event[2]));
    EXPECT_LE(std::stoull(event[3]), std::stoull(event[4]));
  }
  EXPECT_GE(progress_reports, 2) << events_text();

  // Installed: every package's files, and the list the exit path saved.
  EXPECT_EQ(fs::file_size(dir.path() / "data/maps/world.map"), 420000u);
  EXPECT_EQ(fs::file_size(dir.path() / "data/maps/town.map"), 180000u);
  EXPECT_EQ(fs::file_size(dir.path() / "sound/theme.ogg"), 380000u);
  EXPECT_EQ(read_bytes(dir.path() / "ui/fonts/readme.txt"),
            "Demo package ui.7: ui/fonts/readme.txt\n");
  EXPECT_EQ(read_bytes(dir.path() / "dlist"),
            testing_support::utf16le(u"||3|data||2|sound||7|ui||"));

  // The game: started in the launcher folder with the server and the parameter file.
  const std::string game = wait_for_file(dir.path() / "game_run.txt", 10000);
  const auto lines = split(game, '\n');
  ASSERT_GE(lines.size(), 4u) << game;
  EXPECT_EQ(lines[0], "cwd=" + fs::canonical(dir.path()).string());
  std::smatch argument;
  ASSERT_TRUE(std::regex_match(lines[1], argument, std::regex(R"(arg=s1\|\d+\|\d+\|(param\.\w+))")))
      << game;
  EXPECT_EQ(lines[2], "param_file=" + argument[1].str());
  EXPECT_NE(game.find("param_text=account=玩家一\nserver=s1\n"), std::string::npos) << game;

  const std::string text = log();
  EXPECT_NE(text.find("[Proc]>> 请求URL:" + server->base_url() +
                      "/portal/play.html?version=2&appver=7&ly=halvor"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("执行更新检查完毕"), std::string::npos);
  EXPECT_NE(text.find("[CWebWindow::Exec]>> 执行命令"), std::string::npos);
  EXPECT_NE(text.rfind("[wWinMain]>> 程序准备退出"), std::string::npos);
  EXPECT_EQ(text.find("[ERROR"), std::string::npos) << text;
}

// Releases an operator made with launcher-publish, served by the portal and played by the
// launcher; after each run the launcher folder holds the game as the operator has it.
struct PublishedRelease : PortalRun {
  testing_support::temp_folder operator_side;
  fs::path game = operator_side.path() / "game";

  void SetUp() override {
    PortalRun::SetUp();
    const std::map<std::string, std::string> tree = {
        {"maps/one.map", testing_support::random_bytes(40000, 1)},
        {"maps/two.map", testing_support::random_bytes(30000, 2)},
        {"sound/click.ogg", testing_support::random_bytes(20000, 3)},
        {"readme.txt", "release notes\n"}};
    for (const auto& [path, bytes] : tree) {
      fs::create_directories((game / path).parent_path());
      testing_support::write_bytes(game / path, bytes);
    }
    fs::permissions(game / "readme.txt", fs::perms::owner_exec, fs::perm_options::add);
  }

  void publish_and_play(const std::string& release, const std::vector<std::string>& more) {
    std::vector<std::string> args{"build", game.string(), (operator_side.path() / release).string()};
    args.insert(args.end(), more.begin(), more.end());
    const auto published = testing_support::run_child(PUBLISH_PROGRAM, args, operator_side.path(), {});
    ASSERT_EQ(published.exit_code, 0) << published.output;
    server = std::make_unique<testing_support::test_server>(
        server_root.path(),
        std::vector<std::string>{"--portal", "--release", (operator_side.path() / release).string()});
    ASSERT_TRUE(server->running());
    auto launcher = start_launcher("play.html");
    ASSERT_EQ(launcher.wait_for(std::chrono::seconds(70)), std::future_status::ready);
    const auto result = launcher.get();
    ASSERT_EQ(result.exit_code, 0) << result.output << log();
    for (const auto& file : fs::recursive_directory_iterator(game)) {
      if (!file.is_regular_file()) continue;
      const fs::path path = file.path().lexically_relative(game);
      EXPECT_EQ(read_bytes(dir.path() / path), read_bytes(file.path())) << path;
    }
    EXPECT_NE(fs::status(dir.path() / "readme.txt").permissions() & fs::perms::owner_exec, fs::perms::none);
  }

  std::set<std::string> fetched() const {
    std::set<std::string> names;
    const std::regex package_request("^GET /fault/[^/]+/portal/packages/([^? ]+)");
    for (const auto& request : server->requests())
      if (std::smatch found; std::regex_search(request, found, package_request)) names.insert(found[1]);
    return names;
  }
};

// The launcher installs the first release, then fetches only the package whose file changed
// and ends with the second release's tree.
TEST_F(PublishedRelease, TheNextReleaseFetchesOnlyTheChangedPackage) {
  publish_and_play("r1", {});
  EXPECT_EQ(fetched().size(), 3u);
  testing_support::write_bytes(game / "maps/two.map", testing_support::random_bytes(30000, 4));
  publish_and_play("r2", {"--previous", (operator_side.path() / "r1").string()});
  EXPECT_EQ(fetched(), (std::set<std::string>{"pkg-maps-1.2"}));
}

// A launcher built with the publisher's key installs the release he signed, after checking its
// manifest against the page's list.
TEST_F(PublishedRelease, ALauncherBuiltWithThePublishersKeyInstallsHisSignedRelease) {
  fs::copy_file(SIGNED_LAUNCHER_PROGRAM, dir.path() / "launcher", fs::copy_options::overwrite_existing);
  // Owner-only, as keygen makes it and as a checkout may not leave it.
  const fs::path key = operator_side.path() / "publisher.pem";
  fs::copy_file(SIGNED_RELEASE_KEY, key);
  fs::permissions(key, fs::perms::owner_read | fs::perms::owner_write);
  publish_and_play("r1", {"--sign", key.string(), "--expires", "30"});
  const auto names = fetched();
  EXPECT_TRUE(names.contains("release.json") && names.contains("release.json.sig"));
  const std::string text = log();
  EXPECT_NE(text.find("the signed release 1 accepted from"), std::string::npos) << text;
  EXPECT_EQ(text.find("[ERROR"), std::string::npos) << text;
}

TEST_F(PortalRun, APortalServedOverHttpsUpdatesFromHttpsPackageAddresses) {
  serve_over_https();
  auto launcher = start_launcher("play.html");
  ASSERT_EQ(launcher.wait_for(std::chrono::seconds(70)), std::future_status::ready);
  const auto result = launcher.get();
  ASSERT_EQ(result.exit_code, 0) << result.output << log() << events_text();

  // The page's addresses are its own origin's: each package came over https.
  ASSERT_TRUE(wait_for_event({"onGetDownloadProcess", "5"}, 1000)) << events_text();
  const std::string text = log();
  const std::string package_address =
      "lpURL=" + server->secure_base_url() + "/fault/rate=400000/portal/packages/";
  EXPECT_EQ(testing_support::count_of(text, package_address), 3u) << text;
  int package_requests = 0;
  for (const auto& request : server->requests())
    if (request.rfind("GET /fault/rate=400000/portal/packages/", 0) == 0) ++package_requests;
  EXPECT_EQ(package_requests, 3) << events_text();
  EXPECT_EQ(fs::file_size(dir.path() / "data/maps/world.map"), 420000u);
  EXPECT_EQ(fs::file_size(dir.path() / "sound/theme.ogg"), 380000u);
  EXPECT_EQ(read_bytes(dir.path() / "ui/fonts/readme.txt"),
            "Demo package ui.7: ui/fonts/readme.txt\n");
  EXPECT_NE(text.find("[Proc]>> 请求URL:" + server->secure_base_url() + "/portal/play.html"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("执行更新检查完毕"), std::string::npos) << text;
  EXPECT_EQ(text.find("[ERROR"), std::string::npos) << text;
}

TEST_F(PortalRun, LaunchLinkReachesThePageAndTheCloseButtonEndsTheRun) {
  gdk_set_allowed_backends("x11");
  ASSERT_TRUE(gtk_init_check(nullptr, nullptr)) << "needs an X display (run under xvfb-run)";
  // A pending update: the normal exit hands over to the updater.
  testing_support::write_bytes(dir.path() / "launcher_ud", "");
  const fs::path updater = dir.path() / "zefaud.exe";
  testing_support::write_bytes(updater, "#!/bin/sh\necho ran > updater_ran.txt\n");
  fs::permissions(updater, fs::perms::owner_exec, fs::perm_options::add);

  auto launcher = start_launcher("index.html");
  ASSERT_TRUE(wait_for_event({"JsUpdateGame", "0"}, 20000)) << events_text() << log();
  const pid_t pid = launcher_process(dir.path() / "launcher");
  ASSERT_GT(pid, 0);

  const auto second = testing_support::run_child(
      dir.path() / "launcher", {"qzzefa://account1/news/" + std::to_string(pid)}, dir.path(),
      environment("index.html"), 20000);
  EXPECT_EQ(second.exit_code, 0) << second.output;
  EXPECT_TRUE(wait_for_event({"OnCallIE", "news", "account1"}, 10000)) << events_text();

  // The close button at (932, 230) of the skin, centred in the work area.
  const auto [origin_x, origin_y] = testing_support::expected_skin_origin();
  testing_support::move_pointer_to(origin_x + 932 + 14, origin_y + 230 + 14);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  testing_support::press_left_button(true);
  testing_support::press_left_button(false);

  ASSERT_EQ(launcher.wait_for(std::chrono::seconds(20)), std::future_status::ready);
  const auto result = launcher.get();
  EXPECT_EQ(result.exit_code, 0) << result.output;
  const std::string text = log();
  EXPECT_NE(text.find("[wWinMain]>> 执行更新操作"), std::string::npos) << text;
  EXPECT_NE(text.rfind("[wWinMain]>> 程序准备退出"), std::string::npos) << text;
  EXPECT_EQ(text.find("[ERROR"), std::string::npos) << text;
  EXPECT_EQ(read_bytes(dir.path() / "dlist"), std::string("|\0|\0", 4)) << "the list was saved";
  EXPECT_EQ(wait_for_file(dir.path() / "updater_ran.txt", 5000), "ran\n");
  EXPECT_FALSE(fs::exists(dir.path() / "game_run.txt")) << "no game without entryGame";
}

}  // namespace
