// The news of one check before display: counts, which messages are named, the rest counted.
#include "session/NewMail.h"

#include <gtest/gtest.h>

TEST(NewMailNews, NamesTheNewestAsReceivedAndCountsTheRest)
{
    const std::vector<TNewMail> four = {{"a", "1"}, {"b", "2"}, {"c", "3"}, {"=?UTF-8?B?w6k=?=", "4"}};
    TNewMailNews news = NewMailNews("work", four);
    EXPECT_EQ(news.Summary, "4 new messages in work");
    ASSERT_EQ(news.Named.size(), 3u);
    EXPECT_EQ(news.Named[0], &four[3]);  // newest first, its texts still as the server sent them
    EXPECT_EQ(news.Named[2], &four[1]);
    EXPECT_EQ(news.More, "and 1 more");
    // A total below what is held cannot shrink the count; none at all names nobody.
    EXPECT_EQ(NewMailNews("home", {four[0]}, 0).Summary, "1 new message in home");
    news = NewMailNews("home", {});
    EXPECT_EQ(news.Summary, "0 new messages in home");
    EXPECT_TRUE(news.Named.empty() && news.More.empty());
}
