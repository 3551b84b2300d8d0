#pragma once
// Generated messages for the parse benchmark: large ones with a base64 attachment and hostile
// ones (deep nesting, many tiny attachments, huge encoded headers, uuencode look-alikes).
#include "platform/Strings.h"

#include <string>

// About `total` bytes: a text part and one base64 attachment of three quarters of it.
StringList LargeMessage(size_t total);
StringList DeeplyNested(int levels);
StringList ManyTinyAttachments(int count);
StringList HugeEncodedHeaders(size_t words);
// Lines that all look like the start of a uuencoded block, and a last line that spoils every one.
StringList FalseUuencodeStarts(int count);
// Begin lines that each look like the start of a uuencoded block, each spoilt by the next line,
// and no "end" line: a search that rescans the rest of the text per begin line is quadratic.
StringList UuencodeTrap(int count);

// The message as it travels: every line followed by CR LF.
std::string MessageBytes(const StringList& lines);
