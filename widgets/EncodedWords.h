#pragma once
// RFC 2047 encoded words of a header text ("=?charset?Q?...?=", "=?charset?B?...?="), split
// from the plain text around them. Only bytes come out; turning them into characters is the
// charset converter's job.
#include <string>
#include <string_view>
#include <vector>

struct HeaderPiece {
    bool encoded = false;
    std::string charset;  // of an encoded piece, without an RFC 2231 language; empty for plain text
    std::string bytes;    // plain text as it stands, or the decoded bytes of encoded words
};

// The text as plain and encoded pieces in order. White space that only separates two encoded
// words is dropped; encoded words in a row with the same charset become one piece, so a
// character split across two words joins up again. A word that is not well formed (unknown
// encoding letter, bad base64, no closing "?=", a blank inside) stays plain text.
std::vector<HeaderPiece> SplitEncodedWords(std::string_view text);
