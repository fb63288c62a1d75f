#pragma once
// The programs the launcher starts from its own folder: the game, and the updater on the way
// out. An update may install either, so whatever installs them must leave them startable.
#include <string_view>

inline constexpr char16_t GAME_PROGRAM_NAME[] = u"game.exe";
inline constexpr char16_t UPDATER_PROGRAM_NAME[] = u"zefaud.exe";

// True for a file name, relative to the launcher folder, that is one of those programs.
bool isStartedProgram(std::u16string_view relativeName);
