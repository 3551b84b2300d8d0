#include "RulesTestHome.h"
#include "ScriptedBoxes.h"
#include "platform/Exception.h"
#include "platform/Registry.h"
#include "platform/TextFile.h"
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

    // The values of entry n, or "-" for a missing one.
    std::string Entry(const std::string& key, int n)
    {
        platform::TRegistry reg;
        if (!reg.OpenKey(key, false)) return "no key";
        std::string s = IntToStr(n);
        std::string flag = reg.ValueExists("Flag_" + s) ? IntToStr(reg.ReadInteger("Flag_" + s)) : "-";
        std::string list = reg.ValueExists("List_" + s) ? reg.ReadString("List_" + s) : "-";
        std::string id = reg.ValueExists("ListID_" + s) ? reg.ReadString("ListID_" + s) : "-";
        return list + "|" + id + "|" + flag;
    }
    int32_t Total(const std::string& key)
    {
        platform::TRegistry reg;
        reg.OpenKey(key, false);
        return reg.ReadInteger("total");
    }
    void Write(const std::string& key, int n, const std::string& text, int flag)
    {
        platform::TRegistry reg;
        reg.OpenKey(key, true);
        reg.WriteString("List_" + IntToStr(n), text);
        reg.WriteString("ListID_" + IntToStr(n), IntToStr(n));
        reg.WriteInteger("Flag_" + IntToStr(n), flag);
    }
    void SetTotal(const std::string& key, int32_t total)
    {
        platform::TRegistry reg;
        reg.OpenKey(key, true);
        reg.WriteInteger("total", total);
    }
    TRuleTable Loaded()
    {
        TRuleTable table;
        table.load_rules();
        EXPECT_EQ(table.Mode.size(), table.Pattern.size());
        EXPECT_EQ(table.Id.size(), table.Pattern.size());
        EXPECT_EQ(table.Kind.size(), table.Pattern.size());
        return table;
    }
};

}  // namespace

TEST_F(RuleStore, NoKeysOrZeroTotalGiveAnEmptyTable)
{
    EXPECT_EQ(Loaded().Count(), 0u);
    EXPECT_EQ(get_rule_idx("x", true), -1);
    SetTotal(kFrom, 0);
    SetTotal(kSubject, 0);
    EXPECT_EQ(Loaded().Count(), 0u);
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(RuleStore, FirstRuleCreatesItsKey)
{
    EXPECT_EQ(AddRuleEntry(RuleKind::Subject, "Win Money", false), 1);
    EXPECT_EQ(Total(kSubject), 1);
    EXPECT_EQ(Entry(kSubject, 1), "Win Money|1|0");
    EXPECT_EQ(Entry(kFrom, 1), "no key");
}

TEST_F(RuleStore, SubjectRowsComeBeforeFromRows)
{
    AddRuleEntry(RuleKind::From, "alice", true);
    AddRuleEntry(RuleKind::Subject, "Offer", false);
    AddRuleEntry(RuleKind::From, "bob", true);
    TRuleTable t = Loaded();
    EXPECT_EQ(t.Pattern, (StringList{"OFFER", "ALICE", "BOB"}));
    EXPECT_EQ(t.Mode, (StringList{"0", "1", "1"}));
    EXPECT_EQ(t.Id, (StringList{"1", "1", "2"}));
    EXPECT_EQ(t.Kind, (StringList{"1", "0", "0"}));
    EXPECT_EQ(t.Get_rule_id("Bob <b@x.org>", ""), 0);
}

TEST_F(RuleStore, DuplicateTestFoldsCaseIgnoresModeAndKeepsKindsApart)
{
    AddRuleEntry(RuleKind::Subject, "a", true);
    AddRuleEntry(RuleKind::Subject, "Win Money", false);
    EXPECT_EQ(get_rule_idx("wIN mONEY", false), 2);
    EXPECT_EQ(get_rule_idx("Win Money", true), -1);
    EXPECT_EQ(get_rule_idx("Win Money ", false), -1);
}

TEST_F(RuleStore, RemovalKeepsNumberingDenseAndLaterAdditionsOverwriteNothing)
{
    for (const char* text : {"a", "b", "c", "d"}) AddRuleEntry(RuleKind::From, text, true);
    EXPECT_TRUE(RemoveRuleEntry(RuleKind::From, 2));
    EXPECT_EQ(Total(kFrom), 3);
    EXPECT_EQ(Entry(kFrom, 1), "a|1|1");
    EXPECT_EQ(Entry(kFrom, 2), "c|2|1");
    EXPECT_EQ(Entry(kFrom, 3), "d|3|1");
    EXPECT_EQ(Entry(kFrom, 4), "-|-|-");

    EXPECT_EQ(AddRuleEntry(RuleKind::From, "e", false), 4);
    EXPECT_EQ(Loaded().Pattern, (StringList{"A", "C", "D", "E"}));
    EXPECT_TRUE(RemoveRuleEntry(RuleKind::From, 4));  // the last one too
    EXPECT_EQ(Loaded().Pattern, (StringList{"A", "C", "D"}));
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(RuleStore, RemovalRefusesAMissingEntryOrUnreadableTotal)
{
    AddRuleEntry(RuleKind::Subject, "a", true);
    EXPECT_FALSE(RemoveRuleEntry(RuleKind::Subject, 2));
    EXPECT_FALSE(RemoveRuleEntry(RuleKind::Subject, 0));
    EXPECT_EQ(Total(kSubject), 1);

    platform::TRegistry reg;
    reg.OpenKey(kSubject, false);
    reg.DeleteValue("total");
    try {
        RemoveRuleEntry(RuleKind::Subject, 1);
        ADD_FAILURE() << "no error";
    } catch (const ERegistryException& e) {
        EXPECT_EQ(e.Message(), "The rule cannot be removed: the value 'total' of " + kSubject +
                                   " is missing or not a number.");
    }
    EXPECT_EQ(Entry(kSubject, 1), "a|1|1");
}

TEST_F(RuleStore, DamagedKeyStopsTheLoadWithABoxKeepingWholeRows)
{
    Write(kSubject, 1, "one", 1);
    Write(kSubject, 2, "two", 0);
    SetTotal(kSubject, 5);  // claims more entries than there are
    Write(kFrom, 1, "never read", 1);
    SetTotal(kFrom, 1);

    TRuleTable t = Loaded();
    EXPECT_EQ(t.Pattern, (StringList{"ONE", "TWO"}));
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].icon, platform::MsgIcon::Error);
    EXPECT_EQ(boxes.Shown()[0].text, "The message rules cannot be read completely: the value 'Flag_3' of " +
                                         kSubject + " is missing or of the wrong type.");

    // The next addition repairs the count instead of leaving the new rule out of reach.
    EXPECT_EQ(AddRuleEntry(RuleKind::Subject, "three", true), 3);
    boxes.Clear();
    EXPECT_EQ(Loaded().Pattern, (StringList{"ONE", "TWO", "THREE", "NEVER READ"}));
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(RuleStore, MissingFlagAndUnreadableTotalAreReported)
{
    Write(kFrom, 1, "one", 1);
    Write(kFrom, 2, "two", 1);
    SetTotal(kFrom, 2);
    platform::TRegistry reg;
    reg.OpenKey(kFrom, false);
    reg.DeleteValue("Flag_1");
    EXPECT_EQ(Loaded().Count(), 0u);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_NE(boxes.Shown()[0].text.find("'Flag_1'"), std::string::npos);

    reg.WriteString("total", "2");  // of the wrong type
    boxes.Clear();
    EXPECT_EQ(Loaded().Count(), 0u);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_NE(boxes.Shown()[0].text.find("'total'"), std::string::npos);
}

TEST_F(RuleStore, GappedKeyLosesNoRuleToAnAddition)
{
    // What removing a middle entry without renumbering leaves: entries 1 and 3, "total" 2.
    Write(kSubject, 1, "one", 1);
    Write(kSubject, 3, "three", 0);
    SetTotal(kSubject, 2);
    platform::TRegistry reg;
    reg.OpenKey(kSubject, false);
    reg.WriteString("ListID_4", "4");  // a number left without its rule names none
    EXPECT_EQ(get_rule_idx("THREE", false), 3);  // still found, so not added twice
    EXPECT_EQ(AddRuleEntry(RuleKind::Subject, "new", true), 3);
    EXPECT_EQ(Entry(kSubject, 1), "one|1|1");
    EXPECT_EQ(Entry(kSubject, 2), "three|2|0");
    EXPECT_EQ(Entry(kSubject, 3), "new|3|1");
    EXPECT_EQ(Entry(kSubject, 4), "-|-|-");
    EXPECT_EQ(Total(kSubject), 3);
}

TEST_F(RuleStore, HugeTotalIsHandledQuickly)
{
    SetTotal(kFrom, 2147483647);
    EXPECT_EQ(Loaded().Count(), 0u);
    EXPECT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(get_rule_idx("x", true), -1);
    EXPECT_EQ(AddRuleEntry(RuleKind::From, "x", true), 1);
}

TEST_F(RuleStore, RulesFileLinesAreExact)
{
    EXPECT_TRUE(LoadRulesFile().empty());
    const std::string quoted = MakeRuleLine(kCondSubject, kModeContains, "say \"hi\" now", kActionDelete);
    EXPECT_EQ(quoted, "Where subject Contains \"say \"hi\" now\" Delete message from the server");
    const std::string plain = MakeRuleLine(kCondFrom, kModeNotContains, "spam", kActionDelete);
    SaveRulesFile({plain, quoted});
    EXPECT_EQ(platform::ReadBytes(home.Folder() + kRulesFile),
              "Where from line Doesnot contain \"spam\" Delete message from the server\r\n"
              "Where subject Contains \"say \"hi\" now\" Delete message from the server\r\n");
    EXPECT_EQ(LoadRulesFile(), (StringList{plain, quoted}));
}

TEST_F(RuleStore, DisplayLineNamesItsRule)
{
    auto quoted = ParseRuleLine("Where subject Contains \"say \"hi\" now\" Delete message from the server");
    ASSERT_TRUE(quoted);
    EXPECT_EQ(quoted->kind, RuleKind::Subject);
    EXPECT_EQ(quoted->text, "say \"hi\" now");
    auto from = ParseRuleLine("where FROM line Contains \"\" Delete message from the server");
    ASSERT_TRUE(from);
    EXPECT_EQ(from->kind, RuleKind::From);
    EXPECT_EQ(from->text, "");
    EXPECT_FALSE(ParseRuleLine("Where subject Contains \"broken"));

    AddRuleEntry(RuleKind::Subject, "say", true);
    AddRuleEntry(RuleKind::Subject, "say \"hi\" now", true);
    AddRuleEntry(RuleKind::From, "say \"hi\" now", true);
    EXPECT_TRUE(RemoveRuleOfLine(MakeRuleLine(kCondSubject, kModeContains, "SAY \"HI\" NOW", kActionDelete)));
    EXPECT_EQ(Loaded().Pattern, (StringList{"SAY", "SAY \"HI\" NOW"}));
    EXPECT_EQ(Loaded().Kind, (StringList{"1", "0"}));
    EXPECT_FALSE(RemoveRuleOfLine(MakeRuleLine(kCondSubject, kModeContains, "gone", kActionDelete)));
}

TEST(RuleText, LineBreaksBecomeBlanksAndEndsAreTrimmed)
{
    EXPECT_EQ(CleanRuleText(" \t spam \r\n"), "spam");
    EXPECT_EQ(CleanRuleText("two\r\nlines"), "two  lines");
    EXPECT_EQ(CleanRuleText("a\tb"), "a\tb");
    EXPECT_EQ(CleanRuleText(" \x01 "), "");
}
