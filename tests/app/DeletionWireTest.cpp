// Deleting by rule and by the Delete command against a scripted server: the exact commands,
// and every way such a run can fail without deleting the wrong thing or claiming success.
#include "MailCheckSupport.h"

#include "ScriptedPop3Server.h"
#include "session/MessageIdentity.h"
#include "rules/RuleApplication.h"

#include <gtest/gtest.h>

namespace {

using platform::MsgResult;
using rules::kMarkedByRule;
using rules::kNoMark;

const std::string kLogin = "USER bob\r\nPASS pw\r\n";

class DeletionWire : public ::testing::Test, public MailCheckFixture {
protected:
    // Five listed rows as a check of this server would leave them: unique ids u1..u5 when
    // `uidl`, else only their headers; marks on the given message numbers.
    void ListFive(const std::vector<int>& marked, bool uidl = true, int port = 0)
    {
        Open(1500);
        frm->VemPOP1->Host = "127.0.0.1";
        frm->VemPOP1->Port = std::to_string(port ? port : server.Port());
        frm->VemPOP1->UserId = "bob";
        frm->VemPOP1->UserPasswd = "pw";
        frm->VemPOP1->TimeOut = 1500;
        frm->POP31->Host = "127.0.0.1";
        frm->POP31->Port = port ? port : server.Port();
        frm->POP31->UserID = "bob";
        frm->POP31->Password = "pw";
        frm->POP31->TimeOut = 1500;
        frm->cur_account = "Work";
        for (int n = 1; n <= 5; ++n) {
            TMailRow row;
            row.SetFrom(" a@example.org");
            row.SetSubject(" Message " + std::to_string(n));
            row.mark = int8_t(std::count(marked.begin(), marked.end(), n) ? kMarkedByRule : kNoMark);
            TMessageIdentity identity = IdentityOfHeader(Header(n));
            if (uidl) identity.uidl = "u" + std::to_string(n);
            row.SetIdentity(identity);
            frm->MailRows->AddRow(row);
        }
    }
    static StringList Header(int n) { return {"From: a@example.org", "Subject: Message " + std::to_string(n), ""}; }
    static std::string TopReply(int n) { return "+OK\r\nFrom: a@example.org\r\nSubject: Message " + std::to_string(n) + "\r\n\r\n.\r\n"; }
    StringList Subjects() const
    {
        StringList s;
        for (int i = 0; i < frm->MailRows->Count(); ++i) s.emplace_back(frm->MailRows->Row(i).Subject());
        return s;
    }
    std::vector<int> Marks() const
    {
        std::vector<int> m;
        for (int i = 0; i < frm->MailRows->Count(); ++i) m.push_back(frm->MailRows->Row(i).mark);
        return m;
    }
    ScriptedPop3Server& Greeted()
    {
        return server.Greeting().Exchange("USER bob", "+OK\r\n").Exchange("PASS pw", "+OK\r\n");
    }
    ScriptedPop3Server server;
};

}  // namespace

TEST_F(DeletionWire, RulesDeleteTheMarkedNumbersInOrderThenQuit)
{
    Greeted()
        .Exchange("UIDL 2", "+OK 2 u2\r\n")
        .Exchange("UIDL 4", "+OK 4 u4\r\n")
        .Exchange("UIDL 5", "+OK 5 u5\r\n")
        .Exchange("DELE 2", "+OK\r\n")
        .Exchange("DELE 4", "+OK\r\n")
        .Exchange("DELE 5", "+OK\r\n")
        .Exchange("QUIT", "+OK bye\r\n");
    server.Start();
    ListFive({2, 4, 5});
    boxes.Answer(MsgResult::Yes);
    frm->ApplyRules1Click();
    EXPECT_EQ(server.Finish(), kLogin + "UIDL 2\r\nUIDL 4\r\nUIDL 5\r\nDELE 2\r\nDELE 4\r\nDELE 5\r\nQUIT\r\n");
    EXPECT_EQ(Subjects(), (StringList{" Message 1", " Message 3"}));
    EXPECT_TRUE(SawLcd("Connecting to mail server..."));
    EXPECT_EQ(Lcd(), "Messages deleted successfully");
    EXPECT_EQ(boxes.Shown().size(), 1u);
    EXPECT_TRUE(Idle());
}

TEST_F(DeletionWire, WithoutUniqueIdsTheHeadersConfirmTheMessages)
{
    Greeted()
        .Exchange("LIST 3", "+OK 3 100\r\n")
        .Exchange("TOP 3 0", TopReply(3))
        .Exchange("DELE 3", "+OK\r\n")
        .Exchange("QUIT", "+OK\r\n");
    server.Start();
    ListFive({3}, false);
    boxes.Answer(MsgResult::Yes);
    frm->ApplyRules1Click();
    EXPECT_EQ(server.Finish(), kLogin + "LIST 3\r\nTOP 3 0\r\nDELE 3\r\nQUIT\r\n");
    EXPECT_EQ(frm->MailRows->Count(), 4);
    EXPECT_FALSE(SawLcd("downloading message 3 of 0"));  // the header fetch is silent
}

TEST_F(DeletionWire, NoOrNothingMarkedSendsNothingAndNoKeepsTheMarks)
{
    ListFive({}, true, ClosedPort());
    frm->ApplyRules1Click();
    EXPECT_TRUE(boxes.Shown().empty());  // nothing marked: nothing asked

    frm->MailRows->SetMark(1, kMarkedByRule);
    boxes.Answer(MsgResult::No);
    frm->ApplyRules1Click();
    boxes.Answer(MsgResult::No);
    frm->ApplyRules1Click();  // asked again
    EXPECT_EQ(boxes.Texts(), (StringList{rules::DeletionQuestion(1), rules::DeletionQuestion(1)}));
    EXPECT_EQ(Marks(), (std::vector<int>{kNoMark, kMarkedByRule, kNoMark, kNoMark, kNoMark}));
    EXPECT_TRUE(lcdTexts.empty());
    server.Finish(std::chrono::milliseconds(50));
}

TEST_F(DeletionWire, ARefusedConnectionOrLoginSaysSoOnceAndDeletesNothing)
{
    ListFive({1, 2}, true, ClosedPort());
    boxes.Answer(MsgResult::Yes);
    frm->ApplyRules1Click();
    EXPECT_EQ(boxes.Texts(), (StringList{rules::DeletionQuestion(2), "Connect failed. Maybe the server is down or not responding."}));
    EXPECT_EQ(Marks(), (std::vector<int>{kMarkedByRule, kMarkedByRule, kNoMark, kNoMark, kNoMark}));
    EXPECT_EQ(Lcd(), "No message was deleted.");
    EXPECT_TRUE(Idle());

    ScriptedPop3Server refusing;
    refusing.Greeting().Exchange("USER bob", "+OK\r\n").Exchange("PASS pw", "-ERR [AUTH] Authentication failed.\r\n");
    refusing.Start();
    frm->VemPOP1->Port = std::to_string(refusing.Port());
    boxes.Clear();
    boxes.Answer(MsgResult::Yes);
    frm->ApplyRules1Click();
    // The server's reply, and nothing after it (no "Not connected.").
    EXPECT_EQ(boxes.Texts(), (StringList{rules::DeletionQuestion(2), "[AUTH] Authentication failed."}));
    EXPECT_EQ(refusing.Finish(), kLogin);
    EXPECT_EQ(Marks()[0], kMarkedByRule);
    server.Finish(std::chrono::milliseconds(50));
}

TEST_F(DeletionWire, ARefusedDeletionInTheMiddleEndsWithoutQuitAndKeepsEveryRow)
{
    Greeted()
        .Exchange("UIDL 2", "+OK 2 u2\r\n")
        .Exchange("UIDL 4", "+OK 4 u4\r\n")
        .Exchange("DELE 2", "+OK\r\n")
        .Exchange("DELE 4", "-ERR message is locked\r\n");
    server.Start();
    ListFive({2, 4});
    boxes.Answer(MsgResult::Yes);
    frm->ApplyRules1Click();
    EXPECT_EQ(server.Finish(), kLogin + "UIDL 2\r\nUIDL 4\r\nDELE 2\r\nDELE 4\r\n");  // no QUIT: DELE 2 is undone
    EXPECT_EQ(boxes.Texts(), (StringList{rules::DeletionQuestion(2), "message is locked"}));
    EXPECT_EQ(frm->MailRows->Count(), 5);
    EXPECT_EQ(Marks(), (std::vector<int>{kNoMark, kMarkedByRule, kNoMark, kMarkedByRule, kNoMark}));
    EXPECT_FALSE(SawLcd("Messages deleted successfully"));
    EXPECT_TRUE(Idle());
}

TEST_F(DeletionWire, AChangedMailboxOrAnUnconfirmedQuitDeletesNothing)
{
    Greeted().Exchange("UIDL 2", "+OK 2 u3\r\n");  // another message at number 2 now
    server.Start();
    ListFive({2});
    boxes.Answer(MsgResult::Yes);
    frm->ApplyRules1Click();
    EXPECT_EQ(server.Finish(), kLogin + "UIDL 2\r\n");
    EXPECT_EQ(boxes.Texts().back(), kMailboxChanged);
    EXPECT_EQ(frm->MailRows->Count(), 5);

    ScriptedPop3Server quitRefused;
    quitRefused.Greeting().Exchange("USER bob", "+OK\r\n").Exchange("PASS pw", "+OK\r\n")
        .Exchange("UIDL 2", "+OK 2 u2\r\n").Exchange("DELE 2", "+OK\r\n").Exchange("QUIT", "-ERR could not expunge\r\n");
    quitRefused.Start();
    frm->VemPOP1->Port = std::to_string(quitRefused.Port());
    boxes.Answer(MsgResult::Yes);
    frm->ApplyRules1Click();
    EXPECT_EQ(boxes.Texts().back(), "The server did not confirm the deletions. Check mail again.");
    EXPECT_EQ(frm->MailRows->Count(), 5);
    EXPECT_EQ(Marks()[1], kMarkedByRule);
    quitRefused.Finish();
}

TEST_F(DeletionWire, StopEndsARuleRunWithoutQuit)
{
    Greeted().Exchange("UIDL 1", "+OK 1 u1\r\n").Exchange("UIDL 3", "+OK 3 u3\r\n").Expect("DELE 1\r\n").SilentUntilClosed();
    server.Start();
    ListFive({1, 3});
    bool deleting = false;
    frm->VemPOP1->OnSendTextToSocket = [&](TVemPOP*, const std::string& s) { deleting = s.rfind("DELE", 0) == 0; };
    onPump = [&] {
        if (deleting && frm->cmdStop->isEnabled()) frm->cmdStop->trigger();
    };
    boxes.Answer(MsgResult::Yes);
    frm->ApplyRules1Click();
    EXPECT_EQ(server.Finish(), kLogin + "UIDL 1\r\nUIDL 3\r\nDELE 1\r\n");
    EXPECT_EQ(frm->MailRows->Count(), 5);
    EXPECT_EQ(Marks()[0], kMarkedByRule);
    EXPECT_TRUE(Idle());
    EXPECT_EQ(boxes.Shown().size(), 1u);  // Stop is no error
}

TEST_F(DeletionWire, TheDeleteCommandEndsAtARefusalAndKeepsTheRows)
{
    server.LoginOk("bob", "pw", "+OK 5 500\r\n")
        .Exchange("UIDL 2", "+OK 2 u2\r\n")
        .Exchange("UIDL 3", "+OK 3 u3\r\n")
        .Exchange("DELE 2", "-ERR no such message\r\n");
    server.Start();
    ListFive({});
    Select({1, 2});
    boxes.Answer(MsgResult::Yes);
    frm->cmd_del->trigger();  // as the toolbar runs it: the error report shows what failed
    EXPECT_EQ(server.Finish(), "CAPA\r\n" + kLogin + "STAT\r\nUIDL 2\r\nUIDL 3\r\nDELE 2\r\n");  // closed without QUIT
    ASSERT_EQ(boxes.Shown().size(), 2u);
    EXPECT_EQ(boxes.Shown()[1].text, "-ERR no such message\r\n");
    EXPECT_EQ(frm->MailRows->Count(), 5);
    EXPECT_FALSE(frm->POP31->Connected());
    EXPECT_TRUE(Idle());
}
