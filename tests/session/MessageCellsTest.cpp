// The texts of a message row taken from its LIST size and its header.
#include "session/MessageCells.h"

#include <gtest/gtest.h>

TEST(MessageSize, BelowOneKilobyteShowsTheBytesAndLargerSizesTwoDecimals)
{
    // Small messages read apart instead of all "1 KB".
    EXPECT_EQ(FormatMessageSize(0, '.'), "         0 B");
    EXPECT_EQ(FormatMessageSize(132, '.'), "       132 B");
    EXPECT_EQ(FormatMessageSize(789, '.'), "       789 B");
    EXPECT_EQ(FormatMessageSize(1023, '.'), "      1023 B");
    EXPECT_EQ(FormatMessageSize(1024, '.'), "    1.00 KB");
    EXPECT_EQ(FormatMessageSize(1025, '.'), "    1.00 KB");
    EXPECT_EQ(FormatMessageSize(2048, '.'), "    2.00 KB");
    EXPECT_EQ(FormatMessageSize(123456, '.'), "  120.56 KB");
    EXPECT_EQ(FormatMessageSize(123456, ','), "  120,56 KB");
    EXPECT_EQ(FormatMessageSize(500LL * 1024 * 1024, '.'), "512000.00 KB");
}

TEST(MessageDate, TheFirstLineBeginningWithDateCountsWithItsCase)
{
    EXPECT_EQ(DateOfHeader({"X-Date: a", "Delivery-Date: b", "date: c", "Date: d", "Date: e"}), " d");
    EXPECT_EQ(DateOfHeader({"Subject: x", "", "."}), "");
}
