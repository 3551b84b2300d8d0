#pragma once
// A header-field rule names a field of the message's header (X-Spam-Flag, Authentication-Results,
// To ...) and is judged on that field's values, where the two older kinds look at the From and
// Subject texts the list shows.
#include "platform/Strings.h"

#include <optional>
#include <string>
#include <string_view>

namespace rules {

// A field name as the header format allows it: one or more printable characters (codes 33 to
// 126) other than the colon.
bool IsFieldName(std::string_view name);

// A field name as typed, made ready to check and store: the characters of code 32 or below around
// it go, and so does one colon after it, as a name copied from a header line brings one along.
std::string CleanFieldName(std::string_view typed);

// The values of every field called `name` (letter case a to z ignored) in header lines as the
// server gives them (TOP n 0, or a saved header file), in their order: what follows the colon,
// continuation lines joined on, tabs turned to blanks (a value folded before a word still has a
// word boundary there). The header ends at its empty line or at the "." that ends the reply.
StringList FieldValues(const StringList& header, std::string_view name);

// The header lines a header file holds; nothing when it cannot be read.
std::optional<StringList> ReadHeaderFile(const std::string& path);

}  // namespace rules
