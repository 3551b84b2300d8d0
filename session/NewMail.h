#pragma once
// What the user is told about the new messages of one check, before any of it is decoded for
// display: how many, which of them are named, and how the rest is counted.
#include <string>
#include <vector>

// One new message, by the raw header texts of its summary (encoded words still encoded).
struct TNewMail {
    std::string From;
    std::string Subject;
};

// At most this many messages are named; a line "and N more" stands for the rest.
constexpr int kNamedNewMessages = 3;

struct TNewMailNews {
    std::string Summary;                 // "3 new messages in work"
    std::vector<const TNewMail*> Named;  // the newest ones, newest first (pointing into `fresh`)
    std::string More;                    // "and N more", empty when every message is named
};

// `fresh` in list order, which is the order of arrival on the server. With `total` given, there
// were that many new messages and `fresh` holds the newest of them (a check that found
// thousands keeps only the ones it names).
TNewMailNews NewMailNews(const std::string& account, const std::vector<TNewMail>& fresh, int total = -1);

// "1 new message", "N new messages".
std::string NewMessagesCount(int count);
