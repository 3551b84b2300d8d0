// The retrieval client against a real POP3 server (a private Dovecot on loopback).
#include "RetrievalFixture.h"
#include "DovecotSuite.h"
#include "platform/TextFile.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

const char* const kCorpus = "/usr/lib/python3.11/test/test_email/data/";

class RetrievalDovecot : public DovecotSuite {
protected:
    void SetUp() override
    {
        SetUpMailbox();
        if (HasFatalFailure() || IsSkipped()) return;
        r_ = std::make_unique<Retriever>(server_->Port(), 5000);
        r_->pop.UserId = user_;
        r_->pop.UserPasswd = "wonderland";
    }

    void Open()
    {
        r_->ConnectAndLogin();
        ASSERT_TRUE(r_->pop.Connected()) << server_->Log();
        r_->pop.GetStatus();
    }

    std::unique_ptr<Retriever> r_;
};

}  // namespace

TEST_F(RetrievalDovecot, RealMessagesArriveLineForLineAsDelivered)
{
    if (!platform::DirectoryExists(kCorpus)) {
        if (RunningInCI()) FAIL() << "mail corpus missing in CI: " << kCorpus;
        GTEST_SKIP() << "mail corpus missing: " << kCorpus;
    }
    std::vector<std::string> delivered;
    // Lines that must be dot-stuffed on the wire and unstuffed again.
    delivered.push_back("Subject: dots\r\n\r\n.\r\n..\r\n...x\r\n. leading\r\nend\r\n");
    for (const auto& entry : platform::ListFolder(kCorpus))
        if (platform::MatchesMask(entry.name, "msg_*.txt")) delivered.push_back(platform::ReadBytes(kCorpus + entry.name));
    ASSERT_GE(delivered.size(), 40u);
    for (const std::string& message : delivered) server_->Deliver(user_, message);

    Open();
    ASSERT_EQ(r_->pop.MessageCount(), int(delivered.size()));
    for (size_t i = 0; i < delivered.size(); ++i) {
        SCOPED_TRACE("message " + std::to_string(i + 1));
        TVemMsg msg;
        msg.ClearRawMailAfterParse = false;
        r_->progress.clear();
        ASSERT_TRUE(r_->pop.RetrieveMessage(int(i) + 1, msg));
        EXPECT_EQ(msg.RawMail, platform::SplitLines(delivered[i]));
        ASSERT_FALSE(r_->progress.empty());
        EXPECT_GE(r_->progress.back(), 100u);
    }
    EXPECT_TRUE(r_->errorCodes.empty());
    EXPECT_EQ(r_->WorkFiles(), 0u);
    EXPECT_TRUE(r_->pop.Disconnect());
}

TEST_F(RetrievalDovecot, DeletionsHappenOnlyAtQuitAndNeverAfterTheErrorPath)
{
    for (int i = 1; i <= 4; ++i) server_->Deliver(user_, "Subject: m" + std::to_string(i) + "\r\n\r\nbody\r\n");
    Open();
    r_->pop.DeleteMessage(2);
    EXPECT_FALSE(r_->pop.LastCmdFailed());
    EXPECT_EQ(server_->CountMessages(user_), 4);  // marked, not yet removed
    EXPECT_TRUE(r_->pop.Disconnect());
    EXPECT_EQ(server_->CountMessages(user_), 3);

    // A refusal closes without QUIT: the deletion before it is not carried out.
    Open();
    EXPECT_EQ(r_->pop.MessageCount(), 3);
    r_->pop.DeleteMessage(1);
    r_->pop.DeleteMessage(1);  // already marked: refused
    EXPECT_EQ(r_->errorCodes, std::vector<int>{TVemPOP::kErrDelete});
    EXPECT_FALSE(r_->pop.Connected());

    // Stop in the middle: no QUIT either.
    Open();
    r_->pop.DeleteMessage(3);
    r_->pop.Abort();
    EXPECT_FALSE(r_->pop.Connected());
    Open();
    EXPECT_EQ(r_->pop.MessageCount(), 3);
    EXPECT_EQ(r_->pop.GetUIDL(1).empty(), false);
    EXPECT_TRUE(r_->pop.Disconnect());
    EXPECT_EQ(server_->CountMessages(user_), 3);
}
