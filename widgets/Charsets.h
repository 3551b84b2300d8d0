#pragma once
// Mail bytes to Unicode. Bytes without a known charset follow one rule everywhere in the
// program: valid UTF-8 shows as UTF-8, anything else as Windows-1252 (which every Latin-1
// text also reads correctly as, and which gives the quotes and dashes of Windows mail).
#include <QString>

#include <string_view>

// Valid UTF-8 as UTF-8, else Windows-1252 (its five unassigned bytes become C1 code points).
QString DecodeUnlabelled(std::string_view bytes);

// Windows-1252 byte for byte.
QString DecodeWindows1252(std::string_view bytes);

// The bytes in the named charset (any letter case, any alias Qt knows, a "*language" suffix
// allowed). An empty, unknown or US-ASCII charset falls back to DecodeUnlabelled; ISO-8859-1 is
// read as Windows-1252 and GB2312 as GB18030, the supersets that mail so labelled really uses.
// Invalid sequences in a known charset become U+FFFD.
QString DecodeCharset(std::string_view bytes, std::string_view charset);
