#include "rules/RuleTable.h"

#include "platform/Exception.h"
#include "platform/MessageBox.h"
#include "rules/HeaderFieldRule.h"
#include "rules/RuleKey.h"

namespace rules {
namespace {

[[noreturn]] void Damaged(RuleKind kind, const std::string& valueName)
{
    throw ERegistryException("The message rules cannot be read completely: the value '" + valueName + "' of " +
                             std::string(RuleKeyPath(kind)) + " is missing or of the wrong type.");
}

void LoadKind(TRuleTable& table, RuleKind kind)
{
    RuleKeyContent key = ReadRuleKey(kind);
    if (!key.exists) return;
    if (!key.total) Damaged(kind, "total");
    const std::string kindText = kind == RuleKind::Subject ? "1" : kind == RuleKind::From ? "0" : "2";
    // Each row is read whole before it is added, so the lists never get out of step. The
    // loop ends at the first missing flag at the latest, however large "total" claims to be.
    for (int32_t n = 1; n <= *key.total; ++n) {
        static const StoredEntry kMissing;
        auto it = key.entries.find(n);
        const StoredEntry& entry = it == key.entries.end() ? kMissing : it->second;
        const std::string number = IntToStr(n);
        std::optional<std::string> text = TextOf(entry.list);
        if (!text) Damaged(kind, "List_" + number);
        std::optional<std::string> id = TextOf(entry.listId);
        if (!id) Damaged(kind, "ListID_" + number);
        std::optional<int32_t> flag = IntegerOf(entry.flag);
        if (!flag) Damaged(kind, "Flag_" + number);
        // A header rule without a proper field could only ever match by "Doesnot contain", that
        // is every message: that is damage, not a rule.
        std::optional<std::string> field;
        if (kind == RuleKind::Header) {
            field = TextOf(entry.field);
            if (!field || !IsFieldName(*field)) Damaged(kind, "Field_" + number);
        }
        table.Pattern.push_back(UpperCase(*text));
        table.Mode.push_back(*flag != 0 ? "1" : "0");
        table.Id.push_back(*id);
        table.Kind.push_back(kindText);
        table.Field.push_back(field.value_or(std::string()));
    }
}

}  // namespace

void TRuleTable::load_rules()
{
    Clear();
    try {
        LoadKind(*this, RuleKind::Subject);
        LoadKind(*this, RuleKind::From);
        LoadKind(*this, RuleKind::Header);
    } catch (const Exception& e) {
        platform::ShowException(e);
    }
}

}  // namespace rules
