#pragma once
// The "Message Rules" list must show exactly the stored rules: matching reads the registry, not
// rules.dat, and only a rule that is listed can be removed. A rules.dat that was lost, left in
// another folder or edited by hand is brought back in line with them here.
#include "platform/Strings.h"
#include "rules/RuleStore.h"

#include <vector>

namespace rules {

// The display line of a stored rule, as "Define Rule" makes it.
std::string RuleLineOf(const TStoredRule& rule);

// One line per stored rule, made from the rule as stored. The rules that `fileLines` show as they
// are (letter case aside) come first, in the order of the file, which is the order they were
// made in; the rules no line shows follow in the order of `stored`. Lines that show no stored
// rule, or one shown already, are dropped.
StringList RuleLinesFor(const StringList& fileLines, const std::vector<TStoredRule>& stored);

}  // namespace rules
