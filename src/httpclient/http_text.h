#pragma once
// Text routines of the HTTP client. They work on the context's fixed buffers and never
// allocate. "No case" compares treat the characters 0x40-0x5A as their lower-case forms.
#include <cstdint>

#include "httpclient/http_context.h"

namespace http_client {

char LowerAscii(char c);
// length 0: the text's own length. True when text has exactly the word's length and matches.
bool EqualsNoCase(const char* text, const char* word, std::uint32_t length);
// The first length bytes of text and of word match without regard to case.
bool StartsNoCase(const char* text, std::uint32_t text_length, const char* word,
                  std::uint32_t word_length);
// Searches pattern inside text[offset, offset + length); on success found starts at
// text + offset and runs to the match.
bool FindInRange(const char* text, const char* pattern, std::uint32_t offset,
                 std::uint32_t length, text_span* found);
// Looks at no more than count places where the word's first letter (either case) occurs in
// text[0, length) and returns the first where the whole word matches without case; or null.
const char* FindNoCase(const char* text, std::uint32_t length, std::uint32_t count,
                       const char* word);
// The value after the line's first ":", every space dropped, up to CR, LF or the end. out
// must hold *size + 1 bytes; fails when the value is longer than *size. *size becomes its length.
bool HeaderValue(const char* line, std::uint32_t length, char* out, std::uint32_t* size);
// name=value or name="value" inside text[0, length); a value also ends at CR, LF and NUL.
// Missing name: HC_AUTH_PARAM_MISSING.
std::int32_t ParamValue(const char* text, std::uint32_t length, const char* name,
                        text_span* value);
// A hexadecimal chunk size: skips anything but letters and digits, restarts at "x", counts
// letters beyond F as 15, takes at most eight digits from the first non-zero one.
std::uint32_t ParseHex(const char* text);
// Decimal text of value with a terminator; buffer needs 12 bytes. Returns the length.
std::uint32_t FormatDecimal(char* buffer, std::int32_t value);
// Decimal digits at the start of text (after blanks and an optional sign), as atol, but held
// within the signed 32-bit range.
std::int32_t ParseDecimal(const char* text);

}  // namespace http_client
