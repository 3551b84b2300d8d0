// The mail check against a scripted server, for what a real server does not readily do.
#include "MailCheckSupport.h"

#include "ScriptedPop3Server.h"
#include "accounts/AccountStore.h"
#include "lcd/LCDScreen.h"
#include "platform/Folders.h"
#include "platform/TextFile.h"

#include <QMenu>

#include "ListedRow.h"

#include <gtest/gtest.h>

namespace {

class MailCheckWire : public ::testing::Test, public MailCheckFixture {
protected:
    ScriptedPop3Server server;
    const std::string header = "+OK\r\nFrom: a@example.org\r\nSubject: one\r\n\r\n.\r\n";
};

}  // namespace

TEST_F(MailCheckWire, AFullCheckSendsExactlyTheseCommands)
{
    server.LoginOk("bob", "pw", "+OK 2 300\r\n")
        .Exchange("LIST", "+OK 2 messages\r\n1 100\r\n2 200\r\n.\r\n")
        .Exchange("UIDL", "-ERR not supported\r\n")
        .Exchange("TOP 1 0", header)
        .Exchange("TOP 2 0", "+OK\r\nFrom: b@example.org\r\nSubject: two\r\n\r\n.\r\n")
        .Exchange("QUIT", "+OK bye\r\n")
        .Close();
    server.Start();
    AddAccount("Scripted", "bob", "pw", server.Port());
    Open();
    Check("Scripted");
    EXPECT_EQ(server.Finish(), "CAPA\r\nUSER bob\r\nPASS pw\r\nSTAT\r\nLIST\r\nUIDL\r\nTOP 1 0\r\nTOP 2 0\r\nQUIT\r\n");
    EXPECT_EQ(frm->MailRows->Count(), 2);
    EXPECT_TRUE(Idle());
}

TEST_F(MailCheckWire, StatRefusedAfterTheLoginEndsIdle)
{
    server.MailboxGreeting()
        .Exchange("USER bob", "+OK\r\n")
        .Exchange("PASS pw", "+OK\r\n")
        .Exchange("STAT", "-ERR mailbox locked\r\n")
        .Exchange("QUIT", "+OK\r\n")
        .Close();
    server.Start();
    AddAccount("Locked", "bob", "pw", server.Port());
    Open();
    Check("Locked");
    server.Finish();
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_NE(boxes.Shown()[0].text.find("the server answered with an error: \"mailbox locked\""), std::string::npos);
    EXPECT_TRUE(SawLcd("Connected"));
    EXPECT_TRUE(Idle());  // never busy while nothing runs
    EXPECT_FALSE(frm->POP31->Connected());
    EXPECT_EQ(frm->MailRows->Count(), 0);
}

TEST_F(MailCheckWire, ARefusedListEndsTheCheckAtOnceWithABox)
{
    // What Cyrus answered to "LIST " with its blank: the check must not sit out its time-out.
    server.LoginOk("bob", "pw", "+OK 1 100\r\n")
        .Exchange("LIST", "-ERR Syntax error\r\n")
        .Exchange("QUIT", "+OK\r\n")
        .Close();
    server.Start();
    AddAccount("Strict", "bob", "pw", server.Port());
    Open(20000);  // the window's own time-out: waiting it out would fail the script's QUIT
    Check("Strict");
    EXPECT_EQ(server.Finish(), "CAPA\r\nUSER bob\r\nPASS pw\r\nSTAT\r\nLIST\r\nQUIT\r\n");
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_NE(boxes.Shown()[0].text.find("the server answered with an error: \"Syntax error\""), std::string::npos);
    EXPECT_EQ(frm->MailRows->Count(), 0);
    EXPECT_TRUE(Idle());
}

TEST_F(MailCheckWire, QuitRefusedIsReportedAndTheEndOfTheCheckSkipped)
{
    server.LoginOk("bob", "pw", "+OK 1 100\r\n")
        .Exchange("LIST", "+OK\r\n1 100\r\n.\r\n")
        .Exchange("UIDL", "-ERR not supported\r\n")
        .Exchange("TOP 1 0", header)
        .Exchange("QUIT", "-ERR cannot finish\r\n")
        .Close();
    server.Start();
    AddAccount("Stubborn", "bob", "pw", server.Port());
    Open();
    Check("Stubborn");
    server.Finish();
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].icon, platform::MsgIcon::Error);
    EXPECT_EQ(boxes.Shown()[0].text, "-ERR cannot finish\r\n");
    EXPECT_EQ(Lcd(), "Dowmloading Message 1 of 1");
    EXPECT_FALSE(frm->LCD1->AnimationEnabled());
    EXPECT_EQ(applyRuns, 0);
    EXPECT_EQ(frm->MailRows->Count(), 1);
    EXPECT_TRUE(Idle());
}

TEST_F(MailCheckWire, ASummaryThatTimesOutEndsTheListQuietly)
{
    server.LoginOk("bob", "pw", "+OK 2 300\r\n")
        .Exchange("LIST", "+OK\r\n1 100\r\n2 200\r\n.\r\n")
        .Exchange("UIDL", "-ERR not supported\r\n")
        .Exchange("TOP 1 0", header)
        .Expect("TOP 2 0\r\n")
        .SilentUntilClosed();
    server.Start();
    AddAccount("Slow", "bob", "pw", server.Port());
    Open(800);
    Check("Slow");
    server.Finish();
    EXPECT_EQ(frm->MailRows->Count(), 1);
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ(Lcd(), "right click messages to view details ....");
    EXPECT_EQ(applyRuns, 1);
    EXPECT_TRUE(Idle());
}

TEST_F(MailCheckWire, AnAccountFolderThatCannotBeMadeClosesTheConnectionAndEndsIdle)
{
    server.LoginOk("bob", "pw", "+OK 1 100\r\n")
        .Exchange("LIST", "+OK\r\n1 100\r\n.\r\n")
        .Exchange("UIDL", "+OK\r\n1 a1\r\n.\r\n")
        .IgnoreUntilClosed();
    server.Start();
    AddAccount("Blocked", "bob", "pw", server.Port());
    platform::WriteBytes(home.Home() + "Blocked", "a file where the folder belongs");
    Open();
    Check("Blocked");
    EXPECT_EQ(server.Finish(), "CAPA\r\nUSER bob\r\nPASS pw\r\nSTAT\r\nLIST\r\nUIDL\r\n");  // closed without QUIT
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].icon, platform::MsgIcon::Error);
    EXPECT_NE(boxes.Shown()[0].text.find("Blocked"), std::string::npos);
    EXPECT_FALSE(frm->POP31->Connected());
    EXPECT_TRUE(Idle());
    EXPECT_EQ(frm->MailRows->Count(), 0);
    EXPECT_EQ(applyRuns, 0);
}

TEST_F(MailCheckWire, APortThatIsNoNumberStopsTheCheckBeforeConnecting)
{
    // Settings edited by hand: the account dialog refuses such ports.
    AddAccount("Typo", "bob", "pw", 0, true, "11O");
    AddAccount("Far", "bob", "pw", 0, true, "70000");
    AddAccount("Blank", "bob", "pw", 0, true, "x");
    Save_Mail_Settings("Blank", "bob", "pw", "127.0.0.1", "", true);
    Open();
    const std::pair<const char*, const char*> cases[] = {
        {"Typo", "'11O' is not a valid integer value"},
        {"Far", "'70000' is not a valid port number (1 to 65535)"},
        {"Blank", "'' is not a valid integer value"},
    };
    for (const auto& [account, report] : cases) {
        frm->MailRows->AddRow(ListedRow("earlier", "row"));
        boxes.Clear();
        std::string lcdDuringReport;
        boxes.OnNext([&](const platform::MessageBoxRequest&) { lcdDuringReport = Lcd(); });
        Check(account);
        EXPECT_EQ(boxes.Texts(), StringList{report});
        EXPECT_EQ(boxes.Shown()[0].icon, platform::MsgIcon::Error);
        EXPECT_EQ(lcdDuringReport, Lcd()) << "the display says why while the report is up";
        EXPECT_EQ(frm->MailRows->Count(), 0);
        EXPECT_TRUE(Idle());
    }
    EXPECT_EQ(lcdTexts.end()[-2], "Connecting Blank ...");
    EXPECT_EQ(Lcd(), "Invalid port: (none)");
    EXPECT_TRUE(SawLcd("Invalid port: 11O"));
    EXPECT_TRUE(SawLcd("Invalid port: 70000"));
    EXPECT_EQ(server.Transcript(), "");
}

TEST_F(MailCheckWire, NoSecondCheckCanStartWhileTheFirstIsConnecting)
{
    server.Silent(std::chrono::milliseconds(400)).Greeting().IgnoreUntilClosed();
    server.Start();
    AddAccount("Slow", "bob", "pw", server.Port());
    Open(2000);
    bool lookedWhileWaiting = false;
    onPump = [&] {
        if (!lookedWhileWaiting && frm->LCD1->Lines() == StringList{"Connecting Slow ..."}) {
            lookedWhileWaiting = true;
            EXPECT_FALSE(frm->cmdChkMail->isEnabled());
            EXPECT_FALSE(frm->mnuMessage->menuAction()->isEnabled());
            EXPECT_TRUE(frm->cmdStop->isEnabled());
        }
    };
    Check("Slow");
    server.Finish();
    EXPECT_TRUE(lookedWhileWaiting);
    EXPECT_TRUE(Idle());
}

TEST_F(MailCheckWire, ClosingTheWindowWhileQuitWaitsAsksNothingMore)
{
    server.LoginOk("bob", "pw", "+OK 1 100\r\n")
        .Exchange("LIST", "+OK\r\n1 100\r\n.\r\n")
        .Exchange("UIDL", "-ERR not supported\r\n")
        .Exchange("TOP 1 0", header)
        .Expect("QUIT\r\n")
        .SilentUntilClosed();
    server.Start();
    AddAccount("Closing", "bob", "pw", server.Port());
    Open();
    frm->show();
    // The one row is listed only after its summary, so a wait with a row is the wait for QUIT.
    onPump = [&] {
        if (frm->isVisible() && frm->MailRows->Count() == 1) frm->close();
    };
    Check("Closing");
    server.Finish();
    EXPECT_FALSE(frm->isVisible());
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_FALSE(frm->POP31->Connected());
    EXPECT_EQ(applyRuns, 0);
}

TEST_F(MailCheckWire, HugeSizesAndUnusableListLinesKeepEveryReplyInStep)
{
    // A 3 GB message is listed like any other; its size cell says so.
    server.LoginOk("bob", "pw", "+OK 1 3221225472\r\n")
        .Exchange("LIST", "+OK\r\n1 3221225472\r\n.\r\n")
        .Exchange("UIDL", "-ERR\r\n")
        .Exchange("TOP 1 0", header)
        .Exchange("QUIT", "+OK\r\n");
    server.Start();
    AddAccount("Big", "bob", "pw", server.Port());
    Open();
    Check("Big");
    EXPECT_EQ(server.Finish(), "CAPA\r\nUSER bob\r\nPASS pw\r\nSTAT\r\nLIST\r\nUIDL\r\nTOP 1 0\r\nQUIT\r\n");
    ASSERT_EQ(frm->MailRows->Count(), 1);
    EXPECT_EQ(frm->MailRows->SizeText(0), QStringLiteral("3145728.00 KB"));
    EXPECT_TRUE(boxes.Shown().empty());

    // "1 abc": the check fails with its usual box, and QUIT still reads its own reply.
    ScriptedPop3Server bad;
    bad.LoginOk("bob", "pw", "+OK 1 5\r\n").Exchange("LIST", "+OK\r\n1 abc\r\n.\r\n").Exchange("QUIT", "+OK\r\n");
    bad.Start();
    AddAccount("Bad", "bob", "pw", bad.Port());
    frm.reset();
    Open();
    Check("Bad");
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text.rfind("Failed to connect to the mail server.\n\nAccount \"Bad\"", 0), 0u);
    EXPECT_EQ(bad.Finish(), "CAPA\r\nUSER bob\r\nPASS pw\r\nSTAT\r\nLIST\r\nQUIT\r\n");
    EXPECT_TRUE(Idle());
}

TEST_F(MailCheckWire, ALineTooLongIsExplainedAndTheRowsSoFarStay)
{
    server.LoginOk("bob", "pw", "+OK 2 10\r\n")
        .Exchange("LIST", "+OK\r\n1 5\r\n2 5\r\n.\r\n")
        .Exchange("UIDL", "-ERR\r\n")
        .Exchange("TOP 1 0", header)
        .Expect("TOP 2 0\r\n")
        .SendUntilCut("+OK\r\nSubject: " + std::string(TPowersock::MaxLineLength + 10, 'y') + "\r\n");
    server.Start();
    AddAccount("Long", "bob", "pw", server.Port());
    Open();
    Check("Long");
    server.Finish();
    EXPECT_EQ(boxes.Texts(), StringList{"The server sent a line that is too long."});
    EXPECT_EQ(frm->MailRows->Count(), 1);
    EXPECT_TRUE(Idle());
}
