// What marks a row and how the question counts the marks: friends over everything, blocked
// senders over the user's own word, then the user's word, the rules and the score.
#include "filter/SpamMarks.h"

#include <gtest/gtest.h>

TEST(SpamMarks, FriendsBlockedSendersTheUsersWordRulesAndTheScoreDecideInThatOrder)
{
    const auto F = TSenderList::Friend, B = TSenderList::Blocked;
    struct Case {
        std::optional<TSenderList> sender;
        bool rule;
        std::optional<double> score;
        bool cleared, marked;
        TMarkReason want;
    } cases[] = {
        {F, true, 100.0, false, true, TMarkReason::None},           // a friend: never marked
        {B, false, 0.0, true, false, TMarkReason::Blocked},         // blocked: even after Not spam
        {{}, true, 100.0, true, false, TMarkReason::None},          // Not spam stands over rules and score
        {{}, true, 100.0, false, false, TMarkReason::Rule},
        {{}, false, 10.0, false, true, TMarkReason::LikelySpam},    // Mark as spam, whatever the score
        {{}, false, 90.0, false, false, TMarkReason::LikelySpam},   // at the threshold
        {{}, false, 89.99, false, false, TMarkReason::None},
        {{}, false, {}, false, false, TMarkReason::None},           // no score: the filter knows nothing yet
    };
    for (const Case& c : cases) {
        TMarkFacts facts{c.sender, c.rule, c.score, 90.0, c.cleared, c.marked};
        EXPECT_EQ(MarkReason(facts), c.want) << (c.score ? *c.score : -1);
    }
}

TEST(SpamMarks, TheCountNamesOnlyWhatMarkedSomething)
{
    TMarkCounts counts;
    EXPECT_EQ(MarkedCountText(counts), "");
    counts.Add(TMarkReason::LikelySpam);
    EXPECT_EQ(MarkedCountText(counts), "1 message is marked for deletion: 1 as likely spam");
    counts.Add(TMarkReason::Rule);
    counts.Add(TMarkReason::Rule);
    counts.Add(TMarkReason::LikelySpam);
    counts.Add(TMarkReason::None);
    EXPECT_EQ(MarkedCountText(counts), "4 messages are marked for deletion: 2 by your rules, 2 as likely spam");
    counts.Add(TMarkReason::Blocked);
    counts.Add(TMarkReason::Blocked);
    EXPECT_EQ(MarkedCountText(counts),
              "6 messages are marked for deletion: 2 by your rules, 2 as likely spam, 2 from blocked senders");
}

TEST(SpamMarks, TheSendersAddressIsFoundInTheFormsAFromValueTakes)
{
    const std::pair<const char*, const char*> cases[] = {
        {" \"Ann Example\" <Ann@Example.org>", "Ann@Example.org"},
        {" ann@example.org", "ann@example.org"},
        {" ann@example.org (Ann)", "ann@example.org"},
        {" Ann <ann@example.org", "ann@example.org"},  // no closing bracket
        {" \"a <b@c> d\" <real@example.org>", "real@example.org"},
        {" Undisclosed", ""},
        {"", ""},
    };
    for (const auto& [from, want] : cases) EXPECT_EQ(SenderAddress(from), want) << from;
}
