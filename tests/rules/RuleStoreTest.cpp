#include "RulesTestHome.h"
#include "ScriptedBoxes.h"
#include "platform/Exception.h"
#include "platform/Folders.h"
#include "platform/Registry.h"
#include "platform/TextFile.h"
#include "rules/RuleLines.h"
#include "rules/RuleStore.h"
#include "rules/RuleTable.h"
#include "rules/RulesFile.h"

#include <gtest/gtest.h>

using namespace rules;

namespace {

const std::string kFrom(kFromKey), kSubject(kSubjectKey);

class RuleStore : public ::testing::Test {
protected:
    RulesTestHome home;
    ScriptedBoxes boxes;
    platform::TRegistry reg;

    // "text|id|flag" of entry n, "-" for a missing value.
    std::string Entry(const std::string& key, int n)
    {
        if (!reg.OpenKey(key, false)) return "no key";
        const std::string s = IntToStr(n);
        auto text = [&](const std::string& name) { return reg.ValueExists(name) ? reg.ReadString(name) : "-"; };
        std::string flag = reg.ValueExists("Flag_" + s) ? IntToStr(reg.ReadInteger("Flag_" + s)) : "-";
        return text("List_" + s) + "|" + text("ListID_" + s) + "|" + flag;
    }
    int32_t Total(const std::string& key) { return reg.OpenKey(key, false) ? reg.ReadInteger("total") : -99; }
    // Writes an entry by hand, as a damaged or older store may hold it.
    void Write(const std::string& key, int n, const std::string& text, int32_t total)
    {
        reg.OpenKey(key, true);
        reg.WriteString("List_" + IntToStr(n), text);
        reg.WriteString("ListID_" + IntToStr(n), IntToStr(n));
        reg.WriteInteger("Flag_" + IntToStr(n), 1);
        reg.WriteInteger("total", total);
    }
    StringList Patterns()
    {
        TRuleTable t;
        t.load_rules();
        // A row is read whole or not at all.
        EXPECT_TRUE(t.Mode.size() == t.Count() && t.Id.size() == t.Count() && t.Kind.size() == t.Count());
        return t.Pattern;
    }
};

}  // namespace

TEST_F(RuleStore, EmptyStoreAndTheFirstRule)
{
    EXPECT_TRUE(Patterns().empty());
    EXPECT_EQ(get_rule_idx("x", true), -1);
    reg.OpenKey(kFrom, true);
    reg.WriteInteger("total", 0);
    EXPECT_TRUE(Patterns().empty());

    EXPECT_EQ(AddRuleEntry(RuleKind::Subject, "Win Money", false), 1);
    EXPECT_EQ(Total(kSubject), 1);
    EXPECT_EQ(Entry(kSubject, 1), "Win Money|1|0");
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(RuleStore, SubjectRowsFirstAndDuplicatesByKind)
{
    AddRuleEntry(RuleKind::From, "alice", true);
    AddRuleEntry(RuleKind::Subject, "Offer", false);
    AddRuleEntry(RuleKind::From, "bob", true);
    TRuleTable t;
    t.load_rules();
    EXPECT_EQ(t.Pattern, (StringList{"OFFER", "ALICE", "BOB"}));
    EXPECT_EQ(t.Mode, (StringList{"0", "1", "1"}));
    EXPECT_EQ(t.Id, (StringList{"1", "1", "2"}));
    EXPECT_EQ(t.Kind, (StringList{"1", "0", "0"}));

    EXPECT_EQ(get_rule_idx("BoB", true), 2);
    EXPECT_EQ(get_rule_idx("bob", false), -1);
    EXPECT_EQ(get_rule_idx("bob ", true), -1);
}

TEST_F(RuleStore, RemovalKeepsNumberingDenseAndAdditionsOverwriteNothing)
{
    for (const char* text : {"a", "b", "c", "d"}) AddRuleEntry(RuleKind::From, text, true);
    EXPECT_TRUE(RemoveRuleEntry(RuleKind::From, 2));
    EXPECT_EQ(Total(kFrom), 3);
    EXPECT_EQ(Entry(kFrom, 2), "c|2|1");
    EXPECT_EQ(Entry(kFrom, 3), "d|3|1");
    EXPECT_EQ(Entry(kFrom, 4), "-|-|-");
    EXPECT_EQ(AddRuleEntry(RuleKind::From, "e", false), 4);
    EXPECT_EQ(Patterns(), (StringList{"A", "C", "D", "E"}));
    EXPECT_FALSE(RemoveRuleEntry(RuleKind::From, 5));
    EXPECT_TRUE(boxes.Shown().empty());

    reg.OpenKey(kFrom, false);
    reg.DeleteValue("total");
    EXPECT_THROW(RemoveRuleEntry(RuleKind::From, 1), ERegistryException);
    EXPECT_EQ(Entry(kFrom, 1), "a|1|1");
}

TEST_F(RuleStore, DamagedKeyStopsTheLoadWithABoxAndIsRepairedByTheNextAddition)
{
    Write(kSubject, 1, "one", 1);
    Write(kSubject, 2, "two", 5);  // "total" claims entries that are not there
    Write(kFrom, 1, "from", 1);
    EXPECT_EQ(Patterns(), (StringList{"ONE", "TWO"}));
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].icon, platform::MsgIcon::Error);
    EXPECT_EQ(boxes.Shown()[0].text, "The message rules cannot be read completely: the value 'Flag_3' of " +
                                         kSubject + " is missing or of the wrong type.");

    EXPECT_EQ(AddRuleEntry(RuleKind::Subject, "three", true), 3);
    EXPECT_EQ(Patterns(), (StringList{"ONE", "TWO", "THREE", "FROM"}));
    EXPECT_EQ(boxes.Shown().size(), 1u);

    reg.OpenKey(kSubject, false);
    reg.DeleteValue("Flag_1");
    EXPECT_TRUE(Patterns().empty());
    reg.WriteString("total", "3");  // of the wrong type
    EXPECT_TRUE(Patterns().empty());
    EXPECT_EQ(boxes.Shown().size(), 3u);
}

TEST_F(RuleStore, GapsAndHugeCountsLoseNoRule)
{
    // What removing a middle entry without renumbering left: entries 1 and 3, "total" 2.
    Write(kSubject, 1, "one", 1);
    Write(kSubject, 3, "three", 2);
    reg.OpenKey(kSubject, false);
    reg.WriteString("ListID_4", "4");  // a number without its rule names none
    EXPECT_EQ(get_rule_idx("THREE", false), 3);  // found, so never added twice
    EXPECT_EQ(AddRuleEntry(RuleKind::Subject, "new", true), 3);
    EXPECT_EQ(Entry(kSubject, 2), "three|2|1");
    EXPECT_EQ(Entry(kSubject, 3), "new|3|1");
    EXPECT_EQ(Entry(kSubject, 4), "-|-|-");

    reg.OpenKey(kFrom, true);
    reg.WriteInteger("total", 2147483647);  // ends at the first missing entry, at once
    EXPECT_EQ(Patterns().size(), 3u);
    EXPECT_EQ(get_rule_idx("x", true), -1);
    EXPECT_EQ(AddRuleEntry(RuleKind::From, "x", true), 1);
}

TEST_F(RuleStore, RulesFileLinesAndTheRuleTheyName)
{
    EXPECT_TRUE(LoadRulesFile().empty());
    const std::string quoted = MakeRuleLine(kCondSubject, kModeContains, "say \"hi\" now", kActionDelete);
    const std::string plain = MakeRuleLine(kCondFrom, kModeNotContains, "spam", kActionDelete);
    SaveRulesFile({plain, quoted});
    EXPECT_EQ(platform::ReadBytes(home.Folder() + kRulesFile),
              "Where from line Doesnot contain \"spam\" Delete message from the server\r\n"
              "Where subject Contains \"say \"hi\" now\" Delete message from the server\r\n");
    EXPECT_EQ(LoadRulesFile(), (StringList{plain, quoted}));

    EXPECT_EQ(ParseRuleLine("where FROM line Contains \"x\"")->kind, RuleKind::From);
    EXPECT_FALSE(ParseRuleLine("Where subject Contains \"broken"));

    AddRuleEntry(RuleKind::Subject, "say", true);
    AddRuleEntry(RuleKind::Subject, "say \"hi\" now", true);
    AddRuleEntry(RuleKind::From, "say \"hi\" now", true);
    EXPECT_TRUE(RemoveRuleOfLine(quoted));
    EXPECT_EQ(Patterns(), (StringList{"SAY", "SAY \"HI\" NOW"}));
    EXPECT_EQ(Entry(kFrom, 1), "say \"hi\" now|1|1");
    EXPECT_FALSE(RemoveRuleOfLine(quoted));
}

TEST_F(RuleStore, StoredRulesAreEveryEntryAKeyHoldsAndTheirLinesFollowTheFile)
{
    Write(kFrom, 1, "spam", 1);
    Write(kFrom, 4, "beyond total", 1);        // not counted, yet "This rule already exists." for it
    reg.OpenKey(kSubject, true);
    reg.WriteInteger("total", 3);
    reg.WriteInteger("Flag_1", 0);             // no text: an empty pattern that ends matching
    reg.WriteInteger("List_2", 7);             // no text either, and no rule get_rule_idx finds
    reg.WriteString("List_3", "Win");          // no flag
    std::vector<TStoredRule> stored = StoredRules();
    StringList lines;
    for (const TStoredRule& r : stored) lines.push_back(RuleLineOf(r));
    EXPECT_EQ(lines, (StringList{"Where subject Doesnot contain \"\" Delete message from the server",
                                 "Where subject Contains \"Win\" Delete message from the server",
                                 "Where from line Contains \"spam\" Delete message from the server",
                                 "Where from line Contains \"beyond total\" Delete message from the server"}));

    // The file's order wins; a line in other letter case still shows its rule, but as stored; a
    // line whose mode, kind or text differs from every rule, or that repeats one, is dropped.
    const StringList file{"WHERE FROM LINE contains \"SPAM\" delete message from the server",
                          "Where from line Doesnot contain \"beyond total\" Delete message from the server",
                          "Where subject Contains \"spam\" Delete message from the server",
                          lines[1], "no rule at all", lines[2], lines[1]};
    EXPECT_EQ(RuleLinesFor(file, stored), (StringList{lines[2], lines[1], lines[0], lines[3]}));
    EXPECT_TRUE(RuleLinesFor(file, {}).empty());
    // Each line so made names a rule "Remove" finds.
    for (const std::string& l : lines) EXPECT_TRUE(RemoveRuleOfLine(l)) << l;
    EXPECT_TRUE(StoredRules().empty());
}

TEST_F(RuleStore, RulesFileLivesInTheProgramsFolderNotWhereTheProgramStarted)
{
    SaveRulesFile({"a"});
    EXPECT_EQ(RulesFilePath(), home.Folder() + kRulesFile);
    EXPECT_EQ(platform::ReadBytes(home.Folder() + kRulesFile), "a\r\n");
    EXPECT_FALSE(platform::FileExists(home.WorkingFolder() + kRulesFile));
    ASSERT_TRUE(platform::DeleteFile(home.Folder() + kRulesFile));
    platform::WriteBytes(home.WorkingFolder() + kRulesFile, "b\r\n");
    EXPECT_EQ(LoadRulesFile(), StringList{"b"});
    EXPECT_FALSE(platform::FileExists(home.WorkingFolder() + kRulesFile));
    EXPECT_EQ(LoadRulesFile(), StringList{"b"});
}

TEST_F(RuleStore, HeaderRulesGoToTheirOwnKeyAndComeBack)
{
    const std::string kHeader(kHeaderKey);
    AddHeaderRuleEntry("X-Spam-Flag", "YES", true);
    AddHeaderRuleEntry("Authentication-Results", "dmarc=fail", false);
    AddRuleEntry(RuleKind::Subject, "YES", true);  // the same text as a subject rule is another rule
    EXPECT_EQ(Entry(kHeader, 2), "dmarc=fail|2|0");
    EXPECT_EQ(reg.ReadString("Field_2"), "Authentication-Results");
    EXPECT_EQ(get_header_rule_idx("x-spam-FLAG", "yes"), 1);
    EXPECT_EQ(get_header_rule_idx("Authentication-Results", "YES"), -1);
    TRuleTable t;
    t.load_rules();
    EXPECT_EQ(t.Kind, (StringList{"1", "2", "2"}));
    EXPECT_EQ(t.Field, (StringList{"", "X-Spam-Flag", "Authentication-Results"}));

    // Listed with its field, removed by that line; the rest is renumbered, field and all.
    const std::string spam = RuleLineOf(StoredRules()[1]);
    EXPECT_EQ(spam, "Where header field X-Spam-Flag Contains \"YES\" Delete message from the server");
    EXPECT_TRUE(RemoveRuleOfLine(spam));
    EXPECT_EQ(Entry(kHeader, 1), "dmarc=fail|1|0");
    EXPECT_EQ(reg.ReadString("Field_1"), "Authentication-Results");
    // A caption's words inside a text do not change the rule's kind.
    AddRuleEntry(RuleKind::From, "Where from line", true);
    AddRuleEntry(RuleKind::Subject, "Where from line", true);
    EXPECT_TRUE(RemoveRuleOfLine(MakeRuleLine(kCondSubject, kModeContains, "Where from line", kActionDelete)));
    EXPECT_EQ(Entry(kFrom, 1), "Where from line|1|1");

    // A header rule without a proper field name is damage, not a rule that marks everything.
    reg.OpenKey(kHeader, false);
    reg.WriteString("Field_1", "Bad Name");
    EXPECT_EQ(Patterns(), (StringList{"YES", "WHERE FROM LINE"}));
    EXPECT_EQ(boxes.Texts(), StringList{"The message rules cannot be read completely: the value 'Field_1' of " +
                                        kHeader + " is missing or of the wrong type."});
}

TEST_F(RuleStore, ARuleSetOfAnEarlierVersionLoadsUnchangedAndStaysItsOwn)
{
    const std::string earlier = platform::ReadBytes(RULES_DATA_DIR "/earlier-rules.reg");
    platform::ForceDirectories(home.Registry().substr(0, home.Registry().rfind('/')));
    platform::WriteBytes(home.Registry(), earlier);
    EXPECT_EQ(Patterns(), (StringList{"LOTTERY", "SPAMMER", "*PRIZES"}));
    // Header rules added, the old keys still hold just what the earlier version wrote and reads.
    AddHeaderRuleEntry("X-Spam-Flag", "YES", true);
    auto oldKeys = [](const std::string& file) {
        bool damaged = false;
        platform::RegistryModel model = platform::ParseRegistryText(file, damaged);
        model.keys.erase(UpperCase(kHeaderKey));
        return platform::PrintRegistryText(model);
    };
    EXPECT_EQ(oldKeys(platform::ReadBytes(home.Registry())), earlier);
    EXPECT_EQ(Patterns(), (StringList{"LOTTERY", "SPAMMER", "*PRIZES", "YES"}));
    EXPECT_TRUE(boxes.Shown().empty());
}
