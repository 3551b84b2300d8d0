#include "rules/RuleLines.h"

#include "rules/RulesFile.h"

namespace rules {

std::string RuleLineOf(const TStoredRule& rule)
{
    const std::string condition = rule.kind == RuleKind::From      ? std::string(kCondFrom)
                                  : rule.kind == RuleKind::Subject ? std::string(kCondSubject)
                                                                   : HeaderCondition(rule.field);
    return MakeRuleLine(condition, rule.contains ? kModeContains : kModeNotContains, rule.text, kActionDelete);
}

StringList RuleLinesFor(const StringList& fileLines, const std::vector<TStoredRule>& stored)
{
    StringList expected;
    expected.reserve(stored.size());
    for (const TStoredRule& rule : stored) expected.push_back(RuleLineOf(rule));
    std::vector<bool> shown(stored.size(), false);

    StringList lines;
    for (const std::string& line : fileLines) {
        for (size_t i = 0; i < expected.size(); ++i) {
            if (shown[i] || !SameText(line, expected[i])) continue;
            shown[i] = true;
            lines.push_back(expected[i]);
            break;
        }
    }
    for (size_t i = 0; i < expected.size(); ++i)
        if (!shown[i]) lines.push_back(expected[i]);
    return lines;
}

}  // namespace rules
