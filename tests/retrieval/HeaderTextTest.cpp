#include "retrieval/MimeParts.h"
#include "retrieval/vem_util.h"

#include "platform/TextFile.h"

#include <gtest/gtest.h>

TEST(FindHeader, HeaderBlockOnlyFoldedLinesJoinedWithoutSeparator)
{
    StringList lines = {"", "", "Subject: first", "\tsecond ", "  third", "X-Other: 1", "", "Subject: body"};
    std::string value;
    ASSERT_TRUE(FindHeader("SUBJECT:", lines, value));
    EXPECT_EQ(value, "Subject: firstsecondthird");
    ASSERT_TRUE(FindHeader("X-OTHER:", lines, value));
    EXPECT_EQ(value, "X-Other: 1");
    EXPECT_FALSE(FindHeader("DATE:", lines, value));
    StringList bodyOnly = {"Hello", "", "Date: in the body"};
    EXPECT_FALSE(FindHeader("DATE:", bodyOnly, value));
}

TEST(HeaderValue, AnyWordInTheLineCutAtSemicolon)
{
    EXPECT_EQ(HeaderValue("SUBJECT:", "Subject:  Hello; world "), "Hello");
    EXPECT_EQ(HeaderValue("CONTENT-TYPE:", "content-type: Text/HTML ; charset=x"), "Text/HTML");
    EXPECT_EQ(HeaderValue("FILENAME", "Content-Disposition: attachment; filename=\"a.txt\""), "=\"a.txt\"");
    EXPECT_EQ(HeaderValue("NAME", "Content-Type: text/plain"), "");
}

TEST(StripHeaders, DropsTheHeaderBlockAndBlankLinesAfterIt)
{
    StringList part = {"Content-Type: text/plain", "X: y", "", " ", "body", "", "more"};
    StripHeaders(part);
    EXPECT_EQ(part, (StringList{"body", "", "more"}));
    // Without a header block the lines up to the first blank line go.
    StringList noHeader = {"text at once", "still text", "", "kept"};
    StripHeaders(noHeader);
    EXPECT_EQ(noHeader, (StringList{"kept"}));
    StringList allHeader = {"A: 1", "B: 2"};
    StripHeaders(allHeader);
    EXPECT_TRUE(allHeader.empty());
}

TEST(AddressList, EntriesBecomeDisplayNameAndAddress)
{
    EXPECT_EQ(NormalizeAddressList("joe@example.com"), "\"joe@example.com\" <joe@example.com>");
    EXPECT_EQ(NormalizeAddressList("Joe Bloggs <joe@example.com>, ann@example.org (Ann Smith)"),
              "\"Joe Bloggs\" <joe@example.com>, \"Ann Smith\" <ann@example.org>");
    // A quoted display name goes, so its comma cannot split the list.
    EXPECT_EQ(NormalizeAddressList("\"Bloggs, Joe\" <joe@example.com>, ann@example.org"),
              "\"\" <joe@example.com>, \"ann@example.org\" <ann@example.org>");
    EXPECT_EQ(NormalizeAddressList("=?iso-8859-1?Q?Ren=E9?= <rene@example.com>"), "\"Ren\xE9\" <rene@example.com>");
    EXPECT_EQ(NormalizeAddressList("O'Brien <ob@example.com>"), "\"OBrien\" <ob@example.com>");
    // A smiley puts ")" before "(": nothing in parentheses is removed from the address.
    EXPECT_EQ(NormalizeAddressList("Joe :) (work) <joe@example.com>"), "\"Joe :) (work)\" <joe@example.com>");
    EXPECT_EQ(NormalizeAddressList("joe@example.com (a) (b)"), "\"a\" <joe@example.com>");
    EXPECT_EQ(NormalizeAddressList("joe@example.com (unclosed"), "\"joe@example.com (unclosed\" <joe@example.com (unclosed>");
    EXPECT_EQ(NormalizeAddressList("a \"lone quote <x@y>"), "\"a lone quote\" <x@y>");
}

TEST(Unquote, OneQuoteEachSide)
{
    EXPECT_EQ(Unquote("\"a.txt\""), "a.txt");
    EXPECT_EQ(Unquote("'a.txt'"), "a.txt");
    EXPECT_EQ(Unquote("\"\"a\"\""), "\"a\"");
    EXPECT_EQ(Unquote("\""), "");
    EXPECT_EQ(Unquote("plain"), "plain");
}

TEST(BoundaryOf, QuotedUnquotedCutAndMissing)
{
    EXPECT_EQ(BoundaryOf("Content-Type: multipart/mixed; boundary=\"abc def\"; x=1"), "--abc def");
    EXPECT_EQ(BoundaryOf("Content-Type: multipart/mixed; BOUNDARY = plain;charset=x"), "--plain");
    EXPECT_EQ(BoundaryOf("Content-Type: multipart/mixed;boundary=\"----- =_aa0\""), "------- =_aa0");
    std::string longOne(80, 'b');
    EXPECT_EQ(BoundaryOf("multipart/mixed; boundary=" + longOne), "--" + longOne.substr(0, 71));
    EXPECT_EQ(BoundaryOf("Content-Type: multipart/mixed"), "");
    EXPECT_EQ(BoundaryOf("Content-Type: multipart/mixed; boundary=\"\""), "");
}

TEST(FileNames, FolderExtensionAndChange)
{
    EXPECT_EQ(ExtractFileName("C:\\a\\b.txt"), "b.txt");
    EXPECT_EQ(ExtractFileName("/tmp/x/y.z"), "y.z");
    EXPECT_EQ(ExtractFileExt("a.b.TXT"), ".TXT");
    EXPECT_EQ(ExtractFileExt("a.d\\noext"), "");
    EXPECT_EQ(ChangeFileExt("Re: news. today", ".html"), "Re: news.html");
    EXPECT_EQ(ChangeFileExt("Hello", ".gif"), "Hello.gif");
    EXPECT_EQ(ChangeFileExt("v1.0: notes", ".jpeg"), "v1.0: notes.jpeg");
}

TEST(PartInfo, TypeEncodingAndFileName)
{
    auto info = [](const char* text) {
        StringList lines = platform::SplitLines(text);
        std::vector<std::string_view> views(lines.begin(), lines.end());
        return GetPartInfo(views);
    };
    TPartInfo plain = info("\n");
    EXPECT_EQ(plain.Type, "TEXT/PLAIN");
    EXPECT_EQ(plain.Encoding, "7BIT");
    EXPECT_EQ(plain.FileName, "");

    TPartInfo named = info("Content-Type: image/gif;\n name=\"=?utf-8?Q?p=C3=A9?= .gif\"\nContent-Transfer-Encoding: Base64\n\nR0lG\n");
    EXPECT_EQ(named.Type, "IMAGE/GIF");
    EXPECT_EQ(named.Encoding, "BASE64");
    EXPECT_EQ(named.FileName, "p\xC3\xA9 .gif");

    TPartInfo disposed = info("Content-Type: application/pdf\nContent-Disposition: attachment;\n\tfilename='r.pdf'\n\n");
    EXPECT_EQ(disposed.FileName, "r.pdf");
    // An empty name= does not hide the disposition's file name.
    TPartInfo emptyName = info("Content-Type: text/plain; name=\"\"\nContent-Disposition: inline; filename=x.txt\n\n");
    EXPECT_EQ(emptyName.FileName, "x.txt");
}
