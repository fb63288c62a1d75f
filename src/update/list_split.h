#pragma once
// The "||"-separated lists of the download list file and of the page's file lists.
#include <string>
#include <vector>

// Appends the tokens between double bars. The text before the first "||" is never emitted
// (the file list keeps its download address there); a trailing "||" emits the last token.
void splitDoubleBar(const std::u16string& text, std::vector<std::u16string>& tokens);

// "second|first": false when the token has no "|" or starts with one. second is upper-cased.
bool splitBarPair(const std::u16string& token, std::u16string& first, std::u16string& second);
