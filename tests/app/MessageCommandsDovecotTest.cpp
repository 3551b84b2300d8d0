// View Message, View Message Source, Delete and the rules' deletions of the real main window
// against a private Dovecot: what the user sees, what lands on disk, what the server keeps.
#include "MailCheckSupport.h"
#include "ModalScript.h"

#include "Dovecot.h"
#include "RequireTool.h"
#include "session/MessageIdentity.h"
#include "app/SaveFolder.h"
#include "app/msg_src.h"
#include "mailbox/Kiropop3.h"
#include "platform/Folders.h"
#include "platform/TextFile.h"
#include "retrieval/VemMIME.h"
#include "rules/RuleApplication.h"
#include "widgets/MailDate.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

using platform::MsgResult;

std::string Lines76(const std::string& base64)
{
    std::string out;
    for (size_t i = 0; i < base64.size(); i += 76) out += base64.substr(i, 76) + "\r\n";
    return out;
}

std::string Attachment(const std::string& name, const std::string& bytes)
{
    return "--b\r\nContent-Type: application/octet-stream; name=\"" + name +
           "\"\r\nContent-Transfer-Encoding: base64\r\nContent-Disposition: attachment; filename=\"" + name + "\"\r\n\r\n" +
           Lines76(EncodeBase64Text(bytes));
}

std::string WithAttachments(const std::string& subject, const std::vector<std::pair<std::string, std::string>>& files)
{
    std::string m = "From: Ann <ann@example.org>\r\nSubject: " + subject +
                    "\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n"
                    "--b\r\nContent-Type: text/plain\r\n\r\nSee the files.\r\n";
    for (const auto& [name, bytes] : files) m += Attachment(name, bytes);
    return m + "--b--\r\n";
}

std::string Plain(int n)
{
    std::string body;
    for (int i = 0; i < 600; ++i) body += "Line " + std::to_string(i) + " of message " + std::to_string(n) + ".\r\n";
    return "From: Sender " + std::to_string(n) + " <s" + std::to_string(n) + "@example.org>\r\nSubject: Message " +
           std::to_string(n) + "\r\nDate: Tue, 8 Dec 2026 09:0" + std::to_string(n) +
           ":00 +0100\r\nMessage-ID: <" + std::to_string(n) + "@example.org>\r\n\r\n" + body;
}

std::string Binary(size_t n)
{
    std::string bytes;
    for (size_t i = 0; i < n; ++i) bytes.push_back(char((i * 7 + 3) & 0xFF));
    return bytes;
}

class MessageCommands : public ::testing::Test, public MailCheckFixture {
protected:
    void SetUp() override
    {
        REQUIRE_TOOL(Dovecot::Binary);
        server = std::make_unique<Dovecot>();
        server->AddUser("bob", "secret");
    }
    void CheckWith(const std::vector<std::string>& messages, int rowsLeft = -1)
    {
        delivered = messages;
        for (const auto& m : messages) server->Deliver("bob", m);
        server->Start();
        AddAccount("Work", "bob", "secret", server->Port());
        Open();
        Check("Work");
        ASSERT_EQ(frm->MailRows->Count(), rowsLeft < 0 ? int(messages.size()) : rowsLeft);
        lcdTexts.clear();
    }
    TFrm_srcvu& Window() { return *frm->Windows().Frm_srcvu; }
    std::string Memo() { return Window().Memo1->toPlainText().toStdString(); }

    std::unique_ptr<Dovecot> server;
    std::vector<std::string> delivered;
    ModalScript dialogs;
};

}  // namespace

TEST_F(MessageCommands, ViewShowsTheBodyWithProgressAndEndsIdle)
{
    CheckWith({Plain(1), Plain(2)});
    Select({1, 0});
    dialogs.Then([&](QDialog&) -> int {
        EXPECT_EQ(Window().windowTitle(), "Message");
        // The row's texts as the list shows them: decoded, trimmed, the date in local time.
        EXPECT_EQ(Window().lblFrom->text(), "Sender 1 <s1@example.org>");
        EXPECT_EQ(Window().lblSub->text(), "Message 1");
        EXPECT_EQ(Window().lblDate->text(), DisplayDate(" Tue, 8 Dec 2026 09:01:00 +0100"));
        EXPECT_NE(Memo().find("Line 599 of message 1."), std::string::npos);
        EXPECT_FALSE(Window().AttList->isEnabled());
        EXPECT_FALSE(Window().SpeedButton1->isEnabled());
        EXPECT_FALSE(Window().SpeedButton2->isEnabled());
        EXPECT_FALSE(Idle());  // busy while the window is open
        return int(QDialog::Accepted);
    });
    frm->cmd_vumsgClick();
    EXPECT_EQ(dialogs.Shown(), 1);
    ASSERT_GE(lcdTexts.size(), 4u);
    EXPECT_EQ(lcdTexts[0], "Downloading message ...");
    EXPECT_EQ(lcdTexts[1], "downloading message 1 of 2");
    // Steps of ten as the chunks come, one final 100 at most, then the row count.
    std::vector<std::string> progress(lcdTexts.begin() + 2, lcdTexts.end() - 1);
    for (size_t i = 0; i < progress.size(); ++i) {
        int percent = std::stoi(progress[i]);
        EXPECT_EQ(progress[i], std::to_string(percent) + "% downloaded");
        if (i > 0) {
            EXPECT_GT(percent, std::stoi(progress[i - 1]));
        }
    }
    EXPECT_GE(std::stoi(progress.back()), 100);
    EXPECT_GE(progress.size(), 3u);
    EXPECT_EQ(lcdTexts.back(), "2 messages in your mailbox");
    EXPECT_TRUE(Idle());
    EXPECT_FALSE(frm->VemPOP1->Connected());
    EXPECT_EQ(frm->cur_msg, nullptr);
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ(platform::ListFolder(home.Temp()).size(), 0u);  // no work file left
}

TEST_F(MessageCommands, AttachmentsAreSavedByteForByteAndTheSourceViewKeepsSavingOff)
{
    const std::string pdf = Binary(5000), notes = "first line\r\nsecond line\r\n";
    CheckWith({WithAttachments("Files", {{"report.pdf", pdf}, {"notes.txt", notes}})});
    const std::string out = home.Root() + "saved/", outFolder = home.Root() + "saved", sub = out + "sub";
    platform::ForceDirectories(sub);
    platform::WriteBytes(out + "notes.txt", "older notes");
    Select({0});
    // Each save dialog opens where the last save went.
    auto saveAsIn = [&](const std::string& folder, const std::string& proposed, const std::string& path) {
        dialogs.Then([folder, proposed, path](QDialog& d) {
            auto& files = dynamic_cast<QFileDialog&>(d);
            EXPECT_EQ(files.directory().absolutePath().toStdString(), folder);
            EXPECT_EQ(files.selectedFiles().value(0).section('/', -1).toStdString(), proposed);
            files.selectFile(QString::fromStdString(path));
            return int(QDialog::Accepted);
        });
    };
    auto status = [&] { return Window().SaveStatus->text().toStdString(); };

    dialogs.Then([&](QDialog&) -> int {
        if (Window().AttList->count() != 2) return ADD_FAILURE() << "two attachments expected", int(QDialog::Rejected);
        EXPECT_EQ(Window().AttList->itemText(0), "report.pdf");
        EXPECT_EQ(Window().AttList->itemText(1), "notes.txt");
        EXPECT_EQ(Window().AttList->currentIndex(), 0);
        EXPECT_TRUE(Window().AttList->isEnabled());
        EXPECT_TRUE(Window().SpeedButton1->isEnabled());
        EXPECT_TRUE(Window().SpeedButton2->isEnabled());
        EXPECT_EQ(status(), "");
        // Save All never writes over a file: the one there stays, the attachment goes beside it.
        dialogs.ChooseFolder(outFolder);
        Window().SpeedButton2->click();
        EXPECT_EQ(status(), "2 attachments saved to " + outFolder +
                                "; under new names beside files of the same name: notes (2).txt");
        // Save Attach proposes the selected name; another name chosen is used instead.
        saveAsIn(outFolder, "report.pdf", sub + "/chosen.pdf");
        Window().SpeedButton1->click();
        EXPECT_EQ(status(), "chosen.pdf saved to " + sub);
        // An existing file is replaced only after Yes; No goes back to the dialog.
        Window().AttList->setCurrentIndex(1);
        saveAsIn(sub, "notes.txt", out + "notes.txt");
        boxes.Answer(MsgResult::No);
        saveAsIn(outFolder, "notes.txt", out + "notes.txt");
        boxes.Answer(MsgResult::Yes);
        Window().SpeedButton1->click();
        // The folder chooser starts there too.
        dialogs.Then([&](QDialog& d) {
            EXPECT_EQ(dynamic_cast<widgets::TBrowseFolderDialog&>(d).Folder(), outFolder);
            return int(QDialog::Rejected);
        });
        Window().SpeedButton2->click();
        return int(QDialog::Accepted);
    });
    frm->cmd_vumsgClick();
    EXPECT_EQ(dialogs.Shown(), 6);
    EXPECT_EQ(platform::ReadBytes(sub + "/chosen.pdf"), pdf);
    EXPECT_EQ(platform::ReadBytes(out + "notes.txt"), notes);
    EXPECT_EQ(platform::ReadBytes(out + "report.pdf"), pdf);
    EXPECT_EQ(platform::ReadBytes(out + "notes (2).txt"), notes);
    ASSERT_EQ(boxes.Shown().size(), 2u);
    EXPECT_EQ(boxes.Shown()[0].text, "notes.txt already exists.\nDo you want to replace it?");
    EXPECT_EQ(boxes.Shown()[0].caption, "Confirm Save As");
    EXPECT_EQ(boxes.Shown()[0].buttons, platform::MsgButtons::YesNo);
    EXPECT_EQ(StartFolderForSaving(), outFolder);  // kept for the next run

    // Right after, the header source: no server, no attachment of the message before.
    dialogs.Then([&](QDialog&) -> int {
        EXPECT_EQ(Window().windowTitle(), "Message Source");
        EXPECT_EQ(Memo(), "From: Ann <ann@example.org>\nSubject: Files\nMIME-Version: 1.0\n"
                          "Content-Type: multipart/mixed; boundary=\"b\"\n\n.");
        EXPECT_EQ(Window().AttList->count(), 0);
        EXPECT_EQ(Window().AttList->currentText(), "");
        EXPECT_FALSE(Window().AttList->isEnabled());
        EXPECT_FALSE(Window().SpeedButton1->isEnabled());
        EXPECT_FALSE(Window().SpeedButton2->isEnabled());
        EXPECT_EQ(status(), "");
        return int(QDialog::Accepted);
    });
    lcdTexts.clear();
    frm->cmd_vusrcClick();
    EXPECT_TRUE(lcdTexts.empty());
}

TEST_F(MessageCommands, AttachmentNamesFromTheSenderStayInsideTheChosenFolder)
{
    CheckWith({WithAttachments("Hostile", {{"../../.bashrc", "a"}, {"/etc/x", "b"}, {"dir\\\\sub\\\\c.txt", "c"},
                                           {"..", "d"}, {"same.txt", "e"}, {"same.txt", "f"}})});
    const std::string root = home.Root() + "target/", folder = root + "inner";
    platform::ForceDirectories(folder);
    Select({0});
    dialogs.Then([&](QDialog&) -> int {
        dialogs.ChooseFolder(folder);
        Window().SpeedButton2->click();
        return int(QDialog::Accepted);
    });
    frm->cmd_vumsgClick();
    StringList names;
    for (const auto& e : platform::ListFolder(folder)) names.push_back(e.name);
    // The parser already drops folder separators from names; ".." is left to the window.
    EXPECT_EQ(names, (StringList{".....bashrc", "attachment", "dirsubc.txt", "etcx", "same (2).txt", "same.txt"}));
    EXPECT_EQ(platform::ReadBytes(folder + "/same.txt"), "e");
    EXPECT_EQ(platform::ReadBytes(folder + "/same (2).txt"), "f");
    EXPECT_EQ(platform::ListFolder(root).size(), 1u);  // nothing beside the chosen folder
    EXPECT_FALSE(platform::FileExists(home.Root() + ".bashrc"));
}

TEST_F(MessageCommands, DeletingRowsTwoAndFourLeavesTheRestAddressable)
{
    CheckWith({Plain(1), Plain(2), Plain(3), Plain(4), Plain(5)});
    // No: nothing is sent at all.
    Select({1, 3});
    boxes.Answer(MsgResult::No);
    frm->cmd_delClick();
    EXPECT_TRUE(lcdTexts.empty());
    EXPECT_EQ(server->CountMessages("bob"), 5);

    boxes.Answer(MsgResult::Yes);
    frm->cmd_delClick();
    ASSERT_EQ(boxes.Shown().size(), 2u);
    EXPECT_EQ(boxes.Shown()[1].text, "Are you sure you want to delete selected messages(s) ?");
    EXPECT_EQ(boxes.Shown()[1].icon, platform::MsgIcon::Question);
    EXPECT_EQ(lcdTexts, (StringList{"Connecting...", "Connected", "Deleteing message 1 of 2", "Deleteing message 2 of 2",
                                    "3 Messages in your mailbox"}));
    EXPECT_TRUE(Idle());
    EXPECT_EQ(server->Messages("bob"), (StringList{delivered[0], delivered[2], delivered[4]}));
    ASSERT_EQ(frm->MailRows->Count(), 3);
    EXPECT_EQ(frm->MailRows->Row(2).Subject(), " Message 5");

    // The last row is message 3 now, and its header source is still its own.
    Select({2});
    dialogs.Then([&](QDialog&) -> int {
        EXPECT_NE(Memo().find("Line 0 of message 5."), std::string::npos);
        return int(QDialog::Accepted);
    });
    lcdTexts.clear();
    frm->cmd_vumsgClick();
    EXPECT_EQ(lcdTexts.at(1), "downloading message 3 of 3");
    dialogs.Then([&](QDialog&) -> int {
        EXPECT_NE(Memo().find("Subject: Message 5"), std::string::npos);
        return int(QDialog::Accepted);
    });
    frm->cmd_vusrcClick();
}

TEST_F(MessageCommands, AMailboxChangedByAnotherProgramLosesNothingWrong)
{
    CheckWith({Plain(1), Plain(2), Plain(3), Plain(4)});
    // Another program fetches and deletes message 1: every number below shifts.
    DeleteElsewhere(server->Port(), "bob", 1);
    ASSERT_EQ(server->CountMessages("bob"), 3);

    Select({1});  // "Message 2", which the server now numbers 1
    boxes.Answer(MsgResult::Yes);
    frm->cmd_delClick();
    EXPECT_EQ(boxes.Texts().back(), kMailboxChanged);
    EXPECT_EQ(server->Messages("bob"), (StringList{delivered[1], delivered[2], delivered[3]}));
    EXPECT_EQ(frm->MailRows->Count(), 4);
    EXPECT_TRUE(Idle());

    // The rules check the same way before their first DELE.
    frm->MailRows->SetMark(2, rules::kMarkedByRule);
    boxes.Answer(MsgResult::Yes);
    frm->ApplyRules1Click();
    EXPECT_EQ(boxes.Texts().back(), kMailboxChanged);
    EXPECT_EQ(server->CountMessages("bob"), 3);
    EXPECT_EQ(frm->MailRows->Row(2).mark, rules::kMarkedByRule);
}

TEST_F(MessageCommands, RulesDeleteExactlyTheMarkedMessagesAfterYes)
{
    std::vector<std::string> messages = {Plain(1), Plain(2), Plain(3), Plain(4), Plain(5)};
    messages[1].replace(messages[1].find("Subject: Message 2"), 18, "Subject: Lottery 2");
    messages[3].replace(messages[3].find("Subject: Message 4"), 18, "Subject: Lottery 4");
    AddSubjectRule("lottery");
    boxes.Answer(MsgResult::Yes);
    CheckWith(messages, 3);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].caption, "Delete Message");
    EXPECT_EQ(boxes.Shown()[0].text,
              "There are 2 message(s) mark for deletion.\r\nAre you sure you want to permanently delete these messages ?");
    EXPECT_EQ(boxes.Shown()[0].icon, platform::MsgIcon::Warning);
    EXPECT_EQ(boxes.Shown()[0].defaultButton, MsgResult::No);
    EXPECT_EQ(server->Messages("bob"), (StringList{messages[0], messages[2], messages[4]}));
    EXPECT_EQ(frm->MailRows->Row(1).Subject(), " Message 3");
    EXPECT_EQ(Lcd(), "Messages deleted successfully");
    EXPECT_TRUE(Idle());
}
