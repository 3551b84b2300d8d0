#pragma once
// Mail text as a person reads it: encoded header words and charsets decoded for display only.
// Stored values and header files keep the raw bytes; this is the one place they become
// characters on screen.
#include "platform/Strings.h"

#include <QString>

#include <string>
#include <string_view>

// A header value (Subject, From ...) on one line: folding undone, RFC 2047 encoded words
// decoded in their charsets, the text around them read as UTF-8 or else Windows-1252, tabs and
// line breaks turned into blanks and every other control character left out, trimmed.
QString DisplayHeaderText(const std::string& raw);

// An address header (From, To ...) the same way, and its display names without the quotes
// around them, their backslash escapes undone: "\"Ann Example\" <ann@example.org>" shows as
// "Ann Example <ann@example.org>". What stands between < and > is left alone.
QString DisplayAddressText(const std::string& raw);

// The same without decoding encoded words: a header text shown as it stands.
QString DisplayPlainText(const std::string& raw);

// A body in the part's charset (the Content-Type charset parameter; empty when there is none).
// Lines end with "\n" (CR LF and lone CR included); control characters other than tab and line
// break are left out.
QString DisplayBodyText(std::string_view bytes, const std::string& charset);
// Body lines joined with "\n".
QString DisplayBodyText(const StringList& lines, const std::string& charset);
