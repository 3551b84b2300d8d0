#include "rules/RuleTable.h"

#include "rules/HeaderFieldRule.h"

#include <algorithm>

namespace rules {
namespace {

char UpperAZ(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

std::string_view TrimView(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// Position of the first occurrence of an upper-case pattern in a text of any case.
size_t FindFolded(std::string_view text, std::string_view upperPattern)
{
    if (upperPattern.empty()) return std::string_view::npos;
    auto it = std::search(text.begin(), text.end(), upperPattern.begin(), upperPattern.end(),
                          [](char t, char p) { return UpperAZ(t) == p; });
    return it == text.end() ? std::string_view::npos : size_t(it - text.begin());
}

// Only the first occurrence is judged, even when a later one would stand as a word of its own.
// The end of the text delimits a word just as its start does: a rule naming the last word of a
// subject marks that subject.
bool Occurs(std::string_view pattern, std::string_view text, bool wildcard)
{
    size_t pos = FindFolded(text, pattern);
    if (pos == std::string_view::npos) return false;
    if (wildcard) return true;
    size_t end = pos + pattern.size();
    bool startsWord = pos == 0 || TRuleTable::is_terminator(text[pos - 1]);
    bool endsWord = end == text.size() || TRuleTable::is_terminator(text[end]);
    return startsWord && endsWord;
}

}  // namespace

bool TRuleTable::is_terminator(char c) { return c == ' ' || c == '"' || c == '.' || c == '<' || c == '@'; }

void TRuleTable::Clear()
{
    Pattern.clear();
    Mode.clear();
    Id.clear();
    Kind.clear();
    Field.clear();
}

bool TRuleTable::HasHeaderRules() const { return std::find(Kind.begin(), Kind.end(), "2") != Kind.end(); }

int TRuleTable::Get_rule_id(std::string_view fromText, std::string_view subjectText) const
{
    return Get_rule_id(fromText, subjectText, {}, {}, nullptr);
}

namespace {
bool FieldContains(const StringList& header, std::string_view field, std::string_view pattern, bool wildcard,
                   const std::function<std::string(std::string_view)>& decode)
{
    for (const std::string& value : FieldValues(header, field)) {
        if (Occurs(pattern, TrimView(value), wildcard)) return true;
        // Only a value with an encoded word reads otherwise than it stands.
        if (decode && value.find("=?") != std::string::npos && Occurs(pattern, TrimView(decode(value)), wildcard)) return true;
    }
    return false;
}
}  // namespace

int TRuleTable::Get_rule_id(std::string_view fromText, std::string_view subjectText, std::string_view shownFrom,
                            std::string_view shownSubject, const StringList* header) const
{
    const std::string_view from[] = {TrimView(fromText), TrimView(shownFrom)};
    const std::string_view subject[] = {TrimView(subjectText), TrimView(shownSubject)};
    const size_t rows = std::min({Pattern.size(), Mode.size(), Kind.size()});
    for (size_t i = 0; i < rows; ++i) {
        std::string_view pattern = Pattern[i];
        // An empty pattern (a rule whose text went missing) ends the scan.
        if (pattern.empty()) break;
        const bool wildcard = pattern.front() == '*';
        if (wildcard) pattern.remove_prefix(1);
        bool found = false;
        if (Kind[i] == "2") {
            // Unjudged without the header, and never judged on a field that has no name.
            if (!header || i >= Field.size() || Field[i].empty()) continue;
            found = FieldContains(*header, Field[i], pattern, wildcard, DecodeField);
        } else {
            // A text contains the pattern when its raw form or its decoded form does.
            const std::string_view* texts = Kind[i] == "0" ? from : Kind[i] == "1" ? subject : nullptr;
            found = texts && (Occurs(pattern, texts[0], wildcard) || Occurs(pattern, texts[1], wildcard));
        }
        if (Mode[i] == "0") found = !found;
        if (found) return 0;
    }
    return -1;
}

}  // namespace rules
