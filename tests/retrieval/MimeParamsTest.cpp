// Parameters of Content-Type values as mailers write them.
#include "retrieval/MimeParams.h"

#include <gtest/gtest.h>

TEST(MimeParams, CharsetIsFoundInAnyCaseQuotedOrNot)
{
    EXPECT_EQ(CharsetOf("text/plain; charset=ISO-8859-15"), "ISO-8859-15");
    EXPECT_EQ(CharsetOf("text/plain; CHARSET=\"utf-8\"; format=flowed"), "utf-8");
    EXPECT_EQ(CharsetOf("text/plain;charset = koi8-r;format=flowed"), "koi8-r");
    EXPECT_EQ(CharsetOf("text/plain; charset=us-ascii (Plain text)"), "us-ascii");
    EXPECT_EQ(CharsetOf("text/plain;\r\n\tcharset=\"windows-1252\""), "windows-1252");
    EXPECT_EQ(CharsetOf("Content-Type: text/plain; charset=utf-8"), "utf-8");  // the whole header line
    EXPECT_EQ(CharsetOf("text/plain; charset=\"a\\\"b\""), "a\"b");
    EXPECT_EQ(CharsetOf("text/plain; charset=\"utf-8"), "utf-8");  // no closing quote
}

TEST(MimeParams, OnlyTheParameterItselfCounts)
{
    EXPECT_EQ(CharsetOf("text/plain; name=\"x; charset=bad\"; charset=big5"), "big5");
    EXPECT_EQ(CharsetOf("text/plain; xcharset=bad"), "");
    EXPECT_EQ(CharsetOf("text/plain; charset"), "");
    EXPECT_EQ(CharsetOf("text/plain; charset="), "");
    EXPECT_EQ(CharsetOf("charset=utf-8"), "");  // the type, not a parameter
    EXPECT_EQ(CharsetOf("text/plain"), "");
    EXPECT_EQ(CharsetOf(""), "");
    EXPECT_EQ(ParameterOf("multipart/mixed; charset=utf-8; Boundary=\"=_a;b\"", "boundary"), "=_a;b");
}
