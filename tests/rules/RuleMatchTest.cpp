#include "platform/Strings.h"
#include "rules/RuleTable.h"

#include <gtest/gtest.h>

using rules::TRuleTable;

namespace {

// A table with rows as load_rules makes them (pattern upper-cased). Kind "1" Subject, "0" From.
TRuleTable Rows(std::initializer_list<std::tuple<std::string, bool, const char*>> rows)
{
    TRuleTable t;
    for (const auto& [text, contains, kind] : rows) {
        t.Pattern.push_back(UpperCase(text));
        t.Mode.push_back(contains ? "1" : "0");
        t.Id.push_back(IntToStr(int64_t(t.Id.size()) + 1));
        t.Kind.push_back(kind);
    }
    return t;
}

int Subject(const std::string& rule, const std::string& subject, bool contains = true)
{
    return Rows({{rule, contains, "1"}}).Get_rule_id("someone@example.com", subject);
}

int From(const std::string& rule, const std::string& from, bool contains = true)
{
    return Rows({{rule, contains, "0"}}).Get_rule_id(from, "any subject");
}

}  // namespace

TEST(RuleMatch, EmptyTableAndLetterCase)
{
    EXPECT_EQ(TRuleTable().Get_rule_id("a@b.c", "anything"), -1);
    EXPECT_EQ(Subject("lottery", "YOU WON THE LOTTERY TODAY"), 0);
    EXPECT_EQ(Subject("LOTTERY", "you won the lottery today"), 0);
}

TEST(RuleMatch, WholeWordNeedsTerminatorsAndWildcardDoesNot)
{
    EXPECT_EQ(Subject("cheap", "buy cheap pills"), 0);
    EXPECT_EQ(Subject("cheap", "cheap pills"), 0);  // the start needs nothing before
    EXPECT_EQ(Subject("cheap", "buy \"cheap\" pills"), 0);
    EXPECT_EQ(Subject("cheap", "cheapest pills"), -1);
    EXPECT_EQ(Subject("cheap", "buy,cheap pills"), -1);   // the comma is no terminator
    EXPECT_EQ(Subject("cheap", "buy\tcheap pills"), -1);  // nor the tab
    EXPECT_EQ(Subject("*cheap", "cheapest pills"), 0);
    EXPECT_EQ(Subject("*cheap", "buy ultracheap pills"), 0);
    EXPECT_EQ(Subject("*cheap", "buy pills"), -1);
    EXPECT_EQ(Subject("**x", "a*x"), 0);  // only the first '*' is the wildcard
    EXPECT_EQ(Subject("**x", "ax"), -1);
}

TEST(RuleMatch, FromTextPartsDelimitedByAddressCharacters)
{
    const std::string from = "John Smith <jsmith@mail.example.com>";
    EXPECT_EQ(From("jsmith", from), 0);  // '<' before, '@' after
    EXPECT_EQ(From("mail", from), 0);    // '@' before, '.' after
    EXPECT_EQ(From("john", from), 0);
    EXPECT_EQ(From("com", from), -1);    // '>' is no terminator
    EXPECT_EQ(Rows({{"jsmith", true, "1"}}).Get_rule_id(from, "hello"), -1);  // subject rule
}

TEST(RuleMatch, OnlyTheFirstOccurrenceCounts)
{
    EXPECT_EQ(Subject("win", "prewin and win"), -1);
    EXPECT_EQ(Subject("win", "win and prewin"), 0);
}

TEST(RuleMatch, EndOfTextIsAWordBoundary)
{
    EXPECT_EQ(Subject("now", "act now"), 0);
    EXPECT_EQ(Subject("now", "  act now \t "), 0);  // trimmed first
    EXPECT_EQ(Subject("now", "act nowhere"), -1);
    EXPECT_EQ(Subject("now", "act know"), -1);
}

TEST(RuleMatch, LoneStarAndDoesNotContain)
{
    EXPECT_EQ(Subject("*", "*"), -1);  // nothing left to look for: never occurs
    EXPECT_EQ(From("*", "anyone", false), 0);
    EXPECT_EQ(From("*", "", false), 0);
    EXPECT_EQ(Subject("invoice", "   ", false), 0);
    EXPECT_EQ(Subject("invoice", "your invoice", false), -1);
    EXPECT_EQ(Subject("invoice", "your invoices", false), 0);
}

TEST(RuleMatch, EmptyPatternEndsTheScan)
{
    TRuleTable t = Rows({{"first", true, "1"}, {"", true, "1"}, {"spam", true, "1"}});
    EXPECT_EQ(t.Get_rule_id("", "first"), 0);
    EXPECT_EQ(t.Get_rule_id("", "spam"), -1);
}

TEST(RuleMatch, ExactlyFiveTerminators)
{
    std::string found;
    for (int c = 0; c < 256; ++c)
        if (TRuleTable::is_terminator(static_cast<char>(c))) found += static_cast<char>(c);
    EXPECT_EQ(found, " \".<@");
}

TEST(RuleMatch, HeaderFieldRulesAndTheOlderKindsBesideThem)
{
    const StringList header = {"Received: from relay.example by mx.example", "Authentication-Results: mx; spf=pass (ok)",
                               "Received: from sender.example by relay.example;", "\tTue, 8 Dec 2026",
                               "Authentication-Results: mx; dkim=none;", "\tdmarc=fail (p=none)", "X-SPAM-FLAG:YES",
                               "To-Do: dmarc=fail", "X-Note: ok", " X-Mailer: folded into X-Note", "",
                               "Cc: after the header", "Subject: lottery", "."};
    const struct {
        const char *what, *kind, *field, *text;
        bool contains;
        int expected;
    } cases[] = {
        {"folded, a tab before the word", "2", "Authentication-Results", "dmarc=fail", true, 0},
        {"any occurrence of a repeated field", "2", "Received", "*sender.example", true, 0},
        {"Doesnot contain: one occurrence has it", "2", "Authentication-Results", "spf=pass", false, -1},
        {"field name in any letter case", "2", "x-spam-flag", "yes", true, 0},
        {"missing field, Contains", "2", "X-Virus", "found", true, -1},
        {"missing field, Doesnot contain", "2", "X-Virus", "found", false, 0},
        {"a longer name is another field", "2", "To", "*dmarc", true, -1},
        {"a continuation line starts no field", "2", "X-Mailer", "*folded", true, -1},
        {"the header ends at its empty line", "2", "Cc", "*after", true, -1},
        {"a subject rule reads the subject text, not the header", "1", "", "lottery", true, -1},
        {"a from-line rule as before", "0", "", "ann", true, 0},
    };
    for (const auto& c : cases) {
        TRuleTable t = Rows({{c.text, c.contains, c.kind}});
        t.Field = {c.field};
        EXPECT_EQ(t.Get_rule_id("Ann <ann@example.org>", "Lunch", "", "", &header), c.expected) << c.what;
        // Without the header at hand a header rule marks nothing, in either mode.
        EXPECT_EQ(t.Get_rule_id("", "", "", "", nullptr), -1) << c.what;
    }
}

// A field is matched as the user reads it too: raw or decoded, as the From and Subject rules.
TEST(RuleMatch, HeaderFieldRulesMatchTheDecodedValue)
{
    const StringList header = {"To: =?utf-8?q?M=C3=BCller?= <m@example.org>", "Reply-To: plain@example.org"};
    int decoded = 0;
    auto table = [&](const char* field, const char* text, bool contains) {
        TRuleTable t = Rows({{text, contains, "2"}});
        t.Field = {field};
        t.DecodeField = [&](std::string_view raw) {
            ++decoded;
            std::string s(raw);
            return s.replace(s.find("=?utf-8?q?M=C3=BCller?="), 23, "M\xC3\xBCller");
        };
        return t.Get_rule_id("", "", "", "", &header);
    };
    EXPECT_EQ(table("To", "M\xC3\xBCller", true), 0);
    EXPECT_EQ(table("To", "M\xC3\xBCller", false), -1);      // Doesnot contain: the decoded form has it
    EXPECT_EQ(table("To", "*C3=BCller", true), 0);          // the raw form still counts
    EXPECT_EQ(table("Reply-To", "plain", true), 0);
    EXPECT_EQ(decoded, 2);  // only the To value with an encoded word, and only when the raw form missed
}
