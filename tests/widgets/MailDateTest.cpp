// Date headers as real mail writes them, and their display in the user's time zone.
#include "widgets/MailDate.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace {

QDateTime Utc(int y, int mo, int d, int h, int mi, int s = 0) { return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC); }

// Central European time with its summer rule, and the C locale's short format, whatever the
// machine running the tests is set to.
class MailDate : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* tz = std::getenv("TZ");
        hadTz_ = tz != nullptr;
        if (tz) savedTz_ = tz;
        ::setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
        ::tzset();
        savedLocale_ = QLocale();
        QLocale::setDefault(QLocale::c());
    }
    void TearDown() override
    {
        if (hadTz_) ::setenv("TZ", savedTz_.c_str(), 1);
        else ::unsetenv("TZ");
        ::tzset();
        QLocale::setDefault(savedLocale_);
    }

private:
    bool hadTz_ = false;
    std::string savedTz_;
    QLocale savedLocale_;
};

}  // namespace

TEST_F(MailDate, RealWorldShapesGiveTheirInstant)
{
    struct Case {
        const char* raw;
        QDateTime utc;
        int offset;
    };
    const Case cases[] = {
        {"Mon, 3 Jun 2024 10:15:00 +0200", Utc(2024, 6, 3, 8, 15), 7200},
        {"  Mon,  03 Jun 2024 10:15 +0200 (CEST)\r\n", Utc(2024, 6, 3, 8, 15), 7200},
        {"3 Jun 2024 10:15:00 -0730", Utc(2024, 6, 3, 17, 45), -27000},
        {"Monday, 3 June 2024 10:15:00 +02:00", Utc(2024, 6, 3, 8, 15), 7200},
        {"Thu, 13 Feb 2025 8:05:09 +0100 (CET (Central European Time))", Utc(2025, 2, 13, 7, 5, 9), 3600},
        {"Mon, 3 Jun 24 10:15:00 GMT", Utc(2024, 6, 3, 10, 15), 0},
        {"Wed, 1 Jan 97 00:00:00 UT", Utc(1997, 1, 1, 0, 0), 0},
        {"1 Jan 102 00:00:00 UTC", Utc(2002, 1, 1, 0, 0), 0},
        {"Tue, 4 Jun 2024 01:00:00 EST", Utc(2024, 6, 4, 6, 0), -18000},
        {"Tue, 4 Jun 2024 01:00:00 edt", Utc(2024, 6, 4, 5, 0), -14400},
        {"Tue, 4 Jun 2024 01:00:00 CST", Utc(2024, 6, 4, 7, 0), -21600},
        {"Tue, 4 Jun 2024 01:00:00 MDT", Utc(2024, 6, 4, 7, 0), -21600},
        {"Tue, 4 Jun 2024 01:00:00 PST", Utc(2024, 6, 4, 9, 0), -28800},
        {"Tue, 4 Jun 2024 01:00:00 PDT", Utc(2024, 6, 4, 8, 0), -25200},
        {"Sun, 1 Dec 2024 12:00:00 Z", Utc(2024, 12, 1, 12, 0), 0},
        {"Sun, 1 Dec 2024 12:00:00 A", Utc(2024, 12, 1, 12, 0), 0},     // military: meaning unknown
        {"Sun, 1 Dec 2024 12:00:00 CEST", Utc(2024, 12, 1, 12, 0), 0},  // so is this
        {"Sun, 1 Dec 2024 12:00:00", Utc(2024, 12, 1, 12, 0), 0},
        {"Sun, 1 Dec 2024 12:00:00 -0000", Utc(2024, 12, 1, 12, 0), 0},
        {"Sat, 31 Dec 2016 23:59:60 +0000", Utc(2016, 12, 31, 23, 59, 59), 0},
        {"Thu, 29 Feb 2024 23:30:00 -0100", Utc(2024, 3, 1, 0, 30), -3600},
        {"Mon Jun  3 10:15:00 2024", Utc(2024, 6, 3, 10, 15), 0},
        {"3-Jun-2024 10:15:00 +0200", Utc(2024, 6, 3, 8, 15), 7200},
        {"Fri, 7 Sept 2029 10:15:00 +1400", Utc(2029, 9, 6, 20, 15), 50400},
    };
    for (const Case& c : cases) {
        std::optional<QDateTime> date = ParseMailDate(c.raw);
        ASSERT_TRUE(date.has_value()) << c.raw;
        EXPECT_EQ(*date, c.utc) << c.raw;
        EXPECT_EQ(date->offsetFromUtc(), c.offset) << c.raw;
    }
}

TEST_F(MailDate, WhatIsNoDateIsRejected)
{
    for (const char* raw : {"", "   ", "tomorrow", "Mon, 31 Jun 2024 10:15:00 +0200", "Mon, 29 Feb 2023 10:15:00 +0200",
                            "3 Jun 2024 24:00:00 +0000", "3 Jun 2024 10:60:00 +0000", "3 Jun 2024 10:15:00 +02",
                            "3 Jun 2024 10:15:00 +0260", "3 Jun 2024 10:15:00 GMT+1", "3 Foo 2024 10:15:00 +0000",
                            "3 Jun 20245 10:15:00 +0000", "123 Jun 2024 10:15 +0000", "3 Jun 2024 10:15:00:00 +0000",
                            "3 Jun 2024 10 +0000", "Mon, 3 Jun 2024", "Mon, 3 Jun 2024 (10:15:00 +0200)"})
        EXPECT_FALSE(ParseMailDate(raw).has_value()) << raw;
}

TEST_F(MailDate, ShownInTheLocalZoneOrAsItStands)
{
    EXPECT_EQ(DisplayDate("Mon, 3 Jun 2024 10:15:00 -0700"), QString("3 Jun 2024 19:15:00"));  // summer time
    EXPECT_EQ(DisplayDate("Mon, 6 Jan 2025 23:30:00 +0000"), QString("7 Jan 2025 00:30:00"));  // winter time
    EXPECT_EQ(DisplayDate("Sun, 27 Oct 2024 00:30:00 GMT"), QString("27 Oct 2024 02:30:00"));
    EXPECT_EQ(DisplayDate("Sun, 27 Oct 2024 01:30:00 GMT"), QString("27 Oct 2024 02:30:00"));  // clocks went back
    EXPECT_EQ(DisplayDate("  not a date\t\r\n"), QString("not a date"));
    EXPECT_EQ(DisplayDate(" 3. M\xe4rz 2024\x07 "), QString::fromUtf8("3. März 2024"));
}
