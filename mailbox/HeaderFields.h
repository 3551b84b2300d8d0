#pragma once
// Header fields folded over several lines (RFC 5322): a field goes on over the lines after it
// that begin with a blank or a tab.
#include "platform/Strings.h"

#include <cstddef>
#include <string>

// Line `at` of a header (its lines without line ends) with its continuation lines joined on:
// the line breaks go, the blanks and tabs that begin each continuation stay. `at` is left on
// the last line taken. An empty line, or the "." that ends a POP3 reply, ends the field.
std::string UnfoldedLine(const StringList& header, std::size_t& at);
