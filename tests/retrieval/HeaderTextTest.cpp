#include "retrieval/MimeParts.h"
#include "retrieval/vem_util.h"

#include "platform/TextFile.h"

#include <gtest/gtest.h>

TEST(HeaderLines, FindHeaderHeaderValueAndStripHeaders)
{
    StringList lines = {"", "Subject: first", "\tsecond ", "  third", "X-Other: 1", "", "Date: in the body"};
    std::string value;
    ASSERT_TRUE(FindHeader("SUBJECT:", lines, value));
    EXPECT_EQ(value, "Subject: firstsecondthird");
    EXPECT_FALSE(FindHeader("DATE:", lines, value));  // only the header block counts
    EXPECT_EQ(HeaderValue("SUBJECT:", "Subject:  Hello; world "), "Hello");
    EXPECT_EQ(HeaderValue("FILENAME", "Content-Disposition: attachment; filename=\"a.txt\""), "=\"a.txt\"");
    EXPECT_EQ(HeaderValue("NAME", "Content-Type: text/plain"), "");

    // Without a header block, the lines up to the first blank line go all the same.
    StringList noHeader = {"text at once", "", " ", "kept"};
    StripHeaders(noHeader);
    EXPECT_EQ(noHeader, (StringList{"kept"}));
}

TEST(HeaderLines, AddressListsBecomeDisplayNameAndAddress)
{
    EXPECT_EQ(NormalizeAddressList("joe@example.com"), "\"joe@example.com\" <joe@example.com>");
    EXPECT_EQ(NormalizeAddressList("Joe Bloggs <joe@example.com>, ann@example.org (Ann Smith)"),
              "\"Joe Bloggs\" <joe@example.com>, \"Ann Smith\" <ann@example.org>");
    EXPECT_EQ(NormalizeAddressList("=?iso-8859-1?Q?Ren=E9?= <rene@example.com>"), "\"Ren\xE9\" <rene@example.com>");
    EXPECT_EQ(NormalizeAddressList("O'Brien <ob@example.com>"), "\"OBrien\" <ob@example.com>");
    EXPECT_EQ(NormalizeAddressList("joe@example.com (a) (b)"), "\"a\" <joe@example.com>");
    EXPECT_EQ(NormalizeAddressList("joe@example.com (unclosed"), "\"joe@example.com (unclosed\" <joe@example.com (unclosed>");
    EXPECT_EQ(NormalizeAddressList("a \"lone quote <x@y>"), "\"a lone quote\" <x@y>");
}

TEST(HeaderLines, BoundariesQuotedUnquotedCutAndMissing)
{
    EXPECT_EQ(BoundaryOf("Content-Type: multipart/mixed; boundary=\"abc def\"; x=1"), "--abc def");
    EXPECT_EQ(BoundaryOf("Content-Type: multipart/mixed; BOUNDARY = plain;charset=x"), "--plain");
    std::string longOne(80, 'b');
    EXPECT_EQ(BoundaryOf("multipart/mixed; boundary=" + longOne), "--" + longOne.substr(0, 71));
    EXPECT_EQ(BoundaryOf("Content-Type: multipart/mixed"), "");
    EXPECT_EQ(BoundaryOf("Content-Type: multipart/mixed; boundary=\"\""), "");
}

TEST(HeaderLines, PartInfoTypeEncodingAndFileName)
{
    auto info = [](const char* text) {
        StringList lines = platform::SplitLines(text);
        std::vector<std::string_view> views(lines.begin(), lines.end());
        return GetPartInfo(views);
    };
    TPartInfo plain = info("\n");
    EXPECT_EQ(plain.Type + " " + plain.Encoding + " [" + plain.FileName + "]", "TEXT/PLAIN 7BIT []");
    TPartInfo named = info("Content-Type: image/gif;\n name=\"=?utf-8?Q?p=C3=A9?= .gif\"\nContent-Transfer-Encoding: Base64\n\n");
    EXPECT_EQ(named.Type + " " + named.Encoding + " [" + named.FileName + "]", "IMAGE/GIF BASE64 [p\xC3\xA9 .gif]");
    EXPECT_EQ(info("Content-Type: application/pdf\nContent-Disposition: attachment;\n\tfilename='r.pdf'\n\n").FileName, "r.pdf");
    // An empty name= does not hide the disposition's file name.
    EXPECT_EQ(info("Content-Type: text/plain; name=\"\"\nContent-Disposition: inline; filename=x.txt\n\n").FileName, "x.txt");
}
