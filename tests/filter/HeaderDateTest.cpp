// Dates in the forms mailers write them, and text that is no date.
#include "filter/HeaderDate.h"

#include <gtest/gtest.h>

namespace {

struct DateCase {
    const char* text;
    int64_t utc;
    int zoneMinutes;
    bool zoneWritten;
};

TEST(HeaderDate, Forms)
{
    const DateCase cases[] = {
        {"Thu, 8 Aug 2002 02:42:40 -0700", 1028799760, -420, true},
        {"8 Aug 2002 02:42:40 -0700", 1028799760, -420, true},
        {"Thursday, 08 August 2002 09:42:40 +0000", 1028799760, 0, true},
        {"Sep, 20 2002 7:09:49 PM -0300", 1032559789, -180, true},  // month first, 12-hour clock
        {"Tue, 29 Feb 00 00:00 EST", 951800400, -300, true},          // two-digit year, no seconds
        {"31 Dec 1999 23:59", 946684740, 0, false},
        {"31 Dec 1999 23:59 XYZ", 946684740, 0, false},               // a zone name not known
        {"Sat, 21 Sep 2002 10:48:42 +0900 (JST)", 1032572922, 540, true},
        {"  Sat,21-Sep-2002 10:48:42 +0900", 1032572922, 540, true},
    };
    for (const DateCase& c : cases) {
        std::optional<THeaderDate> d = ParseHeaderDate(c.text);
        ASSERT_TRUE(d.has_value()) << c.text;
        EXPECT_EQ(d->utcSeconds, c.utc) << c.text;
        EXPECT_EQ(d->zoneMinutes, c.zoneMinutes) << c.text;
        EXPECT_EQ(d->zoneWritten, c.zoneWritten) << c.text;
    }
}

TEST(HeaderDate, NoDate)
{
    for (const char* text : {"", "yesterday", "Thu, 8 Aug 2002", "32 Aug 2002 10:00:00", "8 Foo 2002 10:00:00",
                             "8 Aug 2002 25:00:00", "8 Aug 2002 10:61", "8 Aug 123456 10:00:00"})
        EXPECT_FALSE(ParseHeaderDate(text).has_value()) << text;
}

}  // namespace
