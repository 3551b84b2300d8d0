// The spam filter in the main window: each listed row's verdict (friends never marked, blocked
// senders always, then the rules, then the score against the user's threshold), and the
// commands that teach it: Mark as spam, Not spam, friends and blocked senders, training from a
// folder. The filter's database opens when first wanted; when it cannot, the list works without
// scores and the user is told once why.
#include "Main.h"
#include "session/MessageIdentity.h"
#include "SendersDialog.h"
#include "SpamSettingsDialog.h"
#include "TrainFolderDialog.h"
#include "filter/BackgroundScoring.h"
#include "filter/SpamFilter.h"
#include "filter/SpamMarks.h"
#include "platform/MessageBox.h"
#include "platform/TextFile.h"
#include "rules/HeaderFieldRule.h"
#include "rules/RuleApplication.h"
#include "widgets/Modal.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QSortFilterProxyModel>
#include <QTableView>

#include <cmath>
#include <functional>

namespace {

int MarkOf(TMarkReason reason)
{
    switch (reason) {
    case TMarkReason::Rule: return rules::kMarkedByRule;
    case TMarkReason::LikelySpam: return rules::kMarkedAsSpam;
    case TMarkReason::Blocked: return rules::kMarkedBlocked;
    case TMarkReason::None: break;
    }
    return rules::kNoMark;
}

std::string JoinLines(const StringList& lines)
{
    std::string text;
    for (const std::string& line : lines) text.append(line).push_back('\n');
    return text;
}

// A click on a row's mark in the From column: the user takes the mark away (the message is kept).
class TMarkClicks : public QObject {
public:
    // Lives on the list's viewport, so it goes before the list does.
    TMarkClicks(QTableView& list, std::function<void(const QModelIndex&)> unmark)
        : QObject(list.viewport()), list_(list), unmark_(std::move(unmark))
    {
        list.viewport()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonRelease && watched == parent()) {
            const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
            const QModelIndex index = list_.indexAt(at);
            const QRect cell = list_.visualRect(index);
            // The mark is drawn first in the cell, at the list's icon size.
            if (index.isValid() && index.column() == TMailListModel::ColFrom &&
                at.x() < cell.left() + list_.iconSize().width() + 6)
                platform::RunGuarded([&] { unmark_(index); });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QTableView& list_;
    std::function<void(const QModelIndex&)> unmark_;
};

void Warn(const std::string& text)
{
    platform::ShowMessageBox({text, "Spam filter", platform::MsgIcon::Warning});
}

}  // namespace

void TMainFrm::BindSpamFilter()
{
    spamThreshold_ = ReadSpamThreshold();
    auto command = [this](const char* caption, void (TMainFrm::*handler)(), QKeySequence keys = {}) {
        auto* action = new QAction(QString::fromLatin1(caption), this);
        action->setShortcut(keys);
        action->setShortcutVisibleInContextMenu(true);
        connect(action, &QAction::triggered, this, [this, handler] { platform::RunGuarded([&] { (this->*handler)(); }); });
        return action;
    };
    mnuMarkSpam = command("Mark as spam", &TMainFrm::MarkAsSpam1Click, QKeySequence(Qt::CTRL | Qt::Key_J));
    mnuNotSpam = command("Not spam", &TMainFrm::NotSpam1Click, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_J));
    mnuAddFriend = command("Add sender to friends", &TMainFrm::AddSenderToFriends1Click);
    mnuBlockSender = command("Block sender", &TMainFrm::BlockSender1Click);
    mnuSenders = command("Friends and Blocked Senders...", &TMainFrm::Senders1Click);
    mnuTrainFolder = command("Train from a folder...", &TMainFrm::TrainFromFolder1Click);
    mnuSpamSettings = command("Spam Filter Settings...", &TMainFrm::SpamSettings1Click);
    for (QMenu* menu : {mnuMessage, PopupMenu2}) {
        menu->addSeparator();
        menu->addActions({mnuMarkSpam, mnuNotSpam, mnuAddFriend, mnuBlockSender});
    }
    mnuMessage->addSeparator();
    mnuMessage->addActions({mnuSenders, mnuTrainFolder, mnuSpamSettings});
    // The shortcuts work wherever the window has the focus.
    for (QAction* action : {mnuMarkSpam, mnuNotSpam}) addAction(action);

    new TMarkClicks(*MailList, [this](const QModelIndex& index) {
        const QModelIndex source = MailSort->mapToSource(index);
        if (source.isValid() && operations_ == 0 && mnuMessage->menuAction()->isEnabled()) UnmarkRow(source.row());
    });

    // The Spam column can be hidden (and shown again) from the column titles' menu.
    QHeaderView* header = MailList->horizontalHeader();
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    mnuSpamColumn = new QAction(QStringLiteral("Spam column"), this);
    mnuSpamColumn->setCheckable(true);
    mnuSpamColumn->setChecked(true);
    connect(mnuSpamColumn, &QAction::toggled, this,
            [this](bool shown) { MailList->setColumnHidden(TMailListModel::ColSpam, !shown); });
    connect(header, &QHeaderView::customContextMenuRequested, this, [this, header](const QPoint& at) {
        mnuSpamColumn->setChecked(!MailList->isColumnHidden(TMailListModel::ColSpam));
        QMenu menu;
        menu.addAction(mnuSpamColumn);
        menu.exec(header->viewport()->mapToGlobal(at));
    });
}

TSpamFilter* TMainFrm::SpamFilter()
{
    if (spamFilter_ || spamFilterTried_) return spamFilter_.get();
    spamFilterTried_ = true;
    try {
        spamFilter_ = std::make_unique<TSpamFilter>(SpamDatabasePath());
    } catch (const std::exception& e) {
        if (!closing_)
            Warn(std::string("The spam filter could not open its database ") + SpamDatabasePath() + ": " + e.what() +
                 "\r\nMessages are listed without spam scores; the rules still mark them.");
    }
    return spamFilter_.get();
}

void TMainFrm::UseSpamFilter(std::unique_ptr<TSpamFilter> filter)
{
    spamFilter_ = std::move(filter);
    spamFilterTried_ = true;
}

void TMainFrm::ScoreRow(TMailRow& row, std::string_view header)
{
    row.spamScore = -1;
    row.friendSender = row.blockedSender = false;
    if (TSpamFilter* filter = SpamFilter()) TakeScore(row, filter->Classify(header));
}

void TMainFrm::TakeScore(TMailRow& row, const TSpamScore& score)
{
    row.friendSender = score.sender == TSenderList::Friend;
    row.blockedSender = score.sender == TSenderList::Blocked;
    // A filter that has not learnt both kinds knows nothing yet: no score rather than 50s.
    const TSpamFilter* filter = spamFilter_.get();
    row.spamScore = filter && filter->SpamMessages() > 0 && filter->HamMessages() > 0
                        ? float(std::clamp(score.score, 0.0, 100.0))
                        : -1.0f;
}

void TMainFrm::ApplyScores(int firstRow, TBackgroundScoring& scoring)
{
    const size_t count = scoring.Finish();
    MailRows->JudgeRows(firstRow, int(count), [&](int i, TMailRow& row) {
        TakeScore(row, scoring.Score(size_t(i - firstRow)));
        MarkRowWith(row, row.mark == rules::kMarkedByRule);  // the rules judged it as it came
    });
}

void TMainFrm::MarkRow(TMailRow& row, const StringList* headerLines) const
{
    MarkRowWith(row, Get_rule_id(row, headerLines) == rules::kMarkedByRule);
}

void TMainFrm::MarkRowWith(TMailRow& row, bool ruleMatched) const
{
    TMarkFacts facts;
    if (row.friendSender) facts.sender = TSenderList::Friend;
    else if (row.blockedSender) facts.sender = TSenderList::Blocked;
    facts.ruleMatched = ruleMatched;
    if (row.spamScore >= 0) facts.score = row.spamScore;
    facts.threshold = spamThreshold_;
    facts.userCleared = row.userCleared;
    facts.userMarked = row.userMarked;
    row.mark = MarkOf(MarkReason(facts));
}

void TMainFrm::JudgeRow(TMailRow& row, std::string_view header, const StringList* headerLines)
{
    ScoreRow(row, header);
    MarkRow(row, headerLines);
}

void TMainFrm::RemarkRows(bool senders)
{
    TSpamFilter* filter = senders ? SpamFilter() : nullptr;
    MailRows->JudgeRows(0, MailRows->Count(), [&](int i, TMailRow& row) {
        if (row.mark == rules::kMarkDeleting) return;
        if (filter) {
            const auto list = filter->SenderMatch(SenderAddress(row.From()));
            row.friendSender = list == TSenderList::Friend;
            row.blockedSender = list == TSenderList::Blocked;
        }
        // The saved header, read only when a header-field rule needs it.
        const auto header = RuleTable.HasHeaderRules() ? rules::ReadHeaderFile(MailRows->HeaderFile(i)) : std::nullopt;
        MarkRow(row, header ? &*header : nullptr);
    });
}

void TMainFrm::RejudgeRows(const std::vector<int>& rows)
{
    for (int i : rows) {
        if (i < 0 || i >= MailRows->Count()) continue;
        TMailRow row = MailRows->Row(i);
        if (row.mark == rules::kMarkDeleting) continue;
        const auto lines = rules::ReadHeaderFile(MailRows->HeaderFile(i));
        // No header file: the sender alone decides, as the list shows it.
        const std::string header = lines ? JoinLines(*lines) : "From: " + std::string(row.From()) + "\n";
        JudgeRow(row, header, lines ? &*lines : nullptr);
        MailRows->SetJudgement(i, row);
    }
}

void TMainFrm::RejudgeAllRows()
{
    std::vector<int> rows(size_t(MailRows->Count()));
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = int(i);
    RejudgeRows(rows);
}

void TMainFrm::TrainSelected(bool spam)
{
    TOperationScope operation(operations_);
    TSpamFilter* filter = SpamFilter();
    if (!filter) return;
    const std::vector<int> rows = SelectedRows();
    for (int i : rows) {
        const auto lines = rules::ReadHeaderFile(MailRows->HeaderFile(i));
        if (!lines) {
            Warn("The header of \"" + std::string(MailRows->Row(i).ShownSubject()) + "\" could not be read from " +
                 MailRows->HeaderFile(i) + ": the filter cannot learn it.");
            continue;
        }
        try {
            filter->Train(IdentityOfHeader(*lines).headerKey, JoinLines(*lines), spam ? TTrainAs::Spam : TTrainAs::Ham);
        } catch (const std::exception& e) {
            Warn(std::string("The spam filter could not learn this message: ") + e.what());
            return;
        }
        // The user's word stands over the score, in this list and whatever the threshold.
        TMailRow row = MailRows->Row(i);
        row.userCleared = !spam;
        row.userMarked = spam;
        MailRows->SetJudgement(i, row);
    }
    RejudgeRows(rows);
    DisplayLCD_Msg(IntToStr(int64_t(rows.size())) + (spam ? " message(s) learnt as spam" : " message(s) learnt as not spam"));
}

void TMainFrm::UnmarkRow(int i)
{
    TMailRow row = MailRows->Row(i);
    // A rule's or the filter's mark; a blocked sender's stays, as the user asked for it.
    if (row.mark != rules::kMarkedByRule && row.mark != rules::kMarkedAsSpam) return;
    row.userCleared = true;
    row.userMarked = false;
    const auto header = RuleTable.HasHeaderRules() ? rules::ReadHeaderFile(MailRows->HeaderFile(i)) : std::nullopt;
    MarkRow(row, header ? &*header : nullptr);
    MailRows->SetJudgement(i, row);
}

void TMainFrm::MarkAsSpam1Click() { TrainSelected(true); }
void TMainFrm::NotSpam1Click() { TrainSelected(false); }

void TMainFrm::ListSelectedSenders(TSenderList list)
{
    TOperationScope operation(operations_);
    TSpamFilter* filter = SpamFilter();
    if (!filter) return;
    int added = 0;
    for (int i : SelectedRows()) {
        const std::string address = SenderAddress(MailRows->Row(i).From());
        if (address.empty()) continue;
        try {
            filter->AddSender(list, address);
            ++added;
        } catch (const std::exception& e) {
            Warn(e.what());
            break;
        }
    }
    if (added == 0) return;
    RemarkRows(true);
    DisplayLCD_Msg(IntToStr(added) + (list == TSenderList::Friend ? " sender(s) added to friends" : " sender(s) blocked"));
}

void TMainFrm::AddSenderToFriends1Click() { ListSelectedSenders(TSenderList::Friend); }
void TMainFrm::BlockSender1Click() { ListSelectedSenders(TSenderList::Blocked); }

void TMainFrm::Senders1Click()
{
    TOperationScope operation(operations_);
    TSpamFilter* filter = SpamFilter();
    if (!filter) return;
    if (!sendersDialog_) sendersDialog_ = new TFrm_Senders(this);
    sendersDialog_->Load(*filter);
    widgets::ShowModal(*sendersDialog_);
    RemarkRows(true);
}

void TMainFrm::TrainFromFolder1Click()
{
    TOperationScope operation(operations_);
    TSpamFilter* filter = SpamFilter();
    if (!filter) return;
    if (!trainDialog_) {
        trainDialog_ = new TFrm_TrainFolder(this);
        trainDialog_->OnTrained = [this] { spamTrained_ = true; };
    }
    spamTrained_ = false;
    trainDialog_->Load(*filter);
    widgets::ShowModal(*trainDialog_);
    if (spamTrained_) RejudgeAllRows();
}

void TMainFrm::SpamSettings1Click()
{
    TOperationScope operation(operations_);
    TFrm_SpamSettings dialog(this);
    dialog.Load(spamThreshold_, SpamFilter(), SpamDatabasePath());
    if (widgets::ShowModal(dialog) != QDialog::Accepted || std::abs(dialog.Threshold() - spamThreshold_) < 0.005) return;
    spamThreshold_ = dialog.Threshold();
    WriteSpamThreshold(spamThreshold_);
    RemarkRows(false);
}
