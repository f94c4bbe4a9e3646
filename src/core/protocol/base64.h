#pragma once
// Base64 with the standard alphabet and "=" padding, no line breaks.

#include <cstddef>
#include <string>
#include <string_view>

namespace scanvale {

// Writes the encoded characters and a terminating NUL into `out` (room for
// 4 * ceil(count / 3) + 1 bytes); returns the number of characters without the NUL.
int Base64Encode(char* out, const unsigned char* in, std::size_t count);
std::string Base64Encode(std::string_view bytes);

// Decodes into `out`, which has room for `capacity` bytes; returns the bytes written (no
// terminator). `limit` counts alphabet characters used; -1 means the input's length.
// Characters outside the alphabet are skipped; "=" stops the decoding.
int Base64Decode(unsigned char* out, std::size_t capacity, std::string_view in, int limit = -1);

}  // namespace scanvale
