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
    std::vector<std::unique_ptr<TVemMsg>> kept;

    TVemMsg& Of(const std::string& text)
    {
        kept.push_back(std::make_unique<TVemMsg>());
        kept.back()->SetRawMail(platform::SplitLines(text));
        return *kept.back();
    }
    static std::string Body(TVemMsg& m, int i) { return m.AttachedFiles.Items(i).Body()->Bytes(); }
    static std::string Name(TVemMsg& m, int i) { return m.AttachedFiles.Items(i).FileName; }
    size_t WorkFilesLeft() { return platform::ListFolder(home.Temp()).size(); }
};

std::string Multipart(const std::string& boundary, const std::vector<std::string>& parts)
{
    std::string text = "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\n\nPreamble.\n";
    for (const auto& p : parts) text += "--" + boundary + "\n" + p;
    return text + "--" + boundary + "--\nEpilogue.\n";
}

}  // namespace

TEST_F(Parse, HeaderFieldsAndTheirTreatment)
{
    TVemMsg& m = Of("From: =?iso-8859-1?Q?Ren=E9?= <rene@example.com>\n"
                    "Sender: List <list@example.com>\n"
                    "To: \"Bloggs, Joe\" <joe@example.com>, ann@example.org\n"
                    "cc: Joe :) (work) <joe@example.com>\n"
                    "Message-ID: <id1@example.com>\n"
                    "Date: Tue, 8 Dec 2026 10:00:00 +0000\n"
                    "Subject: Part one\n  and two; cut here\n"
                    "Content-Type: Text/Plain; charset=us-ascii\n"
                    "\n"
                    "body\n");
    EXPECT_EQ(m.From, "Ren\xE9 <rene@example.com>");
    EXPECT_EQ(m.Sender, "\"List\" <list@example.com>");
    // The quoted display name with its comma goes; the list keeps two entries.
    EXPECT_EQ(m.SendTo, "\"\" <joe@example.com>, \"ann@example.org\" <ann@example.org>");
    // A ")" before the first "(" stops the removal of comments.
    EXPECT_EQ(m.CC, "\"Joe :) (work)\" <joe@example.com>");
    EXPECT_EQ(m.MessageId + "|" + m.Date, "<id1@example.com>|Tue, 8 Dec 2026 10:00:00 +0000");
    EXPECT_EQ(m.Subject, "Part oneand two");  // folded pieces joined without a blank, cut at ";"
    EXPECT_EQ(m.ContentType + "|" + m.ContentTransferEncoding, "TEXT/PLAIN|7BIT");
    EXPECT_EQ(m.Headers.size(), 9u);
    EXPECT_EQ(m.Text, (StringList{"body"}));
    EXPECT_TRUE(m.RawMail.empty());
}

TEST_F(Parse, MissingHeadersGiveDefaultsOrNothing)
{
    TVemMsg& mbox = Of("From nobody Mon Dec  7 10:00:00 2026\nX-A: b\n\nbody line\n");
    EXPECT_EQ(mbox.From, "nobody Mon Dec  7 10:00:00 2026");  // the first line stands in for From
    EXPECT_EQ(mbox.ContentType, "TEXT/PLAIN");
    EXPECT_EQ(mbox.Text, (StringList{"body line"}));

    TVemMsg& noHeaders = Of("\nSubject: x\n\nbody\n");
    EXPECT_EQ(noHeaders.ContentType, "");  // not even the defaults
    EXPECT_EQ(noHeaders.Text, (StringList{"Subject: x", "", "body"}));
    EXPECT_TRUE(Of("Subject: a\nX: b\n").Text.empty());  // all headers

    TVemMsg twice;
    twice.ClearRawMailAfterParse = false;
    StringList lines = {"Subject: s", "", "one"};
    twice.SetRawMail(lines);
    twice.SetRawMail(lines);
    EXPECT_EQ(twice.RawMail, lines);
    EXPECT_EQ(twice.Text, (StringList{"one", "one"}));
}

TEST_F(Parse, HtmlBodiesBecomeAttachmentsNamedAfterTheSubject)
{
    TVemMsg& alternative = Of("Subject: News. Today\n" +
                              Multipart("b1", {"Content-Type: text/plain\n\nplain line\n",
                                               "Content-Type: text/html\nContent-Transfer-Encoding: quoted-printable\n\n"
                                               "<p>caf=E9</p>=\n<b>x</b>\n"}));
    EXPECT_EQ(alternative.Text, (StringList{"plain line"}));
    ASSERT_EQ(alternative.AttachedFiles.Count(), 1);
    EXPECT_EQ(Name(alternative, 0) + " " + alternative.AttachedFiles.Items(0).ContentType, "News.html text/html");
    EXPECT_EQ(Body(alternative, 0), "<p>caf\xE9</p><b>x</b>");

    TVemMsg& lone = Of("Subject: Hi there\nContent-Type: text/html\n\n<p>x</p>\n<p>y</p>\n");
    EXPECT_TRUE(lone.Text.empty());
    ASSERT_EQ(lone.AttachedFiles.Count(), 1);
    EXPECT_EQ(Name(lone, 0), "Hi there.html");
    EXPECT_EQ(Body(lone, 0), "<p>x</p>\r\n<p>y</p>");
}

TEST_F(Parse, PartsByTypeEncodingAndName)
{
    TVemMsg& m = Of("Subject: Data\n" +
                    Multipart("zz", {"Content-Type: application/octet-stream\n\nraw line\n",
                                     "Content-Type: application/octet-stream\nContent-Transfer-Encoding: base64\n\nQUJD\n",
                                     "Content-Type: image/gif\nContent-Transfer-Encoding: BASE64\n\nR0lG\n",
                                     "Content-Transfer-Encoding: base64\n\n" + EncodeBase64Text("l1\r\nl2\nl3\rl4") + "\n",
                                     "Content-Type: text/plain; name=a.txt\nContent-Transfer-Encoding: quoted-printable\n\na=\nb\nc=3D\n",
                                     "Content-Type: application/octet-stream; name=\"a:b?c*d|e.txt\"\n\nx\ny\n",
                                     "Content-Type: x/y; name=\"=?utf-8?Q?x=0Ay=00z/..\\\\w.txt?=\"\n\n"}));
    // Unnamed non-text parts go to Text unless encoded; encoded text parts are decoded.
    EXPECT_EQ(m.Text, (StringList{"raw line", "l1", "l2", "l3", "l4"}));
    ASSERT_EQ(m.AttachedFiles.Count(), 5);
    EXPECT_EQ(Name(m, 0) + "|" + Body(m, 0) + "|" + m.AttachedFiles.Items(0).ContentType, "Data|ABC|application/octet-stream");
    EXPECT_EQ(Name(m, 1) + "|" + Body(m, 1), "Data.gif|GIF");
    EXPECT_EQ(Name(m, 2) + "|" + Body(m, 2), "a.txt|ab\r\nc=");
    // Characters that cannot stand in a file name, and control characters, are removed.
    EXPECT_EQ(Name(m, 3) + "|" + Body(m, 3), "abcde.txt|x\r\ny");
    EXPECT_EQ(Name(m, 4), "xyz..w.txt");
}

TEST_F(Parse, QuotedPrintableBodiesKeepUnderscoresThatHeaderWordsTurnIntoBlanks)
{
    TVemMsg& m = Of("Subject: =?utf-8?Q?flags_patch?=\n" +
                    Multipart("qp", {"Content-Transfer-Encoding: quoted-printable\n\nnotmuch_message_get_flags() =3D=\n_x\n",
                                     "Content-Type: text/x-diff; name=\"fix_flags.patch\"\n"
                                     "Content-Transfer-Encoding: quoted-printable\n\n+\tflags_ =3D get_flags (msg_);\n",
                                     "Content-Type: text/html\nContent-Transfer-Encoding: quoted-printable\n\n"
                                     "<a href=3D\"a_b.html\">a_b</a>\n"}));
    EXPECT_EQ(m.Subject, "flags patch");
    EXPECT_EQ(m.Text, (StringList{"notmuch_message_get_flags() =_x"}));
    ASSERT_EQ(m.AttachedFiles.Count(), 2);
    EXPECT_EQ(Name(m, 0) + "|" + Body(m, 0), "fix_flags.patch|+\tflags_ = get_flags (msg_);");
    EXPECT_EQ(Body(m, 1), "<a href=\"a_b.html\">a_b</a>");
}

TEST_F(Parse, Base64SkipsStrayCharactersAndKeepsAFinalGroupWithoutPadding)
{
    TVemMsg& m = Of("Subject: =?utf-8?B?SGVsbG8?=\n" +
                    Multipart("b64", {"Content-Type: application/octet-stream; name=a.bin\nContent-Transfer-Encoding: base64\n\n"
                                      "QUJD*\nREVG\n[...]\nR0hJ\nSks\n",
                                      "Content-Transfer-Encoding: base64\n\nbGluZSBvbm\n  *  \nUKbGluZSB0d28\n"}));
    EXPECT_EQ(m.Subject, "Hello");
    ASSERT_EQ(m.AttachedFiles.Count(), 1);
    EXPECT_EQ(Body(m, 0), "ABCDEFGHIJK");
    EXPECT_EQ(m.Text, (StringList{"line one", "line two"}));

    TAttachedFile& item = m.AttachedFiles.AddFile("b.bin");
    item.EncodedLines = {"QUJD", "REVG*", "R0g"};
    item.DecodeBase64();
    EXPECT_EQ(item.Body()->Bytes(), "ABCDEFGH");
    EXPECT_EQ(WorkFilesLeft(), 0u);
}

TEST_F(Parse, NestedMultipartsAndEnclosedMessages)
{
    TVemMsg& m = Of("Subject: Fwd\n" +
                    Multipart("outer", {"\none\n",
                                        Multipart("inner", {"\ntwo\n", "Content-Type: text/plain\n\nthree\n"}),
                                        "Content-Type: message/rfc822\n\nSubject: inner\nContent-Type: text/html\n\n<p>in</p>\n",
                                        "\nfour\n"}));
    EXPECT_EQ(m.Text, (StringList{"one", "two", "three", "four"}));
    ASSERT_EQ(m.AttachedFiles.Count(), 1);
    EXPECT_EQ(Name(m, 0), "Fwd.html");
}

TEST_F(Parse, MultipartDelimiterEdges)
{
    // Delimiters with trailing blanks count; a delimiter on the last line ends the part there.
    EXPECT_EQ(Of("Content-Type: multipart/mixed; boundary=zz\n\n--zz  \n\nfirst\n--zz\t\n\nlast\n--zz\n").Text,
              (StringList{"first", "last"}));
    // A boundary that never appears, or none at all: the body is kept as text instead of lost.
    EXPECT_EQ(Of("Content-Type: multipart/mixed; boundary=nope\n\nJust text\n--other\n").Text,
              (StringList{"Just text", "--other"}));
    EXPECT_EQ(Of("Content-Type: multipart/mixed\n\n--\nbody\n").Text, (StringList{"--", "body"}));
    // A name that mentions "multipart" does not make a part multipart.
    TVemMsg& named = Of(Multipart("zz", {"Content-Type: application/octet-stream; name=multipart.bin\n\ndata\n"}));
    ASSERT_EQ(named.AttachedFiles.Count(), 1);
    EXPECT_EQ(Body(named, 0), "data");
}

TEST_F(Parse, UuencodedBlocksInText)
{
    TVemMsg& m = Of("Subject: uu\n\nHere:\nbegin 644 cat.txt\n#0V%T\n\n`\nend\nbegin 777 no.txt\nend\n");
    // The block's "end" goes with it; 777 is no mode, so that begin line and its "end" are text.
    EXPECT_EQ(m.Text, (StringList{"Here:", "begin 777 no.txt", "end"}));
    ASSERT_EQ(m.AttachedFiles.Count(), 1);
    EXPECT_EQ(Name(m, 0) + "|" + Body(m, 0), "cat.txt|Cat");

    TVemMsg& noEnd = Of("Subject: s\n\nbegin 600 a.bin\n#0V%T\n");  // the block ends at the last line
    EXPECT_TRUE(noEnd.Text.empty());
    ASSERT_EQ(noEnd.AttachedFiles.Count(), 1);
    EXPECT_EQ(Body(noEnd, 0), "Cat");

    // A line that only looks like a begin line keeps its text; a real block after it is found.
    TVemMsg& prose = Of("Subject: s\n\nbegin 100 ways to say hello\nin lower case\nend\nBEGIN 644 b.bin\n#0V%T\nend\n");
    EXPECT_EQ(prose.Text, (StringList{"begin 100 ways to say hello", "in lower case", "end"}));
    ASSERT_EQ(prose.AttachedFiles.Count(), 1);
    EXPECT_EQ(Name(prose, 0), "b.bin");

    // The text around a block is still decoded by the part's own encoding.
    TVemMsg& qp = Of("Content-Transfer-Encoding: quoted-printable\n\ncaf=E9\nbegin 644 c.txt\n#0V%T\nend\nsoft=\nbreak\n");
    EXPECT_EQ(qp.Text, (StringList{"caf\xE9", "softbreak"}));
    EXPECT_EQ(WorkFilesLeft(), 0u);
}

TEST_F(Parse, RejectedBeginLinesStayTextAndABlockAfterThemIsFound)
{
    // Thousands of begin lines, none with an "end" after it, each spoilt by a line the uudecoder
    // rejects: right after it, after a blank line, after a good line, or by the next begin line.
    std::string text = "Subject: trap\n\n";
    StringList expected;
    auto add = [&](const std::string& line) {
        text += line + "\n";
        expected.push_back(line);
    };
    for (int i = 0; i < 5000; ++i) {
        add("begin 644 x");
        add("this line is not uuencoded");
        add("begin 644 x");
        add("");
        add("lower case");
        add("begin 600 y");
        add("#0V%T");
        add("begin 644 z");  // rejects the block above and starts one of its own
        add("~");
    }
    text += "begin 644 real.bin\n#0V%T\n`\nnot checked after the grave accent\nend\n";
    TVemMsg& m = Of(text);
    EXPECT_EQ(m.Text.size(), expected.size());
    EXPECT_TRUE(m.Text == expected);
    ASSERT_EQ(m.AttachedFiles.Count(), 1);
    EXPECT_EQ(Name(m, 0) + "|" + Body(m, 0), "real.bin|Cat");
}

TEST_F(Parse, AttachmentsDecodeWithOnePumpPerLineAndLeaveNoWorkFile)
{
    int pumps = 0;
    platform::MessagePump saved = platform::SetMessagePump([&] { ++pumps; });
    TVemMsg& m = Of(Multipart("zz", {"Content-Type: image/png; name=long.png\nContent-Transfer-Encoding: base64\n\n" +
                                         EncodeBase64Text(std::string(5000, 'L')) + "\n",
                                     "Content-Type: image/png; name=short.png\nContent-Transfer-Encoding: base64\n\nU1NT\nU1NT\n\n",
                                     "Content-Type: application/octet-stream\nContent-Transfer-Encoding: x-uuencode\n\n"
                                     "begin 644 u.bin\n#0V%T\nend\n"}));
    platform::SetMessagePump(saved);
    EXPECT_EQ(pumps, 4);  // one per encoded line, the blank one too
    ASSERT_EQ(m.AttachedFiles.Count(), 3);
    EXPECT_EQ(Body(m, 0), std::string(5000, 'L'));
    EXPECT_EQ(Body(m, 1), "SSSSSS");  // not the tail of the longer one before it
    EXPECT_EQ(Body(m, 2), "Cat");
    EXPECT_TRUE(m.AttachedFiles.Items(0).EncodedLines.empty());
    EXPECT_EQ(WorkFilesLeft(), 0u);

    TVemMsg broken;
    try {
        broken.SetRawMail(platform::SplitLines(Multipart("zz", {"Content-Transfer-Encoding: x-uuencode\nContent-Type: a/b\n\n"
                                                                "begin 644 x.bin\n#0v%T\nend\n"})));
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Oops...");
    }
    EXPECT_EQ(WorkFilesLeft(), 0u);
}

TEST_F(Parse, AttachmentsDecodeInMemoryWithoutAnyWorkFile)
{
    // Without a temporary folder no work file can be made: the parse does not need one.
    RemoveTree(home.Temp());
    const std::string data(100000, 'D');
    StringList lines = platform::SplitLines(
        "Subject: s\n" +
        Multipart("zz", {"Content-Type: image/png; name=a.png\nContent-Transfer-Encoding: base64\n\n" +
                             EncodeBase64Text(data) + "\n",
                         "Content-Type: application/octet-stream\nContent-Transfer-Encoding: x-uuencode\n\n"
                         "begin 644 u.bin\n#0V%T\nend\n",
                         "Content-Type: text/plain; name=q.txt\nContent-Transfer-Encoding: quoted-printable\n\n"
                         "a=0D=0Ab=0Ac=0Dd=\ne\n\n",
                         "\nbegin 644 inline.txt\n#0V%T\nend\n"}));
    TVemMsg m;
    m.SetRawMail(lines);
    ASSERT_EQ(m.AttachedFiles.Count(), 4);
    EXPECT_TRUE(Body(m, 0) == data);
    EXPECT_EQ(Body(m, 1), "Cat");
    // Decoded line ends become CR LF, the last one goes.
    EXPECT_EQ(Body(m, 2), "a\r\nb\r\nc\r\nde\r\n");
    EXPECT_EQ(Name(m, 3) + "|" + Body(m, 3), "inline.txt|Cat");
    EXPECT_TRUE(m.RawMail.empty());

    // A parse that fails still leaves the raw lines in RawMail.
    TVemMsg broken;
    lines = platform::SplitLines("Content-Type: a/b\nContent-Transfer-Encoding: x-uuencode\n\nbegin 644 x\n#0v%T\n");
    EXPECT_THROW(broken.SetRawMail(lines), EUUDecodeError);
    EXPECT_EQ(broken.RawMail, lines);
}

TEST_F(Parse, NestingBeyondTheLimitIsKeptWholeAsAnEnclosedMessage)
{
    const int levels = 10000;
    std::string text = "Subject: Deep. Mail\n", closing;
    for (int i = 0; i < levels; ++i) {
        std::string b = "b" + std::to_string(i);
        text += "Content-Type: multipart/mixed; boundary=" + b + "\n\n--" + b + "\n\nlevel " + std::to_string(i) + "\n--" + b + "\n";
        closing = "--" + b + "--\n" + closing;
    }
    TVemMsg& m = Of(text + "\ninnermost\n" + closing);
    ASSERT_EQ(m.Text.size(), size_t(kMaxMimeNesting));
    EXPECT_EQ(m.Text.back(), "level " + std::to_string(kMaxMimeNesting - 1));
    ASSERT_EQ(m.AttachedFiles.Count(), 1);
    EXPECT_EQ(Name(m, 0) + " " + m.AttachedFiles.Items(0).ContentType, "Deep.eml message/rfc822");
    std::string kept = Body(m, 0);
    EXPECT_EQ(kept.find("Content-Type: multipart/mixed; boundary=b" + std::to_string(kMaxMimeNesting) + "\r\n"), 0u);
    EXPECT_NE(kept.find("\r\ninnermost\r\n"), std::string::npos);

    std::string chain = "Subject: Fwd\n";
    for (int i = 0; i < levels; ++i) chain += "Content-Type: message/rfc822\n\nSubject: inner\n";
    TVemMsg& forwarded = Of(chain + "\nthe original text\n");
    ASSERT_EQ(forwarded.AttachedFiles.Count(), 1);
    EXPECT_EQ(Name(forwarded, 0), "Fwd.eml");
    EXPECT_NE(Body(forwarded, 0).find("the original text"), std::string::npos);
}
