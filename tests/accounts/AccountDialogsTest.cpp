#include "accounts/AccountList.h"
#include "accounts/AccountMenu.h"
#include "accounts/NewAcc.h"
#include "accounts/PasswordScramble.h"
#include "accounts/pop_acc.h"
#include "accounts/pwd_req.h"
#include "keyring/SecretServiceStore.h"
#include "platform/Folders.h"
#include "platform/Registry.h"
#include "platform/TextFile.h"
#include "PrivateKeyring.h"
#include "RequireTool.h"
#include "ScriptedBoxes.h"
#include "TempHome.h"
#include "widgets/Modal.h"
#include "widgets/QtText.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <memory>
#include <unistd.h>

using platform::MsgIcon;
using platform::MsgResult;

namespace {

// Plays the user in every modal window, one scripted step per showing.
class ModalScript {
public:
    using Step = std::function<int(QDialog&)>;
    ModalScript()
    {
        saved_ = widgets::SetModalHandler([this](QDialog& d) {
            if (steps_.empty()) {
                ADD_FAILURE() << "unscripted window: " << d.windowTitle().toStdString();
                return int(QDialog::Rejected);
            }
            Step step = std::move(steps_.front());
            steps_.pop_front();
            return step(d);
        });
    }
    ~ModalScript()
    {
        EXPECT_TRUE(steps_.empty()) << "scripted windows never shown";
        widgets::SetModalHandler(std::move(saved_));
    }
    void Then(Step step) { steps_.push_back(std::move(step)); }

private:
    std::deque<Step> steps_;
    widgets::ModalHandler saved_;
};

// Fills the account dialog and presses OK; the dialog's result is what a user would get.
ModalScript::Step Enter(std::string name, std::string server, std::string password = "", bool remember = false)
{
    return [=](QDialog& d) {
        auto& f = static_cast<Tfrm_NewAcc&>(d);
        f.txt_accName->setText(ToQ(name));
        f.txt_usrname->setText("joe");
        f.txt_pwd->setText(ToQ(password));
        f.chk_pwd->setChecked(remember);
        f.txt_mailsrvr->setText(ToQ(server));
        f.cmdOK->click();
        return d.result();
    };
}
void FillLogin(Tfrm_NewAcc& f)
{
    f.txt_usrname->setText("joe");
    f.txt_mailsrvr->setText("pop.work");
}
int Cancel(QDialog& d)
{
    static_cast<Tfrm_NewAcc&>(d).cmdCancel->click();
    return d.result();
}

class AccountsWindow : public ::testing::Test {
protected:
    void Start(const std::string& accDat = "")
    {
        acc.reset();
        newAcc.reset();
        menu.reset();
        if (!accDat.empty()) platform::WriteBytes(AccListPath(), accDat);
        menu = std::make_unique<QMenu>();
        newAcc = std::make_unique<Tfrm_NewAcc>();
        acc = std::make_unique<TFrm_Acc>(*menu);
        acc->SetAccountDialog(newAcc.get());
    }
    std::vector<std::string> Entries() const
    {
        std::vector<std::string> names;
        for (QAction* a : menu->actions()) names.push_back(accounts::EntryAccount(*a));
        return names;
    }
    bool KeyExists(const std::string& name) { return platform::TRegistry().KeyExists("software\\quillbox\\" + name); }

    TempHome home;
    ScriptedBoxes boxes;
    ModalScript script;
    std::unique_ptr<QMenu> menu;
    std::unique_ptr<Tfrm_NewAcc> newAcc;
    std::unique_ptr<TFrm_Acc> acc;
};

TEST_F(AccountsWindow, StartUpMakesOneEntryPerLineWithTheNameShownExactly)
{
    Start("Work;  pop.work\r\nMe & You;  pop.home\r\nno separator\r\n");
    ASSERT_EQ(menu->actions().size(), 3);
    EXPECT_EQ(menu->actions()[1]->objectName(), "sub_mnu1");
    EXPECT_EQ(menu->actions()[1]->text(), "Me && You");
    EXPECT_EQ(Entries(), (std::vector<std::string>{"Work", "Me & You", ""}));
    // Each showing selects the first line when none is.
    for (int expected : {0, 2})
        script.Then([&, expected](QDialog& d) {
            EXPECT_EQ(acc->Acc_List->currentRow(), expected);
            acc->Acc_List->setCurrentRow(2);
            return d.close();
        });
    widgets::ShowModal(*acc);
    widgets::ShowModal(*acc);
}

TEST_F(AccountsWindow, AddStoresListsAndOffersTheAccountThenPropertiesFindsNoSelection)
{
    Start();
    acc->cmd_propClick();
    newAcc->chk_pwd->setChecked(true);
    script.Then([&](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Create new account");
        EXPECT_EQ(newAcc->txt_port->text(), "995");  // SSL/TLS
        EXPECT_FALSE(newAcc->chk_pwd->isChecked());
        return Enter("Work", "pop.work", "pw", true)(d);
    });
    acc->cmd_AddClick();
    EXPECT_EQ(platform::ReadBytes(AccListPath()), "Work;  pop.work\r\n");
    EXPECT_EQ(Entries(), std::vector<std::string>{"Work"});
    EXPECT_TRUE(menu->actions()[0]->objectName().startsWith("sub_mnu"));
    EXPECT_EQ(acc->Load_Mail_Settings("Work").Password, "pw");
    EXPECT_EQ(newAcc->txt_accName->text(), "");
    EXPECT_TRUE(newAcc->chk_pwd->isChecked());  // only the edit fields are emptied
    acc->cmd_propClick();
    ASSERT_EQ(boxes.Shown().size(), 2u);
    for (const auto& box : boxes.Shown()) {
        EXPECT_EQ(box.text, "Select an accouant to display properties.");
        EXPECT_EQ(box.caption, "Quillbox");
        EXPECT_EQ(box.icon, MsgIcon::Warning);
    }
    // A name already listed is refused (see DuplicateNames...): the account stays as it was.
    script.Then([&](QDialog& d) {
        Enter("Work", "pop.two")(d);
        EXPECT_TRUE(d.isVisible());
        return Cancel(d);
    });
    acc->cmd_AddClick();
    EXPECT_EQ(acc->AccountLines(), StringList{"Work;  pop.work"});
    EXPECT_EQ(Entries(), std::vector<std::string>{"Work"});
    EXPECT_EQ(acc->Load_Mail_Settings("Work").Server, "pop.work");
}

TEST_F(AccountsWindow, DuplicateNamesAreRefusedInAnyLetterCaseButAnAccountMayKeepOrRecaseItsOwn)
{
    Save_Mail_Settings("Work", "joe", "pw", "pop.work", "110", true);
    Save_Mail_Settings("Home", "ann", "", "pop.home", "995", false);
    Start("Work;  pop.work\r\nHome;  pop.home\r\n");
    const TMailSettings work = acc->Load_Mail_Settings("Work");
    const TMailSettings home = acc->Load_Mail_Settings("Home");
    auto refused = [&](const char* name) {
        return [&, name](QDialog& d) {
            Enter(name, "pop.other")(d);
            EXPECT_TRUE(d.isVisible()) << name;
            EXPECT_EQ(d.focusWidget(), newAcc->txt_accName) << name;
            return Cancel(d);
        };
    };
    script.Then(refused("WORK"));  // Add
    script.Then(refused("work"));  // Home renamed onto Work
    acc->cmd_AddClick();
    acc->Acc_List->setCurrentRow(1);
    acc->cmd_propClick();
    const std::string taken = "There is already an account named \"Work\". Please choose another name.";
    EXPECT_EQ(boxes.Texts(), (StringList{taken, taken}));
    EXPECT_EQ(boxes.Shown()[0].icon, MsgIcon::Warning);
    EXPECT_EQ(boxes.Shown()[0].caption, "Quillbox");
    EXPECT_EQ(acc->Load_Mail_Settings("Work"), work);
    EXPECT_EQ(acc->Load_Mail_Settings("Home"), home);
    EXPECT_EQ(acc->AccountLines(), (StringList{"Work;  pop.work", "Home;  pop.home"}));
    EXPECT_EQ(Entries(), (std::vector<std::string>{"Work", "Home"}));

    // Its own name, unchanged or in another letter case, is no other account's.
    boxes.Clear();
    acc->Acc_List->setCurrentRow(0);
    script.Then([&](QDialog& d) { newAcc->cmdOK->click(); return d.result(); });
    acc->cmd_propClick();
    script.Then(Enter("WORK", "pop.work", "pw", true));
    acc->cmd_propClick();
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ(acc->AccountLines(), (StringList{"WORK;  pop.work", "Home;  pop.home"}));
    EXPECT_EQ(Entries(), (std::vector<std::string>{"WORK", "Home"}));
    EXPECT_EQ(acc->Load_Mail_Settings("Work"), work);
}

TEST_F(AccountsWindow, LinesOfAnOlderListThatShareOneKeyKeepItUntilTheLastGoes)
{
    // Lists written before duplicates were refused may name one account twice.
    Save_Mail_Settings("Work", "joe", "pw", "pop.work", "110", true);
    Start("Work;  pop.work\r\nWORK;  pop.work\r\nwork;  pop.work\r\n");
    acc->Acc_List->setCurrentRow(0);
    script.Then(Enter("Office", "pop.work"));
    acc->cmd_propClick();
    EXPECT_TRUE(KeyExists("Work"));
    EXPECT_TRUE(KeyExists("Office"));
    boxes.Answer(MsgResult::Yes);
    acc->Acc_List->setCurrentRow(1);
    acc->cmd_remClick();
    EXPECT_EQ(acc->Load_Mail_Settings("work").Server, "pop.work");
    EXPECT_EQ(acc->AccountLines(), (StringList{"Office;  pop.work", "work;  pop.work"}));
    boxes.Answer(MsgResult::Yes);
    acc->Acc_List->setCurrentRow(1);
    acc->cmd_remClick();
    EXPECT_FALSE(KeyExists("Work"));
    EXPECT_TRUE(KeyExists("Office"));
}

TEST_F(AccountsWindow, CancelledAddStoresNothingAndTheNextAddStartsEmpty)
{
    Start();
    script.Then([&](QDialog& d) {
        newAcc->txt_accName->setText("Work");
        newAcc->cbo_security->setCurrentIndex(0);
        newAcc->txt_port->setText("1234");
        newAcc->spn_interval->setValue(15);
        return Cancel(d);
    });
    script.Then([&](QDialog& d) {
        EXPECT_EQ(newAcc->txt_accName->text(), "");
        EXPECT_EQ(newAcc->cbo_security->currentText(), "SSL/TLS");
        EXPECT_EQ(newAcc->txt_port->text(), "995");
        EXPECT_EQ(newAcc->spn_interval->value(), 0);
        return Cancel(d);
    });
    acc->cmd_AddClick();
    acc->cmd_AddClick();
    EXPECT_FALSE(platform::FileExists(AccListPath()));
    EXPECT_FALSE(KeyExists("Work"));
    EXPECT_TRUE(menu->actions().isEmpty());
}

TEST_F(AccountsWindow, RenamingMovesTheSettingsButACaseChangeKeepsTheKey)
{
    Save_Mail_Settings("A", "u", "", "pop.a", "110", false);
    Save_Mail_Settings("b", "joe", "pw", "pop.b", "110", true);
    Start("A;  pop.a\r\nb;  pop.b\r\n");
    platform::ForceDirectories(home.Home() + "b");
    platform::WriteBytes(home.Home() + "b/seen.uid", "x");  // its folder goes along with the name
    acc->Acc_List->setCurrentRow(1);
    script.Then([&](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Edit Account");
        EXPECT_EQ(newAcc->txt_pwd->text(), "pw");
        EXPECT_TRUE(newAcc->chk_pwd->isChecked());
        return Enter("B", "pop.b", "pw", true)(d);
    });
    acc->cmd_propClick();
    EXPECT_TRUE(KeyExists("b"));
    EXPECT_EQ(Entries(), (std::vector<std::string>{"A", "B"}));
    script.Then(Enter("Bee", "pop.bee"));
    acc->cmd_propClick();
    EXPECT_FALSE(KeyExists("b"));
    EXPECT_EQ(acc->Load_Mail_Settings("Bee").Server, "pop.bee");
    EXPECT_EQ(platform::ListFolder(home.Home() + "Bee").size(), 1u);
    EXPECT_FALSE(platform::DirectoryExists(home.Home() + "b") || platform::DirectoryExists(home.Home() + "B"));
    EXPECT_EQ(acc->AccountLines(), (StringList{"A;  pop.a", "Bee;  pop.bee"}));
    EXPECT_EQ(Entries(), (std::vector<std::string>{"A", "Bee"}));
    EXPECT_EQ(menu->actions()[1]->objectName(), "sub_mnu1");
    script.Then(Cancel);
    acc->cmd_propClick();
    EXPECT_EQ(acc->AccountLines()[1], "Bee;  pop.bee");
}

TEST_F(AccountsWindow, RemoveAsksAndTheRemovalSurvivesARestart)
{
    Save_Mail_Settings("A", "u", "", "pop.a", "110", false);
    Start("A;  pop.a\r\nB;  pop.b\r\n");
    acc->Acc_List->setCurrentRow(0);
    boxes.Answer(MsgResult::No);
    acc->cmd_remClick();
    EXPECT_TRUE(KeyExists("A"));
    EXPECT_EQ(acc->AccountLines().size(), 2u);
    EXPECT_EQ(Entries().size(), 2u);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "Are you sure you want to delete this accouant ?");
    EXPECT_EQ(boxes.Shown()[0].caption, "Confirm");
    EXPECT_EQ(boxes.Shown()[0].icon, MsgIcon::Question);
    EXPECT_EQ(boxes.Shown()[0].buttons, platform::MsgButtons::YesNo);

    boxes.Answer(MsgResult::Yes);
    script.Then([&](QDialog& d) { acc->cmd_rem->click(); d.close(); return d.result(); });
    widgets::ShowModal(*acc);
    EXPECT_FALSE(KeyExists("A"));
    EXPECT_EQ(platform::ReadBytes(AccListPath()), "B;  pop.b\r\n");
    Start();
    EXPECT_EQ(Entries(), std::vector<std::string>{"B"});
}

TEST_F(AccountsWindow, RemovalTakesTheAccountsOwnFolderAndNothingElse)
{
    for (const char* name : {"Work", "MailBox", "Linked"}) Save_Mail_Settings(name, "u", "", "pop", "110", false);
    Start("Work;  pop\r\nMailBox;  pop\r\nLinked;  pop\r\n");
    const std::string data = home.Home(), outside = home.Root() + "outside/";
    for (const std::string& folder : {data + "Work/sub", data + "MailBox", outside}) platform::ForceDirectories(folder);
    for (const std::string& file : {data + "Work/seen.uid", data + "Work/sub/x", data + "MailBox/kept", outside + "kept"})
        platform::WriteBytes(file, "x");
    ASSERT_EQ(::symlink(outside.c_str(), (data + "Work/link").c_str()), 0);
    ASSERT_EQ(::symlink(outside.c_str(), (data + "Linked").c_str()), 0);
    for (int i = 0; i < 3; ++i) {
        boxes.Answer(MsgResult::Yes);
        acc->Acc_List->setCurrentRow(0);
        acc->cmd_remClick();
    }
    EXPECT_FALSE(platform::DirectoryExists(data + "Work"));
    // The program's own folder, and a link named like an account, are not the account's.
    EXPECT_TRUE(platform::FileExists(data + "MailBox/kept"));
    EXPECT_TRUE(platform::FileExists(data + "Linked/kept"));
    EXPECT_TRUE(platform::FileExists(outside + "kept"));
    EXPECT_EQ(boxes.Shown().size(), 3u);  // the questions alone
}

TEST_F(AccountsWindow, RefusedNamesKeepTheDialogOpenAndStoreNothing)
{
    Save_Mail_Settings("A", "u", "", "pop.a", "110", false);
    Start("A;  pop.a\r\n");
    auto refused = [&](const char* name) {
        return [&, name](QDialog& d) {
            Enter(name, "srv")(d);
            EXPECT_TRUE(d.isVisible()) << name;
            return Cancel(d);
        };
    };
    script.Then(refused("  "));
    script.Then(refused("../x"));
    script.Then(refused("DELLIST"));  // as a new name for "A"
    acc->cmd_AddClick();
    acc->cmd_AddClick();
    acc->Acc_List->setCurrentRow(0);
    acc->cmd_propClick();
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{
                                 "Please enter a name for the account.",
                                 "An account name cannot contain \"\\\" or \"/\".",
                                 "\"DELLIST\" is reserved for the message rules and cannot be used as an account name."}));
    EXPECT_EQ(boxes.Shown()[0].caption, "Quillbox");
    EXPECT_EQ(platform::RegistryStore::CurrentUser().Read().keys.size(), 3u);  // software, quillbox, A
    EXPECT_EQ(platform::ReadBytes(AccListPath()), "A;  pop.a\r\n");
    EXPECT_EQ(Entries(), std::vector<std::string>{"A"});
}

TEST_F(AccountsWindow, AccDatThatCannotBeReadOrWrittenIsReportedAndNothingIsLost)
{
    platform::CreateDir(AccListPath());
    Start();
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].icon, MsgIcon::Error);
    EXPECT_NE(boxes.Shown()[0].text.find("acc.dat"), std::string::npos);
    script.Then(Enter("Work", "pop.work"));
    acc->cmd_AddClick();
    EXPECT_EQ(boxes.Shown().size(), 2u);
    EXPECT_EQ(acc->AccountLines(), StringList{"Work;  pop.work"});
    EXPECT_EQ(Entries(), std::vector<std::string>{"Work"});
    acc->reject();
    EXPECT_EQ(boxes.Shown().size(), 3u);
    ::rmdir(AccListPath().c_str());
    acc->reject();  // the next close writes what the failed one could not
    EXPECT_EQ(platform::ReadBytes(AccListPath()), "Work;  pop.work\r\n");
}

TEST_F(AccountsWindow, SettingsThatCannotBeStoredKeepTheAccountDialogOpen)
{
    Start();
    platform::WriteBytes(home.Root() + "blocker", "");
    ::setenv("QUILLBOX_REGISTRY", (home.Root() + "blocker/registry.reg").c_str(), 1);
    script.Then([&](QDialog& d) {
        Enter("Work", "pop.work")(d);
        EXPECT_TRUE(d.isVisible());
        return Cancel(d);
    });
    acc->cmd_AddClick();
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].icon, MsgIcon::Error);
    EXPECT_TRUE(acc->AccountLines().empty());
    EXPECT_TRUE(menu->actions().isEmpty());
}

// A bus without a Secret Service (a bare window manager): the settings file keeps the password,
// and the dialog says what that means.
TEST_F(AccountsWindow, WithoutASecretServiceThePasswordIsScrambledInTheSettingsFileAndTheDialogSaysSo)
{
    REQUIRE_TOOL(TPrivateKeyring::kBusDaemon);
    ASSERT_EQ(TPrivateKeyring::Shared(false).Problem(), "");
    platform::InstallSecretStore(std::make_unique<keyring::SecretServiceStore>());
    Start();
    script.Then([&](QDialog& d) {
        EXPECT_EQ(newAcc->lblPwdPlace->text(), "A remembered password is kept scrambled in the settings file, readable "
                                               "by anyone who can read that file.");
        return Enter("Work", "pop.work", "pw", true)(d);
    });
    acc->cmd_AddClick();
    platform::InstallSecretStore(nullptr);
    platform::TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("software\\quillbox\\Work", false));
    EXPECT_EQ(reg.ReadString("data"), Scramble_Password("pw"));
    EXPECT_EQ(acc->Load_Mail_Settings("Work").Password, "pw");
}

TEST(AccountDialog, UseDefaultMaskedPasswordAndEnterForOk)
{
    TempHome home;
    Tfrm_NewAcc dialog;
    dialog.show();
    dialog.SetSecurity(platform::SecurityMode::None);
    dialog.txt_port->setText("995");
    dialog.cmd_default->click();
    EXPECT_EQ(dialog.txt_port->text(), "110");
    dialog.txt_pwd->setText("abc");
    EXPECT_EQ(dialog.txt_pwd->displayText(), "***");
    dialog.txt_accName->setText("Work");
    FillLogin(dialog);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(dialog.txt_mailsrvr, &enter);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(platform::TRegistry().KeyExists("software\\quillbox\\Work"));
}

TEST(AccountDialog, APortOutsideOneTo65535IsRefusedOnTheSpot)
{
    // Which texts are ports: AccountForm tests. Here: what the dialog does with one that is not.
    TempHome home;
    ScriptedBoxes boxes;
    Tfrm_NewAcc dialog;
    dialog.show();
    dialog.txt_accName->setText("Work");
    FillLogin(dialog);
    dialog.txt_port->setText("65536");
    dialog.cmdOK->click();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.focusWidget(), dialog.txt_port);
    EXPECT_EQ(dialog.txt_port->selectedText(), "65536");
    EXPECT_EQ(boxes.Texts(), StringList{"The port must be a number from 1 to 65535."});
    EXPECT_EQ(boxes.Shown()[0].icon, MsgIcon::Warning);
    EXPECT_FALSE(platform::TRegistry().KeyExists("software\\quillbox\\Work"));
    dialog.txt_port->setText("65535");
    dialog.cmdOK->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(Load_Mail_Settings("Work").Port, "65535");
}

TEST(AccountDialog, AnEmptyLoginOrServerIsRefusedOnTheSpot)
{
    TempHome home;
    ScriptedBoxes boxes;
    Tfrm_NewAcc dialog;
    dialog.show();
    dialog.txt_accName->setText("Work");
    for (QLineEdit* field : {dialog.txt_usrname, dialog.txt_mailsrvr}) {
        FillLogin(dialog);
        field->setText("  ");
        dialog.cmdOK->click();
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.focusWidget(), field);
    }
    EXPECT_EQ(boxes.Shown().size(), 2u);
    EXPECT_FALSE(platform::TRegistry().KeyExists("software\\quillbox\\Work"));
}

// --- security and periodic checks --------------------------------------------------------------

const std::string kPin = "3F:A0:00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF:01:23:45:67:89:AB:CD:EF:10:32:54:76:98:9C";
using platform::SecurityMode;

// The field a widget belongs to: a spin box's own line edit stands for the box.
QWidget* FieldOf(QWidget* widget)
{
    while (widget && widget->objectName().startsWith("qt_")) widget = widget->parentWidget();
    return widget;
}
void Press(QWidget& widget, int key, const QString& text = {})
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(&widget, &press);
}

TEST(AccountDialog, ANewAccountStartsOnSslTls995AndThePortFollowsTheModeUntilTyped)
{
    TempHome home;
    Tfrm_NewAcc dialog;
    dialog.show();
    QStringList modes;
    for (int i = 0; i < dialog.cbo_security->count(); ++i) modes << dialog.cbo_security->itemText(i);
    EXPECT_EQ(modes, (QStringList{"None", "SSL/TLS", "STARTTLS"}));
    EXPECT_EQ(dialog.lblSecurity->text(), "&Security");
    EXPECT_EQ(dialog.lblInterval->text(), "Check &every N minutes");
    EXPECT_EQ(dialog.lblInterval->buddy(), dialog.spn_interval);
    EXPECT_EQ(dialog.cbo_security->currentText() + " " + dialog.txt_port->text() + " " + dialog.spn_interval->text(),
              "SSL/TLS 995 Off");
    auto choose = [&](const char* mode) {
        dialog.cbo_security->setCurrentText(mode);
        return dialog.txt_port->text();
    };
    EXPECT_EQ(choose("STARTTLS"), "110");
    EXPECT_EQ(choose("None"), "110");
    EXPECT_EQ(choose("SSL/TLS"), "995");
    dialog.txt_port->setText("2995");
    EXPECT_EQ(choose("None"), "2995");
    EXPECT_EQ(choose("STARTTLS"), "2995");
    dialog.cmd_default->click();  // the chosen mode's default
    EXPECT_EQ(dialog.txt_port->text(), "110");

    std::vector<QWidget*> order{dialog.txt_mailsrvr};
    dialog.txt_mailsrvr->setFocus();
    for (int i = 0; i < 5; ++i) {
        Press(*dialog.focusWidget(), Qt::Key_Tab);
        order.push_back(FieldOf(dialog.focusWidget()));
    }
    EXPECT_EQ(order, (std::vector<QWidget*>{dialog.txt_mailsrvr, dialog.cbo_security, dialog.txt_port,
                                            dialog.cmd_default, dialog.spn_interval, dialog.cmdOK}));
}

TEST(AccountDialog, AnIntervalBeyondADayIsRefusedOnTheSpotAndNoneBelowZeroCanBeTyped)
{
    TempHome home;
    ScriptedBoxes boxes;
    Tfrm_NewAcc dialog;
    dialog.show();
    dialog.txt_accName->setText("Work");
    FillLogin(dialog);
    dialog.spn_interval->setValue(1441);
    dialog.cmdOK->click();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(FieldOf(dialog.focusWidget()), dialog.spn_interval);
    EXPECT_EQ(boxes.Texts(), StringList{"The check interval must be from 0 (off) to 1440 minutes (once a day)."});
    EXPECT_EQ(boxes.Shown()[0].icon, MsgIcon::Warning);
    EXPECT_FALSE(platform::TRegistry().KeyExists("software\\quillbox\\Work"));
    dialog.spn_interval->selectAll();
    for (QChar c : QString("-60")) Press(*dialog.spn_interval, c.unicode(), QString(c));
    dialog.cmdOK->click();
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    const TMailSettings stored = Load_Mail_Settings("Work");
    EXPECT_EQ(stored.Interval, 60);
    EXPECT_EQ(stored.Security, SecurityMode::Tls);
    EXPECT_EQ(stored.Port, "995");
}

TEST_F(AccountsWindow, EditingShowsTheStoredModeAndAnOldAccountAsPlainAndThePinKeepsToItsServer)
{
    {
        // Stored by the version before security and periodic checks: original values alone.
        platform::TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("software\\quillbox\\Old", true));
        reg.WriteString("port", "110");
        reg.WriteInteger("opt", 0);
    }
    const TMailSettings work{"joe", "pw", "pop.work", "110", true, SecurityMode::StartTls, kPin, 15};
    Save_Mail_Settings("Work", work);
    Start("Old;  pop.old\r\nWork;  pop.work\r\n");
    auto edit = [&](int row, std::function<void()> change) {
        acc->Acc_List->setCurrentRow(row);
        script.Then([change](QDialog& d) {
            change();
            static_cast<Tfrm_NewAcc&>(d).cmdOK->click();
            return d.result();
        });
        acc->cmd_propClick();
    };
    auto shown = [&] {
        return newAcc->cbo_security->currentText() + " " + newAcc->txt_port->text() + " " + newAcc->spn_interval->text();
    };
    edit(0, [&] {
        EXPECT_EQ(shown(), "None 110 Off");
        FillLogin(*newAcc);  // stored without them, which OK refuses now
    });
    EXPECT_EQ(acc->Load_Mail_Settings("Old").Security, SecurityMode::None);
    edit(1, [&] { EXPECT_EQ(shown(), "STARTTLS 110 15"); });
    EXPECT_EQ(acc->Load_Mail_Settings("Work"), work);
    edit(1, [&] {
        newAcc->txt_accName->setText("Office");
        newAcc->cbo_security->setCurrentText("SSL/TLS");
        EXPECT_EQ(newAcc->txt_port->text(), "995");
    });
    EXPECT_FALSE(KeyExists("Work"));
    TMailSettings office = work;
    office.Security = SecurityMode::Tls;
    office.Port = "995";
    EXPECT_EQ(acc->Load_Mail_Settings("Office"), office);
    edit(1, [&] { newAcc->txt_mailsrvr->setText("pop.office"); });
    EXPECT_EQ(acc->Load_Mail_Settings("Office").CertSha256, "");

    // The main window stores a pin alone once the user trusts a certificate; removal takes it along.
    EXPECT_TRUE(acc->StoreCertificatePin("Office", kPin));
    EXPECT_EQ(acc->Load_Mail_Settings("Office").CertSha256, kPin);
    boxes.Answer(MsgResult::Yes);
    acc->cmd_remClick();
    EXPECT_FALSE(KeyExists("Office"));
}

TEST(PasswordPrompt, ShowsTheAccountStartsEmptyEachTimeAndReportsCancel)
{
    Tfrm_pwd_req prompt;
    prompt.SetAccountName("Me & You");
    EXPECT_EQ(prompt.lbl_accName->text(), "Me & You");
    ModalScript script;
    script.Then([&](QDialog& d) {
        prompt.txt_pwd->setText("secret");
        EXPECT_EQ(prompt.txt_pwd->displayText(), "******");
        prompt.cmdOK->click();
        return d.result();
    });
    script.Then([&](QDialog& d) {
        EXPECT_EQ(prompt.txt_pwd->text(), "");
        prompt.cmdCancel->click();
        return d.result();
    });
    EXPECT_EQ(widgets::ShowModal(prompt), QDialog::Accepted);
    EXPECT_EQ(prompt.Password(), "secret");
    EXPECT_EQ(widgets::ShowModal(prompt), QDialog::Rejected);
}

}  // namespace
