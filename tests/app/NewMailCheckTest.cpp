// The checks Quillbox makes by itself, against a private Dovecot: which rows are new since the
// last check, timed checks on a clock of the test's own, and the notification they give.
#include "MailCheckSupport.h"
#include "ModalScript.h"

#include "Dovecot.h"
#include "FakeNotificationBus.h"
#include "RequireTool.h"
#include "accounts/AccountStore.h"
#include "session/CheckSchedule.h"
#include "session/SeenMessages.h"
#include "app/TrayIcon.h"
#include "mailbox/Kiropop3.h"
#include "platform/TextFile.h"

#include <QTableView>

#include <gtest/gtest.h>

namespace {

using platform::MsgResult;

std::string Mail(const std::string& subject) { return "From: Ann <ann@example.org>\r\nSubject: " + subject + "\r\n\r\nbody\r\n"; }

class NewMail : public ::testing::Test, public MailCheckFixture {
protected:
    void SetUp() override
    {
        REQUIRE_TOOL(Dovecot::Binary);
        server.AddUser("bob", "secret");
        server.AddUser("ann", "secret");
    }
    void Every(const std::string& account, int minutes)
    {
        TMailSettings s = Load_Mail_Settings(account);
        s.Interval = minutes;
        Save_Mail_Settings(account, s);
    }
    std::vector<bool> Bold() const
    {
        std::vector<bool> bold;
        for (int i = 0; i < frm->MailRows->Count(); ++i) bold.push_back(frm->MailRows->Row(i).isNew);
        return bold;
    }
    StringList SeenFile(const std::string& account) const
    {
        StringList lines = platform::ReadLines(home.Home() + account + "/" + TSeenMessages::kFileName);
        if (!lines.empty()) lines.erase(lines.begin());  // the file's own first line
        return lines;
    }
    void OpenWithClock()
    {
        Open();
        frm->UseScheduleClock([this] { return now; });
    }
    Dovecot server;
    int64_t now = 1'000'000;
};

}  // namespace

TEST_F(NewMail, OnlyMessagesNotSeenByTheCheckBeforeAreNewAndTheIdsFollowTheServer)
{
    for (const char* s : {"one", "two", "three"}) server.Deliver("bob", Mail(s));
    server.Start();
    AddAccount("Work", "bob", "secret", server.Port());
    Open();
    Check("Work");
    EXPECT_EQ(Bold(), (std::vector<bool>{true, true, true}));  // a first check: all new
    EXPECT_EQ(SeenFile("Work").size(), 3u);
    Check("Work");
    EXPECT_EQ(Bold(), (std::vector<bool>{false, false, false}));
    server.Deliver("bob", Mail("four"));
    Check("Work");
    EXPECT_EQ(Bold(), (std::vector<bool>{false, false, false, true}));

    // Another program deletes a message: its id leaves the file.
    DeleteElsewhere(server.Port(), "bob", 1);
    const StringList before = SeenFile("Work");
    Check("Work");
    const StringList after = SeenFile("Work");
    ASSERT_EQ(after.size(), 3u);
    EXPECT_EQ(after, StringList(before.begin() + 1, before.end()));
    EXPECT_EQ(Bold(), (std::vector<bool>{false, false, false}));
}

TEST_F(NewMail, TimedChecksComeAtTheirTicksOneAtATimeAndNeverPromptOrCutIn)
{
    server.Deliver("bob", Mail("for bob"));
    server.Deliver("ann", Mail("for ann"));
    server.Start();
    AddAccount("Work", "bob", "secret", server.Port());
    AddAccount("Home", "ann", "secret", server.Port());
    AddAccount("Asks", "bob", "", server.Port(), false);  // no remembered password
    Every("Work", 1);
    Every("Home", 2);
    Every("Asks", 1);
    OpenWithClock();
    ModalScript dialogs;  // any dialog (a password prompt) fails the test

    frm->CheckTick();
    EXPECT_TRUE(frm->cur_account.empty());  // nothing due yet
    now += 60'000;
    frm->CheckTick();
    EXPECT_EQ(frm->cur_account, "Work");
    EXPECT_EQ(Lcd(), "1 new message in Work");
    frm->CheckTick();
    EXPECT_EQ(frm->cur_account, "Work");  // Asks is due as well, but is never checked by itself

    now += 60'000;  // two minutes: both due; one check per tick
    frm->CheckTick();
    const std::string first = frm->cur_account;
    frm->CheckTick();
    EXPECT_NE(frm->cur_account, first);
    EXPECT_TRUE(first == "Work" || first == "Home");
    EXPECT_EQ(Lcd(), frm->cur_account == "Home" ? "1 new message in Home" : "No new messages in Work");

    // While the message window is open, a due check waits for it to close.
    now += 60'000;
    frm->cur_account = "Home";
    frm->MailList->selectRow(0);
    dialogs.Then([&](QDialog&) -> int {
        frm->CheckTick();
        EXPECT_EQ(frm->cur_account, "Home");
        return QDialog::Accepted;
    });
    frm->cmd_vumsgClick();
    frm->CheckTick();
    EXPECT_EQ(frm->cur_account, "Work");
    EXPECT_EQ(dialogs.Shown(), 1);
}

TEST_F(NewMail, ATimedCheckThatFindsNewMailNotifiesAndAsksAboutTheRulesOnlyForNewMail)
{
    REQUIRE_TOOL(TPrivateSessionBus::kDaemon);
    TPrivateSessionBus bus;
    TFakeNotificationService fake;
    QDBusConnection service = bus.Serve(fake);
    server.Deliver("bob", Mail("Win the lottery"));
    for (const char* subject : {"Minutes", "Agenda", "Notes", "Plan"}) server.Deliver("bob", Mail(subject));
    server.Start();
    AddAccount("Work", "bob", "secret", server.Port());
    AddSubjectRule("lottery");
    Every("Work", 5);
    OpenWithClock();
    frm->UseNotifier(std::make_unique<TDesktopNotifier>(bus.Connect("quillbox")));

    now += 5 * 60'000;
    boxes.Answer(MsgResult::No);  // the rule's question: the marked message is new
    frm->CheckTick();
    ASSERT_TRUE(TPrivateSessionBus::WaitFor([&] { return !fake.calls.empty(); }));
    EXPECT_EQ(fake.calls[0].summary, "5 new messages in Work");
    EXPECT_EQ(fake.calls[0].body, "Ann: Plan\nAnn: Notes\nAnn: Agenda\nand 2 more");
    EXPECT_EQ(fake.calls[0].actions, (QStringList{"default", "Show"}));
    EXPECT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(frm->Tray().NewCount("Work"), 5);

    // Nothing new: no notification, and no question about the same marked message again.
    now += 5 * 60'000;
    frm->CheckTick();
    QCoreApplication::processEvents();
    EXPECT_EQ(fake.calls.size(), 1u);
    EXPECT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(Lcd(), "No new messages in Work");

    // The notification's default action brings the window up on that account.
    frm->hide();
    TPrivateSessionBus::Emit(service, "ActionInvoked", fake.lastId, QStringLiteral("default"));
    ASSERT_TRUE(TPrivateSessionBus::WaitFor([&] { return frm->isVisible(); }));
    EXPECT_EQ(frm->Tray().NewCount("Work"), 0);
}

TEST_F(NewMail, TheTrayCountFollowsTheListAndOnlyTimedChecksNotify)
{
    REQUIRE_TOOL(TPrivateSessionBus::kDaemon);
    TPrivateSessionBus bus;
    TFakeNotificationService fake;
    QDBusConnection service = bus.Serve(fake);
    server.Start();
    AddAccount("Work", "bob", "secret", server.Port());
    Every("Work", 5);
    OpenWithClock();
    frm->UseNotifier(std::make_unique<TDesktopNotifier>(bus.Connect("quillbox")));
    auto timed = [&](std::vector<const char*> arriving, size_t notified) {
        for (const char* subject : arriving) server.Deliver("bob", Mail(subject));
        now += 5 * 60'000;
        frm->CheckTick();
        EXPECT_TRUE(TPrivateSessionBus::WaitFor([&] { return fake.calls.size() >= notified; }));
        return frm->Tray().NewCount("Work");
    };
    EXPECT_EQ(timed({"one"}, 1), 1);
    EXPECT_EQ(timed({}, 1), 0);  // nothing new: the row is no longer bold, nor counted
    EXPECT_EQ(timed({"two", "three"}, 2), 2);
    frm->MailRows->SetNew(1, false);
    frm->MailRows->RemoveRow(2);
    EXPECT_EQ(frm->Tray().NewCount("Work"), 0);
    // Check All Accounts is the user's own: counted, not notified; the next notification is the timed one's.
    server.Deliver("bob", Mail("four"));
    frm->mnuCheckAll->trigger();
    EXPECT_EQ(frm->Tray().NewCount("Work"), 1);
    EXPECT_EQ(timed({"five", "six"}, 3), 2);
    EXPECT_EQ(fake.calls.size(), 3u);
    EXPECT_EQ(fake.calls.back().summary, "2 new messages in Work");

    // A check that cannot log in forgets nothing: the next finds nothing new.
    TMailSettings settings = Load_Mail_Settings("Work");
    settings.Password = "wrong";
    Save_Mail_Settings("Work", settings);
    Check("Work");
    EXPECT_EQ(SeenFile("Work").size(), 6u);
    EXPECT_EQ(frm->Tray().NewCount("Work"), 2);
    settings.Password = "secret";
    Save_Mail_Settings("Work", settings);
    Check("Work");
    EXPECT_EQ(Bold(), std::vector<bool>(6, false));
    EXPECT_EQ(frm->Tray().NewCount("Work"), 0);  // the user's own check: seen
}

TEST_F(NewMail, AViewedMessageLosesItsBoldAndOneMarkedUnreadKeepsItUntilViewedWithoutCountingAsNew)
{
    for (const char* s : {"one", "two", "three"}) server.Deliver("bob", Mail(s));
    server.Start();
    AddAccount("Work", "bob", "secret", server.Port());
    Every("Work", 1);
    OpenWithClock();
    ModalScript dialogs;
    auto view = [&](int row) {
        Select({row});
        dialogs.Then([&, row](QDialog&) -> int {
            EXPECT_FALSE(frm->MailRows->Row(row).isNew);  // seen as soon as it shows
            return QDialog::Accepted;
        });
        frm->cmd_vumsgClick();
    };
    Check("Work");
    view(0);
    EXPECT_EQ(Bold(), (std::vector<bool>{false, true, true}));
    Check("Work");
    EXPECT_EQ(Bold(), (std::vector<bool>{false, false, false}));

    Select({1});
    QAction* markUnread = nullptr;
    for (QAction* item : frm->PopupMenu2->actions())
        if (item->text() == "Mark as unread") markUnread = item;
    ASSERT_NE(markUnread, nullptr);
    markUnread->trigger();
    EXPECT_EQ(Bold(), (std::vector<bool>{false, true, false}));
    // A timed check keeps it bold, and does not tell about it as new mail.
    now += 60'000;
    frm->CheckTick();
    EXPECT_EQ(Lcd(), "No new messages in Work");
    EXPECT_EQ(Bold(), (std::vector<bool>{false, true, false}));
    EXPECT_EQ(frm->Tray().NewCount("Work"), 1);  // the tray counts what the list shows bold
    view(1);
    Check("Work");
    EXPECT_EQ(Bold(), (std::vector<bool>{false, false, false}));
    EXPECT_EQ(dialogs.Shown(), 2);
}
