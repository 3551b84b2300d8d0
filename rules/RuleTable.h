#pragma once
// The loaded message rules, one row per stored rule in parallel lists, and the test whether a
// listed message (its From and Subject texts, and its header for header-field rules) falls under
// one of them.
#include "platform/Strings.h"

#include <functional>
#include <string>
#include <string_view>

namespace rules {

class TRuleTable {
public:
    StringList Pattern;  // rule text, upper-cased (a to z)
    StringList Mode;     // "1" Contains, "0" Doesnot contain
    StringList Id;       // the entry's number as stored with it
    StringList Kind;     // "1" Subject, "0" From line, "2" header field
    StringList Field;    // the field a header-field rule names; empty for the other kinds
    // A field value's text as the user reads it (encoded words decoded, UTF-8), given by the
    // window; a header-field rule then matches it as well as the raw value, as the From and
    // Subject rules match the texts the list shows. Unassigned: raw values only.
    std::function<std::string(std::string_view)> DecodeField;

    void Clear();
    size_t Count() const { return Pattern.size(); }
    // Whether a row can be judged only with the message's header at hand.
    bool HasHeaderRules() const;

    // Rebuilds the table from the registry: subject rules first, then from-line rules, then
    // header-field rules. A damaged key ends the load with an error box; the rows read before it
    // stay.
    void load_rules();

    // 0 when at least one row matches the message, -1 otherwise. Called for every row the message
    // list draws, so it allocates nothing. Header-field rules are not judged here.
    int Get_rule_id(std::string_view fromText, std::string_view subjectText) const;
    // The same, where a text also counts as containing a pattern when its decoded form (as the
    // list shows it, UTF-8) does: a rule "lottery" marks a subject sent as an encoded word.
    // "Doesnot contain" holds only when neither form contains it.
    // With the message's header lines, header-field rules are judged too: a field counts as
    // containing a pattern when any of its occurrences does, raw or decoded (DecodeField). Without them (nullptr: the header
    // is not at hand) those rules mark nothing either way, so a header that cannot be read never
    // gets a message deleted.
    int Get_rule_id(std::string_view fromText, std::string_view subjectText, std::string_view shownFrom,
                    std::string_view shownSubject, const StringList* header = nullptr) const;

    // The characters that delimit a whole word: blank, double quote, full stop, '<' and '@'.
    static bool is_terminator(char c);
};

}  // namespace rules
