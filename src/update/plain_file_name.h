#pragma once
// Package names from the page become paths in the launcher folder: only a plain file name may
// do that, one that names the same single file on every system. Refused: a folder part or a
// drive, "." and "..", control characters, the characters Windows keeps for wildcards and
// redirection (* ? " < > |; a wildcard would also turn the existence test into a search that
// another file can satisfy), a trailing dot or blank (Windows drops them, so another name would
// be written), and the device names (CON, NUL, COM1, ... with or without an extension).
#include <string>

bool isPlainFileName(const std::u16string& name);
