#include "rules/RulesFile.h"

#include "platform/Folders.h"
#include "platform/TextFile.h"

namespace rules {

StringList LoadRulesFile()
{
    if (!platform::FileExists(kRulesFile)) return {};
    return platform::ReadLines(kRulesFile);
}

void SaveRulesFile(const StringList& lines) { platform::WriteLines(kRulesFile, lines, true); }

std::string MakeRuleLine(std::string_view condition, std::string_view mode, std::string_view text,
                         std::string_view action)
{
    std::string line;
    line.reserve(condition.size() + mode.size() + text.size() + action.size() + 6);
    line.append(condition).append(" ").append(mode).append(" \"").append(text).append("\" ").append(action);
    return line;
}

std::optional<RuleLine> ParseRuleLine(std::string_view line)
{
    size_t open = line.find('"');
    size_t close = line.rfind('"');
    if (open == std::string_view::npos || close == open) return std::nullopt;
    RuleLine rule;
    rule.kind = UpperCase(line).find("WHERE FROM LINE") != std::string::npos ? RuleKind::From : RuleKind::Subject;
    rule.text = std::string(line.substr(open + 1, close - open - 1));
    return rule;
}

}  // namespace rules

namespace rules {
std::string CleanRuleText(std::string_view typed)
{
    std::string text(typed);
    for (char& c : text)
        if (c == '\r' || c == '\n') c = ' ';
    return Trim(text);
}
}  // namespace rules
