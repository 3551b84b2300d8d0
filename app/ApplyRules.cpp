#include "ApplyRules.h"

#include <algorithm>

#include "MailListModel.h"
#include "MailWindowPort.h"
#include "MessageCommands.h"
#include "SecureConnection.h"
#include "session/MessageIdentity.h"
#include "filter/SpamMarks.h"
#include "platform/MessageBox.h"
#include "retrieval/VemPOP3.h"
#include "rules/RuleApplication.h"

namespace {

const char kNothingDeleted[] = "No message was deleted.";

TMarkReason MarkReasonOf(int mark)
{
    switch (mark) {
    case rules::kMarkedByRule: return TMarkReason::Rule;
    case rules::kMarkedAsSpam: return TMarkReason::LikelySpam;
    case rules::kMarkedBlocked: return TMarkReason::Blocked;
    }
    return TMarkReason::None;
}

void Inform(const std::string& text)
{
    platform::ShowMessageBox({text, platform::ApplicationTitle(), platform::MsgIcon::Information,
                              platform::MsgButtons::OK, platform::MsgResult::None});
}

}  // namespace

void TApplyRules::Run()
{
    TMailWindowPort::TOperation operation(window_);
    const TMailListModel& rows = window_.Rows();
    std::vector<int> marks;
    for (int i = 0; i < rows.Count(); ++i) marks.push_back(rows.Row(i).mark);
    const std::vector<int> numbers = rules::MarkedMessages(marks);
    if (numbers.empty()) return;

    platform::MessageBoxRequest question{rules::DeletionQuestion(numbers.size()), "Delete Message", platform::MsgIcon::Warning,
                                         platform::MsgButtons::YesNo, platform::MsgResult::No};
    std::vector<int> positions;
    TMarkCounts counts;
    for (int n : numbers) {
        positions.push_back(n - 1);
        counts.Add(MarkReasonOf(marks[size_t(n - 1)]));
    }
    // What marked them comes first: a rule the user wrote, a blocked sender or the filter's guess.
    // The count line stands for the list's own "N messages:" line.
    const std::string named = DeletionDetail(rows, positions);
    question.detail = MarkedCountText(counts) + "." + named.substr(std::min(named.find('\n'), named.size()));
    // The marked rows stay in sight while the user decides.
    question.placement = platform::MsgPlacement::BesideWindow;
    if (platform::ShowMessageBox(question) != platform::MsgResult::Yes) {
        retrieval_.Disconnect();
        return;
    }
    bool deleted = false;
    try {
        deleted = DeleteMarked(numbers);
    } catch (const ESocketAborted&) {
        // Stop: closed without QUIT, so nothing is deleted.
    } catch (...) {
        RestoreMarks(numbers, marks);
        retrieval_.Abort();
        if (window_.Closing()) return;
        window_.ShowStatus(kNothingDeleted);
        throw;
    }
    if (deleted || window_.Closing()) return;
    RestoreMarks(numbers, marks);
    if (retrieval_.Connected()) retrieval_.Abort();  // no QUIT: the server carries out none of it
    window_.ShowStatus(kNothingDeleted);
}

bool TApplyRules::DeleteMarked(const std::vector<int>& numbers)
{
    if (!retrieval_.Connected()) {
        window_.ScrollStatus(false);
        window_.ShowStatus("Connecting to mail server...");
        const TSecureConnection::TConnectOutcome outcome = connection_.ConnectRetrieval();
        if (outcome != TSecureConnection::TConnectOutcome::Connected) {
            if (outcome == TSecureConnection::TConnectOutcome::Failed && !window_.Closing())
                Inform("Connect failed. Maybe the server is down or not responding.");
            return false;
        }
        // A refused login has shown the server's reply; nothing more is said or tried.
        if (!retrieval_.Login()) return false;
    }

    // Every marked number must still be the message its row shows before the first DELE.
    TMailListModel& rows = window_.Rows();
    std::vector<TListedMessage> listed;
    for (int n : numbers) listed.push_back({n, rows.Row(n - 1).Identity()});
    TIdentitySource server{[this](int n) { return retrieval_.GetUIDL(n); },
                           [this](int n) {
                               TVemMsg header;
                               return retrieval_.Retrieve(n, true, header) ? header.Headers : StringList();
                           }};
    if (!MailboxUnchanged(listed, server)) {
        if (!retrieval_.Connected()) return false;  // the server's refusal has been shown
        retrieval_.Abort();
        if (!window_.Closing()) Inform(kMailboxChanged);
        return false;
    }

    for (int n : numbers) {
        retrieval_.DeleteMessage(n);
        // A refusal has closed the connection without QUIT and shown the server's reply.
        if (retrieval_.LastCmdFailed() || !retrieval_.Connected()) return false;
        rows.SetMark(n - 1, rules::kMarkDeleting);
    }
    // The deletions happen at QUIT; only the server's confirmation makes them done.
    if (!retrieval_.Disconnect()) {
        if (!window_.Closing()) Inform("The server did not confirm the deletions. Check mail again.");
        return false;
    }
    for (int i = rows.Count() - 1; i >= 0; --i)
        if (rows.Row(i).mark == rules::kMarkDeleting) rows.RemoveRow(i);
    window_.ShowStatus("Messages deleted successfully");
    return true;
}

void TApplyRules::RestoreMarks(const std::vector<int>& numbers, const std::vector<int>& marks)
{
    TMailListModel& rows = window_.Rows();
    for (int n : numbers)
        if (n - 1 < rows.Count() && rows.Row(n - 1).mark == rules::kMarkDeleting)
            rows.SetMark(n - 1, marks.at(size_t(n - 1)));
}
