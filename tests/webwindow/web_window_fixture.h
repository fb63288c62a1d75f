#pragma once
// A web window in a fresh launcher folder that is also the current folder, with the scripted
// page, recorded boxes and every log line kept.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "log/log_manager.h"
#include "log/recording_sink.h"
#include "platform/files.h"
#include "platform/headless/headless_desktop.h"
#include "platform/text.h"
#include "support/temp_folder.h"
#include "webwindow/web_window.h"

namespace webwindow_testing {

namespace headless = platform::headless;

inline std::string utf8(const std::u16string& text) { return platform::to_utf8(text); }

struct WebWindowTest : ::testing::Test {
  testing_support::temp_folder folder;
  testing_support::temp_folder userFolders;  // identity and protocol registration go here
  std::filesystem::path previousFolder = std::filesystem::current_path();
  recording_sink log;
  std::unique_ptr<CWebWindow> window;

  void SetUp() override {
    setenv("LAUNCHER_REPORT_HOST", "127.0.0.1:1", 1);
    setenv("XDG_CONFIG_HOME", (userFolders.path() / "config").string().c_str(), 1);
    setenv("XDG_DATA_HOME", (userFolders.path() / "data").string().c_str(), 1);
    log_manager::instance().set_threshold(LOG_DEBUG);
    std::filesystem::current_path(folder.path());
    headless::reset_page();
    headless::clear_shown_boxes();
    headless::preset_answers({});
    headless::set_work_area({0, 0, 1920, 1040});
  }

  void TearDown() override {
    window.reset();
    std::filesystem::current_path(previousFolder);
  }

  // Creates the web window; its page completes loading only when a test says so.
  CWebWindow& createWindow(bool completeOnNavigate = false) {
    headless::complete_documents_on_navigate(completeOnNavigate);
    window = std::make_unique<CWebWindow>(folder.core_folder());
    EXPECT_TRUE(window->CreateWebWindow());
    return *window;
  }

  // Lines whose text after the thread and time fields starts with "[tag]>> ".
  std::vector<std::string> linesTagged(const std::string& level, const std::string& tag) const {
    std::vector<std::string> found;
    std::lock_guard lock(log_manager::instance());  // download workers log too
    for (const auto& line : log.lines) {
      if (line.rfind("[" + level, 0) != 0) continue;
      const auto at = line.find("] [" + tag + "]>> ");
      if (at != std::string::npos) found.push_back(line.substr(at + tag.size() + 7));
    }
    for (auto& text : found)
      while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return found;
  }
};

}  // namespace webwindow_testing
