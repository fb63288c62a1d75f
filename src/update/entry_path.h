#pragma once
// Whether an archive entry's name keeps it inside the folder it is extracted to.
#include <string_view>

// False for names that start with "\" or "/", carry a drive letter ("x:"), or have a ".."
// component; "\" and "/" count alike, as the file system treats them.
bool entryStaysInside(std::u16string_view name);
