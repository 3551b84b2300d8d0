#include "app/ListColumns.h"
#include "app/Main.h"
#include "app/ManualWindow.h"
#include "session/MessageCells.h"
#include "app/Startup.h"
#include "app/about.h"
#include "app/msg_src.h"
#include "accounts/NewAcc.h"
#include "accounts/pop_acc.h"
#include "accounts/pwd_req.h"
#include "rules/def_Rule.h"
#include "rules/rules.h"
#include "lcd/LCDScreen.h"
#include "platform/Folders.h"
#include "platform/Shell.h"
#include "platform/TextFile.h"
#include "widgets/AnimatedPicture.h"
#include "widgets/Modal.h"
#include "ScriptedBoxes.h"
#include "TempHome.h"

#include <QApplication>
#include <QFrame>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTextBrowser>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>

#include "ListedRow.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    TempHome home;
    ScriptedBoxes boxes;
    std::unique_ptr<TMainFrm> frm = CreateApplicationWindows();

    void AddRows(int n)
    {
        for (int i = 0; i < n; ++i) frm->MailRows->AddRow(ListedRow("from" + std::to_string(i), "subject", "date"));
    }
    QAction* MenuItem(QMenu* menu, const QString& text)
    {
        for (QAction* a : menu->actions())
            if (a->text() == text) return a;
        return nullptr;
    }
};

std::vector<std::string> EnabledToolbarButtons(TMainFrm& frm)
{
    std::vector<std::string> names;
    for (QAction* a : frm.Toolbar971->actions())
        if (a->isEnabled()) names.push_back(a->objectName().toStdString());
    return names;
}

}  // namespace

TEST_F(MainWindowTest, ToolbarHoldsTheSevenButtonsInOrderWithCaptionsHintsAndTags)
{
    struct Expect {
        const char* name;
        const char* caption;
        const char* hint;
        int tag;
    } expected[] = {
        // Every button carries a text label, also those that once showed only their picture.
        {"cmdNewAcc", "Accounts", "Create new account", 0}, {"cmdChkMail", "Check Mail", "Check mail", 0},
        {"cmd_vumsg", "View Message", "View message", 0}, {"cmd_vusrc", "View source", "View source", 0},
        {"cmd_del", "Delete", "Delete message", 0},          {"cmdStop", "Stop", "Stop", 1},
        {"cmd_rule", "New Rule", "New rule", 0},
    };
    QList<QAction*> actions = frm->Toolbar971->actions();
    ASSERT_EQ(actions.size(), 7);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(actions[i]->objectName().toStdString(), expected[i].name);
        EXPECT_EQ(actions[i]->text().toStdString(), expected[i].caption);
        EXPECT_EQ(actions[i]->toolTip().toStdString(), expected[i].hint);
        EXPECT_EQ(TagOf(actions[i]), expected[i].tag);
    }
    EXPECT_EQ(frm->Toolbar971->windowTitle(), "Quillbox");
    EXPECT_TRUE(frm->Toolbar971->isMovable());
    EXPECT_TRUE(frm->Toolbar971->isFloatable());
    // At start only Stop is disabled, and its icon has a look of its own for that.
    EXPECT_FALSE(frm->cmdStop->isEnabled());
    EXPECT_EQ(EnabledToolbarButtons(*frm).size(), 6u);
    QImage on = frm->cmdStop->icon().pixmap(16, QIcon::Normal).toImage();
    QImage off = frm->cmdStop->icon().pixmap(16, QIcon::Disabled).toImage();
    EXPECT_NE(on, off);
    auto* checkMail = qobject_cast<QToolButton*>(frm->Toolbar971->widgetForAction(frm->cmdChkMail));
    ASSERT_NE(checkMail, nullptr);
    EXPECT_EQ(checkMail->popupMode(), QToolButton::InstantPopup);
    EXPECT_EQ(frm->cmdChkMail->menu(), frm->PopupMenu1);
}

TEST_F(MainWindowTest, WindowListAndMenusAreLaidOutAsDesigned)
{
    EXPECT_EQ(frm->windowTitle(), "Quillbox");
    EXPECT_EQ(frm->size(), DefaultWindowSize(frm->screen()));
    EXPECT_EQ(frm->Panel1->height(), 36);
    ASSERT_EQ(frm->MailRows->columnCount(), 5);
    const char* titles[] = {"From", "Subject", "Date", "Size", "Spam"};
    for (int c = 0; c < 5; ++c)
        EXPECT_EQ(frm->MailRows->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString().toStdString(), titles[c]);
    // In the window as it opens, all five columns are in sight and Subject takes the spare width.
    frm->show();
    QApplication::processEvents();
    const int viewport = frm->MailList->viewport()->width();
    int total = 0;
    for (int c = 0; c < 5; ++c) {
        EXPECT_GE(frm->MailList->columnWidth(c), c == TMailListModel::ColSpam ? 40 : 60) << c;
        total += frm->MailList->columnWidth(c);
    }
    EXPECT_LE(total, viewport);
    EXPECT_GE(frm->MailList->columnWidth(1), 120);
    frm->resize(1000, 397);
    QApplication::processEvents();
    EXPECT_GT(frm->MailList->columnWidth(1), 300);  // stretches with the window
    EXPECT_TRUE(frm->MailList->showGrid());
    EXPECT_EQ(frm->MailList->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(frm->MailList->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(frm->MailList->editTriggers(), QAbstractItemView::NoEditTriggers);
    AddRows(1);
    EXPECT_EQ(frm->MailRows->data(frm->MailRows->index(0, 3), Qt::TextAlignmentRole).toInt(),
              int(Qt::AlignRight | Qt::AlignVCenter));

    QList<QAction*> menus = frm->menuBar()->actions();
    ASSERT_EQ(menus.size(), 3);
    EXPECT_EQ(menus[0]->text(), "&File");  // Alt+F, Alt+M, Alt+H
    EXPECT_EQ(menus[1]->text(), "&Message");
    EXPECT_EQ(menus[2]->text(), "&Help");
    auto captions = [](QMenu* menu) {
        std::vector<std::string> out;
        for (QAction* a : menu->actions()) out.push_back(a->isSeparator() ? "-" : a->text().toStdString());
        return out;
    };
    EXPECT_EQ(captions(frm->mnuFile), (std::vector<std::string>{"Check Mail", "Check All Accounts", "Accounts...",
                                                                 "Keep running in the notification area", "-", "Exit"}));
    EXPECT_EQ(captions(frm->mnuMessage),
              (std::vector<std::string>{"View Message", "View Message Source", "Mark as unread", "-", "Delete Message", "-",
                                        "Message Rules...", "Apply Rules", "-", "Select All", "-", "Mark as spam",
                                        "Not spam", "Add sender to friends", "Block sender", "-",
                                        "Friends and Blocked Senders...", "Train from a folder...",
                                        "Spam Filter Settings..."}));
    EXPECT_EQ(captions(frm->mnuHelp),
              (std::vector<std::string>{"Quillbox Online Help", "Quillbox Home Page", "Frequently Asked Questions",
                                        "Product Update", "-", "Comments and Suggestions", "Report a Bug", "-",
                                        "Other Brightwell Products", "Development Services", "Advertise with us", "-",
                                        "About"}));
    EXPECT_EQ(captions(frm->PopupMenu2),
              (std::vector<std::string>{"View Message", "View Message Source", "Mark as unread", "-", "Delete from server",
                                        "-", "Mark as spam", "Not spam", "Add sender to friends", "Block sender"}));
    std::vector<std::string> services = captions(frm->mnuDevServices);
    ASSERT_EQ(services.size(), 4u);
    EXPECT_EQ(services[1], "-");
    EXPECT_TRUE(frm->PopupMenu1->actions().isEmpty());  // no stored accounts
}

TEST_F(MainWindowTest, EveryColumnStaysReadableAtTheStartSizeAndMaximisedOnA1280By800Screen)
{
    const QSize screen(1280, 770);  // 1280x800 less a panel
    EXPECT_TRUE(QRect({}, screen - QSize(16, 48)).contains(QRect({}, DefaultWindowSize(screen))));
    frm->MailRows->AddRow(ListedRow("a", "s", " Mon, 28 Dec 2026 22:58:00 +0000", 99'999'999));
    frm->MailRows->SetNew(0, true);  // bold: the widest the texts get
    QFont bold = frm->MailList->font();
    bold.setBold(true);
    auto fits = [&](int c) {
        return frm->MailList->columnWidth(c) >=
               QFontMetrics(bold).horizontalAdvance(frm->MailRows->index(0, c).data().toString()) + 8;
    };
    auto share = [&] { return double(frm->MailList->columnWidth(0)) / frm->MailList->viewport()->width(); };
    frm->resize(DefaultWindowSize(screen));
    frm->show();
    QApplication::processEvents();
    int total = 0;
    for (int c = 0; c < 4; ++c) total += frm->MailList->columnWidth(c);
    EXPECT_LE(total, frm->MailList->viewport()->width());  // all four in sight
    EXPECT_TRUE(fits(TMailListModel::ColDate) && fits(TMailListModel::ColSize));
    const double from = share();
    EXPECT_GE(from, 0.25);
    frm->resize(screen - QSize(0, 30));  // maximised: From grows too
    QApplication::processEvents();
    EXPECT_NEAR(share(), from, 0.01);
    frm->MailList->horizontalHeader()->resizeSection(TMailListModel::ColDate, 10);  // stops at its minimum
    EXPECT_TRUE(fits(TMailListModel::ColDate));
}

TEST_F(MainWindowTest, UpdateCtrlsSwitchesBetweenIdleAndBusy)
{
    frm->update_ctrls(false);
    EXPECT_EQ(EnabledToolbarButtons(*frm), std::vector<std::string>{"cmdStop"});
    EXPECT_FALSE(frm->mnuMessage->menuAction()->isEnabled());
    for (QAction* item : frm->PopupMenu2->actions()) EXPECT_FALSE(item->isEnabled());
    EXPECT_TRUE(frm->mnuFile->menuAction()->isEnabled());
    EXPECT_TRUE(frm->mnuHelp->menuAction()->isEnabled());

    frm->update_ctrls(true);
    EXPECT_EQ(EnabledToolbarButtons(*frm).size(), 6u);
    EXPECT_FALSE(frm->cmdStop->isEnabled());
    EXPECT_TRUE(frm->mnuMessage->menuAction()->isEnabled());
    for (QAction* item : frm->PopupMenu2->actions()) EXPECT_TRUE(item->isEnabled());
}

TEST_F(MainWindowTest, StatusBarCountsTheSelectedRows)
{
    AddRows(3);
    QItemSelectionModel* selection = frm->MailList->selectionModel();
    selection->select(frm->MailRows->index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    selection->select(frm->MailRows->index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    EXPECT_EQ(frm->StatusText(), "2 Message(s) selected");
    selection->select(frm->MailRows->index(0, 0), QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    EXPECT_EQ(frm->StatusText(), "1 Message(s) selected");
    selection->select(frm->MailRows->index(2, 0), QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    EXPECT_EQ(frm->StatusText(), "0 Message(s) selected");
    frm->SelectAll1Click();
    EXPECT_EQ(frm->StatusText(), "3 Message(s) selected");
}

TEST_F(MainWindowTest, SelectAllOnAnEmptyListChangesNothing)
{
    frm->SelectAll1Click();
    EXPECT_EQ(frm->StatusText(), "");
    EXPECT_TRUE(frm->MailList->selectionModel()->selectedRows().isEmpty());
}

TEST_F(MainWindowTest, EveryVisibleHelpItemLeadsToASectionOfTheManualAndNothingToAMissingSite)
{
    std::vector<std::string> opened;
    auto saved = platform::SetUrlOpener([&](const std::string& url) { opened.push_back(url); });
    const std::string manual = platform::ReadBytes(TMainFrm::ManualPath());
    std::vector<std::string> visible;
    for (QAction* item : frm->mnuHelp->actions()) {
        if (item->isSeparator() || !item->isVisible()) continue;
        visible.push_back(item->text().toStdString());
        if (item->text() == "About") continue;
        item->trigger();
        TManualWindow* window = frm->ManualWindow();
        ASSERT_NE(window, nullptr) << item->text().toStdString();
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(window->Browser->source().toLocalFile().toStdString(), TMainFrm::ManualPath());
        const std::string section = window->Browser->source().fragment().toStdString();
        if (!section.empty()) {
            EXPECT_NE(manual.find("id=\"" + section + "\""), std::string::npos) << section;
            EXPECT_GT(window->Browser->verticalScrollBar()->value(), 0) << "not scrolled to " << section;
        }
    }
    // With no project page named at build time, nothing leads to a web site.
    EXPECT_EQ(visible, (std::vector<std::string>{"Quillbox Online Help", "Frequently Asked Questions", "About"}));
    EXPECT_FALSE(frm->mnuDevServices->menuAction()->isVisible());
    EXPECT_FALSE(frm->Windows().AboutBox->Label1->isVisibleTo(frm->Windows().AboutBox));
    frm->Windows().AboutBox->Label1Click();
    EXPECT_TRUE(opened.empty());

    // A link out of the manual goes to the desktop's opener; one inside it stays in the window.
    TManualWindow& window = *frm->ManualWindow();
    emit window.Browser->anchorClicked(QUrl(QStringLiteral("https://example.org/")));
    emit window.Browser->anchorClicked(QUrl(QStringLiteral("#files")));
    platform::SetUrlOpener(std::move(saved));
    EXPECT_EQ(opened, std::vector<std::string>{"https://example.org/"});
    EXPECT_EQ(window.Browser->source().fragment(), "files");

    window.ShowSection("/nonexistent/manual.html", {});
    EXPECT_TRUE(window.Browser->toPlainText().startsWith("The manual was not found at /nonexistent/manual.html."));
}

TEST_F(MainWindowTest, AboutBoxShowsTheVersionAndClosesOnAClickOfThePicture)
{
    TAboutBox& about = *frm->Windows().AboutBox;
    EXPECT_EQ(TAboutBox::GetFileVer(), "1.0");
    EXPECT_EQ(about.version->text(), "Version: 1.0");
    EXPECT_TRUE(about.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(about.size(), QSize(411, 311));
    EXPECT_EQ(about.Image1->size(), QSize(400, 300));
    EXPECT_EQ(about.Label1->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(about.Label1->font().bold() && about.Label1->font().underline());
    auto saved = widgets::SetModalHandler([&](QDialog& dialog) {
        EXPECT_EQ(&dialog, &about);
        EXPECT_TRUE(about.Image1->Playing());
        about.Image1Click();
        return dialog.result();
    });
    frm->About1Click();
    widgets::SetModalHandler(std::move(saved));
    EXPECT_FALSE(about.isVisible());
}

TEST_F(MainWindowTest, WindowsAreCreatedOnceWithTheirCaptions)
{
    const TAppWindows& w = frm->Windows();
    ASSERT_TRUE(w.Frm_Acc && w.frm_NewAcc && w.Frm_srcvu && w.Frm_Rules && w.Frm_defRule && w.AboutBox && w.frm_pwd_req);
    EXPECT_EQ(w.Frm_srcvu->windowTitle(), "Source");
    EXPECT_EQ(w.Frm_Rules->windowTitle(), "Message Rules");
    EXPECT_EQ(w.Frm_defRule->windowTitle(), "Define Rule");
    EXPECT_EQ(w.frm_pwd_req->windowTitle(), "Password Required...");
    EXPECT_EQ(w.Frm_Acc->windowTitle(), "Mail Accounts");
    for (QObject* dialog : std::initializer_list<QObject*>{w.Frm_Acc, w.frm_NewAcc, w.Frm_srcvu, w.Frm_Rules,
                                                           w.Frm_defRule, w.AboutBox, w.frm_pwd_req})
        EXPECT_EQ(dialog->parent(), frm.get());
}

TEST_F(MainWindowTest, StatusDisplayIsConfiguredAndAnimatesTheStartText)
{
    lcd::TLCDScreen& lcd = *frm->LCD1;
    EXPECT_EQ(lcd.NoOfChars(), 34);
    EXPECT_EQ(lcd.size(), QSize(517, 28));
    EXPECT_EQ(lcd.pos(), QPoint(8, 4));
    EXPECT_TRUE(lcd.AnimationEnabled());
    EXPECT_EQ(lcd.Lines(), StringList{"Quillbox"});
    frm->DisplayLCD_Msg("Connected");
    EXPECT_EQ(lcd.Lines(), StringList{"Connected"});
    frm->DisplayLCD_Msg("");
    EXPECT_TRUE(lcd.Lines().empty());
}

TEST_F(MainWindowTest, WideningTheWindowKeepsTheStripFifteenPixelsNarrowerThanItsPanel)
{
    frm->show();
    frm->resize(900, 397);
    QApplication::processEvents();
    int panel = frm->Panel1->width();
    ASSERT_GT(panel, 800);
    // The strip snaps to whole character cells, so it may be up to one cell narrower still.
    EXPECT_LE(frm->LCD1->width(), panel - 15);
    EXPECT_GT(frm->LCD1->width(), panel - 15 - 15);
    EXPECT_GT(frm->LCD1->NoOfChars(), 34);
    frm->hide();
}

// ------------------------------------------------------------------------------------------
// The MailBox folder

TEST(MailBoxFolder, CreatedAtFirstStartAndLeftAloneLater)
{
    TempHome home;
    ScriptedBoxes boxes;
    std::string mailBox = home.Home() + "MailBox";
    EXPECT_FALSE(platform::DirectoryExists(mailBox));
    CreateApplicationWindows();
    ASSERT_TRUE(platform::DirectoryExists(mailBox));
    platform::WriteBytes(mailBox + "/kept", "x");
    ::chmod(mailBox.c_str(), 0750);
    CreateApplicationWindows();
    struct stat st {};
    ASSERT_EQ(::stat(mailBox.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0750u);
    EXPECT_TRUE(platform::FileExists(mailBox + "/kept"));
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST(MailBoxFolder, WhenItCannotBeCreatedTheErrorIsShownAndTheWindowStillOpens)
{
    TempHome home;
    ScriptedBoxes boxes;
    platform::WriteBytes(home.Home() + "MailBox", "a file where the folder belongs");
    auto frm = CreateApplicationWindows();
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].icon, platform::MsgIcon::Error);
    EXPECT_NE(boxes.Shown()[0].text.find("MailBox"), std::string::npos);
    frm->show();
    EXPECT_TRUE(frm->isVisible());
    EXPECT_EQ(frm->RuleTable.Count(), 0u);
    frm->close();
}

TEST(MailBoxFolder, ClosingDeletesEveryFileBelowItAndKeepsTheFolders)
{
    TempHome home;
    ScriptedBoxes boxes;
    auto frm = CreateApplicationWindows();
    std::string mailBox = home.Home() + "MailBox";
    platform::ForceDirectories(mailBox + "/a/b");
    for (const char* f : {"/x.hdr", "/noext", "/a/y.txt", "/a/b/z"}) platform::WriteBytes(mailBox + f, "1");
    platform::WriteBytes(home.Home() + "acc.dat", "");  // beside MailBox: not touched

    StringList found;
    TMainFrm::FindFiles(found, mailBox, "*.*");
    EXPECT_EQ(found, (StringList{mailBox + "/noext", mailBox + "/x.hdr", mailBox + "/a/y.txt", mailBox + "/a/b/z"}));

    frm->show();
    frm->close();
    EXPECT_TRUE(platform::ListFolder(mailBox + "/a/b").empty());
    EXPECT_TRUE(platform::DirectoryExists(mailBox + "/a/b"));
    EXPECT_EQ(platform::ListFolder(mailBox).size(), 1u);  // just the folder a
    EXPECT_TRUE(platform::FileExists(home.Home() + "acc.dat"));
}

TEST(MailBoxFolder, ClosingWithoutTheFolderReportsNothing)
{
    TempHome home;
    ScriptedBoxes boxes;
    auto frm = CreateApplicationWindows();
    RemoveTree(home.Home() + "MailBox");
    frm->show();
    frm->close();
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_FALSE(frm->isVisible());
}

// ------------------------------------------------------------------------------------------
// "Message Rules" from the main window

namespace {

// Started from a folder of its own, which is not the program's: rules.dat belongs in the latter.
class InFolder {
public:
    explicit InFolder(const std::string& folder) : saved_(std::filesystem::current_path())
    {
        std::filesystem::current_path(folder);
    }
    ~InFolder() { std::filesystem::current_path(saved_); }

private:
    std::filesystem::path saved_;
};

class RulesCommand : public ::testing::Test {
protected:
    TempHome home;
    ScriptedBoxes boxes;
    InFolder folder{home.Root()};
    std::unique_ptr<TMainFrm> frm = CreateApplicationWindows();

    void SetUp() override
    {
        frm->MailRows->AddRow(ListedRow("Prize Desk <win@prizes.example>", " Win the lottery now"));
        frm->MailRows->AddRow(ListedRow("ann@example.org", " Minutes"));
    }
    // Plays the user: "New", a Subject rule for `text`, OK in "Define Rule", then `close` in
    // "Message Rules".
    void DefineSubjectRule(const std::string& text, QPushButton* (*close)(TFrm_Rules&))
    {
        TFrm_Rules& rules = *frm->Windows().Frm_Rules;
        TFrm_defRule& define = *frm->Windows().Frm_defRule;
        auto saved = widgets::SetModalHandler([&](QDialog& dialog) {
            if (&dialog == &rules) {
                rules.cmd_new->click();
                close(rules)->click();
            } else if (&dialog == &define) {
                define.cbo_cond->setCurrentIndex(1);
                define.edit1->setText(QString::fromStdString(text));
                define.cmdok->click();
            }
            return dialog.result();
        });
        frm->cmd_rule->trigger();
        widgets::SetModalHandler(std::move(saved));
    }
    QVariant Foreground(int row) { return frm->MailRows->data(frm->MailRows->index(row, 0), Qt::ForegroundRole); }
};

}  // namespace

TEST_F(RulesCommand, OkReloadsTheRulesAndMarksTheListedRowsRed)
{
    DefineSubjectRule("lottery", [](TFrm_Rules& r) { return r.cmdok; });
    EXPECT_EQ(frm->RuleTable.Count(), 1u);
    EXPECT_EQ(frm->MailRows->Row(0).mark, 0);
    EXPECT_EQ(frm->MailRows->Row(1).mark, -1);
    EXPECT_EQ(Foreground(0).value<QColor>(), QColor(255, 0, 0));
    EXPECT_FALSE(Foreground(1).isValid());
    EXPECT_EQ(platform::ReadLines(home.Home() + "rules.dat"),
              StringList{"Where subject Contains \"lottery\" Delete message from the server"});
    EXPECT_FALSE(platform::FileExists(home.Root() + "rules.dat"));
}

TEST_F(RulesCommand, CancelKeepsTheStoredRuleButTheTableWaitsForTheNextOk)
{
    DefineSubjectRule("lottery", [](TFrm_Rules& r) { return r.cmd_cancel; });
    EXPECT_EQ(frm->RuleTable.Count(), 0u);
    EXPECT_EQ(frm->MailRows->Row(0).mark, -1);
    EXPECT_FALSE(Foreground(0).isValid());
    EXPECT_TRUE(platform::FileExists(home.Home() + "rules.dat"));  // written by Cancel too
    rules::TRuleTable stored;
    stored.load_rules();
    EXPECT_EQ(stored.Count(), 1u);
    // The next start reads it.
    auto restarted = CreateApplicationWindows();
    EXPECT_EQ(restarted->RuleTable.Count(), 1u);
}
