#include "retrieval/VemMIME.h"
#include "retrieval/VemMsg.h"

#include "platform/Folders.h"
#include "platform/TextFile.h"
#include "TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

namespace {

// '9' stands for a digit, '[' for a letter from 'a' to `last`, any other character for itself.
bool Matches(const std::string& text, const std::string& pattern, char last)
{
    if (text.size() != pattern.size()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        char p = pattern[i], c = text[i];
        if (p == '9' ? !std::isdigit(static_cast<unsigned char>(c)) : p == '[' ? (c < 'a' || c > last) : c != p) return false;
    }
    return true;
}

std::string HeaderLine(const StringList& raw, const std::string& prefix)
{
    auto it = std::find_if(raw.begin(), raw.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
    return it == raw.end() ? "(missing)" : *it;
}

class Compose : public ::testing::Test {
protected:
    TempHome home;
    TVemMsg msg;
    void SetUp() override
    {
        msg.From = "me@example.com";
        msg.SendTo = "you@example.com";
        msg.Subject = "Greetings";
        msg.Date = "Tue, 8 Dec 2026 10:00:00 +0000";
        msg.Text = {"Hello", ".dot line"};
    }
};

}  // namespace

TEST_F(Compose, HeaderLinesInOrderAndDotStuffedBody)
{
    msg.UserName = "Me Myself";
    msg.Priority = prHigh;
    msg.ExtraHeaders = {"X-Extra: 1"};
    msg.FillRawMail();
    EXPECT_TRUE(Matches(msg.RawMail.at(0), "Message-Id: <VEM.9999.99.99.[[[[[[[[[[[[[[[[@q.b.x>", 't')) << msg.RawMail[0];
    EXPECT_EQ(StringList(msg.RawMail.begin() + 1, msg.RawMail.end()),
              (StringList{"Date: Tue, 8 Dec 2026 10:00:00 +0000", "X-Priority: 2", "From: \"Me Myself\" <me@example.com>",
                          "X-Mailer: ", "To: you@example.com", "MIME-Version: 1.0", "Subject: Greetings",
                          "Content-Type: text/plain; charset=ISO-8859-1", "Content-Transfer-Encoding: 8Bit", "X-Extra: 1",
                          "", "Hello", "..dot line"}));
    std::string firstId = msg.RawMail[0];
    msg.FillRawMail();
    EXPECT_NE(msg.RawMail[0], firstId);  // ids made within the same clock tick still differ

    msg.From = "nobody";
    try {
        msg.FillRawMail();
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "\"From\" address not complete.");
    }
}

TEST_F(Compose, Base64BodyAndSubjectParseBack)
{
    msg.TextEncoding = teBase64;
    msg.CharSet = "UTF-8";
    msg.Subject = "Gr\xC3\xBC\xC3\x9F" "e";
    msg.Text = {std::string(100, 'x'), "second"};
    msg.FillRawMail();
    EXPECT_EQ(HeaderLine(msg.RawMail, "Subject:"), "Subject: =?UTF-8?B?" + EncodeBase64Text(msg.Subject) + "?=");
    msg.FillRawMail();  // the subject property stays readable, so it is not encoded twice
    EXPECT_EQ(HeaderLine(msg.RawMail, "Subject:"), "Subject: =?UTF-8?B?" + EncodeBase64Text(msg.Subject) + "?=");

    TVemMsg back;
    back.SetRawMail(msg.RawMail);
    EXPECT_EQ(back.Subject, msg.Subject);
    EXPECT_EQ(back.Text, msg.Text);
}

TEST_F(Compose, AttachmentsInAMultipartThatParsesBack)
{
    std::string path = home.Root() + "photo.gif", bytes;
    for (int i = 0; i < 5000; ++i) bytes.push_back(char(i % 251));
    platform::WriteBytes(path, bytes);
    msg.AttachedFiles.AddFile(path);
    msg.FillRawMail();
    std::string type = HeaderLine(msg.RawMail, "Content-Type:");
    ASSERT_TRUE(Matches(type, "Content-Type: multipart/mixed; boundary=\"--_VEM_bound_[[[[[[[[[[[[\"", 'y')) << type;
    EXPECT_EQ(msg.RawMail[msg.RawMail.size() - 2], "--" + type.substr(type.find('"') + 1, 25) + "--");
    EXPECT_EQ(HeaderLine(msg.RawMail, "Content-Disposition:"), "Content-Disposition: attachment; filename=\"photo.gif\"");

    TVemMsg back;
    back.SetRawMail(msg.RawMail);
    EXPECT_EQ(back.Text, (StringList{"Hello", "..dot line"}));
    ASSERT_EQ(back.AttachedFiles.Count(), 1);
    EXPECT_EQ(back.AttachedFiles.Items(0).FileName, "photo.gif");
    EXPECT_EQ(back.AttachedFiles.Items(0).Body()->Bytes(), bytes);
    EXPECT_TRUE(platform::ListFolder(home.Temp()).empty());
}
