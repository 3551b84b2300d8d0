#include "rules/HeaderFieldRule.h"

#include "mailbox/HeaderFields.h"
#include "platform/Exception.h"
#include "platform/TextFile.h"

namespace rules {
namespace {

bool IsBlankOrTab(char c) { return c == ' ' || c == '\t'; }

// Where the value of the field starts in the line when the line begins field `name`; 0 when not.
// A blank before the colon is the obsolete form, still met in old mail.
size_t ValueStart(std::string_view line, std::string_view name)
{
    if (line.size() <= name.size() || !SameText(line.substr(0, name.size()), name)) return 0;
    size_t at = name.size();
    while (at < line.size() && IsBlankOrTab(line[at])) ++at;
    return at < line.size() && line[at] == ':' ? at + 1 : 0;
}

}  // namespace

bool IsFieldName(std::string_view name)
{
    if (name.empty()) return false;
    for (char c : name) {
        const auto code = static_cast<unsigned char>(c);
        if (code < 33 || code > 126 || c == ':') return false;
    }
    return true;
}

std::string CleanFieldName(std::string_view typed)
{
    std::string name = Trim(typed);
    if (!name.empty() && name.back() == ':') name = TrimRight(name.substr(0, name.size() - 1));
    return name;
}

StringList FieldValues(const StringList& header, std::string_view name)
{
    StringList values;
    if (name.empty()) return values;
    for (size_t i = 0; i < header.size() && !header[i].empty() && header[i] != "."; ++i) {
        if (IsBlankOrTab(header[i][0])) continue;  // goes on with a field of another name
        const size_t start = ValueStart(header[i], name);
        if (start == 0) continue;
        std::string value = UnfoldedLine(header, i).substr(start);
        for (char& c : value)
            if (c == '\t') c = ' ';
        values.push_back(std::move(value));
    }
    return values;
}

std::optional<StringList> ReadHeaderFile(const std::string& path)
{
    try {
        return platform::ReadLines(path);
    } catch (const EInOutError&) {
        return std::nullopt;
    }
}

}  // namespace rules
