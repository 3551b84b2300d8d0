#pragma once
// The texts of a message row that come from the header summary and the LIST reply.
#include "platform/Strings.h"

#include <string>

// Below 1024 octets the octets themselves, "%10lld B" ("132 B" and "789 B" read apart, where
// "1 KB" for both told nothing); else "%8.2f KB" of the size in KB with the given decimal
// separator.
std::string FormatMessageSize(long long octets, char decimalSeparator);
// Everything after "Date:" of the first header line that begins with it (letter case counts),
// the blank after the colon included, its continuation lines joined on; empty when there is none.
std::string DateOfHeader(const StringList& header);
