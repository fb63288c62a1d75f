#pragma once
// The names a release may carry: only those the launcher installs as they are, on every system.
#include <string>
#include <string_view>

// Launcher folders usually sit a few levels down ("C:\Program Files (x86)\Game\"); a path in
// the release has to fit the system's 255-byte limit below such a folder.
inline constexpr std::size_t USUAL_LAUNCHER_FOLDER_BYTES = 40;
inline constexpr std::size_t LONGEST_PATH_BYTES = 255;

// Why the launcher would refuse (or mangle) a file at this path in its folder, or empty when it
// takes it. path is UTF-8 with "/" between folders.
std::string refusedPathReason(std::string_view path);
