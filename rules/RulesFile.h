#pragma once
// rules.dat: the lines the "Message Rules" list shows, one per rule, in the order the rules were
// made. It is for display only and lives in the program's folder, beside acc.dat.
#include "platform/Strings.h"
#include "rules/RuleKinds.h"

#include <optional>
#include <string>
#include <string_view>

namespace rules {

inline constexpr char kRulesFile[] = "rules.dat";

std::string RulesFilePath();

// The lines of rules.dat; none when the file is missing. Earlier versions kept the file in the
// working folder: while the program's folder has none, one found there is moved in first (and
// left there when it cannot be). Throws EInOutError when the file cannot be read.
StringList LoadRulesFile();
// Writes the lines whole, each ended by CR LF. Throws EInOutError.
void SaveRulesFile(const StringList& lines);

// condition + " " + mode + " \"" + text + "\" " + action
std::string MakeRuleLine(std::string_view condition, std::string_view mode, std::string_view text,
                         std::string_view action);
// The condition of a header-field rule's line: "Where header field X-Spam-Flag". A field name
// holds no blank, so the line tells where the name ends whatever characters it holds.
std::string HeaderCondition(std::string_view field);

struct RuleLine {
    RuleKind kind = RuleKind::Subject;
    std::string text;
    std::string field;  // header-field rules only
};
// The kind, field and text a display line names. The captions hold no double quote, so the text
// is what stands between the first and the last one after the field's name, whatever quotes the
// text itself holds. The kind is told by the caption alone, before the text: a subject rule on
// the words "Where from line" is still a subject rule. Nothing when the line has no pair of
// quotes.
std::optional<RuleLine> ParseRuleLine(std::string_view line);

}  // namespace rules

namespace rules {
// A typed rule text made ready to store: line breaks, which a line of rules.dat cannot hold,
// become blanks, and characters of code 32 or below are trimmed from both ends.
std::string CleanRuleText(std::string_view typed);
}  // namespace rules
