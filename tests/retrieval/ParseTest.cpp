#include "retrieval/MimeParts.h"
#include "retrieval/VemMIME.h"
#include "retrieval/VemMsg.h"

#include "platform/Folders.h"
#include "platform/MessagePump.h"
#include "platform/TextFile.h"
#include "TempHome.h"

#include <gtest/gtest.h>

namespace {

class Parse : public ::testing::Test {
protected:
    TempHome home;
    TVemMsg msg;

    void Feed(const std::string& text) { msg.SetRawMail(platform::SplitLines(text)); }
    std::string Body(int i) { return msg.AttachedFiles.Items(i).Body()->Bytes(); }
    std::string Name(int i) { return msg.AttachedFiles.Items(i).FileName; }
    size_t WorkFilesLeft() { return platform::ListFolder(home.Temp()).size(); }
};

std::string Multipart(const std::string& boundary, const std::vector<std::string>& parts)
{
    std::string text = "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\n\n";
    for (const auto& p : parts) text += "--" + boundary + "\n" + p;
    return text + "--" + boundary + "--\n";
}

}  // namespace

TEST_F(Parse, HeaderFieldsAndTheirTreatment)
{
    Feed("From: =?iso-8859-1?Q?Ren=E9?= <rene@example.com>\n"
         "Sender: List <list@example.com>\n"
         "Reply-To: \"Help, desk\" <help@example.com>\n"
         "To: \"Bloggs, Joe\" <joe@example.com>, ann@example.org\n"
         "cc: Joe :) (work) <joe@example.com>\n"
         "Message-ID: <id1@example.com>\n"
         "In-Reply-To: <id0@example.com>\n"
         "Return-Path: <bounce@example.com>\n"
         "Date: Tue, 8 Dec 2026 10:00:00 +0000\n"
         "Subject: Hello; world\n"
         "Content-Type: Text/Plain; charset=us-ascii\n"
         "Content-Transfer-Encoding: quoted-printable\n"
         "\n"
         "caf=E9\n");
    EXPECT_EQ(msg.From, "Ren\xE9 <rene@example.com>");
    EXPECT_EQ(msg.Sender, "\"List\" <list@example.com>");
    EXPECT_EQ(msg.ReplyTo, "\"\" <help@example.com>");
    EXPECT_EQ(msg.SendTo, "\"\" <joe@example.com>, \"ann@example.org\" <ann@example.org>");
    EXPECT_EQ(msg.CC, "\"Joe :) (work)\" <joe@example.com>");
    EXPECT_EQ(msg.MessageId, "<id1@example.com>");
    EXPECT_EQ(msg.InReplyTo, "<id0@example.com>");
    EXPECT_EQ(msg.ReturnPath, "<bounce@example.com>");
    EXPECT_EQ(msg.Date, "Tue, 8 Dec 2026 10:00:00 +0000");
    EXPECT_EQ(msg.Subject, "Hello");
    EXPECT_EQ(msg.ContentType, "TEXT/PLAIN");
    EXPECT_EQ(msg.ContentTransferEncoding, "QUOTED-PRINTABLE");
    EXPECT_EQ(msg.BCC, "");
    EXPECT_EQ(msg.Headers.size(), 12u);
    EXPECT_EQ(msg.Text, (StringList{"caf\xE9"}));
    EXPECT_TRUE(msg.RawMail.empty());
}

TEST_F(Parse, FoldedSubjectIsJoinedWithoutBlank)
{
    Feed("Subject: Part one\r\n   and two\r\n\r\nx\r\n");
    EXPECT_EQ(msg.Subject, "Part oneand two");
    EXPECT_EQ(msg.Headers, (StringList{"Subject: Part one", "   and two"}));
}

TEST_F(Parse, MissingHeadersGiveDefaultsOrNothing)
{
    Feed("From nobody Mon Dec  7 10:00:00 2026\nX-A: b\n\nbody line\n");
    EXPECT_EQ(msg.From, "nobody Mon Dec  7 10:00:00 2026");
    EXPECT_EQ(msg.ContentType, "TEXT/PLAIN");
    EXPECT_EQ(msg.ContentTransferEncoding, "7BIT");
    EXPECT_EQ(msg.Text, (StringList{"body line"}));

    TVemMsg leadingBlank;
    leadingBlank.SetRawMail({"", "Subject: x", "", "body"});
    EXPECT_EQ(leadingBlank.ContentType, "");  // no header block: not even the defaults
    EXPECT_EQ(leadingBlank.Subject, "");
    EXPECT_EQ(leadingBlank.Text, (StringList{"Subject: x", "", "body"}));

    TVemMsg allHeaders;
    allHeaders.SetRawMail({"Subject: a", "X: b"});
    EXPECT_EQ(allHeaders.Subject, "a");
    EXPECT_TRUE(allHeaders.Text.empty());

    TVemMsg nothing;
    nothing.SetRawMail({});
    EXPECT_EQ(nothing.ContentType, "");
    EXPECT_TRUE(nothing.Headers.empty());
}

TEST_F(Parse, RawMailKeptOnRequestAndASecondParseAppends)
{
    StringList lines = {"Subject: s", "", "one"};
    msg.ClearRawMailAfterParse = false;
    msg.SetRawMail(lines);
    EXPECT_EQ(msg.RawMail, lines);
    msg.SetRawMail(lines);
    EXPECT_EQ(msg.Text, (StringList{"one", "one"}));
    EXPECT_EQ(msg.Headers.size(), 2u);
}

TEST_F(Parse, PlainAndHtmlAlternativesGiveTextAndAnHtmlAttachment)
{
    Feed("Subject: News. Today\n"
         "Content-Type: multipart/alternative; boundary=\"b1\"\n"
         "\n"
         "This is a multi-part message.\n"
         "--b1\n"
         "Content-Type: text/plain; charset=us-ascii\n"
         "\n"
         "plain line\n"
         "--b1\n"
         "Content-Type: text/html\n"
         "Content-Transfer-Encoding: quoted-printable\n"
         "\n"
         "<p>caf=E9</p>=\n"
         "<b>x</b>\n"
         "--b1--\n"
         "epilogue\n");
    EXPECT_EQ(msg.Text, (StringList{"plain line"}));
    ASSERT_EQ(msg.AttachedFiles.Count(), 1);
    EXPECT_EQ(Name(0), "News.html");
    EXPECT_EQ(msg.AttachedFiles.Items(0).ContentType, "text/html");
    EXPECT_EQ(Body(0), "<p>caf\xE9</p><b>x</b>");
}

TEST_F(Parse, ALoneHtmlBodyBecomesAnAttachmentNamedAfterTheSubject)
{
    Feed("Subject: Hi there\nContent-Type: text/html\n\n<p>x</p>\n<p>y</p>\n");
    EXPECT_TRUE(msg.Text.empty());
    ASSERT_EQ(msg.AttachedFiles.Count(), 1);
    EXPECT_EQ(Name(0), "Hi there.html");
    EXPECT_EQ(Body(0), "<p>x</p>\r\n<p>y</p>");
}

TEST_F(Parse, UnnamedNonTextPartsGoToTextUnlessEncoded)
{
    Feed("Subject: Data\n" +
         Multipart("zz", {"Content-Type: application/octet-stream\n\nraw line\n",
                          "Content-Type: application/octet-stream\nContent-Transfer-Encoding: base64\n\nQUJD\n",
                          "Content-Type: image/gif\nContent-Transfer-Encoding: BASE64\n\nR0lG\n"}));
    EXPECT_EQ(msg.Text, (StringList{"raw line"}));
    ASSERT_EQ(msg.AttachedFiles.Count(), 2);
    EXPECT_EQ(Name(0), "Data");
    EXPECT_EQ(msg.AttachedFiles.Items(0).ContentType, "application/octet-stream");
    EXPECT_EQ(Body(0), "ABC");
    EXPECT_EQ(Name(1), "Data.gif");
    EXPECT_EQ(Body(1), "GIF");
}

TEST_F(Parse, NestedMultipartsAreFlattenedInOrder)
{
    Feed("Subject: n\n" +
         Multipart("outer", {"Content-Type: text/plain\n\none\n",
                             Multipart("inner", {"\ntwo\n", "Content-Type: text/plain\n\nthree\n"}),
                             "\nfour\n"}));
    EXPECT_EQ(msg.Text, (StringList{"one", "two", "three", "four"}));
}

TEST_F(Parse, UuencodedBlockInTextBecomesAnAttachmentAndEndStays)
{
    Feed("Subject: uu\n\nHere it comes:\nbegin 644 cat.txt\n#0V%T\n\n`\nend\nAfter.\n");
    EXPECT_EQ(msg.Text, (StringList{"Here it comes:", "end", "After."}));
    ASSERT_EQ(msg.AttachedFiles.Count(), 1);
    EXPECT_EQ(Name(0), "cat.txt");
    EXPECT_EQ(Body(0), "Cat");
    EXPECT_EQ(WorkFilesLeft(), 0u);

    TVemMsg mode777;
    mode777.SetRawMail({"Subject: uu", "", "begin 777 cat.txt", "#0V%T", "end"});
    EXPECT_EQ(mode777.Text, (StringList{"begin 777 cat.txt", "#0V%T", "end"}));
    EXPECT_EQ(mode777.AttachedFiles.Count(), 0);
}

TEST_F(Parse, UuencodedBlocksWithoutEndOrNotUuencodedAtAll)
{
    // Without an "end" line the block ends at the last line.
    Feed("Subject: s\n\nbegin 600 a.bin\n#0V%T\n");
    EXPECT_TRUE(msg.Text.empty());
    ASSERT_EQ(msg.AttachedFiles.Count(), 1);
    EXPECT_EQ(Body(0), "Cat");

    // A line that only looks like a begin line keeps its text; a real block after it is found.
    TVemMsg prose;
    prose.SetRawMail({"Subject: s", "", "begin 100 ways to say hello", "with lower case", "end",
                      "BEGIN 644 b.bin", "#0V%T", "end"});
    EXPECT_EQ(prose.Text, (StringList{"begin 100 ways to say hello", "with lower case", "end", "end"}));
    ASSERT_EQ(prose.AttachedFiles.Count(), 1);
    EXPECT_EQ(prose.AttachedFiles.Items(0).FileName, "b.bin");
    EXPECT_EQ(WorkFilesLeft(), 0u);
}

TEST_F(Parse, TextAroundAUuencodedBlockIsStillDecoded)
{
    Feed("Subject: s\nContent-Transfer-Encoding: quoted-printable\n\ncaf=E9\nbegin 644 c.txt\n#0V%T\nend\nsoft=\nbreak\n");
    EXPECT_EQ(msg.Text, (StringList{"caf\xE9", "end", "softbreak"}));
    ASSERT_EQ(msg.AttachedFiles.Count(), 1);
    EXPECT_EQ(Body(0), "Cat");
}

TEST_F(Parse, DeclaredUuencodedPartsDecodeOrRaiseOops)
{
    std::string good = "Content-Type: application/octet-stream; name=x.bin\nContent-Transfer-Encoding: x-uuencode\n\n"
                       "begin 644 x.bin\n#0V%T\n`\nend\n";
    Feed("Subject: s\n" + Multipart("zz", {good}));
    ASSERT_EQ(msg.AttachedFiles.Count(), 1);
    EXPECT_EQ(Body(0), "Cat");

    TVemMsg bad;
    std::string broken = "Content-Type: application/octet-stream\nContent-Transfer-Encoding: x-uuencode\n\n"
                         "begin 644 x.bin\n#0v%T\nend\n";
    try {
        bad.SetRawMail(platform::SplitLines("Subject: s\n" + Multipart("zz", {broken})));
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Oops...");
    }
    EXPECT_EQ(WorkFilesLeft(), 0u);
}

TEST_F(Parse, FileNamesLoseCharactersThatCannotBeSaved)
{
    Feed("Subject: s\n" +
         Multipart("zz", {"Content-Type: application/octet-stream; name=\"a:b?c*d|e.txt\"\n\nx\n",
                          "Content-Type: application/octet-stream; name=\"=?utf-8?Q?x=0Ay=00z.txt?=\"\n\ny\n",
                          "Content-Type: application/octet-stream\nContent-Disposition: attachment; filename=\"..\\..\\evil/x.bat\"\n\nz\n"}));
    ASSERT_EQ(msg.AttachedFiles.Count(), 3);
    EXPECT_EQ(Name(0), "abcde.txt");
    EXPECT_EQ(Name(1), "xyz.txt");
    EXPECT_EQ(Name(2), "....evilx.bat");
    EXPECT_EQ(Body(0), "x");
}

TEST_F(Parse, EncodedTextPartsAndAttachments)
{
    std::string text64 = EncodeBase64Text("line1\r\nline2\nline3\rline4");
    Feed("Subject: s\n" +
         Multipart("zz", {"Content-Transfer-Encoding: base64\n\n" + text64.substr(0, 10) + "\n" + text64.substr(10) + "\n",
                          "Content-Type: text/plain; name=a.txt\nContent-Transfer-Encoding: quoted-printable\n\na=\nb\nc=3D\n",
                          "Content-Type: text/plain; name=b.txt\n\nx\ny\n"}));
    EXPECT_EQ(msg.Text, (StringList{"line1", "line2", "line3", "line4"}));
    ASSERT_EQ(msg.AttachedFiles.Count(), 2);
    EXPECT_EQ(Body(0), "ab\r\nc=");
    EXPECT_EQ(Body(1), "x\r\ny");
}

TEST_F(Parse, MultipartDelimiterEdges)
{
    // A delimiter on the last line, and delimiters with trailing blanks.
    Feed("Subject: s\nContent-Type: multipart/mixed; boundary=zz\n\n--zz  \nContent-Type: text/plain\n\nfirst\n--zz\t\n\nlast\n--zz\n");
    EXPECT_EQ(msg.Text, (StringList{"first", "last"}));

    // A boundary that never appears, or none at all: the body is kept as text.
    TVemMsg lost;
    lost.SetRawMail(platform::SplitLines("Content-Type: multipart/mixed; boundary=nope\n\nJust text\n--other\nmore\n"));
    EXPECT_EQ(lost.Text, (StringList{"Just text", "--other", "more"}));
    TVemMsg noBoundary;
    noBoundary.SetRawMail(platform::SplitLines("Content-Type: multipart/mixed\n\n--\nbody\n"));
    EXPECT_EQ(noBoundary.Text, (StringList{"--", "body"}));

    // A name= that mentions "multipart" does not make a part multipart.
    TVemMsg named;
    named.SetRawMail(platform::SplitLines("Subject: s\n" +
        Multipart("zz", {"Content-Type: application/octet-stream; name=multipart.bin\n\ndata\n"})));
    ASSERT_EQ(named.AttachedFiles.Count(), 1);
    EXPECT_EQ(named.AttachedFiles.Items(0).Body()->Bytes(), "data");
}

TEST_F(Parse, NestingBelowTheLimitIsKeptWholeAsAnEnclosedMessage)
{
    const int levels = 10000;
    std::string multipart = "Subject: Deep. Mail\n";
    for (int i = 0; i < levels; ++i)
        multipart += "Content-Type: multipart/mixed; boundary=\"b" + std::to_string(i) + "\"\n\n--b" + std::to_string(i) +
                     "\nContent-Type: text/plain\n\nlevel " + std::to_string(i) + "\n--b" + std::to_string(i) + "\n";
    multipart += "Content-Type: text/plain\n\ninnermost\n";
    for (int i = levels; i-- > 0;) multipart += "--b" + std::to_string(i) + "--\n";
    Feed(multipart);
    ASSERT_EQ(msg.Text.size(), size_t(kMaxMimeNesting));
    EXPECT_EQ(msg.Text.front(), "level 0");
    EXPECT_EQ(msg.Text.back(), "level " + std::to_string(kMaxMimeNesting - 1));
    ASSERT_EQ(msg.AttachedFiles.Count(), 1);
    EXPECT_EQ(Name(0), "Deep.eml");
    EXPECT_EQ(msg.AttachedFiles.Items(0).ContentType, "message/rfc822");
    std::string kept = Body(0);
    EXPECT_EQ(kept.find("Content-Type: multipart/mixed; boundary=\"b" + std::to_string(kMaxMimeNesting) + "\""), 0u);
    EXPECT_NE(kept.find("level " + std::to_string(levels - 1) + "\r\n"), std::string::npos);
    EXPECT_NE(kept.find("innermost"), std::string::npos);

    TVemMsg forwarded;
    std::string chain = "Subject: Fwd\n";
    for (int i = 0; i < levels; ++i) chain += "Content-Type: message/rfc822\n\nSubject: inner\n";
    chain += "\nthe original text\n";
    forwarded.SetRawMail(platform::SplitLines(chain));
    EXPECT_TRUE(forwarded.Text.empty());
    ASSERT_EQ(forwarded.AttachedFiles.Count(), 1);
    EXPECT_EQ(forwarded.AttachedFiles.Items(0).FileName, "Fwd.eml");
    EXPECT_NE(forwarded.AttachedFiles.Items(0).Body()->Bytes().find("the original text"), std::string::npos);
}

TEST_F(Parse, EnclosedMessagesAreParsedAsParts)
{
    Feed("Subject: Fwd\n" +
         Multipart("zz", {"\nsee below\n",
                          "Content-Type: message/rfc822\n\nSubject: inner\nContent-Type: text/html\n\n<p>in</p>\n"}));
    EXPECT_EQ(msg.Text, (StringList{"see below"}));
    ASSERT_EQ(msg.AttachedFiles.Count(), 1);
    EXPECT_EQ(Name(0), "Fwd.html");  // named after the outer subject
}

TEST_F(Parse, Base64AttachmentPumpsOncePerLineAndLeavesNoWorkFile)
{
    int pumps = 0;
    platform::MessagePump saved = platform::SetMessagePump([&] { ++pumps; });
    Feed("Subject: s\n" +
         Multipart("zz", {"Content-Type: image/png; name=p.png\nContent-Transfer-Encoding: base64\n\nQUJD\nREVG\nR0hJ\n\n"}));
    platform::SetMessagePump(saved);
    EXPECT_EQ(pumps, 4);  // three lines and the blank one
    ASSERT_EQ(msg.AttachedFiles.Count(), 1);
    EXPECT_EQ(Body(0), "ABCDEFGHI");
    EXPECT_EQ(msg.AttachedFiles.Items(0).ContentType, "image/png");
    EXPECT_TRUE(msg.AttachedFiles.Items(0).EncodedLines.empty());
    EXPECT_EQ(WorkFilesLeft(), 0u);
}

TEST_F(Parse, AttachmentsOfOneMessageNeverShareBytes)
{
    // One work file serves every attachment of a parse: a short one after a long one must not
    // pick up the longer one's tail.
    Feed("Subject: s\n" +
         Multipart("zz", {"Content-Type: image/png; name=long.png\nContent-Transfer-Encoding: base64\n\n" +
                              EncodeBase64Text(std::string(5000, 'L')) + "\n",
                          "Content-Type: image/png; name=short.png\nContent-Transfer-Encoding: base64\n\nU1NT\n",
                          "Content-Type: application/octet-stream; name=u.bin\nContent-Transfer-Encoding: x-uuencode\n\n"
                          "begin 644 u.bin\n#0V%T\nend\n",
                          "Content-Type: image/png; name=empty.png\nContent-Transfer-Encoding: base64\n\n\n"}));
    ASSERT_EQ(msg.AttachedFiles.Count(), 4);
    EXPECT_EQ(Body(0), std::string(5000, 'L'));
    EXPECT_EQ(Body(1), "SSS");
    EXPECT_EQ(Body(2), "Cat");
    EXPECT_EQ(Body(3), "");
    EXPECT_EQ(WorkFilesLeft(), 0u);
}
