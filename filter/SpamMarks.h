#pragma once
// What marks a listed message for deletion, and how the question after a check counts them.
// Friends are never marked, blocked senders always; then the user's rules, then the filter's
// score against the user's threshold. A mark the user took away stays away.
#include "filter/SpamFilter.h"

#include <optional>
#include <string_view>
#include <string>

enum class TMarkReason { None, Rule, LikelySpam, Blocked };

struct TMarkFacts {
    std::optional<TSenderList> sender;  // the From address on a list
    bool ruleMatched = false;
    std::optional<double> score;  // none when the filter is off or has not learnt both kinds
    double threshold = 90.0;
    bool userCleared = false;  // the user unmarked the row ("Not spam")
    bool userMarked = false;   // the user marked it ("Mark as spam")
};

TMarkReason MarkReason(const TMarkFacts& facts);

struct TMarkCounts {
    int byRules = 0, asSpam = 0, blocked = 0;
    int Total() const { return byRules + asSpam + blocked; }
    void Add(TMarkReason reason);
};

// "5 messages are marked for deletion: 2 by your rules, 3 as likely spam" (parts that count
// none are left out; empty when nothing is marked).
std::string MarkedCountText(const TMarkCounts& counts);

// The address of a From value: the part in angle brackets, else the word with an '@'; empty
// when there is none.
std::string SenderAddress(std::string_view from);

// The threshold a user may set, in score points, and the one a new user starts with.
inline constexpr int kMinSpamThreshold = 50, kMaxSpamThreshold = 100;
