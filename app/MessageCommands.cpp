#include "MessageCommands.h"

#include "MailListModel.h"
#include "MailWindowPort.h"
#include "SecureConnection.h"
#include "session/MessageIdentity.h"
#include "msg_src.h"
#include "mailbox/Kiropop3.h"
#include "platform/MessageBox.h"
#include "platform/TextFile.h"
#include "retrieval/VemPOP3.h"
#include "rules/RuleApplication.h"
#include "widgets/Modal.h"
#include "widgets/DisplayText.h"
#include "widgets/QtText.h"

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
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

// ------------------------------------------------------------------------------------------
// Commands

std::string DeletionDetail(const TMailListModel& rows, const std::vector<int>& positions)
{
    std::vector<rules::TNamedMessage> named;
    for (size_t k = 0; k < positions.size() && k < rules::kNamedForDeletion; ++k) {
        const TMailRow& row = rows.Row(positions[k]);
        named.push_back({std::string(row.ShownFrom()), std::string(row.ShownSubject())});
    }
    return rules::DeletionDetail(named, positions.size());
}

void TMessageCommands::View()
{
    TMailWindowPort::TOperation operation(window_);
    const std::vector<int> selected = window_.SelectedRows();
    if (selected.empty()) return;
    window_.ScrollStatus(false);
    downloading_ = true;
    // However the view ends, the connection is closed and the message released.
    auto endOfView = [this] {
        try {
            retrieval_.Disconnect();
        } catch (...) {
        }
        downloading_ = false;
        window_.MessageWindow().cur_msg = nullptr;
        viewed_.reset();
    };
    try {
        ViewMessage(selected.front());
    } catch (const ESocketAborted&) {
        // Stop: the display already says so.
    } catch (...) {
        endOfView();
        if (window_.Closing()) return;
        throw;
    }
    endOfView();
}

void TMessageCommands::ViewMessage(int row)
{
    if (!retrieval_.Connected()) {
        window_.ShowStatus("Downloading message ...");
        if (connection_.ConnectRetrieval() != TSecureConnection::TConnectOutcome::Connected) {
            window_.ShowStatus("Connect failed. Maybe the server is down or not responding.");
            return;
        }
        if (!retrieval_.Login()) {
            window_.ShowStatus("Unauthorized access...");  // the error box has shown the server's reply
            return;
        }
        retrieval_.GetStatus();
        if (!retrieval_.Connected()) return;  // STAT refused: the error box has said why
    }
    TFrm_srcvu& window = window_.MessageWindow();
    window.AttList->clear();
    viewed_ = std::make_unique<TVemMsg>();
    TVemMsg& message = *viewed_;
    // A failure has been shown by the client's error event; nothing more to say.
    if (!retrieval_.RetrieveMessage(row + 1, message)) return;
    if (window_.Closing()) return;

    window.Memo1->clear();
    window.AttList->clear();
    for (int i = 0; i < message.AttachedFiles.Count(); ++i)
        window.AttList->addItem(DisplayPlainText(message.AttachedFiles.Items(i).FileName));
    if (window.AttList->count() > 0) window.AttList->setCurrentIndex(0);
    window.setWindowTitle(QStringLiteral("Message"));
    TMailListModel& rows = window_.Rows();
    const TMailRow& listed = rows.Row(row);
    window.lblFrom->setText(ToQ(listed.ShownFrom()));
    window.lblSub->setText(ToQ(listed.ShownSubject()));
    window.lblDate->setText(ShownDate(listed));
    const bool attachments = window.AttList->count() > 0;
    window.AttList->setEnabled(attachments);
    window.SpeedButton1->setEnabled(attachments);
    window.SpeedButton2->setEnabled(attachments);
    window.SetMemoText(ShownBody(message));
    window.cur_msg = &message;

    window_.ScrollStatus(true);
    window_.ShowStatus(IntToStr(rows.Count()) + " messages in your mailbox");
    window_.MarkViewed(row);
    widgets::ShowModal(window);
}

void TMessageCommands::ViewSource()
{
    TMailWindowPort::TOperation operation(window_);
    const std::vector<int> selected = window_.SelectedRows();
    if (selected.empty() || window_.AccountInUse().empty()) return;
    const TMailListModel& rows = window_.Rows();
    const TMailRow& listed = rows.Row(selected.front());
    TFrm_srcvu& window = window_.MessageWindow();
    // A missing header file is reported by the error report; the window is not shown then.
    StringList lines = platform::ReadLines(rows.HeaderFile(selected.front()));
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

void TMessageCommands::Delete()
{
    TMailWindowPort::TOperation operation(window_);
    if (window_.SelectedRows().empty()) return;
    // Enter must not delete on the server: No is the default, and the detail says what goes.
    platform::MessageBoxRequest question{"Are you sure you want to delete selected messages(s) ?", platform::ApplicationTitle(),
                                         platform::MsgIcon::Question, platform::MsgButtons::YesNo, platform::MsgResult::No};
    question.detail = DeletionDetail(window_.Rows(), window_.SelectedRows());
    if (platform::ShowMessageBox(question) != platform::MsgResult::Yes) return;
    // The set is taken now; what happens to the selection meanwhile does not change it.
    const std::vector<int> rows = window_.SelectedRows();
    window_.ScrollStatus(false);
    window_.ShowStatus("Connecting...");
    try {
        DeleteRows(rows);
    } catch (const ECertificateDeclined&) {
        // The user was asked about the certificate and said No: nothing more to say.
    } catch (const EAbortError&) {
        // Stop (or a time-out): closed without QUIT, nothing deleted, the rows stay.
        if (mailbox_.Connected()) mailbox_.Abort();
    } catch (...) {
        // A refusal or a failure: close without QUIT, so the server deletes nothing of this
        // connection; the rows stay and the error report shows why.
        if (mailbox_.Connected()) mailbox_.Abort();
        if (window_.Closing()) return;
        throw;
    }
}

void TMessageCommands::DeleteRows(const std::vector<int>& rows)
{
    if (!mailbox_.Connected()) connection_.ConnectMailbox();
    if (window_.Closing()) return;

    TMailListModel& listedRows = window_.Rows();
    std::vector<TListedMessage> listed;
    for (int row : rows) listed.push_back({row + 1, listedRows.Row(row).Identity()});
    TIdentitySource server{[this](int n) { return mailbox_.GetUIDL(n); },
                           [this](int n) {
                               mailbox_.GetSummary(n);
                               return mailbox_.Summary().Header;
                           }};
    if (!MailboxUnchanged(listed, server)) {
        mailbox_.Abort();
        window_.ShowStatus(kMailboxChanged);
        if (!window_.Closing()) Inform(kMailboxChanged);
        return;
    }
    for (size_t k = 0; k < rows.size(); ++k) {
        window_.ShowStatus("Deleteing message " + IntToStr(int64_t(k) + 1) + " of " + IntToStr(int64_t(rows.size())));
        mailbox_.DeleteMessage(rows[k] + 1);
    }
    // Only a confirmed QUIT removes the messages: the rows go only then.
    mailbox_.Disconnect();
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) listedRows.RemoveRow(*row);
    window_.ScrollStatus(true);
    window_.ShowStatus(IntToStr(listedRows.Count()) + " Messages in your mailbox");
}
