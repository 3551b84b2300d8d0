#pragma once
// Header text as the user reads it: encoded words (RFC 2047, "=?charset?B|Q?text?=") decoded
// and converted to UTF-8, so a subject word means the same whether it was sent plain or encoded.
#include <string>
#include <string_view>

// Decodes every well-formed encoded word of `value`; blanks between two encoded words go, as
// RFC 2047 asks. A charset iconv does not know leaves the decoded bytes as they are; a malformed
// word stays as written. `charsets`, when given, receives each charset seen, lower-cased,
// separated by blanks.
std::string DecodeEncodedWords(std::string_view value, std::string* charsets = nullptr);

// Folds A-Z to a-z in place; other bytes stay.
void FoldAsciiCase(std::string& text);
