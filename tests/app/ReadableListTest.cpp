// The list as a person reads and works it: decoded names and subjects, sorting that never
// changes which server message a row stands for, a layout kept between runs, and the keys.
#include "MailCheckSupport.h"
#include "ModalScript.h"

#include "Dovecot.h"
#include "ListedRow.h"
#include "RequireTool.h"
#include "ScriptedPop3Server.h"
#include "accounts/NewAcc.h"
#include "app/ManualWindow.h"
#include "app/msg_src.h"
#include "platform/Folders.h"
#include "platform/Shell.h"
#include "platform/TextFile.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using platform::MsgResult;

class ReadableList : public ::testing::Test, public MailCheckFixture {
protected:
    // What the list shows in a column, top to bottom.
    StringList Column(int column) const
    {
        StringList shown;
        for (int r = 0; r < frm->MailSort->rowCount(); ++r)
            shown.push_back(frm->MailSort->index(r, column).data().toString().toStdString());
        return shown;
    }
    void ShowActive()
    {
        frm->show();
        frm->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(frm.get()));
        frm->MailList->setFocus();
        QApplication::processEvents();
    }
};

std::string Crlf(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n' && (out.empty() || out.back() != '\r')) out += '\r';
        out += c;
    }
    return out;
}

}  // namespace

TEST_F(ReadableList, TheDemoMessagesShowDecodedAndRulesMatchWhatIsShown)
{
    REQUIRE_TOOL(Dovecot::Binary);
    Dovecot server;
    server.AddUser("bob", "secret");
    for (const auto& e : platform::ListFolder(QUILLBOX_DEMO_MESSAGES))
        server.Deliver("bob", Crlf(platform::ReadBytes(std::string(QUILLBOX_DEMO_MESSAGES) + "/" + e.name)));
    server.Deliver("bob", "From: =?UTF-8?Q?Gl=C3=BCck?= <luck@example.org>\r\nSubject: =?UTF-8?B?TG90dGVyeQ==?=\r\n\r\nx\r\n");
    server.Start();
    AddAccount("Demo", "bob", "secret", server.Port());
    AddSubjectRule("lottery");
    Open();
    boxes.Answer(MsgResult::No);
    Check("Demo");
    ASSERT_EQ(frm->MailRows->Count(), 13);
    const StringList subjects = Column(TMailListModel::ColSubject), senders = Column(TMailListModel::ColFrom);
    EXPECT_EQ(subjects[3], "Grüße aus Berlin");
    EXPECT_EQ(senders[3], "Jörg Müller <joerg@example.de>");
    for (const std::string& s : subjects) EXPECT_EQ(s.find("=?"), std::string::npos) << s;
    EXPECT_EQ(frm->MailRows->Row(3).Subject(), " =?UTF-8?B?R3LDvMOfZSBhdXMgQmVybGlu?=");  // stored raw
    // A plain header is shown from its raw text, not held twice.
    EXPECT_FALSE(frm->MailRows->Row(3).ShownSubjectIsRaw());
    for (int i = 0; i < 13; ++i)
        if (frm->MailRows->Row(i).Subject().find("=?") == std::string::npos) {
            EXPECT_TRUE(frm->MailRows->Row(i).ShownSubjectIsRaw()) << subjects[size_t(i)];
        }
    EXPECT_NE(platform::ReadBytes(frm->MailRows->HeaderFile(3)).find("=?UTF-8?B?R3LDvMOfZSBhdXMgQmVybGlu?="),
              std::string::npos);
    // The encoded "Lottery" is marked like the plain ones.
    EXPECT_EQ(subjects[12], "Lottery");
    EXPECT_EQ(frm->MailRows->Row(12).mark, 0);
    EXPECT_EQ(boxes.Texts(), StringList{"There are 3 message(s) mark for deletion.\r\nAre you sure you want to permanently delete these messages ?"});
    EXPECT_EQ(frm->sbarListed->text(), "Demo: 13 messages listed");
}

TEST_F(ReadableList, FoldedFieldsShowWholeAndRulesSeeTheirContinuationLines)
{
    ScriptedPop3Server server;
    const std::string folded = "From:\r\n =?UTF-8?Q?J=C3=B6rg?= <j@x>\r\n"
                               "Subject: Your invoice\r\n for =?UTF-8?Q?Gr=C3=BC?=\r\n =?UTF-8?Q?=C3=9Fe?=\r\n"
                               "Date: Tue, 8 Dec 2026\r\n 10:00:00 +0000\r\n";
    server.LoginOk("bob", "pw", "+OK 2 200\r\n")
        .Exchange("LIST", "+OK\r\n1 100\r\n2 100\r\n.\r\n")
        .Exchange("UIDL", "+OK\r\n1 u1\r\n2 u2\r\n.\r\n")
        .Exchange("TOP 1 0", "+OK\r\n" + folded + "\r\n.\r\n")
        .Exchange("TOP 2 0", "+OK\r\nSubject:\r\n\tlottery win\r\n\r\n.\r\n")
        .Exchange("QUIT", "+OK\r\n");
    server.Start();
    AddAccount("Work", "bob", "pw", server.Port());
    AddSubjectRule("lottery");
    Open();
    boxes.Answer(MsgResult::No);
    Check("Work");
    server.Finish();
    EXPECT_EQ(Column(TMailListModel::ColSubject), (StringList{"Your invoice for Grüße", "lottery win"}));
    EXPECT_EQ(Column(TMailListModel::ColFrom)[0], "Jörg <j@x>");
    EXPECT_NE(frm->MailRows->Row(0).time, INT64_MIN);  // the folded date is read whole
    EXPECT_EQ(frm->MailRows->Row(0).mark, -1);
    EXPECT_EQ(frm->MailRows->Row(1).mark, 0);  // the rule found its word on the continuation line
    EXPECT_EQ(platform::ReadBytes(frm->MailRows->HeaderFile(0)), folded + "\r\n.\r\n");  // kept as received
}

TEST_F(ReadableList, EveryColumnSortsByWhatItMeans)
{
    Open();
    frm->MailRows->AddRows({ListedRow("b@x", " beta", " Tue, 8 Dec 2026 10:00:00 +0000"),
                            ListedRow("=?UTF-8?Q?Zora?= <z@x>", " alpha", " Mon, 7 Dec 2026 23:30:00 -0300"),
                            ListedRow("C@x", " Gamma", "not a date")});
    const int64_t octets[] = {5000, 20, 1000000};
    for (int i = 0; i < 3; ++i) const_cast<TMailRow&>(frm->MailRows->Row(i)).octets = octets[i];
    auto order = [&](int column, Qt::SortOrder way) {
        frm->MailList->sortByColumn(column, way);
        return Column(TMailListModel::ColSubject);
    };
    EXPECT_EQ(order(TMailListModel::ColSubject, Qt::AscendingOrder), (StringList{"alpha", "beta", "Gamma"}));
    EXPECT_EQ(order(TMailListModel::ColSubject, Qt::DescendingOrder), (StringList{"Gamma", "beta", "alpha"}));
    // By the shown sender: "Zora" comes last although its raw form begins with "=?".
    EXPECT_EQ(order(TMailListModel::ColFrom, Qt::AscendingOrder), (StringList{"beta", "Gamma", "alpha"}));
    // By the instant, not by the text: Mon 23:30 -0300 is Tue 02:30 UTC, before 10:00; no date first.
    EXPECT_EQ(order(TMailListModel::ColDate, Qt::AscendingOrder), (StringList{"Gamma", "alpha", "beta"}));
    EXPECT_EQ(order(TMailListModel::ColSize, Qt::AscendingOrder), (StringList{"alpha", "beta", "Gamma"}));
    // The model itself stays in server order.
    EXPECT_EQ(frm->MailRows->Row(0).Subject(), " beta");
}

TEST_F(ReadableList, SendersShowAndSortWithoutTheQuotesOfTheirNames)
{
    Open();
    const std::string raw[] = {" \"Zed\" <z@x>", " Bob <b@x>", " \"Ann \\\"AE\\\" Example\" <ann@x>",
                               " \"=?UTF-8?Q?J=C3=B6rg?=\" <j@x>", " \"Doe, Jane\" <\"jd\"@x>", " \"open <o@x>"};
    for (const std::string& from : raw) frm->MailRows->AddRow(ListedRow(from, from));
    EXPECT_EQ(Column(TMailListModel::ColFrom), (StringList{"Zed <z@x>", "Bob <b@x>", "Ann \"AE\" Example <ann@x>",
                                                           "J\u00f6rg <j@x>", "Doe, Jane <\"jd\"@x>", "\"open <o@x>"}));
    frm->MailRows->RemoveRow(5);  // an unclosed quote stays as it stands, wherever that sorts
    frm->MailList->sortByColumn(TMailListModel::ColFrom, Qt::AscendingOrder);
    EXPECT_EQ(Column(TMailListModel::ColFrom), (StringList{"Ann \"AE\" Example <ann@x>", "Bob <b@x>",
                                                           "Doe, Jane <\"jd\"@x>", "J\u00f6rg <j@x>", "Zed <z@x>"}));
    EXPECT_EQ(frm->MailRows->Row(0).From(), raw[0]);  // stored as received
}

TEST_F(ReadableList, ViewAndDeleteAfterSortingAddressTheRightServerMessage)
{
    ScriptedPop3Server server;
    auto top = [](const char* subject) { return std::string("+OK\r\nFrom: a@x\r\nSubject: ") + subject + "\r\n\r\n.\r\n"; };
    server.LoginOk("bob", "pw", "+OK 3 300\r\n")
        .Exchange("LIST", "+OK\r\n1 100\r\n2 100\r\n3 100\r\n.\r\n")
        .Exchange("UIDL", "+OK\r\n1 u1\r\n2 u2\r\n3 u3\r\n.\r\n")
        .Exchange("TOP 1 0", top("b"))
        .Exchange("TOP 2 0", top("c"))
        .Exchange("TOP 3 0", top("a"))
        .Exchange("QUIT", "+OK\r\n")
        .AcceptNext()  // View: the retrieval client
        .Greeting()
        .Exchange("USER bob", "+OK\r\n")
        .Exchange("PASS pw", "+OK\r\n")
        .Exchange("STAT", "+OK 3 300\r\n")
        .Exchange("LAST", "-ERR\r\n")
        .Exchange("LIST 3", "+OK 3 100\r\n")
        .Exchange("RETR 3", "+OK\r\nSubject: a\r\n\r\nthird body\r\n.\r\n")
        .Exchange("QUIT", "+OK\r\n")
        .AcceptNext()  // Delete: the mailbox client
        .MailboxGreeting()
        .Exchange("USER bob", "+OK\r\n")
        .Exchange("PASS pw", "+OK\r\n")
        .Exchange("STAT", "+OK 3 300\r\n")
        .Exchange("UIDL 2", "+OK 2 u2\r\n")
        .Exchange("DELE 2", "+OK\r\n")
        .Exchange("QUIT", "+OK\r\n");
    server.Start();
    AddAccount("Work", "bob", "pw", server.Port());
    Open();
    Check("Work");
    frm->MailList->sortByColumn(TMailListModel::ColSubject, Qt::AscendingOrder);
    ASSERT_EQ(Column(TMailListModel::ColSubject), (StringList{"a", "b", "c"}));

    ModalScript dialogs;
    dialogs.Then([&](QDialog&) -> int {
        EXPECT_EQ(frm->Windows().Frm_srcvu->Memo1->toPlainText(), "third body");
        return QDialog::Accepted;
    });
    frm->MailList->selectRow(0);  // "a", message 3 on the server
    frm->cmd_vumsgClick();

    frm->MailList->selectRow(2);  // "c", message 2
    boxes.Answer(MsgResult::Yes);
    frm->cmd_del->trigger();
    EXPECT_EQ(Column(TMailListModel::ColSubject), (StringList{"a", "b"}));
    const std::string sent = server.Finish();
    EXPECT_NE(sent.find("RETR 3\r\n"), std::string::npos);
    EXPECT_NE(sent.find("DELE 2\r\n"), std::string::npos);
}

TEST_F(ReadableList, SizePlaceColumnsAndSortOrderComeBackAfterARestart)
{
    Open();
    frm->resize(700, 480);
    frm->show();  // widths are the user's on a window in sight
    QApplication::processEvents();
    frm->MailList->setColumnWidth(TMailListModel::ColFrom, 222);
    frm->MailList->sortByColumn(TMailListModel::ColDate, Qt::DescendingOrder);
    frm->close();
    frm.reset();
    Open();
    frm->show();
    QApplication::processEvents();
    EXPECT_EQ(frm->size(), QSize(700, 480));
    EXPECT_EQ(frm->MailList->columnWidth(TMailListModel::ColFrom), 222);
    EXPECT_EQ(frm->MailList->horizontalHeader()->sortIndicatorSection(), TMailListModel::ColDate);
    EXPECT_EQ(frm->MailList->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
}

TEST_F(ReadableList, KeysReachTheirCommandsAndAFirstAccountCanBeAdded)
{
    Open();
    ShowActive();
    // With no account the drop-down offers to make one.
    emit frm->PopupMenu1->aboutToShow();
    ASSERT_EQ(frm->PopupMenu1->actions().size(), 1);
    EXPECT_EQ(frm->PopupMenu1->actions()[0]->text(), "Add an account...");
    ModalScript dialogs;
    dialogs.Then([&](QDialog& d) -> int {
        EXPECT_EQ(d.windowTitle(), "Create new account");
        return QDialog::Rejected;
    });
    frm->PopupMenu1->actions()[0]->trigger();
    EXPECT_EQ(dialogs.Shown(), 1);

    frm->MailRows->AddRows({ListedRow("a@x", " one"), ListedRow("b@x", " two")});
    frm->cur_account = "Work";
    const std::string folder = home.Home() + "Work/";
    platform::ForceDirectories(folder);
    frm->MailRows->SetHeaderFolder(folder);
    for (int i = 0; i < 2; ++i) {
        const_cast<TMailRow&>(frm->MailRows->Row(i)).headerNumber = i;
        platform::WriteLines(folder + "msg" + std::to_string(i) + ".hdr", {"Subject: x", "", "."});
    }
    frm->MailList->selectRow(1);
    ShowActive();

    dialogs.Then([&](QDialog&) -> int {
        EXPECT_EQ(frm->Windows().Frm_srcvu->windowTitle(), "Message Source");
        return QDialog::Accepted;
    });
    QTest::keyClick(frm->MailList, Qt::Key_U, Qt::ControlModifier);
    EXPECT_EQ(dialogs.Shown(), 2);

    boxes.Answer(MsgResult::No);
    QTest::keyClick(frm->MailList, Qt::Key_Delete);
    EXPECT_EQ(boxes.Texts(), StringList{"Are you sure you want to delete selected messages(s) ?"});

    // F1: the manual in the program's own window, which needs no browser.
    QTest::keyClick(frm->MailList, Qt::Key_F1);
    ASSERT_NE(frm->ManualWindow(), nullptr);
    EXPECT_TRUE(frm->ManualWindow()->isVisible());
    frm->ManualWindow()->close();

    // Enter views: the retrieval client is asked to connect to the last check's server.
    frm->VemPOP1->Host = "127.0.0.1";
    frm->VemPOP1->Port = std::to_string(ClosedPort());
    lcdTexts.clear();
    QTest::keyClick(frm->MailList, Qt::Key_Return);
    EXPECT_EQ(lcdTexts, (StringList{"Downloading message ...", "Connect failed. Maybe the server is down or not responding."}));

    // F5 checks the only account.
    ScriptedPop3Server server;
    server.LoginOk("bob", "pw", "+OK 0 0\r\n").Exchange("LIST", "+OK\r\n.\r\n").Exchange("UIDL", "+OK\r\n.\r\n").Exchange("QUIT", "+OK\r\n");
    server.Start();
    AddAccount("Only", "bob", "pw", server.Port());
    frm.reset();
    Open();
    ShowActive();
    QTest::keyClick(frm->MailList, Qt::Key_F5);
    EXPECT_EQ(frm->cur_account, "Only");
    server.Finish();
    EXPECT_EQ(frm->mnuCheckMail->shortcut(), QKeySequence(Qt::Key_F5));
    EXPECT_EQ(frm->mnuHelpContents->shortcut(), QKeySequence(Qt::Key_F1));
}
