#include "rules/RuleStore.h"

#include "platform/Exception.h"
#include "platform/Strings.h"
#include "rules/HeaderFieldRule.h"
#include "rules/RuleKey.h"
#include "rules/RulesFile.h"

namespace rules {

int32_t get_rule_idx(std::string_view text, bool isFrom)
{
    RuleKeyContent key = ReadRuleKey(isFrom ? RuleKind::From : RuleKind::Subject);
    for (const auto& [n, entry] : key.entries) {
        if (!entry.Present()) continue;
        std::optional<std::string> stored = TextOf(entry.list);
        if (stored && SameText(*stored, text)) return n;
    }
    return -1;
}

int32_t get_header_rule_idx(std::string_view field, std::string_view text)
{
    for (const auto& [n, entry] : ReadRuleKey(RuleKind::Header).entries) {
        if (!entry.Present()) continue;
        std::optional<std::string> stored = TextOf(entry.list);
        std::optional<std::string> storedField = TextOf(entry.field);
        if (stored && storedField && SameText(*stored, text) && SameText(*storedField, field)) return n;
    }
    return -1;
}

int32_t AddRuleEntry(RuleKind kind, const std::string& text, bool contains)
{
    NewEntry entry{text, contains, {}};
    return RewriteRuleKey(kind, 0, &entry);
}

int32_t AddHeaderRuleEntry(const std::string& field, const std::string& text, bool contains)
{
    NewEntry entry{text, contains, field};
    return RewriteRuleKey(RuleKind::Header, 0, &entry);
}

bool RemoveRuleEntry(RuleKind kind, int32_t n)
{
    RuleKeyContent key = ReadRuleKey(kind);
    if (!key.total) {
        throw ERegistryException("The rule cannot be removed: the value 'total' of " + std::string(RuleKeyPath(kind)) +
                                 " is missing or not a number.");
    }
    auto it = key.entries.find(n);
    if (it == key.entries.end() || !it->second.Present()) return false;
    RewriteRuleKey(kind, n, nullptr);
    return true;
}

std::vector<TStoredRule> StoredRules()
{
    std::vector<TStoredRule> rules;
    for (RuleKind kind : {RuleKind::Subject, RuleKind::From, RuleKind::Header}) {
        for (const auto& [n, entry] : ReadRuleKey(kind).entries) {
            if (!entry.Present()) continue;
            std::optional<std::string> text = TextOf(entry.list);
            if (!text) continue;
            std::optional<std::string> field;
            if (kind == RuleKind::Header) {
                field = TextOf(entry.field);
                if (!field || !IsFieldName(*field)) continue;
            }
            std::optional<int32_t> flag = IntegerOf(entry.flag);
            rules.push_back({kind, std::move(*text), !flag || *flag != 0, field.value_or(std::string())});
        }
    }
    return rules;
}

bool RemoveRuleOfLine(std::string_view line)
{
    std::optional<RuleLine> rule = ParseRuleLine(line);
    if (!rule) return false;
    int32_t n = rule->kind == RuleKind::Header ? get_header_rule_idx(rule->field, rule->text)
                                               : get_rule_idx(rule->text, rule->kind == RuleKind::From);
    if (n < 0) return false;
    return RemoveRuleEntry(rule->kind, n);
}

}  // namespace rules
