#pragma once
// What a page may have the launcher open in a browser outside the web window: web addresses
// only. Anything else (a program's path, a file: address, another scheme) would be run or
// opened by the system's handler on the page's word.
#include <string>
#include <string_view>

// The scheme of an address as its text gives it, after leading blanks: the letters, digits,
// "+", "-" and "." before the first ":", starting with a letter. Empty when there is none.
std::u16string addressScheme(std::u16string_view address);

// http or https, without regard to case.
bool isWebAddress(std::u16string_view address);
