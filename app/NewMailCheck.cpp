// A mail checker that checks by itself: timed checks of the accounts that ask for them, one at a
// time and never inside another operation; rows new since the last check drawn bold and
// counted in the notification area; a desktop notification when a check found new mail.
#include "Main.h"
#include "session/CheckSchedule.h"
#include "DesktopNotifier.h"
#include "session/SeenMessages.h"
#include "TrayIcon.h"
#include "session/TraySetting.h"
#include "accounts/AccountList.h"
#include "accounts/AccountMenu.h"
#include "accounts/pop_acc.h"
#include "lcd/LCDScreen.h"
#include "platform/MessageBox.h"
#include "widgets/QtText.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTimer>

void TMainFrm::BindNewMail()
{
    schedule_ = std::make_unique<TCheckSchedule>();
    tray_ = std::make_unique<TTrayIcon>();

    const QList<QAction*> file = mnuFile->actions();
    mnuCheckAll = new QAction(QStringLiteral("Check All Accounts"), this);
    mnuCheckAll->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F5));
    mnuFile->insertAction(file.value(1), mnuCheckAll);
    mnuKeepInTray = new QAction(QStringLiteral("Keep running in the notification area"), this);
    mnuKeepInTray->setCheckable(true);
    mnuFile->insertAction(file.value(2), mnuKeepInTray);
    connect(mnuCheckAll, &QAction::triggered, this, [this] { platform::RunGuarded([&] { CheckAllAccounts(); }); });
    connect(mnuKeepInTray, &QAction::toggled, this,
            [](bool keep) { platform::RunGuarded([&] { StoreKeepInTray(keep); }); });

    tray_->SetOnShow([this] { ShowFromTray(); });
    tray_->SetOnCheckAll([this] { CheckAllAccounts(); });
    tray_->SetOnQuit([this] {
        quitting_ = true;
        close();
    });
    UseNotifier(std::make_unique<TDesktopNotifier>());

    // Rows that lose their bold, or go, take the tray's count along; a list cleared for the
    // next check no longer stands for the account it showed.
    connect(MailRows, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex&, const QModelIndex&, const QList<int>& roles) {
                if (roles.isEmpty() || roles.contains(Qt::FontRole)) FollowNewMail();
            });
    connect(MailRows, &QAbstractItemModel::rowsRemoved, this, [this] { FollowNewMail(); });
    connect(MailRows, &QAbstractItemModel::modelReset, this, [this] { newMailAccount_.clear(); });

    CheckTimer = new QTimer(this);
    CheckTimer->setInterval(1000);
    connect(CheckTimer, &QTimer::timeout, this, [this] { platform::RunGuarded([&] { CheckTick(); }); });
    CheckTimer->start();
    tray_->Show();
}

void TMainFrm::UseScheduleClock(std::function<int64_t()> nowMs)
{
    schedule_ = std::make_unique<TCheckSchedule>(std::move(nowMs));
    RefreshSchedule();
}

void TMainFrm::UseNotifier(std::unique_ptr<TDesktopNotifier> notifier)
{
    notifier_ = std::move(notifier);
    notifier_->SetFallback([this](const QString& title, const QString& text) { tray_->ShowMessage(title, text); });
    notifier_->SetOnShowAccount([this](const std::string& account) { ShowFromTray(account); });
}

void TMainFrm::RefreshSchedule()
{
    if (!windows_.Frm_Acc) return;
    std::vector<TScheduledAccount> accounts;
    for (const std::string& line : windows_.Frm_Acc->AccountLines()) {
        const std::string name = Trim(Get_MailAcc_Name(line));
        if (name.empty()) continue;
        try {
            TMailSettings s = windows_.Frm_Acc->Load_Mail_Settings(name, TPasswordRead::Skip);
            accounts.push_back({name, s.Interval, s.Remember || s.Unread});
        } catch (const std::exception&) {
            // An account whose settings cannot be read is not checked by itself.
        }
    }
    schedule_->SetAccounts(accounts);
    const QSignalBlocker quiet(mnuKeepInTray);
    mnuKeepInTray->setChecked(LoadKeepInTray(accounts));
}

void TMainFrm::CheckAllAccounts()
{
    // Not while another operation runs: Shift+F5 or the tray's entry during a check would
    // otherwise queue a whole run behind it.
    if (operations_ > 0 || !cmdChkMail->isEnabled()) return;
    RefreshSchedule();
    schedule_->CheckAll();
    CheckTick();
}

void TMainFrm::CheckTick()
{
    if (closing_) return;
    const bool busy = operations_ > 0 || !cmdChkMail->isEnabled();
    const bool modal = QApplication::activeModalWidget() != nullptr;
    std::optional<std::string> account = schedule_->NextCheck(busy, modal);
    if (!account) return;
    struct Done {
        TMainFrm& frm;
        std::string account;
        bool timed = false;
        ~Done()
        {
            frm.timedCheck_ = false;
            frm.userCheck_ = true;
            frm.schedule_->CheckDone(account);
            // A run of Check All is told about once it has gone through every account.
            if (timed || frm.schedule_->Queued().empty()) platform::RunGuarded([&] { frm.TellCheckFailures(timed); });
        }
    } done{*this, *account};
    const bool asked = schedule_->RunningIsCheckAll();
    done.timed = !asked;
    for (QAction* entry : PopupMenu1->actions()) {
        if (entry == addAccountEntry_ || accounts::EntryAccount(*entry) != *account) continue;
        timedCheck_ = !asked;
        userCheck_ = false;
        entry->trigger();  // the usual check road; returns when the check has ended
        break;
    }
}

void TMainFrm::ShowFromTray(const std::string& account)
{
    showNormal();
    raise();
    activateWindow();
    if (!account.empty() && account != cur_account && cmdChkMail->isEnabled()) {
        for (QAction* entry : PopupMenu1->actions())
            if (entry != addAccountEntry_ && accounts::EntryAccount(*entry) == account) entry->trigger();
    }
    const std::string shown = account.empty() ? cur_account : account;
    tray_->SetNewCount(shown, 0);
    if (shown == newMailAccount_) newMailSeen_ = true;
}

void TMainFrm::FollowNewMail()
{
    if (newMailAccount_.empty()) return;
    const int count = newMailSeen_ ? 0 : MailRows->NewCount();
    if (tray_->NewCount(newMailAccount_) != count) tray_->SetNewCount(newMailAccount_, count);
}

void TMainFrm::NoteNewMail(const std::string& accName, const TIdList& ids, bool complete)
{
    freshMail_.clear();
    freshCount_ = 0;
    // A check that could not list (no connection, a refused login, Stop) says nothing about
    // what the server holds: the ids seen so far and the tray's count stay as they were.
    if (ids.empty() && !POP31->Connected()) return;
    TSeenMessages seen;
    seen.Load(AccountFolder(accName) + "/");
    const std::vector<bool> fresh = seen.MarkNew(ids);
    MailRows->SetNewRows(fresh);
    for (size_t i = 0; i < fresh.size() && int(i) < MailRows->Count(); ++i) freshCount_ += fresh[i] ? 1 : 0;
    KeepUnreadMarks(accName, ids, complete);
    // Only the newest are named to the user.
    for (int i = MailRows->Count() - 1; i >= 0 && freshMail_.size() < size_t(kNamedNewMessages); --i)
        if (size_t(i) < fresh.size() && fresh[size_t(i)])
            freshMail_.insert(freshMail_.begin(), {std::string(MailRows->Row(i).From()), std::string(MailRows->Row(i).Subject())});
    try {
        if (complete) seen.Save(ids);
        else seen.SaveAdding(ids);
    } catch (const std::exception& e) {
        if (!closing_) platform::ShowException(e);
    }
    // A check of the user's own choice shows him the list: nothing of it waits unseen. The
    // others count the bold rows, and only one that came by itself tells him with a notification.
    newMailAccount_ = accName;
    newMailSeen_ = userCheck_;
    FollowNewMail();
    if (timedCheck_) notifier_->Notify(accName, freshMail_, freshCount_);
}

bool TMainFrm::TimedCheckNeedsRules() const
{
    // A timed check asks about the rules only for mail that came since the last check: a user
    // who said No is not asked again every few minutes about the same messages.
    for (int i = 0; i < MailRows->Count(); ++i)
        if (MailRows->Row(i).isNew && MailRows->Row(i).mark == 0) return true;
    return false;
}
