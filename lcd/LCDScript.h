#pragma once
// Parsing of one line of an animation script, e.g. "[horzscroll(-1); setintensity(60);]".
#include <cstdint>
#include <string>
#include <vector>

namespace lcd {

constexpr size_t kMaxCommandName = 25;

struct TLCDCommand {
    std::string name;  // lower case, at most kMaxCommandName characters
    int32_t argument = 0;
};

// Number of commands a line holds: one per semicolon.
int CountCommands(const std::string& line);

// Reads `count` commands of the form name(integer); from `line`, whose first and last character
// (the brackets) are dropped. A missing or malformed argument throws EConvertError before any
// command is returned, so a bad line never runs half.
std::vector<TLCDCommand> ParseCodeLine(const std::string& line, int count);

}  // namespace lcd
