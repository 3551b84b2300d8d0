#include "retrieval/VemMIME.h"
#include "retrieval/VemMsg.h"

#include "platform/Folders.h"
#include "platform/TextFile.h"
#include "TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>


namespace {

std::string HeaderLine(const StringList& raw, const std::string& prefix)
{
    for (const auto& line : raw) {
        if (line.empty()) break;
        if (line.rfind(prefix, 0) == 0) return line;
    }
    return "(missing " + prefix + ")";
}

// Text against a pattern where '9' stands for a digit, '[' for a letter from 'a' to `last`, and
// every other character for itself.
bool Matches(const std::string& text, const std::string& pattern, char last)
{
    if (text.size() != pattern.size()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        char p = pattern[i], c = text[i];
        if (p == '9' ? !std::isdigit(static_cast<unsigned char>(c)) : p == '[' ? (c < 'a' || c > last) : c != p) return false;
    }
    return true;
}

void Fill(TVemMsg& msg)
{
    msg.From = "me@example.com";
    msg.SendTo = "you@example.com";
    msg.Subject = "Greetings";
    msg.Date = "Tue, 8 Dec 2026 10:00:00 +0000";
    msg.Text = {"Hello", ".dot line", "bye"};
}

}  // namespace

TEST(Compose, HeaderLinesInOrderAndDotStuffedBody)
{
    TVemMsg msg;
    Fill(msg);
    msg.UserName = "Me Myself";
    msg.Priority = prHigh;
    msg.XMailer = "Quillbox";
    msg.ExtraHeaders = {"X-Extra: 1"};
    msg.FillRawMail();
    const StringList& raw = msg.RawMail;
    EXPECT_TRUE(Matches(raw.at(0), "Message-Id: <VEM.9999.99.99.[[[[[[[[[[[[[[[[@q.b.x>", 't')) << raw.at(0);
    StringList rest(raw.begin() + 1, raw.end());
    EXPECT_EQ(rest, (StringList{"Date: Tue, 8 Dec 2026 10:00:00 +0000", "X-Priority: 2",
                                "From: \"Me Myself\" <me@example.com>", "X-Mailer: Quillbox", "To: you@example.com",
                                "MIME-Version: 1.0", "Subject: Greetings", "Content-Type: text/plain; charset=ISO-8859-1",
                                "Content-Transfer-Encoding: 8Bit", "X-Extra: 1", "", "Hello", "..dot line", "bye"}));
    EXPECT_EQ(msg.Text[1], ".dot line");  // the property is not stuffed

    TVemMsg second;
    Fill(second);
    second.FillRawMail();
    EXPECT_NE(second.RawMail[0], raw[0]);  // ids made in the same moment still differ
    EXPECT_EQ(HeaderLine(second.RawMail, "From:"), "From: me@example.com");
}

TEST(Compose, FromWithoutAtSignIsRefused)
{
    TVemMsg msg;
    Fill(msg);
    msg.From = "nobody";
    try {
        msg.FillRawMail();
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "\"From\" address not complete.");
    }
}

TEST(Compose, Base64BodyAndSubjectParseBack)
{
    TempHome home;
    TVemMsg msg;
    Fill(msg);
    msg.TextEncoding = teBase64;
    msg.CharSet = "UTF-8";
    msg.Subject = "Gr\xC3\xBC\xC3\x9F" "e";
    msg.Text = {std::string(100, 'x'), "second"};
    msg.FillRawMail();
    EXPECT_EQ(HeaderLine(msg.RawMail, "Subject:"), "Subject: =?UTF-8?B?" + EncodeBase64Text(msg.Subject) + "?=");
    EXPECT_EQ(HeaderLine(msg.RawMail, "Content-Transfer-Encoding:"), "Content-Transfer-Encoding: base64");
    StringList first = msg.RawMail;
    msg.FillRawMail();
    EXPECT_EQ(HeaderLine(msg.RawMail, "Subject:"), HeaderLine(first, "Subject:"));  // not encoded twice

    TVemMsg back;
    back.SetRawMail(msg.RawMail);
    EXPECT_EQ(back.Subject, msg.Subject);
    EXPECT_EQ(back.Text, msg.Text);
}

TEST(Compose, AttachmentsInAMultipartThatParsesBack)
{
    TempHome home;
    std::string path = home.Root() + "photo.gif";
    std::string bytes;
    for (int i = 0; i < 5000; ++i) bytes.push_back(char(i % 251));
    platform::WriteBytes(path, bytes);

    TVemMsg msg;
    Fill(msg);
    msg.AttachedFiles.AddFile(path);
    msg.FillRawMail();
    std::string type = HeaderLine(msg.RawMail, "Content-Type:");
    ASSERT_TRUE(Matches(type, "Content-Type: multipart/mixed; boundary=\"--_VEM_bound_[[[[[[[[[[[[\"", 'y')) << type;
    std::string delimiter = "--" + type.substr(type.find('"') + 1, 25);
    EXPECT_EQ(msg.RawMail.back(), "");
    EXPECT_EQ(msg.RawMail[msg.RawMail.size() - 2], delimiter + "--");
    EXPECT_NE(std::find(msg.RawMail.begin(), msg.RawMail.end(),
                        "Content-Disposition: attachment; filename=\"photo.gif\""), msg.RawMail.end());
    EXPECT_NE(std::find(msg.RawMail.begin(), msg.RawMail.end(), "Content-Type: image/gif; name=\"photo.gif\""),
              msg.RawMail.end());

    TVemMsg back;
    back.SetRawMail(msg.RawMail);
    EXPECT_EQ(back.Text, (StringList{"Hello", "..dot line", "bye"}));
    ASSERT_EQ(back.AttachedFiles.Count(), 1);
    EXPECT_EQ(back.AttachedFiles.Items(0).FileName, "photo.gif");
    EXPECT_EQ(back.AttachedFiles.Items(0).Body()->Bytes(), bytes);
    EXPECT_TRUE(platform::ListFolder(home.Temp()).empty());
}

TEST(MessageList, OwnsItsMessages)
{
    TVemMsgList list;
    list.Add().Subject = "a";
    list.Add().Subject = "b";
    ASSERT_EQ(list.Count(), 2);
    list.Delete(0);
    EXPECT_EQ(list.Items(0).Subject, "b");
    EXPECT_THROW(list.Items(1), Exception);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}
