#include "platform/Strings.h"
#include "rules/RuleTable.h"

#include <gtest/gtest.h>

using rules::TRuleTable;

namespace {

// Rows as load_rules makes them: the pattern upper-cased.
struct Table {
    TRuleTable t;
    Table& Subject(const std::string& text, bool contains = true) { return Row(text, contains, "1"); }
    Table& From(const std::string& text, bool contains = true) { return Row(text, contains, "0"); }
    Table& Row(const std::string& text, bool contains, const char* kind)
    {
        t.Pattern.push_back(UpperCase(text));
        t.Mode.push_back(contains ? "1" : "0");
        t.Id.push_back(IntToStr(int64_t(t.Id.size()) + 1));
        t.Kind.push_back(kind);
        return *this;
    }
    int Subj(const std::string& subject) const { return t.Get_rule_id("someone@example.com", subject); }
    int Frm(const std::string& from) const { return t.Get_rule_id(from, "any subject"); }
};

}  // namespace

TEST(RuleMatch, EmptyTableMarksNothing)
{
    Table table;
    EXPECT_EQ(table.Subj("anything"), -1);
    EXPECT_EQ(table.t.Get_rule_id("", ""), -1);
}

TEST(RuleMatch, LetterCaseDoesNotMatter)
{
    Table table;
    table.Subject("lottery");
    EXPECT_EQ(table.Subj("YOU WON THE LOTTERY TODAY"), 0);
    EXPECT_EQ(table.Subj("you won the lottery today"), 0);
}

TEST(RuleMatch, WholeWordNeedsTerminatorsAndWildcardDoesNot)
{
    Table word;
    word.Subject("cheap");
    EXPECT_EQ(word.Subj("buy cheap pills"), 0);
    EXPECT_EQ(word.Subj("cheap pills"), 0);         // start of the text needs nothing before
    EXPECT_EQ(word.Subj("cheapest pills"), -1);     // start of a longer word
    EXPECT_EQ(word.Subj("buy ultracheap pills"), -1);
    EXPECT_EQ(word.Subj("buy,cheap pills"), -1);    // the comma is no terminator
    EXPECT_EQ(word.Subj("buy\tcheap pills"), -1);   // nor is the tab
    EXPECT_EQ(word.Subj("buy \"cheap\" pills"), 0);

    Table wild;
    wild.Subject("*cheap");
    EXPECT_EQ(wild.Subj("buy cheap pills"), 0);
    EXPECT_EQ(wild.Subj("cheapest pills"), 0);
    EXPECT_EQ(wild.Subj("buy ultracheap pills"), 0);
    EXPECT_EQ(wild.Subj("buy pills"), -1);

    Table second;  // only the first '*' is the wildcard
    second.Subject("**x");
    EXPECT_EQ(second.Subj("a*x"), 0);
    EXPECT_EQ(second.Subj("ax"), -1);
}

TEST(RuleMatch, FromTextPartsDelimitedByAddressCharacters)
{
    const std::string from = "John Smith <jsmith@mail.example.com>";
    auto marks = [&](const std::string& rule) {
        Table table;
        table.From(rule);
        return table.Frm(from);
    };
    EXPECT_EQ(marks("jsmith"), 0);   // '<' before, '@' after
    EXPECT_EQ(marks("mail"), 0);     // '@' before, '.' after
    EXPECT_EQ(marks("john"), 0);
    EXPECT_EQ(marks("com"), -1);     // '>' is no terminator
    EXPECT_EQ(marks("jsmith@mail"), 0);

    Table subjectOnly;  // a subject rule never looks at the From text
    subjectOnly.Subject("jsmith");
    EXPECT_EQ(subjectOnly.t.Get_rule_id(from, "hello"), -1);
}

TEST(RuleMatch, OnlyTheFirstOccurrenceCounts)
{
    Table table;
    table.Subject("win");
    EXPECT_EQ(table.Subj("prewin and win"), -1);
    EXPECT_EQ(table.Subj("win and prewin"), 0);
}

TEST(RuleMatch, EndOfTextIsAWordBoundary)
{
    Table table;
    table.Subject("now");
    EXPECT_EQ(table.Subj("act now"), 0);
    EXPECT_EQ(table.Subj("  act now \t "), 0);  // trimmed before the test
    EXPECT_EQ(table.Subj("now"), 0);
    EXPECT_EQ(table.Subj("act nowhere"), -1);
    EXPECT_EQ(table.Subj("act know"), -1);
}

TEST(RuleMatch, LoneStarNeverOccurs)
{
    Table contains;
    contains.Subject("*");
    EXPECT_EQ(contains.Subj("*"), -1);
    EXPECT_EQ(contains.Subj("anything"), -1);

    Table notContains;
    notContains.From("*", false);
    EXPECT_EQ(notContains.Frm("anyone"), 0);
    EXPECT_EQ(notContains.Frm(""), 0);
}

TEST(RuleMatch, DoesNotContainMarksAnEmptyField)
{
    Table table;
    table.Subject("invoice", false);
    EXPECT_EQ(table.Subj(""), 0);
    EXPECT_EQ(table.Subj("   "), 0);
    EXPECT_EQ(table.Subj("your invoice"), -1);
    EXPECT_EQ(table.Subj("your invoices"), 0);
}

TEST(RuleMatch, EmptyPatternEndsTheScan)
{
    Table table;
    table.Subject("first").Row("", true, "1").Subject("spam");
    EXPECT_EQ(table.Subj("first"), 0);
    EXPECT_EQ(table.Subj("spam"), -1);
}

TEST(RuleMatch, ExactlyFiveTerminators)
{
    std::string found;
    for (int c = 0; c < 256; ++c)
        if (TRuleTable::is_terminator(static_cast<char>(c))) found += static_cast<char>(c);
    EXPECT_EQ(found, " \".<@");
}
