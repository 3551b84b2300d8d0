#pragma once
// One rule key of the registry as stored. Entry n is made of the values "List_" + n (the text),
// "ListID_" + n (n as text) and "Flag_" + n (1 Contains, 0 Doesnot contain), and in the header key
// also "Field_" + n (the field's name as typed); "total" counts them, and readers take entries 1
// to "total", so the key must stay numbered without a gap.
#include "platform/Registry.h"
#include "rules/RuleKinds.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace rules {

struct StoredEntry {
    std::optional<platform::RegistryValue> list, listId, flag, field;
    // An entry is there when its text or its flag is; a lone "ListID_" means nothing.
    bool Present() const { return list || flag; }
};

struct RuleKeyContent {
    bool exists = false;
    std::optional<int32_t> total;              // empty when missing or not an integer
    std::map<int32_t, StoredEntry> entries;    // by number, as found, gaps and all
};

// A snapshot of the kind's key, read in one go (cheap, and bounded whatever "total" claims).
RuleKeyContent ReadRuleKey(RuleKind kind);

// A missing string reads as empty text; an integer where text belongs reads as nothing.
std::optional<std::string> TextOf(const std::optional<platform::RegistryValue>& value);
std::optional<int32_t> IntegerOf(const std::optional<platform::RegistryValue>& value);

struct NewEntry {
    std::string text;
    bool contains = true;
    std::string field;  // header-field rules only; nothing is written for the other kinds
};

// Rewrites the kind's key in one locked change, so an interruption never leaves it half
// renumbered: entry `removed` (0 for none) is dropped, every entry that is there keeps its values
// and order but is numbered anew from 1 ("ListID_" rewritten to match), "total" becomes their
// count, and `added`, when given, becomes the entry after them. Gives the new entry's number, or
// the count when nothing was added. Entries the old "total" no longer reached are kept, so an
// addition never overwrites a rule of a damaged key. Creates the key only for an addition.
int32_t RewriteRuleKey(RuleKind kind, int32_t removed, const NewEntry* added);

}  // namespace rules
