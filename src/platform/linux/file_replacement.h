#pragma once
// Writing a whole file anew in one step.
#include <string>
#include <string_view>

namespace platform::linux_impl {

// The bytes go to a temporary file beside the file, which is then renamed over it: a failed
// write never leaves half a file. When the path is a symbolic link (a player's own settings
// kept elsewhere and linked into place), the file the links lead to gets the new bytes and the
// links stay; a file that exists keeps its permissions. A file that already holds the bytes is
// not written at all. False when the bytes could not be put in place.
bool replace_file_contents(const std::string& path, std::string_view bytes);

}  // namespace platform::linux_impl
