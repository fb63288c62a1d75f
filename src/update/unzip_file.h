#pragma once
// Extracts every entry of a package archive into a folder.
#include <string>

// folder ends with "\" and becomes the current folder. True when every entry was handled (also
// for an archive without entries); false when the archive cannot be opened or an entry failed,
// in which case the entries before it stay on disk and the rest are not extracted.
bool UnzipFile(std::u16string folder, std::u16string zipPath);
