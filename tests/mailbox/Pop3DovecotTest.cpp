// The mailbox client against a real POP3 server (a private Dovecot on loopback).
#include "mailbox/Kiropop3.h"
#include "DovecotSuite.h"
#include "NetTestHelpers.h"
#include "RequireTool.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace {

// One server for the whole suite; every test works in a mailbox of its own.
class DovecotMailbox : public DovecotSuite {
protected:
    void SetUp() override
    {
        SetUpMailbox();
        if (HasFatalFailure() || IsSkipped()) return;
        pop_.Host = "127.0.0.1";
        pop_.Port = server_->Port();
        pop_.TimeOut = 5000;
        pop_.UserID = user_;
        pop_.Password = "wonderland";
        pop_.OnList = [this](int msg, int64_t size) { listed_[msg] = size; };
    }

    void DeliverThree()
    {
        server_->Deliver(user_, "From: Ann <ann@example.com>\r\nSubject: First\r\nMessage-ID: <1@example.com>\r\n"
                                "Date: Mon, 1 Jan 2024 10:00:00 +0000\r\n\r\nHello there.\r\n");
        server_->Deliver(user_, "From: carl@example.com\r\nSubject: Second\r\n\r\n" + std::string(5000, 'b') + "\r\n");
        // No final line end: the server adds one for the transfer but does not count it.
        server_->Deliver(user_, "From: dora@example.com\r\nSubject: Third\r\n\r\nno line end");
    }

    TKiroPOP3 pop_;
    std::map<int, int64_t> listed_;
};

}  // namespace

TEST_F(DovecotMailbox, ChecksAMailboxOfRealMessages)
{
    DeliverThree();
    pop_.Connect();
    EXPECT_EQ(pop_.MessageCount(), 3);
    pop_.List();
    ASSERT_EQ(listed_.size(), 3u);
    const std::map<int, std::string> subjects = {{1, " First"}, {2, " Second"}, {3, " Third"}};
    const std::map<int, std::string> senders = {
        {1, " Ann <ann@example.com>"}, {2, " carl@example.com"}, {3, " dora@example.com"}};
    for (int n = 1; n <= 3; ++n) {
        pop_.GetSummary(n);
        EXPECT_EQ(pop_.Summary().Subject, subjects.at(n));
        EXPECT_EQ(pop_.Summary().From, senders.at(n));
        EXPECT_EQ(pop_.Summary().Bytes, listed_[n]);
        EXPECT_EQ(pop_.Summary().Header.back(), ".");
    }
    pop_.GetSummary(1);
    EXPECT_EQ(pop_.Summary().MessageId, "<1@example.com>");
    EXPECT_EQ(pop_.Summary().Header.size(), 6u);  // four header lines, the blank line, "."
    EXPECT_GT(listed_[2], 5000);
    pop_.Disconnect();
    EXPECT_FALSE(pop_.Connected());
    EXPECT_EQ(server_->CountMessages(user_), 3);  // a check deletes nothing
}

TEST_F(DovecotMailbox, ADeletionTakesEffectOnlyWithQuit)
{
    DeliverThree();
    pop_.Connect();
    int accepted = 0;
    pop_.OnSuccess = [&](TPowersock*) { ++accepted; };
    pop_.DeleteMessage(2);
    EXPECT_EQ(accepted, 1);
    EXPECT_EQ(server_->CountMessages(user_), 3);  // only marked so far
    pop_.Disconnect();
    EXPECT_EQ(server_->CountMessages(user_), 2);

    // The remaining messages are renumbered from 1.
    pop_.Connect();
    EXPECT_EQ(pop_.MessageCount(), 2);
    pop_.GetSummary(2);
    EXPECT_EQ(pop_.Summary().Subject, " Third");
    pop_.Disconnect();
}

TEST_F(DovecotMailbox, AnAbortedSessionDeletesNothing)
{
    DeliverThree();
    pop_.Connect();
    pop_.DeleteMessage(1);
    pop_.DeleteMessage(3);
    pop_.Abort();
    EXPECT_FALSE(pop_.Connected());
    // The server may still be winding the session up; a new login waits for it.
    pop_.Connect();
    EXPECT_EQ(pop_.MessageCount(), 3);
    pop_.Disconnect();
    EXPECT_EQ(server_->CountMessages(user_), 3);
}

TEST_F(DovecotMailbox, ARefusedMessageNumberFiresOnFailure)
{
    DeliverThree();
    pop_.Connect();
    int refused = 0;
    pop_.OnFailure = [&](TPowersock*) { ++refused; };
    const std::string text = MessageOf<Exception>([&] { pop_.DeleteMessage(7); });
    EXPECT_EQ(text.rfind("-ERR ", 0), 0u) << text;
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    EXPECT_EQ(refused, 1);
    pop_.Disconnect();
    EXPECT_EQ(server_->CountMessages(user_), 3);
}

TEST_F(DovecotMailbox, AWrongPasswordIsRefused)
{
    pop_.Password = "looking-glass";
    int refusals = 0;
    pop_.OnAuthenticationFailed = [&](bool&) { ++refusals; };
    EXPECT_EQ(MessageOf<Exception>([&] { pop_.Connect(); }), "Authentication failed");
    EXPECT_EQ(refusals, 1);
    EXPECT_FALSE(pop_.Connected());

    // A handler that supplies the right password gets in on the one retry.
    pop_.OnAuthenticationFailed = [&](bool& handled) {
        pop_.Password = "wonderland";
        handled = true;
    };
    pop_.Connect();
    EXPECT_TRUE(pop_.Connected());
    EXPECT_EQ(pop_.MessageCount(), 0);
    pop_.Disconnect();
}
