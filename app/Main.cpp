#include "Main.h"

#include "about.h"
#include "filter/SpamFilter.h"
#include "session/CheckSchedule.h"
#include "DesktopNotifier.h"
#include "ListColumns.h"
#include "MailSortModel.h"
#include "TrayIcon.h"
#include "lcd/LCDScreen.h"
#include "accounts/pop_acc.h"
#include "platform/Folders.h"
#include "platform/MessageBox.h"
#include "platform/Shell.h"
#include "rules/HeaderFieldRule.h"
#include "rules/RuleApplication.h"
#include "rules/rules.h"
#include "widgets/Artwork.h"
#include "widgets/DisplayText.h"
#include "widgets/Modal.h"
#include "widgets/QtText.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QSortFilterProxyModel>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
const char kTag[] = "Tag";
}

int TagOf(const QAction* action) { return action ? action->property(kTag).toInt() : 0; }
void SetTag(QAction* action, int tag) { action->setProperty(kTag, tag); }

TMainFrm::TMainFrm(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Quillbox"));
    setWindowIcon(widgets::ApplicationIcon());
    PopupMenu1 = new QMenu(this);
    PopupMenu2 = new QMenu(this);
    BuildToolbar();
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    setCentralWidget(central);
    BuildStatusDisplay();
    layout->addWidget(Panel1);
    BuildMailList();
    layout->addWidget(MailList, 1);
    BuildMenus();
    BindMailboxClient();
    BindRetrievalClient();
    BuildKeys();
    BindNewMail();
    BindReadMarks();
    BindSpamFilter();
    // Header-field rules match a field as the user reads it too: a rule on To that names
    // "Müller" marks a message whose To writes it as an encoded word.
    RuleTable.DecodeField = [](std::string_view raw) { return FromQ(DisplayHeaderText(std::string(raw))); };
    sbar = new QLabel(this);
    statusBar()->addWidget(sbar, 1);
    sbarListed = new QLabel(this);
    statusBar()->addPermanentWidget(sbarListed);
    statusBar()->setSizeGripEnabled(true);
    ShowListedCount();

    QScreen* screen = QGuiApplication::primaryScreen();
    resize(DefaultWindowSize(screen));
    if (screen) move(screen->availableGeometry().center() - rect().center());
    RestoreWindowState();

    FormCreate();
}

TMainFrm::~TMainFrm() = default;

void TMainFrm::SetWindows(const TAppWindows& windows)
{
    windows_ = windows;
    if (windows_.AboutBox) windows_.AboutBox->OnShowHome = [this] { ShowHome(); };
    RefreshSchedule();
}

// ------------------------------------------------------------------------------------------
// Layout

void TMainFrm::BuildToolbar()
{
    Toolbar971 = new QToolBar(QStringLiteral("Quillbox"), this);
    Toolbar971->setObjectName(QStringLiteral("Toolbar971"));
    Toolbar971->setMovable(true);
    Toolbar971->setFloatable(true);
    Toolbar971->setAllowedAreas(Qt::TopToolBarArea);
    Toolbar971->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    Toolbar971->setIconSize(QSize(24, 24));
    // Seven captioned buttons fit the window's default width in a slightly smaller type.
    QFont captions = Toolbar971->font();
    captions.setPointSizeF(captions.pointSizeF() * 0.9);
    Toolbar971->setFont(captions);
    Toolbar971->toggleViewAction()->setEnabled(false);  // it cannot be closed
    addToolBar(Qt::TopToolBarArea, Toolbar971);

    auto button = [this](const char* name, const char* caption, const char* hint, int tag, widgets::ToolIcon icon) {
        QAction* action = Toolbar971->addAction(widgets::ToolbarIcon(icon), QString::fromLatin1(caption));
        action->setObjectName(QString::fromLatin1(name));
        action->setToolTip(QString::fromLatin1(hint));
        action->setProperty(kTag, tag);
        return action;
    };
    // Every button says what it does in words, not only in its picture.
    cmdNewAcc = button("cmdNewAcc", "Accounts", "Create new account", 0, widgets::ToolIcon::NewAccount);
    cmdChkMail = button("cmdChkMail", "Check Mail", "Check mail", 0, widgets::ToolIcon::CheckMail);
    cmd_vumsg = button("cmd_vumsg", "View Message", "View message", 0, widgets::ToolIcon::ViewMessage);
    cmd_vusrc = button("cmd_vusrc", "View source", "View source", 0, widgets::ToolIcon::ViewSource);
    cmd_del = button("cmd_del", "Delete", "Delete message", 0, widgets::ToolIcon::Delete);
    cmdStop = button("cmdStop", "Stop", "Stop", 1, widgets::ToolIcon::Stop);
    cmd_rule = button("cmd_rule", "New Rule", "New rule", 0, widgets::ToolIcon::NewRule);
    cmdStop->setEnabled(false);

    // "Check Mail" always drops down the accounts.
    cmdChkMail->setMenu(PopupMenu1);
    if (auto* tool = qobject_cast<QToolButton*>(Toolbar971->widgetForAction(cmdChkMail)))
        tool->setPopupMode(QToolButton::InstantPopup);

    connect(cmdNewAcc, &QAction::triggered, this, [this] { platform::RunGuarded([&] { cmdNewAccClick(); }); });
    connect(cmd_rule, &QAction::triggered, this, [this] { platform::RunGuarded([&] { cmd_ruleClick(); }); });
}

void TMainFrm::BuildStatusDisplay()
{
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(36);
    Panel1->installEventFilter(this);

    LCD1 = new lcd::TLCDScreen(Panel1);
    LCDAnimator1 = std::make_unique<lcd::TLCDAnimator>();
    LCDAnimator1->Code = {"[HorzScroll(-1); ]"};
    LCD1->SetNoOfLines(1);
    LCD1->SetNoOfChars(34);
    LCD1->SetDotMatrix(lcd::mat5x7);
    LCD1->SetPixelSize(lcd::pixCustom);
    LCD1->SetPixelWidth(2);
    LCD1->SetPixelHeight(2);
    LCD1->SetPixelSpacing(1);
    LCD1->SetCharSpacing(1);
    LCD1->SetLineSpacing(1);
    LCD1->SetPixelShape(lcd::psSquare);
    LCD1->SetPixelOn(lcd::clAqua);
    LCD1->SetPixelOff(lcd::clBlack);
    LCD1->SetColor(lcd::clBlack);
    LCD1->SetIntensity(127);
    LCD1->SetBorderStyle(lcd::bsLowered);
    LCD1->SetBorderColor(lcd::clBlack);
    LCD1->SetBorderSpace(3);
    LCD1->SetSpecialEffects({});
    LCD1->SetHorzScrollMode(lcd::smIndependant);
    LCD1->SetDotMatrixBorders({});
    LCD1->SetAnimationDelay(250);
    LCD1->SetAnimationRepeating(true);
    LCD1->SetLCDAnimator(LCDAnimator1.get());
    LCD1->SetLines({"Quillbox"});
    LCD1->move(8, 4);
}

void TMainFrm::BuildMailList()
{
    MailRows = new TMailListModel(this);
    MailRows->DrawRed = [](const TMailRow& row) { return rules::DrawnRed(row.mark); };
    // Sorting happens in the view only: the rows stay in server order, so a row's message number
    // never depends on how the list is sorted.
    MailSort = new TMailSortModel(*MailRows, this);
    MailList = new QTableView(this);
    MailList->setObjectName(QStringLiteral("MailList"));
    MailList->setModel(MailSort);
    MailList->setShowGrid(true);
    MailList->setSelectionBehavior(QAbstractItemView::SelectRows);
    MailList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    MailList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    MailList->setWordWrap(false);
    MailList->setIconSize(QSize(16, 16));
    MailList->verticalHeader()->hide();
    MailList->verticalHeader()->setDefaultSectionSize(MailList->fontMetrics().height() + 6);
    QHeaderView* header = MailList->horizontalHeader();
    header->setHighlightSections(false);
    new TListColumns(*MailList);  // every column readable, Subject taking the spare width
    header->setSortIndicatorShown(true);
    header->setSortIndicator(-1, Qt::AscendingOrder);  // server order until the user sorts
    MailList->setSortingEnabled(true);
    // The selection stays visible when the list loses the focus.
    QPalette palette = MailList->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    MailList->setPalette(palette);
    // Rows that go take their selection with them without a word from the selection model:
    // the selected count follows the rows too.
    connect(MailRows, &QAbstractItemModel::rowsInserted, this, [this] { ShowListedCount(); });
    connect(MailRows, &QAbstractItemModel::rowsRemoved, this, [this] {
        ShowListedCount();
        MailListSelectItem();
    });
    connect(MailRows, &QAbstractItemModel::modelReset, this, [this] {
        ShowListedCount();
        MailListSelectItem();
    });
    MailList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(MailList, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu2->popup(MailList->viewport()->mapToGlobal(at)); });
    connect(MailList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { platform::RunGuarded([&] { MailListSelectItem(); }); });
}

QAction* TMainFrm::AddMenuItem(QMenu* menu, const char* caption, int icon, void (TMainFrm::*handler)())
{
    QAction* item = menu->addAction(QString::fromLatin1(caption));
    if (icon >= 0) item->setIcon(widgets::ImageListIcon(icon));
    if (handler) connect(item, &QAction::triggered, this, [this, handler] { platform::RunGuarded([&] { (this->*handler)(); }); });
    return item;
}

void TMainFrm::BuildMenus()
{
    QMenuBar* bar = menuBar();
    mnuFile = bar->addMenu(QStringLiteral("&File"));
    mnuCheckMail = AddMenuItem(mnuFile, "Check Mail", 1, &TMainFrm::CheckMailKey);
    mnuCheckMail->setShortcut(QKeySequence(Qt::Key_F5));
    AddMenuItem(mnuFile, "Accounts...", 14, &TMainFrm::cmdNewAccClick);
    mnuFile->addSeparator();
    mnuExit = AddMenuItem(mnuFile, "Exit", -1, &TMainFrm::Exit1Click);

    mnuMessage = bar->addMenu(QStringLiteral("&Message"));
    AddMenuItem(mnuMessage, "View Message", 11, nullptr);
    AddMenuItem(mnuMessage, "View Message Source", 12, nullptr);
    mnuMessage->addSeparator();
    AddMenuItem(mnuMessage, "Delete Message", 2, nullptr);
    mnuMessage->addSeparator();
    AddMenuItem(mnuMessage, "Message Rules...", 13, &TMainFrm::cmd_ruleClick);
    AddMenuItem(mnuMessage, "Apply Rules", -1, &TMainFrm::ApplyRules1Click);
    mnuMessage->addSeparator();
    AddMenuItem(mnuMessage, "Select All", -1, &TMainFrm::SelectAll1Click);

    BuildHelpMenu(bar);

    PopupMenu2->addAction(widgets::ImageListIcon(11), QStringLiteral("View Message"));
    PopupMenu2->addAction(widgets::ImageListIcon(12), QStringLiteral("View Message Source"));
    PopupMenu2->addSeparator();
    PopupMenu2->addAction(widgets::ImageListIcon(2), QStringLiteral("Delete from server"));
}

// ------------------------------------------------------------------------------------------
// Operations

void TMainFrm::FormCreate()
{
    // msg_list and the rule table exist with the window.
    LCD1->SetAnimationEnabled(true);
    try {
        std::string mailBox = platform::ProgramFolder() + "MailBox/";
        if (!platform::DirectoryExists(mailBox)) platform::CreateDir(mailBox);
    } catch (const std::exception& e) {
        // Without the folder the window still opens, without rules.
        platform::ShowException(e);
        return;
    }
    load_rules();
    // Opened now, so a database that cannot be had is said at start, never over a timed check.
    SpamFilter();
}

void TMainFrm::DisplayLCD_Msg(const std::string& msg)
{
    if (OnLCDMessage) OnLCDMessage(msg);
    if (msg.empty()) LCD1->SetLines({});
    else LCD1->SetLines({msg});
}

void TMainFrm::update_ctrls(bool idle)
{
    for (QAction* action : Toolbar971->actions()) {
        if (action->isSeparator()) continue;
        action->setEnabled(TagOf(action) == 1 ? !idle : idle);
    }
    mnuMessage->menuAction()->setEnabled(idle);
    for (QAction* item : PopupMenu2->actions()) item->setEnabled(idle);
    // Nothing that starts another operation, or changes the accounts in use, while busy.
    for (QAction* item : mnuFile->actions())
        if (!item->isSeparator() && item != mnuKeepInTray && item != mnuExit) item->setEnabled(idle);
}

std::string TMainFrm::StatusText() const { return FromQ(sbar->text()); }

void TMainFrm::MailListSelectItem()
{
    if (!sbar) return;
    int selected = int(MailList->selectionModel()->selectedRows().size());
    sbar->setText(ToQ(IntToStr(selected) + " Message(s) selected"));
}

void TMainFrm::ShowListedAccount(const std::string& account, const std::string& state)
{
    listedAccount_ = account;
    listedState_ = state;
    setWindowTitle(account.empty() ? QStringLiteral("Quillbox") : ToQ(account) + QStringLiteral(" - Quillbox"));
    ShowListedCount();
}

void TMainFrm::SelectAll1Click()
{
    if (MailRows->Count() > 0) MailList->selectAll();
}

void TMainFrm::FormResize() { LCD1->resize(Panel1->width() - 15, LCD1->height()); }

void TMainFrm::Exit1Click()
{
    quitting_ = true;  // Exit ends the program, also when the window could keep running in the tray
    close();
}

void TMainFrm::cmdNewAccClick()
{
    TOperationScope operation(operations_);
    if (windows_.Frm_Acc) widgets::ShowModal(*windows_.Frm_Acc);
    RefreshSchedule();  // intervals and accounts may have changed
}

void TMainFrm::cmd_ruleClick()
{
    TOperationScope operation(operations_);
    if (!windows_.Frm_Rules || widgets::ShowModal(*windows_.Frm_Rules) != QDialog::Accepted) return;
    load_rules();
    RemarkRows(false);
}

void TMainFrm::About1Click()
{
    if (windows_.AboutBox) widgets::ShowModal(*windows_.AboutBox);
}

void TMainFrm::FindFiles(StringList& list, const std::string& folder, const std::string& mask)
{
    const auto entries = platform::ListFolder(folder);
    for (const auto& e : entries)
        if (!e.isDirectory && platform::MatchesMask(e.name, mask)) list.push_back(folder + "/" + e.name);
    for (const auto& e : entries)
        if (e.isDirectory) FindFiles(list, folder + "/" + e.name, mask);
}

bool TMainFrm::FormCloseQuery()
{
    // An operation waiting on the network ends now; it finds the window closing and asks
    // nothing more. Nothing it uses is freed here: that happens only when start-up's window
    // objects go, after the event loop has ended.
    closing_ = true;
    try {
        SaveWindowState();
    } catch (...) {
        // A settings store that cannot be written costs the next start its layout, nothing more.
    }
    try {
        if (POP31) POP31->Abort();
        if (VemPOP1) VemPOP1->Abort();
    } catch (...) {
    }
    try {
        StringList files;
        FindFiles(files, platform::ProgramFolder() + "MailBox", "*.*");
        for (const auto& file : files) platform::DeleteFile(file);  // one that cannot go stays
    } catch (...) {
        // Closing is never refused.
    }
    return true;
}


// ------------------------------------------------------------------------------------------
// Events

void TMainFrm::closeEvent(QCloseEvent* event)
{
    // With checks by timer, closing the window leaves Quillbox running in the notification area
    // (when the user wants it so); File, "Exit" and the tray's "Quit" end it.
    if (!quitting_ && mnuKeepInTray && mnuKeepInTray->isChecked() && tray_ && tray_->Visible()) {
        hide();
        event->ignore();
        return;
    }
    platform::RunGuarded([&] { FormCloseQuery(); });
    event->accept();
}

bool TMainFrm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Panel1 && event->type() == QEvent::Resize) platform::RunGuarded([&] { FormResize(); });
    return QMainWindow::eventFilter(watched, event);
}
