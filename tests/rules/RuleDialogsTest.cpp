#include "RulesTestHome.h"
#include "ScriptedBoxes.h"
#include "platform/Folders.h"
#include "platform/Registry.h"
#include "platform/TextFile.h"
#include "rules/RuleStore.h"
#include "rules/RuleTable.h"
#include "rules/RulesFile.h"
#include "rules/def_Rule.h"
#include "rules/rules.h"
#include "widgets/Modal.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sys/stat.h>

using namespace rules;

namespace {

const std::string kAction = " Delete message from the server";

class RuleDialogs : public ::testing::Test {
protected:
    RulesTestHome home;
    ScriptedBoxes boxes;
    std::unique_ptr<TFrm_Rules> frmRules;
    std::unique_ptr<TFrm_defRule> frmDefRule;
    widgets::ModalHandler savedModal;
    bool playing = false;

    void SetUp() override { Create(); }
    void TearDown() override
    {
        if (playing) widgets::SetModalHandler(std::move(savedModal));
    }

    // As start-up makes them: "Message Rules" first, then "Define Rule" wired to it.
    void Create()
    {
        frmDefRule.reset();
        frmRules = std::make_unique<TFrm_Rules>();
        frmDefRule = std::make_unique<TFrm_defRule>(*frmRules);
    }

    // Plays the user in whichever of the two dialogs is shown.
    void Play(std::function<void(TFrm_Rules&)> inRules, std::function<void(TFrm_defRule&)> inDefine)
    {
        auto old = widgets::SetModalHandler([=](QDialog& dialog) {
            if (auto* r = dynamic_cast<TFrm_Rules*>(&dialog); r && inRules) inRules(*r);
            if (auto* d = dynamic_cast<TFrm_defRule*>(&dialog); d && inDefine) inDefine(*d);
            return dialog.result();
        });
        if (!playing) savedModal = std::move(old);
        playing = true;
    }

    static void Fill(TFrm_defRule& d, int condition, int mode, const char* text)
    {
        d.cbo_cond->setCurrentIndex(condition);
        d.cbo_do->setCurrentIndex(mode);
        d.edit1->setText(QString::fromUtf8(text));
    }

    static bool FieldsReset(const TFrm_defRule& d)
    {
        return d.cbo_cond->currentIndex() == 0 && d.cbo_do->currentIndex() == 0 && d.edit1->text().isEmpty();
    }

    std::string RulesFileBytes() { return platform::ReadBytes(home.Folder() + kRulesFile); }
};

}  // namespace

TEST_F(RuleDialogs, EachShowingResetsAndOkWithBlankTextStoresNothing)
{
    Play(nullptr, [](TFrm_defRule& d) {
        EXPECT_FALSE(d.txt_fwdEmail->isVisible());
        EXPECT_FALSE(d.cbo_cond->isEditable());
        Fill(d, 1, 1, "  \t ");
        d.cmdok->click();
        EXPECT_FALSE(d.isVisible());
    });
    EXPECT_EQ(widgets::ShowModal(*frmDefRule), QDialog::Accepted);
    EXPECT_TRUE(frmRules->Lines().empty());
    EXPECT_FALSE(platform::TRegistry().KeyExists(std::string(kSubjectKey)));
    EXPECT_TRUE(boxes.Shown().empty());

    Play(nullptr, [](TFrm_defRule& d) {
        EXPECT_TRUE(FieldsReset(d));
        d.cmd_cancel->click();
    });
    EXPECT_EQ(widgets::ShowModal(*frmDefRule), QDialog::Rejected);
}

TEST_F(RuleDialogs, AddRuleRefusesACaseVariantDuplicateAndResetsTheFields)
{
    AddRuleEntry(RuleKind::Subject, "Win Money", true);
    Play(nullptr, [this](TFrm_defRule& d) {
        Fill(d, 1, 1, "  win MONEY ");  // other case, other mode: the same rule
        d.cmd_addRule->click();
        EXPECT_TRUE(FieldsReset(d));
        EXPECT_TRUE(d.isVisible());
        ASSERT_EQ(boxes.Shown().size(), 1u);

        Fill(d, 0, 1, "win money");  // the same text as a from-line rule is new
        d.cmd_addRule->click();
        EXPECT_TRUE(FieldsReset(d));
        d.cmd_cancel->click();
    });
    EXPECT_EQ(widgets::ShowModal(*frmDefRule), QDialog::Rejected);

    ASSERT_EQ(boxes.Shown().size(), 1u);
    const platform::MessageBoxRequest& box = boxes.Shown()[0];
    EXPECT_EQ(box.text, "This rule already exists.");
    EXPECT_EQ(box.caption, "Information");
    EXPECT_EQ(box.icon, platform::MsgIcon::Information);
    EXPECT_EQ(box.buttons, platform::MsgButtons::OK);
    EXPECT_EQ(frmRules->Lines(), (StringList{"Where from line Doesnot contain \"win money\"" + kAction}));
    EXPECT_EQ(get_rule_idx("WIN MONEY", true), 1);
}

TEST_F(RuleDialogs, MakeRuleTrimsAndPutsTheTextBack)
{
    Fill(*frmDefRule, 1, 0, " \t say \"hi\"\r\n ");
    EXPECT_TRUE(frmDefRule->make_rule());
    EXPECT_EQ(frmDefRule->edit1->text(), QString("say \"hi\""));
    EXPECT_FALSE(frmDefRule->make_rule());
    EXPECT_EQ(boxes.Texts(), (StringList{"This rule already exists."}));
    EXPECT_EQ(frmRules->Lines(), (StringList{"Where subject Contains \"say \"hi\"\"" + kAction}));
}

TEST_F(RuleDialogs, CancelKeepsTheStoredRuleAndWritesTheFileButOnlyOkReloads)
{
    TRuleTable table;  // the main window's table, loaded at start-up
    table.load_rules();
    auto addLottery = [](TFrm_defRule& d) {
        Fill(d, 1, 0, "lottery");
        d.cmdok->click();
    };
    Play([](TFrm_Rules& r) { r.cmd_new->click(), r.cmd_cancel->click(); }, addLottery);
    ASSERT_EQ(widgets::ShowModal(*frmRules), QDialog::Rejected);
    EXPECT_EQ(get_rule_idx("lottery", false), 1);
    EXPECT_EQ(RulesFileBytes(), "Where subject Contains \"lottery\"" + kAction + "\r\n");
    EXPECT_EQ(table.Get_rule_id("a@b.c", "You won the lottery"), -1);  // table untouched

    Play([](TFrm_Rules& r) { r.cmdok->click(); }, nullptr);
    ASSERT_EQ(widgets::ShowModal(*frmRules), QDialog::Accepted);
    table.load_rules();  // what the main window does after OK, before it re-marks the rows
    EXPECT_EQ(table.Get_rule_id("a@b.c", "You won the lottery"), 0);
    EXPECT_EQ(table.Get_rule_id("a@b.c", "lotteryfree"), -1);
}

TEST_F(RuleDialogs, EscAndTheCloseControlSaveTooAndAWriteFailureIsReported)
{
    Fill(*frmDefRule, 0, 0, "spammer");
    ASSERT_TRUE(frmDefRule->make_rule());
    const std::string expected = "Where from line Contains \"spammer\"" + kAction + "\r\n";
    Play([](TFrm_Rules& r) {
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&r, &esc);
    }, nullptr);
    EXPECT_EQ(widgets::ShowModal(*frmRules), QDialog::Rejected);
    EXPECT_EQ(RulesFileBytes(), expected);

    ASSERT_TRUE(platform::DeleteFile(home.Folder() + kRulesFile));
    Play([](TFrm_Rules& r) { r.close(); }, nullptr);
    EXPECT_EQ(widgets::ShowModal(*frmRules), QDialog::Rejected);
    EXPECT_EQ(RulesFileBytes(), expected);

    ASSERT_TRUE(platform::DeleteFile(home.Folder() + kRulesFile));
    ASSERT_EQ(::mkdir((home.Folder() + kRulesFile).c_str(), 0700), 0);
    Play([](TFrm_Rules& r) { r.cmdok->click(); }, nullptr);
    EXPECT_EQ(widgets::ShowModal(*frmRules), QDialog::Accepted);
    EXPECT_FALSE(frmRules->isVisible());
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].icon, platform::MsgIcon::Error);
    EXPECT_EQ(boxes.Shown()[0].text, "Cannot write " + home.Folder() + "rules.dat: Is a directory");
}

TEST_F(RuleDialogs, RemoveTakesOutTheSelectedRuleOnly)
{
    for (const char* text : {"first", "say \"hi\" now", "third"}) {
        Fill(*frmDefRule, 1, 0, text);
        ASSERT_TRUE(frmDefRule->make_rule());
    }
    frmRules->cmd_removeClick();  // nothing selected
    EXPECT_EQ(frmRules->ListBox1->count(), 3);

    frmRules->ListBox1->item(1)->setSelected(true);
    frmRules->cmd_remove->click();
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ(frmRules->Lines(), (StringList{"Where subject Contains \"first\"" + kAction,
                                             "Where subject Contains \"third\"" + kAction}));
    TRuleTable table;
    table.load_rules();
    EXPECT_EQ(table.Pattern, (StringList{"FIRST", "THIRD"}));

    // A store that cannot be changed: the error is shown and the line stays.
    platform::TRegistry reg;
    reg.OpenKey(std::string(kSubjectKey), false);
    reg.DeleteValue("total");
    frmRules->ListBox1->item(0)->setSelected(true);
    frmRules->cmd_remove->click();
    EXPECT_EQ(boxes.Texts(), (StringList{"The rule cannot be removed: the value 'total' of " +
                                         std::string(kSubjectKey) + " is missing or not a number."}));
    EXPECT_EQ(frmRules->ListBox1->count(), 2);
}

TEST_F(RuleDialogs, ListComesFromRulesDatAndGoesBackByteForByte)
{
    const std::string latin1 = "Where subject Contains \"caf\xe9\"" + kAction;
    const std::string quoted = "Where from line Contains \"a\"b\"" + kAction;
    AddRuleEntry(RuleKind::From, "a\"b", true);
    AddRuleEntry(RuleKind::Subject, "caf\xe9", true);
    platform::WriteBytes(home.Folder() + kRulesFile, latin1 + "\r\n" + quoted + "\n");
    Create();
    EXPECT_EQ(frmRules->Lines(), (StringList{latin1, quoted}));
    Play([](TFrm_Rules& r) { r.cmdok->click(); }, nullptr);
    EXPECT_EQ(widgets::ShowModal(*frmRules), QDialog::Accepted);
    EXPECT_EQ(RulesFileBytes(), latin1 + "\r\n" + quoted + "\r\n");
}

TEST_F(RuleDialogs, ARuleTheRegistryRefusesIsNotListed)
{
    // The settings file would have to live below a plain file: nothing can be written.
    platform::WriteBytes(home.Folder() + "plain", "");
    ::setenv("QUILLBOX_REGISTRY", (home.Folder() + "plain/registry.reg").c_str(), 1);
    Fill(*frmDefRule, 0, 0, "spammer");
    frmDefRule->cmd_addRule->click();
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].icon, platform::MsgIcon::Error);
    EXPECT_NE(boxes.Shown()[0].text.find("plain"), std::string::npos) << boxes.Shown()[0].text;
    EXPECT_TRUE(frmRules->Lines().empty());
}

TEST_F(RuleDialogs, EveryStoredRuleIsListedAndRemovableWhateverRulesDatSays)
{
    // Stored rules, but rules.dat lost: each stored rule still marks rows, so each is listed.
    AddRuleEntry(RuleKind::From, "spammer", false);
    AddRuleEntry(RuleKind::Subject, "lottery", true);
    AddRuleEntry(RuleKind::Subject, "prize", true);
    const std::string spammer = "Where from line Doesnot contain \"spammer\"" + kAction;
    const std::string lottery = "Where subject Contains \"lottery\"" + kAction;
    const std::string prize = "Where subject Contains \"prize\"" + kAction;
    Create();
    EXPECT_EQ(frmRules->Lines(), (StringList{lottery, prize, spammer}));

    // A stale file: its order is kept, lines naming no stored rule go, missing rules come back.
    platform::WriteBytes(home.Folder() + kRulesFile,
                         spammer + "\r\nWhere subject Contains \"gone\"" + kAction + "\r\n" + prize + "\r\n");
    Create();
    EXPECT_EQ(frmRules->Lines(), (StringList{spammer, prize, lottery}));
    frmRules->ListBox1->item(2)->setSelected(true);
    frmRules->cmd_remove->click();
    EXPECT_EQ(get_rule_idx("lottery", false), -1);
    Play([](TFrm_Rules& r) { r.cmdok->click(); }, nullptr);
    widgets::ShowModal(*frmRules);
    EXPECT_EQ(RulesFileBytes(), spammer + "\r\n" + prize + "\r\n");
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(RuleDialogs, ARulesDatLeftInTheWorkingFolderMovesBesideTheAccounts)
{
    AddRuleEntry(RuleKind::Subject, "prize", true);
    AddRuleEntry(RuleKind::Subject, "lottery", true);
    const std::string lottery = "Where subject Contains \"lottery\"" + kAction;
    const std::string prize = "Where subject Contains \"prize\"" + kAction;
    const std::string old = home.WorkingFolder() + kRulesFile;
    platform::WriteBytes(old, lottery + "\r\n" + prize + "\r\n");
    Create();
    EXPECT_EQ(frmRules->Lines(), (StringList{lottery, prize}));
    EXPECT_FALSE(platform::FileExists(old));
    EXPECT_EQ(RulesFileBytes(), lottery + "\r\n" + prize + "\r\n");

    // Once the program's folder has one, a file in the working folder is none of its business.
    platform::WriteBytes(old, "left alone\r\n");
    Create();
    EXPECT_EQ(frmRules->Lines(), (StringList{lottery, prize}));
    EXPECT_EQ(platform::ReadBytes(old), "left alone\r\n");
}

TEST_F(RuleDialogs, AHeaderFieldRuleByKeyboardAndABadFieldNameTurnedDown)
{
    auto press = [](QWidget* w, Qt::Key key, const QString& text = {}) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(w, &event);
    };
    Play(nullptr, [&](TFrm_defRule& d) {
        EXPECT_FALSE(d.cbo_field->isVisible());
        press(d.cbo_cond, Qt::Key_End);
        ASSERT_EQ(d.cbo_cond->currentText(), QString("Where header field"));
        d.cbo_cond->setFocus();
        press(d.cbo_cond, Qt::Key_Tab);
        EXPECT_EQ(d.focusWidget(), d.cbo_field);  // the field name comes next
        EXPECT_EQ(d.cbo_field->accessibleName(), QString("Header field name"));
        d.edit1->setText("YES");
        // Turned down, the rule stays in the dialog to be put right.
        for (QChar c : QString("X Spam")) press(d.cbo_field->lineEdit(), Qt::Key_unknown, c);
        d.cmdok->click();
        EXPECT_TRUE(d.isVisible());
        d.cbo_field->setEditText("x-spam-flag:");  // as copied from a header line
        d.cmdok->click();
    });
    EXPECT_EQ(widgets::ShowModal(*frmDefRule), QDialog::Accepted);
    EXPECT_EQ(boxes.Texts(), StringList{"\"X Spam\" is not the name of a header field: a name is made of letters, "
                                        "digits and marks other than the colon, without blanks."});
    EXPECT_EQ(frmRules->Lines(), StringList{"Where header field x-spam-flag Contains \"YES\"" + kAction});
    EXPECT_EQ(get_header_rule_idx("X-Spam-Flag", "yes"), 1);
    frmDefRule->ResetFields();  // as for the next showing: the dialog of old
    EXPECT_TRUE(frmDefRule->size() == QSize(367, 157) && frmDefRule->cbo_field->currentText().isEmpty());
}
