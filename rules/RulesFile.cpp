#include "rules/RulesFile.h"

#include "platform/Exception.h"
#include "platform/Folders.h"
#include "platform/TextFile.h"

namespace rules {

std::string RulesFilePath() { return platform::ProgramFolder() + kRulesFile; }

namespace {
// kRulesFile alone names the working folder's file. Moving it only keeps the order the rules were
// made in: the list is rebuilt from the stored rules anyway, so a file that cannot be moved is
// left where it is.
void MoveInFromWorkingFolder(const std::string& path)
{
    if (platform::FileExists(path) || !platform::FileExists(kRulesFile)) return;
    try {
        platform::WriteBytes(path, platform::ReadBytes(kRulesFile));
    } catch (const EInOutError&) {
        return;
    }
    platform::DeleteFile(kRulesFile);
}
}  // namespace

StringList LoadRulesFile()
{
    const std::string path = RulesFilePath();
    MoveInFromWorkingFolder(path);
    if (!platform::FileExists(path)) return {};
    return platform::ReadLines(path);
}

void SaveRulesFile(const StringList& lines) { platform::WriteLines(RulesFilePath(), lines, true); }

std::string MakeRuleLine(std::string_view condition, std::string_view mode, std::string_view text,
                         std::string_view action)
{
    std::string line;
    line.reserve(condition.size() + mode.size() + text.size() + action.size() + 6);
    line.append(condition).append(" ").append(mode).append(" \"").append(text).append("\" ").append(action);
    return line;
}

std::string HeaderCondition(std::string_view field) { return std::string(kCondHeader) + " " + std::string(field); }

std::optional<RuleLine> ParseRuleLine(std::string_view line)
{
    RuleLine rule;
    const std::string header = HeaderCondition("");
    if (line.size() > header.size() && SameText(line.substr(0, header.size()), header)) {
        line.remove_prefix(header.size());
        const size_t blank = line.find(' ');
        if (blank == 0 || blank == std::string_view::npos) return std::nullopt;
        rule.kind = RuleKind::Header;
        rule.field = std::string(line.substr(0, blank));
        line.remove_prefix(blank);
    }
    size_t open = line.find('"');
    size_t close = line.rfind('"');
    if (open == std::string_view::npos || close == open) return std::nullopt;
    if (rule.kind != RuleKind::Header)
        rule.kind = UpperCase(line.substr(0, open)).find("WHERE FROM LINE") != std::string::npos ? RuleKind::From
                                                                                               : RuleKind::Subject;
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
