#include "rules/RuleKey.h"

#include "platform/Strings.h"

#include <charconv>
#include <vector>

namespace rules {
namespace {

using platform::RegistryKey;
using platform::RegistryValue;

enum class Field { List, ListId, Flag, Name };

bool StartsWithFolded(std::string_view text, std::string_view upperPrefix)
{
    return text.size() >= upperPrefix.size() && SameText(text.substr(0, upperPrefix.size()), upperPrefix);
}

// "List_7", "ListID_7", "Flag_7", "Field_7" in any letter case; the number in plain decimal from 1 up.
bool ParseEntryName(std::string_view name, Field& field, int32_t& n)
{
    std::string_view digits;
    if (StartsWithFolded(name, "LISTID_")) {
        field = Field::ListId;
        digits = name.substr(7);
    } else if (StartsWithFolded(name, "LIST_")) {
        field = Field::List;
        digits = name.substr(5);
    } else if (StartsWithFolded(name, "FLAG_")) {
        field = Field::Flag;
        digits = name.substr(5);
    } else if (StartsWithFolded(name, "FIELD_")) {
        field = Field::Name;
        digits = name.substr(6);
    } else {
        return false;
    }
    if (digits.empty() || digits.front() < '1' || digits.front() > '9') return false;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    return ec == std::errc() && end == digits.data() + digits.size();
}

std::string EntryName(Field field, int32_t n)
{
    switch (field) {
    case Field::List: return "List_" + IntToStr(n);
    case Field::ListId: return "ListID_" + IntToStr(n);
    case Field::Flag: return "Flag_" + IntToStr(n);
    case Field::Name: return "Field_" + IntToStr(n);
    }
    return {};
}

RegistryValue StringValue(std::string name, std::string text)
{
    RegistryValue v;
    v.name = std::move(name);
    v.text = std::move(text);
    return v;
}

RegistryValue IntegerValue(std::string name, int32_t number)
{
    RegistryValue v;
    v.name = std::move(name);
    v.type = RegistryValue::Type::Integer;
    v.number = static_cast<uint32_t>(number);
    return v;
}

std::map<int32_t, StoredEntry> CollectEntries(const std::vector<RegistryValue>& values)
{
    std::map<int32_t, StoredEntry> entries;
    for (const RegistryValue& v : values) {
        Field field;
        int32_t n;
        if (!ParseEntryName(v.name, field, n)) continue;
        StoredEntry& e = entries[n];
        switch (field) {
        case Field::List: e.list = v; break;
        case Field::ListId: e.listId = v; break;
        case Field::Flag: e.flag = v; break;
        case Field::Name: e.field = v; break;
        }
    }
    return entries;
}

RegistryValue Renamed(RegistryValue value, std::string name)
{
    value.name = std::move(name);
    return value;
}

void Rewrite(RegistryKey& key, int32_t removed, const NewEntry* added, int32_t& result)
{
    std::map<int32_t, StoredEntry> entries = CollectEntries(key.values);

    // Values that belong to no entry stay as they are; "total" keeps the spelling it was
    // written with but is always an integer afterwards.
    std::vector<RegistryValue> values;
    std::string totalName = "total";
    for (RegistryValue& v : key.values) {
        Field field;
        int32_t n;
        if (ParseEntryName(v.name, field, n)) continue;
        if (SameText(v.name, "total")) {
            totalName = v.name;
            continue;
        }
        values.push_back(std::move(v));
    }

    int32_t count = 0;
    std::vector<RegistryValue> numbered;
    for (auto& [n, entry] : entries) {
        if (n == removed || !entry.Present()) continue;
        ++count;
        if (entry.list) numbered.push_back(Renamed(*entry.list, EntryName(Field::List, count)));
        numbered.push_back(StringValue(EntryName(Field::ListId, count), IntToStr(count)));
        if (entry.flag) numbered.push_back(Renamed(*entry.flag, EntryName(Field::Flag, count)));
        if (entry.field) numbered.push_back(Renamed(*entry.field, EntryName(Field::Name, count)));
    }
    if (added) {
        ++count;
        numbered.push_back(StringValue(EntryName(Field::List, count), added->text));
        numbered.push_back(StringValue(EntryName(Field::ListId, count), IntToStr(count)));
        numbered.push_back(IntegerValue(EntryName(Field::Flag, count), added->contains ? 1 : 0));
        if (!added->field.empty()) numbered.push_back(StringValue(EntryName(Field::Name, count), added->field));
    }
    values.push_back(IntegerValue(totalName, count));
    values.insert(values.end(), numbered.begin(), numbered.end());
    key.values = std::move(values);
    result = count;
}

}  // namespace

std::optional<std::string> TextOf(const std::optional<RegistryValue>& value)
{
    if (!value) return std::string();
    if (value->type != RegistryValue::Type::String) return std::nullopt;
    return value->text;
}

std::optional<int32_t> IntegerOf(const std::optional<RegistryValue>& value)
{
    if (!value || value->type != RegistryValue::Type::Integer) return std::nullopt;
    return static_cast<int32_t>(value->number);
}

RuleKeyContent ReadRuleKey(RuleKind kind)
{
    RuleKeyContent content;
    const platform::RegistryModel& model = platform::RegistryStore::CurrentUser().Read();
    auto it = model.keys.find(UpperCase(RuleKeyPath(kind)));
    if (it == model.keys.end()) return content;
    content.exists = true;
    for (const RegistryValue& v : it->second.values)
        if (SameText(v.name, "total") && v.type == RegistryValue::Type::Integer)
            content.total = static_cast<int32_t>(v.number);
    content.entries = CollectEntries(it->second.values);
    return content;
}

int32_t RewriteRuleKey(RuleKind kind, int32_t removed, const NewEntry* added)
{
    const std::string path(RuleKeyPath(kind));
    platform::RegistryStore& store = platform::RegistryStore::CurrentUser();
    if (added) {
        // Through the registry class, so the parent keys come into being as for any other key.
        platform::TRegistry reg(store);
        reg.OpenKey(path, true);
    }
    int32_t result = 0;
    store.Modify([&](platform::RegistryModel& model) {
        auto it = model.keys.find(UpperCase(path));
        if (it == model.keys.end()) {
            if (!added) return;
            it = model.keys.emplace(UpperCase(path), RegistryKey{path, {}}).first;
        }
        Rewrite(it->second, removed, added, result);
    });
    return result;
}

}  // namespace rules
