#pragma once
// Adding, finding and removing stored message rules. The registry changes at once; the main
// window's rule table catches up at its next load_rules.
#include "rules/RuleKinds.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rules {

// Number of the entry whose text equals `text` in letter case a to z folded, in the from-line key
// when `isFrom` and in the subject key otherwise; the lowest such number, -1 when there is none.
// Looks at every entry the key holds, also ones a damaged "total" no longer counts.
int32_t get_rule_idx(std::string_view text, bool isFrom);

// The same for header-field rules: the entry naming the same field with the same text, letter
// case a to z folded in both. The same text on another field is another rule.
int32_t get_header_rule_idx(std::string_view field, std::string_view text);

// Stores a rule as the key's next entry and gives its number. The key is first renumbered
// without a gap, so the new entry never takes the place of an existing one.
int32_t AddRuleEntry(RuleKind kind, const std::string& text, bool contains);
// The same for a header-field rule on the field `field`.
int32_t AddHeaderRuleEntry(const std::string& field, const std::string& text, bool contains);

// Removes entry n; the entries above it move down by one, so the key stays numbered 1 to "total".
// False when there is no entry n. Throws ERegistryException, changing nothing, when the key's
// "total" cannot be read.
bool RemoveRuleEntry(RuleKind kind, int32_t n);

struct TStoredRule {
    RuleKind kind = RuleKind::Subject;
    std::string text;
    bool contains = true;
    std::string field;  // header-field rules: the field's name as stored
};
// Every stored rule: subject rules first, then from-line rules, then header-field rules, each in
// number order. Like
// get_rule_idx it looks at every entry a key holds, also ones a damaged "total" no longer
// counts; an entry whose text is not a string names no rule and is left out, and so does a
// header-field entry without a proper field name.
std::vector<TStoredRule> StoredRules();

// Removes the stored rule that a display line names by its kind and its quoted text; false when
// the line names no stored rule.
bool RemoveRuleOfLine(std::string_view line);

}  // namespace rules
