#include "lcd/LCDScript.h"

#include "platform/Strings.h"

#include <algorithm>

namespace lcd {
namespace {

// The substring of `count` characters from position `index` (from 1); out-of-range parts are
// cut off, a count of 0 or less gives empty text.
std::string Copy(const std::string& text, int64_t index, int64_t count)
{
    if (index < 1) index = 1;
    if (count <= 0 || index > int64_t(text.size())) return {};
    return text.substr(size_t(index - 1), size_t(count));
}

// Position (from 1) of the first `c`, 0 when there is none.
int64_t Pos(char c, const std::string& text)
{
    size_t p = text.find(c);
    return p == std::string::npos ? 0 : int64_t(p) + 1;
}

std::string LowerCase(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return text;
}

}  // namespace

int CountCommands(const std::string& line) { return int(std::count(line.begin(), line.end(), ';')); }

std::vector<TLCDCommand> ParseCodeLine(const std::string& line, int count)
{
    std::vector<TLCDCommand> commands;
    std::string text = Trim(LowerCase(line.size() > 2 ? line.substr(1, line.size() - 2) : std::string()));
    for (int i = 0; i < count; ++i) {
        std::string cmd = Trim(Copy(text, 1, Pos(';', text)));
        TLCDCommand command;
        command.name = Trim(Copy(cmd, 1, Pos('(', cmd) - 1)).substr(0, kMaxCommandName);
        // The argument runs from just after "name(" to just before the first ")".
        int64_t nameLength = int64_t(command.name.size());
        command.argument = StrToInt(Copy(cmd, nameLength + 2, Pos(')', cmd) - nameLength - 2));
        commands.push_back(std::move(command));
        text = Trim(text.substr(std::min(cmd.size(), text.size())));
    }
    return commands;
}

}  // namespace lcd
