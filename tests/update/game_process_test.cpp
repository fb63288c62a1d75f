#include <gtest/gtest.h>

#include "platform/text.h"
#include "support/file_facts.h"
#include "support/temp_folder.h"
#include "update/game_process.h"
#include "update/game_stand_in.h"

namespace {

namespace fs = std::filesystem;
using install_testing::GameStandIn;
using testing_support::core_path;
using testing_support::temp_folder;

std::u16string lowerPath(const fs::path& path) {
  std::u16string text = core_path(path);
  platform::to_lower(text);
  return text;
}

TEST(GameProcess, RunningProgramIsFoundByItsLowerCasedPathAndEnded) {
  temp_folder dir;
  // Upper case on disk: the search lower-cases each path before looking for the name. Not
  // "game.exe", which other tests of the update flow look for.
  const fs::path program = dir.path() / "Bin" / "GAME-STAND-IN.BIN";
  fs::create_directory(dir.path() / "Bin");
  GameStandIn game(program);
  ASSERT_TRUE(game.running());

  EXPECT_EQ(findProcessByName(lowerPath(program)), game.gamePid());
  // A part of the path is enough, as with any substring.
  EXPECT_EQ(findProcessByName(lowerPath(dir.path() / "bin" / "game-stand")), game.gamePid());
  EXPECT_EQ(findProcessByName(lowerPath(dir.path() / "bin" / "other.exe")), 0u);
  EXPECT_EQ(findProcessByName(core_path(program)), 0u) << "the name is compared with lower-case paths";

  EXPECT_TRUE(killProcess(game.gamePid()));
  EXPECT_TRUE(game.waitKilled(10000));
  EXPECT_EQ(findProcessByName(lowerPath(program)), 0u) << "an ended game is not found";
}

TEST(GameProcess, OwnProcessIsListedAndNoProcessCannotBeEnded) {
  const fs::path self = testing_support::own_program();
  ASSERT_FALSE(self.empty());
  EXPECT_NE(findProcessByName(lowerPath(self)), 0u);
  EXPECT_FALSE(killProcess(0));
  EXPECT_FALSE(killProcess(0xFFFFFFF0u));
}

}  // namespace
