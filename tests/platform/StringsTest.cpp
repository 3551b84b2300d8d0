#include "platform/Exception.h"
#include "platform/MulDiv.h"
#include "platform/Strings.h"

#include <gtest/gtest.h>

TEST(Strings, UpperCaseAndTrimTouchOnlyTheirCharacters)
{
    EXPECT_EQ(UpperCase("abz{\xe9}AZ"), "ABZ{\xe9}AZ");
    EXPECT_TRUE(SameText("Software\\X", "software\\x"));
    EXPECT_FALSE(SameText("\xe9", "\xc9"));
    EXPECT_EQ(Trim(std::string("\x01\t x y \x20\x1f")), "x y");
    EXPECT_EQ(Trim(" \x7f "), "\x7f");
    EXPECT_EQ(TrimLeft("  a "), "a ");
    EXPECT_EQ(TrimRight("  a "), "  a");
}

TEST(Strings, StrToIntAcceptsDecimalWithSignOnly)
{
    EXPECT_EQ(StrToInt("110"), 110);
    EXPECT_EQ(StrToInt("-42"), -42);
    EXPECT_EQ(StrToInt("+7"), 7);
    EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
    EXPECT_EQ(StrToInt("2147483647"), INT32_MAX);
    for (const char* bad : {"", "-", "12x", " 1", "1 ", "2147483648", "0x10", "99999999999999999999"}) {
        try {
            StrToInt(bad);
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const EConvertError& e) {
            EXPECT_EQ(std::string(e.what()), "'" + std::string(bad) + "' is not a valid integer value");
        }
    }
    EXPECT_EQ(StrToIntDef("x", 9), 9);
}

TEST(MulDiv, RoundsHalfAwayFromZero)
{
    EXPECT_EQ(platform::MulDiv(-255, 129, 128), -257);  // -256.99
    EXPECT_EQ(platform::MulDiv(-255, 2, 128), -4);      // -3.98
    EXPECT_EQ(platform::MulDiv(1, 1, 2), 1);
    EXPECT_EQ(platform::MulDiv(-1, 1, 2), -1);
    EXPECT_EQ(platform::MulDiv(3, 1, 4), 1);
    EXPECT_EQ(platform::MulDiv(5, 5, 0), -1);
}
