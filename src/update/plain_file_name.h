#pragma once
// Package names from the page become paths in the launcher folder: only a plain file name
// (no folder part, no drive, not "." or "..", no control characters) may do that.
#include <string>

bool isPlainFileName(const std::u16string& name);
