// The spam filter in the real main window against a private Dovecot: scores and marks after a
// check, what the deletion question counts, friends never marked, blocked senders always,
// "Not spam" keeping a message, training from the list and from a Maildir folder, and a filter
// whose database cannot be opened.
#include "MailCheckSupport.h"
#include "ModalScript.h"

#include "Dovecot.h"
#include "RequireTool.h"
#include "session/MessageIdentity.h"
#include "app/SendersDialog.h"
#include "app/TrainFolderDialog.h"
#include "filter/SpamFilter.h"
#include "platform/Folders.h"
#include "platform/TextFile.h"
#include "rules/RuleApplication.h"

#include <QApplication>
#include <QLabel>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTest>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using platform::MsgResult;

std::string Message(const std::string& from, const std::string& subject, int n, const std::string& mailer)
{
    return "From: " + from + "\r\nSubject: " + subject + "\r\nDate: Tue, 8 Dec 2026 09:0" + std::to_string(n % 10) +
           ":00 +0100\r\nMessage-ID: <" + std::to_string(n) + "." + mailer + "@example.net>\r\nX-Mailer: " + mailer +
           "\r\n\r\nBody " + std::to_string(n) + "\r\n";
}
std::string Spammy(const std::string& from, int n) { return Message(from, "WIN CASH NOW!!! $$$ prize " + std::to_string(n), n, "BulkBlaster"); }
std::string Wanted(const std::string& from, int n) { return Message(from, "Minutes of the team meeting " + std::to_string(n), n, "Evolution"); }
std::string HeaderOf(const std::string& message) { return message.substr(0, message.find("\r\n\r\n") + 2); }

class SpamTriage : public ::testing::Test, public MailCheckFixture {
protected:
    void SetUp() override
    {
        REQUIRE_TOOL(Dovecot::Binary);
        server = std::make_unique<Dovecot>();
        server->AddUser("bob", "secret");
    }
    // What the user taught the filter before: a few of each kind, one friend, one blocked domain.
    void Teach()
    {
        TSpamFilter filter(SpamDatabasePath());
        for (int i = 0; i < 6; ++i) {
            filter.Train("s" + std::to_string(i), HeaderOf(Spammy("Prize Desk <win@prizes.example>", 100 + i)), TTrainAs::Spam);
            filter.Train("h" + std::to_string(i), HeaderOf(Wanted("Carol <carol@example.org>", 200 + i)), TTrainAs::Ham);
        }
        filter.AddSender(TSenderList::Friend, "friend@example.org");
        filter.AddSender(TSenderList::Blocked, "pushy.example");
    }
    void CheckWith(const std::vector<std::string>& messages)
    {
        for (const auto& m : messages) server->Deliver("bob", m);
        server->Start();
        AddAccount("Work", "bob", "secret", server->Port());
        Open();
        Check("Work");
        ASSERT_EQ(frm->MailRows->Count(), int(messages.size()));
    }
    const TMailRow& Row(int i) { return frm->MailRows->Row(i); }

    std::unique_ptr<Dovecot> server;
    ModalScript dialogs;
};

}  // namespace

TEST_F(SpamTriage, ScoresMarkTheRowsTheQuestionCountsWhatMarkedThemAndNotSpamKeepsAMessage)
{
    Teach();
    AddSubjectRule("lottery");
    const std::vector<std::string> messages = {
        Wanted("Carol <carol@example.org>", 1),
        Spammy("Prize Desk <win@prizes.example>", 2),
        Spammy("Friend <friend@example.org>", 3),  // a friend, with a rule's word besides
        Wanted("Sales <offers@mail.pushy.example>", 4),
        Message("Dave <dave@example.org>", "Lottery results", 5, "Evolution"),
    };
    const_cast<std::string&>(messages[2]).replace(messages[2].find("prize"), 5, "lottery");
    boxes.Answer(MsgResult::No);
    CheckWith(messages);

    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text,
              "There are 3 message(s) mark for deletion.\r\nAre you sure you want to permanently delete these messages ?");
    EXPECT_EQ(boxes.Shown()[0].detail.substr(0, boxes.Shown()[0].detail.find('\n')),
              "3 messages are marked for deletion: 1 by your rules, 1 as likely spam, 1 from a blocked sender.");
    EXPECT_EQ(boxes.Shown()[0].defaultButton, MsgResult::No);
    EXPECT_EQ(Row(0).mark, rules::kNoMark);
    EXPECT_LT(Row(0).spamScore, frm->SpamThreshold());
    EXPECT_EQ(Row(1).mark, rules::kMarkedAsSpam);
    EXPECT_GE(Row(1).spamScore, frm->SpamThreshold());
    EXPECT_EQ(Row(2).mark, rules::kNoMark);  // friends are never marked, by anything
    EXPECT_FALSE(rules::DrawnRed(Row(2).mark));
    EXPECT_EQ(Row(3).mark, rules::kMarkedBlocked);
    EXPECT_EQ(Row(4).mark, rules::kMarkedByRule);
    const QModelIndex spamCell = frm->MailRows->index(1, TMailListModel::ColSpam);
    EXPECT_NEAR(spamCell.data().toDouble(), Row(1).spamScore, 0.05);
    EXPECT_EQ(server->Messages("bob").size(), 5u);  // No deleted nothing

    // "Not spam" takes the mark away for good; Apply Rules then deletes the other two only.
    Select({1});
    frm->NotSpam1Click();
    EXPECT_EQ(Row(1).mark, rules::kNoMark);
    EXPECT_EQ(frm->SpamFilter()->TrainedAs(IdentityOfHeader(platform::ReadLines(frm->MailRows->HeaderFile(1))).headerKey),
              TTrainAs::Ham);
    // A click on a rule's mark takes it away too; a blocked sender's mark stays.
    frm->show();
    QApplication::processEvents();
    for (int row : {4, 3}) {
        const QRect cell = frm->MailList->visualRect(frm->MailSort->mapFromSource(frm->MailRows->index(row, 0)));
        QTest::mouseClick(frm->MailList->viewport(), Qt::LeftButton, {}, cell.topLeft() + QPoint(8, cell.height() / 2));
    }
    EXPECT_EQ(Row(4).mark, rules::kNoMark);
    EXPECT_EQ(Row(3).mark, rules::kMarkedBlocked);
    boxes.Answer(MsgResult::Yes);
    frm->ApplyRules1Click();
    EXPECT_EQ(boxes.Shown().back().detail.substr(0, boxes.Shown().back().detail.find('\n')),
              "1 message is marked for deletion: 1 from a blocked sender.");
    EXPECT_EQ(server->Messages("bob"), (StringList{messages[0], messages[1], messages[2], messages[4]}));
}

TEST_F(SpamTriage, TrainingFromTheListAndFromAFolderCountsEachMessageOnceAndTheSendersDialogChangesTheMarks)
{
    CheckWith({Spammy("Prize Desk <win@prizes.example>", 1), Wanted("Carol <carol@example.org>", 2)});
    EXPECT_EQ(Row(0).spamScore, -1);  // nothing learnt yet: no score rather than a guess
    TSpamFilter& filter = *frm->SpamFilter();

    Select({0});
    frm->MarkAsSpam1Click();
    frm->MarkAsSpam1Click();
    EXPECT_EQ(filter.SpamMessages(), 1u);
    EXPECT_EQ(Row(0).mark, rules::kMarkedAsSpam);

    // A Maildir holding the same spam and two more: the one already learnt counts once.
    const std::string maildir = home.Temp() + "Junk";
    for (const char* sub : {"/cur", "/new", "/tmp"}) std::filesystem::create_directories(maildir + sub);
    const std::string known = platform::ReadBytes(frm->MailRows->HeaderFile(0));
    platform::WriteBytes(maildir + "/cur/1:2,S", known + "\r\nbody\r\n");
    platform::WriteBytes(maildir + "/new/2", Spammy("Prize Desk <win@prizes.example>", 7));
    platform::WriteBytes(maildir + "/new/3", Spammy("Prize Desk <win@prizes.example>", 8));
    dialogs.Then([&](QDialog& dialog) {
        auto& train = static_cast<TFrm_TrainFolder&>(dialog);
        train.txt_path->setText(QString::fromStdString(maildir));
        train.cmd_train->click();
        EXPECT_FALSE(train.Running());
        EXPECT_EQ(train.lbl_state->text().toStdString(), "3 messages read; 2 learnt as spam (1 already learnt)");
        return int(QDialog::Rejected);
    });
    frm->TrainFromFolder1Click();
    EXPECT_EQ(filter.SpamMessages(), 3u);

    // An mbox file is counted as it is read: a Cancel says how far it got, a whole run how many
    // it found, and the bar ends full.
    const std::string mbox = home.Temp() + "junk.mbox";
    platform::WriteBytes(mbox, "From a\n" + Spammy("Prize Desk <win@prizes.example>", 8) + "\n\nFrom b\n" +
                                   Spammy("Prize Desk <win@prizes.example>", 9));
    dialogs.Then([&](QDialog& dialog) {
        auto& train = static_cast<TFrm_TrainFolder&>(dialog);
        train.txt_path->setText(QString::fromStdString(mbox));
        QTimer::singleShot(0, train.cmd_cancel, &QPushButton::click);  // taken at the first progress report
        train.cmd_train->click();
        EXPECT_EQ(train.lbl_state->text().toStdString(), "Cancelled after 0 messages; 0 learnt as spam");
        train.cmd_train->click();
        EXPECT_EQ(train.lbl_state->text().toStdString(), "2 messages read; 1 learnt as spam (1 already learnt)");
        EXPECT_EQ(train.progress->value(), train.progress->maximum());
        return int(QDialog::Rejected);
    });
    frm->TrainFromFolder1Click();
    EXPECT_EQ(filter.SpamMessages(), 4u);

    // Blocking in the dialog marks the sender's rows at once; a bad entry is refused in words.
    dialogs.Then([&](QDialog& dialog) {
        auto& senders = static_cast<TFrm_Senders&>(dialog);
        senders.txt_sender->setText("not an address");
        senders.cmd_block->click();
        senders.txt_sender->setText("carol@example.org");
        senders.cmd_block->click();
        EXPECT_EQ(senders.lst_blocked->count(), 1);
        return int(QDialog::Rejected);
    });
    frm->Senders1Click();
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].icon, platform::MsgIcon::Warning);
    EXPECT_EQ(Row(1).mark, rules::kMarkedBlocked);
    Select({1});
    frm->AddSenderToFriends1Click();  // moves it from the blocked list to the friends
    EXPECT_EQ(Row(1).mark, rules::kNoMark);
    EXPECT_TRUE(Row(1).friendSender);
}

TEST_F(SpamTriage, AFilterWhoseDatabaseCannotBeOpenedIsNamedOnceAndTheListAndRulesStillWork)
{
    std::filesystem::create_directories(SpamDatabasePath());  // a folder where the file should be
    AddSubjectRule("lottery");
    boxes.Answer(MsgResult::OK);
    boxes.Answer(MsgResult::No);
    CheckWith({Wanted("Carol <carol@example.org>", 1), Message("Dave <dave@example.org>", "Lottery", 2, "Evolution")});
    ASSERT_EQ(boxes.Shown().size(), 2u);
    EXPECT_NE(boxes.Shown()[0].text.find("The spam filter could not open its database " + SpamDatabasePath()),
              std::string::npos);
    EXPECT_EQ(Row(0).spamScore, -1);
    EXPECT_EQ(Row(1).mark, rules::kMarkedByRule);
    Select({0});
    frm->MarkAsSpam1Click();  // nothing to learn with, and nothing said twice
    EXPECT_EQ(boxes.Shown().size(), 2u);
}
