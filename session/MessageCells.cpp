#include "session/MessageCells.h"

#include "mailbox/HeaderFields.h"

#include <cstdio>

std::string FormatMessageSize(long long octets, char decimalSeparator)
{
    char text[64];
    if (octets < 1024) {
        std::snprintf(text, sizeof text, "%10lld B", octets);
        return text;
    }
    std::snprintf(text, sizeof text, "%8.2f KB", double(octets) / 1024.0);
    std::string out = text;
    for (char& c : out)
        if (c == '.') c = decimalSeparator;
    return out;
}

std::string DateOfHeader(const StringList& header)
{
    for (size_t i = 0; i < header.size(); ++i)
        if (header[i].starts_with("Date:")) return UnfoldedLine(header, i).substr(5);
    return {};
}
