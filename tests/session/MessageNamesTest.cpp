// Names and identities of messages and attachments: the plain rules under the message commands.
#include "session/AttachmentNames.h"
#include "session/MessageIdentity.h"

#include <gtest/gtest.h>

#include <map>

TEST(AttachmentNames, ASendersNameBecomesAPlainBaseName)
{
    const std::pair<std::string, std::string> cases[] = {
        {"report.pdf", "report.pdf"},   {"../../.bashrc", ".bashrc"}, {"/etc/x", "x"},
        {"a/b", "b"},                   {"C:\\Temp\\evil.exe", "evil.exe"}, {"..", "attachment"},
        {"...", "attachment"},          {"", "attachment"},           {"dir/", "attachment"},
        {"tab\there\x01.txt", "tabhere.txt"}, {"trailing   ", "trailing"},
    };
    for (const auto& [raw, safe] : cases) EXPECT_EQ(SafeAttachmentName(raw), safe) << raw;
    const std::string longName = std::string(300, 'n') + ".tar.gz";
    EXPECT_EQ(SafeAttachmentName(longName).size(), 255u);
    EXPECT_EQ(SafeAttachmentName(longName).substr(252), ".gz");
}

TEST(AttachmentNames, ASecondOfTheSameNameInOneRunGetsANumber)
{
    TBatchNames names;
    EXPECT_EQ(names.Take("same.txt"), "same.txt");
    EXPECT_EQ(names.Take("same.txt"), "same (2).txt");
    EXPECT_EQ(names.Take("same.txt"), "same (3).txt");
    EXPECT_EQ(names.Take("same (2).txt"), "same (2) (2).txt");
    EXPECT_EQ(names.Take("README"), "README");
    EXPECT_EQ(names.Take("README"), "README (2)");
    EXPECT_EQ(names.Take(".bashrc"), ".bashrc");
    EXPECT_EQ(names.Take(".bashrc"), ".bashrc (2)");
}

TEST(MessageIdentity, AMessageIsKnownByItsIdElseByItsHeaderElseByFromDateAndSubject)
{
    const StringList header = {"Return-Path: <x@y>", "message-id:  <1@example.org> ", "From: Ann", "Subject: Hi",
                               "Date: Tue, 8 Dec 2026", "", "Subject: body text, not a header"};
    TMessageIdentity id = IdentityOfHeader(header);
    EXPECT_EQ(id.headerKey, "Message-ID <1@example.org>");
    EXPECT_EQ(IdentityOfHeader({"From: Ann", "Subject: Hi", "", "Date: body"}).headerKey, "From Ann\n\nHi");

    std::map<int, std::string> uidls = {{1, "u1"}, {2, "u2"}};
    std::map<int, StringList> headers = {{1, header}, {2, {"From: Ann", "Subject: Hi", "Date: Tue, 8 Dec 2026"}}};
    int headerCalls = 0;
    TIdentitySource server{[&](int n) { return uidls[n]; },
                           [&](int n) {
                               ++headerCalls;
                               return headers[n];
                           }};
    TMessageIdentity byUid;
    byUid.uidl = "u2";
    EXPECT_TRUE(MailboxUnchanged({{2, byUid}}, server));
    EXPECT_FALSE(MailboxUnchanged({{1, byUid}}, server));
    EXPECT_EQ(headerCalls, 0);  // a unique id is enough
    uidls[2] = "";  // refused now: not the same
    EXPECT_FALSE(MailboxUnchanged({{2, byUid}}, server));

    EXPECT_TRUE(MailboxUnchanged({{1, id}}, server));
    TMessageIdentity noId = IdentityOfHeader(headers[2]);
    EXPECT_TRUE(MailboxUnchanged({{2, noId}}, server));
    // A Message-ID on one side only, or another Subject, is another message.
    EXPECT_FALSE(MailboxUnchanged({{1, noId}}, server));
    headers[2][1] = "Subject: Other";
    EXPECT_FALSE(MailboxUnchanged({{2, noId}}, server));
    EXPECT_FALSE(MailboxUnchanged({{1, id}, {2, noId}}, server));
}
