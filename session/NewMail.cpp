#include "session/NewMail.h"

#include <algorithm>

std::string NewMessagesCount(int count)
{
    return count == 1 ? std::string("1 new message") : std::to_string(count) + " new messages";
}

TNewMailNews NewMailNews(const std::string& account, const std::vector<TNewMail>& fresh, int total)
{
    TNewMailNews news;
    const int count = std::max(total, int(fresh.size()));
    news.Summary = NewMessagesCount(count) + " in " + account;
    const int held = int(fresh.size());
    for (int i = held - 1; i >= 0 && i >= held - kNamedNewMessages; --i) news.Named.push_back(&fresh[size_t(i)]);
    if (count > kNamedNewMessages) news.More = "and " + std::to_string(count - kNamedNewMessages) + " more";
    return news;
}
