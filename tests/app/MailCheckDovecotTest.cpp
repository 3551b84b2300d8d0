// The mail check of the real main window against a private Dovecot.
#include "MailCheckSupport.h"

#include "Dovecot.h"
#include "RequireTool.h"
#include "accounts/pwd_req.h"
#include "session/MessageCells.h"
#include "rules/RuleApplication.h"
#include "rules/RuleStore.h"
#include "lcd/LCDScreen.h"
#include "platform/Folders.h"
#include "platform/TextFile.h"
#include "widgets/QtText.h"
#include "widgets/Modal.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ListedRow.h"

#include <gtest/gtest.h>

namespace {

std::string Message(const std::string& headers, const std::string& body)
{
    return headers + "\r\n" + body;
}

class MailCheckDovecot : public ::testing::Test, public MailCheckFixture {
protected:
    void SetUp() override
    {
        REQUIRE_TOOL(Dovecot::Binary);
        server = std::make_unique<Dovecot>();
        server->AddUser("bob", "secret");
    }
    void StartWith(const std::vector<std::string>& messages)
    {
        for (const auto& m : messages) server->Deliver("bob", m);
        server->Start();
    }
    std::unique_ptr<Dovecot> server;
};

const std::string kFirst = Message(
    "From: Ann Example <ann@example.org>\r\nTo: bob@example.org\r\nSubject: Minutes of Tuesday\r\n"
    "Date: Tue, 8 Dec 2026 09:12:03 +0100\r\nMessage-ID: <1@example.org>\r\n",
    "Hello Bob,\r\nthe minutes are attached.\r\n");
const std::string kSecond = Message(
    "Delivery-Date: Tue, 8 Dec 2026 10:00:00 +0000\r\nX-Date: yesterday\r\nFrom: Prize Desk <win@prizes.example>\r\n"
    "Subject: Claim your lottery prize\r\n",
    std::string(3000, 'x') + "\r\n");
const std::string kThird = Message("From: build-bot@ci.example\r\nSubject: Nightly build\r\nDate:Wed\r\n", "ok\r\n");

}  // namespace

TEST_F(MailCheckDovecot, ListsEveryMessageFromItsHeaderAndSavesTheHeaders)
{
    StartWith({kFirst, kSecond, kThird});
    AddAccount("Work", "bob", "secret", server->Port());
    AddSubjectRule("lottery");
    Open();
    platform::ForceDirectories(home.Home() + "Work");
    platform::WriteLines(home.Home() + "Work/msg3.hdr", {"an older check"});

    boxes.Answer(platform::MsgResult::No);  // the rule's deletion question
    Check("Work");

    ASSERT_EQ(frm->MailRows->Count(), 3);
    const TMailRow& a = frm->MailRows->Row(0);
    EXPECT_EQ(a.From(), " Ann Example <ann@example.org>");
    EXPECT_EQ(a.Subject(), " Minutes of Tuesday");
    EXPECT_EQ(a.time, 1796717523);  // Tue, 8 Dec 2026 08:12:03 UTC
    EXPECT_EQ(a.Date(), "");  // the time holds it
    EXPECT_EQ(a.octets, int64_t(kFirst.size()));
    EXPECT_EQ(frm->MailRows->SizeText(0), QString::number(kFirst.size()) + " B");
    EXPECT_EQ(a.mark, -1);
    const TMailRow& b = frm->MailRows->Row(1);
    EXPECT_EQ(b.Date(), "");  // Delivery-Date and X-Date do not count
    EXPECT_EQ(b.time, INT64_MIN);
    EXPECT_EQ(FromQ(frm->MailRows->SizeText(1)), Trim(FormatMessageSize(long(kSecond.size()), '.')));
    EXPECT_EQ(b.mark, 0);  // the lottery rule
    EXPECT_EQ(frm->MailRows->data(frm->MailRows->index(1, 1), Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));
    EXPECT_FALSE(frm->MailRows->data(frm->MailRows->index(1, 0), Qt::DecorationRole).value<QIcon>().isNull());
    EXPECT_FALSE(frm->MailRows->data(frm->MailRows->index(0, 1), Qt::ForegroundRole).isValid());
    EXPECT_EQ(frm->MailRows->Row(2).Date(), "Wed");  // no date: shown as it stands
    EXPECT_EQ(ShownDate(frm->MailRows->Row(2)), "Wed");

    StringList header = platform::ReadLines(home.Home() + "Work/msg0.hdr");
    ASSERT_EQ(header.size(), 7u);  // five header lines, the empty line, "."
    EXPECT_EQ(header[0], "From: Ann Example <ann@example.org>");
    EXPECT_EQ(header[5], "");
    EXPECT_EQ(header[6], ".");
    EXPECT_NE(platform::ReadBytes(home.Home() + "Work/msg0.hdr").find("\r\n.\r\n"), std::string::npos);
    EXPECT_TRUE(platform::FileExists(home.Home() + "Work/msg2.hdr"));
    EXPECT_EQ(platform::ReadLines(home.Home() + "Work/msg3.hdr"), StringList{"an older check"});
    EXPECT_EQ(frm->MailRows->HeaderFile(2), home.Home() + "Work/msg2.hdr");

    const StringList course = {"Checking Mail ...", "Connecting Work ...", "Connected", "Total Messages: 3",
                               "Dowmloading Message 1 of 3", "Dowmloading Message 2 of 3",
                               "Dowmloading Message 3 of 3", "right click messages to view details ...."};
    EXPECT_EQ(lcdTexts, course);
    EXPECT_TRUE(frm->LCD1->AnimationEnabled());
    EXPECT_TRUE(Idle());
    EXPECT_EQ(applyRuns, 1);
    ASSERT_EQ(boxes.Texts(), StringList{rules::DeletionQuestion(1)});
    EXPECT_EQ(frm->cur_account, "Work");
    EXPECT_EQ(frm->MailRows->Row(2).octets, int64_t(kThird.size()));
    EXPECT_EQ(frm->VemPOP1->Host, "127.0.0.1");
    EXPECT_EQ(frm->VemPOP1->Port, std::to_string(server->Port()));
    EXPECT_EQ(frm->VemPOP1->UserId, "bob");
    EXPECT_EQ(frm->VemPOP1->UserPasswd, "secret");
    EXPECT_EQ(server->CountMessages("bob"), 3);  // a check deletes nothing
}

TEST_F(MailCheckDovecot, AnEmptyMailboxEndsBlankWithTheFolderMadeAndNoRulesApplied)
{
    StartWith({});
    AddAccount("Empty Box", "bob", "secret", server->Port());
    Open();
    Check("Empty Box");
    EXPECT_TRUE(SawLcd("Total Messages: 0"));
    EXPECT_EQ(Lcd(), "No messages in Empty Box");
    EXPECT_EQ(frm->MailRows->Count(), 0);
    EXPECT_TRUE(platform::DirectoryExists(home.Home() + "Empty Box"));
    EXPECT_EQ(applyRuns, 0);
    EXPECT_TRUE(Idle());
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(MailCheckDovecot, APasswordThatIsNotRememberedIsAskedForEveryTime)
{
    StartWith({kThird});
    AddAccount("Asked", "bob", "", server->Port(), false);
    Open();
    int asked = 0;
    auto saved = widgets::SetModalHandler([&](QDialog& dialog) {
        auto* prompt = dynamic_cast<Tfrm_pwd_req*>(&dialog);
        EXPECT_NE(prompt, nullptr);
        if (!prompt) return int(QDialog::Rejected);
        ++asked;
        EXPECT_NE(prompt->findChild<QLabel*>() , nullptr);
        bool namesAccount = false;
        for (QLabel* label : prompt->findChildren<QLabel*>()) namesAccount |= label->text() == "Asked";
        EXPECT_TRUE(namesAccount);
        QLineEdit* field = prompt->findChild<QLineEdit*>();
        EXPECT_EQ(field->text(), "");
        field->setText("secret");
        dialog.accept();
        return dialog.result();
    });
    Check("Asked");
    Check("Asked");
    widgets::SetModalHandler(std::move(saved));
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(frm->MailRows->Count(), 1);
    EXPECT_EQ(frm->VemPOP1->UserPasswd, "secret");
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(MailCheckDovecot, CancellingThePasswordPromptSaysSoAndChangesNothingElse)
{
    StartWith({kThird});
    AddAccount("Asked", "bob", "", server->Port(), false);
    Open();
    frm->MailRows->AddRow(ListedRow("earlier", "row"));
    auto saved = widgets::SetModalHandler([](QDialog& dialog) {
        dialog.reject();
        return dialog.result();
    });
    Check("Asked");
    widgets::SetModalHandler(std::move(saved));
    EXPECT_EQ(frm->MailRows->Count(), 1);
    EXPECT_EQ(Lcd(), "No password given: Asked was not checked");
    EXPECT_TRUE(frm->LCD1->AnimationEnabled());
    EXPECT_TRUE(Idle());
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(MailCheckDovecot, AWrongPasswordIsNamedOnTheDisplayThenReported)
{
    StartWith({kFirst});
    AddAccount("Work", "bob", "wrong", server->Port());
    Open();
    Check("Work");
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text.rfind("Failed to connect to the mail server.\n\nAccount \"Work\" on 127.0.0.1", 0), 0u);
    EXPECT_NE(boxes.Shown()[0].text.find("the server refused the user name or password: \"[AUTH] Authentication failed.\""),
              std::string::npos);
    EXPECT_EQ(boxes.Shown()[0].icon, platform::MsgIcon::Warning);
    EXPECT_TRUE(SawLcd("Invalid user name or password"));
    EXPECT_EQ(frm->MailRows->Count(), 0);
    EXPECT_EQ(Lcd().rfind("Check of Work failed: the server refused the user name or password", 0), 0u);
    EXPECT_EQ(applyRuns, 0);
    EXPECT_TRUE(Idle());
}

TEST_F(MailCheckDovecot, ARefusedPortIsNamedOnTheDisplayThenReported)
{
    StartWith({});
    AddAccount("Nowhere", "bob", "secret", ClosedPort());
    Open();
    Check("Nowhere");
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_NE(boxes.Shown()[0].text.find("the server refused the connection"), std::string::npos);
    EXPECT_TRUE(SawLcd("Connection Failed"));
    EXPECT_TRUE(Idle());
    EXPECT_FALSE(frm->POP31->Connected());
}

TEST_F(MailCheckDovecot, StopDuringTheSummariesKeepsTheRowsFetchedSoFar)
{
    StartWith({kFirst, kSecond, kThird, kFirst, kSecond});
    AddAccount("Work", "bob", "secret", server->Port());
    Open();
    // Stop is pressed just as the third summary is due: a fast server may answer every summary
    // without a wait, so the click is played at that moment rather than inside a wait.
    onLcd = [&](const std::string& text) {
        if (text == "Dowmloading Message 3 of 5") {
            EXPECT_TRUE(frm->cmdStop->isEnabled());
            frm->cmdStop->trigger();
        }
    };
    Check("Work");
    EXPECT_EQ(frm->MailRows->Count(), 2);
    EXPECT_TRUE(SawLcd("Operation cancelled by user"));
    EXPECT_EQ(lcdTexts.back(), "right click messages to view details ....");
    EXPECT_EQ(applyRuns, 1);
    EXPECT_TRUE(Idle());
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ(server->CountMessages("bob"), 5);
}

TEST_F(MailCheckDovecot, ClosingTheWindowDuringACheckEndsItWithoutFurtherQuestions)
{
    StartWith({kFirst, kSecond, kThird});
    AddAccount("Work", "bob", "secret", server->Port());
    Open();
    frm->show();
    int rowsWhenClosed = -1;
    onPump = [&] {
        if (frm->isVisible() && frm->MailRows->Count() >= 1) {
            rowsWhenClosed = frm->MailRows->Count();
            frm->close();
        }
    };
    Check("Work");
    EXPECT_FALSE(frm->isVisible());
    ASSERT_GE(rowsWhenClosed, 1);
    EXPECT_EQ(frm->MailRows->Count(), rowsWhenClosed);
    EXPECT_FALSE(frm->POP31->Connected());
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ(applyRuns, 0);
}

TEST_F(MailCheckDovecot, RowsAndHeaderFilesAreTheSameWithAndWithoutPipelining)
{
    std::vector<std::string> messages;
    for (int i = 0; i < 40; ++i)
        messages.push_back(Message("From: s" + std::to_string(i) + "@example.org\r\nSubject: Number " + std::to_string(i) +
                                       "\r\nDate: Tue, 8 Dec 2026 09:12:03 +0100\r\n",
                                   std::string(size_t(100 + 37 * i), 'b') + "\r\n"));
    StartWith(messages);
    AddAccount("Work", "bob", "secret", server->Port());
    Open();
    auto snapshot = [&] {
        StringList seen;
        for (int i = 0; i < frm->MailRows->Count(); ++i) {
            const TMailRow& r = frm->MailRows->Row(i);
            seen.push_back(std::string(r.From()) + "|" + std::string(r.Subject()) + "|" + std::to_string(r.time) + "|" +
                           FromQ(frm->MailRows->SizeText(i)) + "|" + platform::ReadBytes(frm->MailRows->HeaderFile(i)));
        }
        return seen;
    };
    const int window = frm->POP31->PipelineWindow;
    frm->POP31->PipelineWindow = 1;
    Check("Work");
    const StringList lockStep = snapshot();
    ASSERT_EQ(lockStep.size(), 40u);
    frm->POP31->PipelineWindow = window;
    Check("Work");
    EXPECT_TRUE(frm->POP31->HasCapability("PIPELINING"));
    EXPECT_EQ(snapshot(), lockStep);
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(MailCheckDovecot, AHeaderFieldRuleMarksExactlyTheMessagesWithTheField)
{
    const std::string plain = "From: ann@example.org\r\nSubject: Lunch\r\n";
    StartWith({Message(plain + "X-Spam-Flag: YES\r\n", "spam\r\n"), Message(plain + "X-Spam-Flag: NO\r\n", "ham\r\n"),
               Message(plain + "Authentication-Results: mx;\r\n\tdmarc=fail (p=none)\r\n", "x\r\n"),
               Message(plain + "x-spam-flag:\r\n YES\r\n", "folded spam\r\n")});
    AddAccount("Work", "bob", "secret", server->Port());
    rules::AddHeaderRuleEntry("X-Spam-Flag", "YES", true);
    Open();
    boxes.Answer(platform::MsgResult::No);
    Check("Work");
    auto marks = [&] {
        std::vector<int> seen;
        for (int i = 0; i < frm->MailRows->Count(); ++i) seen.push_back(frm->MailRows->Row(i).mark);
        return seen;
    };
    EXPECT_EQ(marks(), (std::vector<int>{0, -1, -1, 0}));
    EXPECT_EQ(frm->MailRows->data(frm->MailRows->index(3, 1), Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));
    EXPECT_EQ(boxes.Texts(), StringList{rules::DeletionQuestion(2)});

    // A rule added later judges the listed rows by their saved headers.
    rules::AddHeaderRuleEntry("Authentication-Results", "dmarc=fail", true);
    auto saved = widgets::SetModalHandler([](QDialog& dialog) { return dialog.accept(), dialog.result(); });
    frm->cmd_rule->trigger();
    widgets::SetModalHandler(std::move(saved));
    EXPECT_EQ(marks(), (std::vector<int>{0, -1, 0, 0}));
}
