#pragma once
// The small pieces of the mail encodings that several parts decode: hex digits, the base64
// alphabet, and the Q encoding of RFC 2047 encoded words.
#include <string>
#include <string_view>

namespace platform {

// 0 to 15 for 0-9, a-f, A-F; -1 for any other character.
int HexDigitValue(char c);
// 0 to 63 for a character of the base64 alphabet; -1 for any other (padding "=" included).
int Base64Value(char c);
// The Q encoding: "_" is a blank, "=XX" a byte; an "=" without two hex digits stays as it is.
std::string DecodeQ(std::string_view text);

}  // namespace platform
