// Reading and deleting the listed messages: View Message downloads one whole message and
// shows it, View Message Source shows the header lines the check saved, Delete Message
// deletes the selected messages on the server.
#include "Main.h"
#include "MessageIdentity.h"
#include "msg_src.h"
#include "lcd/LCDScreen.h"
#include "platform/MessageBox.h"
#include "platform/TextFile.h"
#include "rules/RuleApplication.h"
#include "widgets/Modal.h"
#include "widgets/DisplayText.h"
#include "widgets/QtText.h"

#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QToolButton>

#include <algorithm>

namespace {

// The body as a person reads it: each text part converted by its own charset.
QString ShownBody(const TVemMsg& msg)
{
    const size_t lines = msg.Text.size();
    std::vector<TVemMsg::TTextRun> runs = msg.TextRuns;
    if (runs.empty() || runs.front().FirstLine > 0) runs.insert(runs.begin(), {0, std::string()});
    QString body;
    for (size_t r = 0; r < runs.size(); ++r) {
        const size_t from = std::min(runs[r].FirstLine, lines);
        const size_t to = r + 1 < runs.size() ? std::min(runs[r + 1].FirstLine, lines) : lines;
        if (from >= to) continue;
        if (!body.isEmpty()) body += QLatin1Char('\n');
        body += DisplayBodyText(StringList(msg.Text.begin() + std::ptrdiff_t(from), msg.Text.begin() + std::ptrdiff_t(to)),
                                runs[r].Charset);
    }
    return body;
}

void Inform(const std::string& text)
{
    platform::ShowMessageBox({text, platform::ApplicationTitle(), platform::MsgIcon::Information,
                              platform::MsgButtons::OK, platform::MsgResult::None});
}

}  // namespace

void TMainFrm::BindRetrievalClient()
{
    VemPOP1 = std::make_unique<TVemPOP>();
    VemPOP1->Port = "110";
    VemPOP1->RetrieveProgressStep = 10;
    VemPOP1->OnConnect = [this](TComponent*) { VemPOP1Connect(); };
    VemPOP1->OnDisconnect = [this](TComponent*) { VemPOP1Disconnect(); };
    VemPOP1->OnBeforeRetrieve = [this](TVemPOP*, int msgIndex) { VemPOP1BeforeRetrieve(msgIndex); };
    VemPOP1->OnRetrieveProgress = [this](TVemPOP*, unsigned percent) { VemPOP1RetrieveProgress(percent); };
    VemPOP1->OnError = [this](TComponent*, int, const std::string& msg) { VemPOP1Error(msg); };

    auto guarded = [this](void (TMainFrm::*handler)()) {
        return [this, handler] { platform::RunGuarded([&] { (this->*handler)(); }); };
    };
    connect(cmd_vumsg, &QAction::triggered, this, guarded(&TMainFrm::cmd_vumsgClick));
    connect(cmd_vusrc, &QAction::triggered, this, guarded(&TMainFrm::cmd_vusrcClick));
    connect(cmd_del, &QAction::triggered, this, guarded(&TMainFrm::cmd_delClick));
    QList<QAction*> message = mnuMessage->actions();
    connect(message[0], &QAction::triggered, this, guarded(&TMainFrm::cmd_vumsgClick));
    connect(message[1], &QAction::triggered, this, guarded(&TMainFrm::cmd_vusrcClick));
    connect(message[3], &QAction::triggered, this, guarded(&TMainFrm::cmd_delClick));
    QList<QAction*> popup = PopupMenu2->actions();
    connect(popup[0], &QAction::triggered, this, guarded(&TMainFrm::cmd_vumsgClick));
    connect(popup[1], &QAction::triggered, this, guarded(&TMainFrm::cmd_vusrcClick));
    connect(popup[3], &QAction::triggered, this, guarded(&TMainFrm::Deletefromserver1Click));
}

// ------------------------------------------------------------------------------------------
// The retrieval client's events

void TMainFrm::VemPOP1Connect() { update_ctrls(false); }

void TMainFrm::VemPOP1Disconnect() { update_ctrls(true); }

void TMainFrm::VemPOP1BeforeRetrieve(int msgIndex)
{
    // Only a download for viewing reports; the header fetch that confirms a rule deletion is silent.
    if (!downloading) return;
    DisplayLCD_Msg("downloading message " + IntToStr(msgIndex) + " of " + IntToStr(VemPOP1->MessageCount()));
}

void TMainFrm::VemPOP1RetrieveProgress(unsigned percent)
{
    if (downloading) DisplayLCD_Msg(IntToStr(percent) + "% downloaded");
}

void TMainFrm::VemPOP1Error(const std::string& msg)
{
    if (closing_) return;
    platform::ShowMessageBox({msg, platform::ApplicationTitle(), platform::MsgIcon::None, platform::MsgButtons::OK,
                              platform::MsgResult::None});
}

// ------------------------------------------------------------------------------------------
// Commands

std::string TMainFrm::DeletionDetail(const std::vector<int>& rows) const
{
    std::vector<rules::TNamedMessage> named;
    for (size_t k = 0; k < rows.size() && k < rules::kNamedForDeletion; ++k) {
        const TMailRow& row = MailRows->Row(rows[k]);
        named.push_back({std::string(row.ShownFrom()), std::string(row.ShownSubject())});
    }
    return rules::DeletionDetail(named, rows.size());
}

std::vector<int> TMainFrm::SelectedRows() const
{
    std::vector<int> rows;
    // The view may be sorted: a row's place in the server's order is its source row.
    for (const QModelIndex& index : MailList->selectionModel()->selectedRows())
        rows.push_back(MailSort->mapToSource(index).row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void TMainFrm::cmd_vumsgClick()
{
    TOperationScope operation(operations_);
    const std::vector<int> selected = SelectedRows();
    if (selected.empty()) return;
    LCD1->SetAnimationEnabled(false);
    downloading = true;
    // However the view ends, the connection is closed and the message released.
    auto endOfView = [this] {
        try {
            VemPOP1->Disconnect();
        } catch (...) {
        }
        downloading = false;
        windows_.Frm_srcvu->cur_msg = nullptr;
        cur_msg.reset();
    };
    try {
        ViewMessage(selected.front());
    } catch (const ESocketAborted&) {
        // Stop: the display already says so.
    } catch (...) {
        endOfView();
        if (closing_) return;
        throw;
    }
    endOfView();
}

void TMainFrm::ViewMessage(int row)
{
    if (!VemPOP1->Connected()) {
        DisplayLCD_Msg("Downloading message ...");
        if (ConnectRetrieval() != TConnectOutcome::Connected) {
            DisplayLCD_Msg("Connect failed. Maybe the server is down or not responding.");
            return;
        }
        if (!VemPOP1->Login()) {
            DisplayLCD_Msg("Unauthorized access...");  // the error box has shown the server's reply
            return;
        }
        VemPOP1->GetStatus();
        if (!VemPOP1->Connected()) return;  // STAT refused: the error box has said why
    }
    TFrm_srcvu& window = *windows_.Frm_srcvu;
    window.AttList->clear();
    cur_msg = std::make_unique<TVemMsg>();
    // A failure has been shown by the client's error event; nothing more to say.
    if (!VemPOP1->RetrieveMessage(row + 1, *cur_msg)) return;
    if (closing_) return;

    window.Memo1->clear();
    window.AttList->clear();
    for (int i = 0; i < cur_msg->AttachedFiles.Count(); ++i)
        window.AttList->addItem(DisplayPlainText(cur_msg->AttachedFiles.Items(i).FileName));
    if (window.AttList->count() > 0) window.AttList->setCurrentIndex(0);
    window.setWindowTitle(QStringLiteral("Message"));
    const TMailRow& listed = MailRows->Row(row);
    window.lblFrom->setText(ToQ(listed.ShownFrom()));
    window.lblSub->setText(ToQ(listed.ShownSubject()));
    window.lblDate->setText(ShownDate(listed));
    const bool attachments = window.AttList->count() > 0;
    window.AttList->setEnabled(attachments);
    window.SpeedButton1->setEnabled(attachments);
    window.SpeedButton2->setEnabled(attachments);
    window.SetMemoText(ShownBody(*cur_msg));
    window.cur_msg = cur_msg.get();

    LCD1->SetAnimationEnabled(true);
    DisplayLCD_Msg(IntToStr(MailRows->Count()) + " messages in your mailbox");
    MarkViewed(row);
    widgets::ShowModal(window);
}

void TMainFrm::cmd_vusrcClick()
{
    TOperationScope operation(operations_);
    const std::vector<int> selected = SelectedRows();
    if (selected.empty() || cur_account.empty()) return;
    const TMailRow& listed = MailRows->Row(selected.front());
    TFrm_srcvu& window = *windows_.Frm_srcvu;
    // A missing header file is reported by the error report; the window is not shown then.
    StringList lines = platform::ReadLines(MailRows->HeaderFile(selected.front()));
    window.Memo1->clear();
    window.setWindowTitle(QStringLiteral("Message Source"));
    std::string text;
    for (const std::string& line : lines) (text += line) += '\n';
    if (!text.empty()) text.pop_back();
    // The source stays exactly as received; only the labels above it are decoded.
    window.SetMemoText(ToQ(text));
    window.lblFrom->setText(ToQ(listed.ShownFrom()));
    window.lblSub->setText(ToQ(listed.ShownSubject()));
    window.lblDate->setText(ShownDate(listed));
    window.AttList->setEnabled(false);
    window.SpeedButton1->setEnabled(false);
    window.SpeedButton2->setEnabled(false);
    window.cur_msg = nullptr;
    widgets::ShowModal(window);
}

void TMainFrm::cmd_delClick()
{
    TOperationScope operation(operations_);
    if (SelectedRows().empty()) return;
    // Enter must not delete on the server: No is the default, and the detail says what goes.
    platform::MessageBoxRequest question{"Are you sure you want to delete selected messages(s) ?", platform::ApplicationTitle(),
                                         platform::MsgIcon::Question, platform::MsgButtons::YesNo, platform::MsgResult::No};
    question.detail = DeletionDetail(SelectedRows());
    if (platform::ShowMessageBox(question) != platform::MsgResult::Yes) return;
    // The set is taken now; what happens to the selection meanwhile does not change it.
    const std::vector<int> rows = SelectedRows();
    LCD1->SetAnimationEnabled(false);
    DisplayLCD_Msg("Connecting...");
    try {
        DeleteRows(rows);
    } catch (const ECertificateDeclined&) {
        // The user was asked about the certificate and said No: nothing more to say.
    } catch (const EAbortError&) {
        // Stop (or a time-out): closed without QUIT, nothing deleted, the rows stay.
        if (POP31->Connected()) POP31->Abort();
    } catch (...) {
        // A refusal or a failure: close without QUIT, so the server deletes nothing of this
        // connection; the rows stay and the error report shows why.
        if (POP31->Connected()) POP31->Abort();
        if (closing_) return;
        throw;
    }
}

void TMainFrm::DeleteRows(const std::vector<int>& rows)
{
    if (!POP31->Connected()) ConnectMailbox();
    if (closing_) return;

    std::vector<TListedMessage> listed;
    for (int row : rows) listed.push_back({row + 1, &MailRows->Row(row).identity});
    TIdentitySource server{[this](int n) { return POP31->GetUIDL(n); },
                           [this](int n) {
                               POP31->GetSummary(n);
                               return POP31->Summary().Header;
                           }};
    if (!MailboxUnchanged(listed, server)) {
        POP31->Abort();
        DisplayLCD_Msg(kMailboxChanged);
        if (!closing_) Inform(kMailboxChanged);
        return;
    }
    for (size_t k = 0; k < rows.size(); ++k) {
        DisplayLCD_Msg("Deleteing message " + IntToStr(int64_t(k) + 1) + " of " + IntToStr(int64_t(rows.size())));
        POP31->DeleteMessage(rows[k] + 1);
    }
    // Only a confirmed QUIT removes the messages: the rows go only then.
    POP31->Disconnect();
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) MailRows->RemoveRow(*row);
    LCD1->SetAnimationEnabled(true);
    DisplayLCD_Msg(IntToStr(MailRows->Count()) + " Messages in your mailbox");
}
