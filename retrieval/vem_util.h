#pragma once
// Text routines of the mail parser: header lookup in a block of lines, header values and
// parameters, address lists, encoded header words and file names.
#include "platform/Strings.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// A part of a message as a window on lines held elsewhere.
using LineSpan = std::span<const std::string_view>;

// Name is upper case and ends with ":" ("SUBJECT:"). Looks in the header block (after leading
// empty lines, up to the first empty line) for the first line that starts with Name in any letter
// case; Value becomes that line with its continuation lines appended, each trimmed, without a
// separator. False when the block has no such line.
bool FindHeader(std::string_view name, LineSpan lines, std::string& value);
bool FindHeader(std::string_view name, const StringList& lines, std::string& value);

// The text after the first occurrence of Name in the upper-cased line, trimmed and cut before the
// first ";"; empty when Name does not occur. Name may be any upper-case word ("FILENAME").
std::string HeaderValue(std::string_view name, std::string_view line);

// Drops the header block and the blank lines after it.
LineSpan StripHeaders(LineSpan lines);
void StripHeaders(StringList& lines);

// Each entry of an address list as "display name" <address>, joined by ", ". Quoted strings are
// removed first, so a comma inside a quoted display name never splits the list.
std::string NormalizeAddressList(std::string_view text);

// Removes one leading and one trailing double or single quote.
std::string Unquote(std::string_view text);

// The delimiter line ("--" + boundary) of a Content-Type value; empty when it names no boundary.
std::string BoundaryOf(std::string_view value);

// Decodes the encoded words ("=?charset?Q?...?=" and "=?charset?B?...?=") of a header text; the
// charset is ignored and the bytes are kept as they are. A word with another letter is removed.
// Decoded text is not decoded again.
std::string DecodeHeaderWords(std::string_view text);

// File-name helpers; "\", "/" and ":" separate folders.
std::string ExtractFileName(std::string_view path);
std::string ExtractFileExt(std::string_view path);  // with its dot, or empty
std::string ChangeFileExt(std::string_view path, std::string_view extension);

// Lines joined, each followed by CR LF.
std::string JoinLinesCRLF(LineSpan lines);
std::string JoinLinesCRLF(const StringList& lines);

// True for four "."-separated decimal numbers from 0 to 255 ("10.0.0.1"); anything else is a
// host name.
bool IsDottedAddress(std::string_view text);
// The number at word `position` (from 1) of a reply text: the text trimmed, CR LF made a blank,
// the words before it dropped, cut at the next blank, brackets and braces removed. `fallback`
// when there is no such word or it is no number. 64-bit: message sizes pass 2^31 on real servers.
int64_t GetNumberInText(std::string_view text, int position, int64_t fallback);
// The folder for work files, ending with '/'.
std::string GetTempDirectory();
