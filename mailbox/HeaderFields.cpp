#include "mailbox/HeaderFields.h"

std::string UnfoldedLine(const StringList& header, std::size_t& at)
{
    std::string line = header[at];
    while (at + 1 < header.size()) {
        const std::string& next = header[at + 1];
        if (next.empty() || (next[0] != ' ' && next[0] != '\t')) break;
        line += next;
        ++at;
    }
    return line;
}
