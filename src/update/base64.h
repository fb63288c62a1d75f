#pragma once
// Base64 (RFC 4648, standard alphabet, "=" padding), used for HTTP Basic authentication.
#include <cstddef>
#include <string>
#include <string_view>

// Writes the encoding of data and a terminator into out. Returns the number of characters
// written without the terminator, or 0 (and writes nothing) when out_size is too small: it
// needs 4 * ceil(length / 3) + 1 bytes.
std::size_t Base64Encode(const void* data, std::size_t length, char* out, std::size_t out_size);

std::string base64_encode(std::string_view bytes);
