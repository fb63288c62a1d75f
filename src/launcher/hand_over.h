#pragma once
// A start whose command line carries a launch link does not become a second launcher: it
// hands the whole command line to the running launcher that the link names and ends.
#include <cstdint>
#include <string>

namespace launcher {

// How long a second start waits for the running launcher to take its request.
inline constexpr std::uint32_t hand_over_wait_ms = 10000;

// False when the command line carries no launch token (start normally); true when it did,
// whether or not the hand-over succeeded (end at once with 0).
bool handOverCommandLine(const std::u16string& commandLine);

}  // namespace launcher
