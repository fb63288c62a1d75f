#pragma once
// Finding and closing a running game before its files are replaced.
#include <cstdint>
#include <string_view>

#include "update/started_programs.h"

// The first process (in id order) whose lower-cased program path contains name; 0 when none.
// name is lower-case. The match is a plain substring test: "game.exe" also finds mygame.exe.
std::uint32_t findProcessByName(std::u16string_view name);

bool killProcess(std::uint32_t processId);
