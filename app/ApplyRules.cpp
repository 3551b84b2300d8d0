// Carrying out the rules: after the user's Yes, the retrieval client deletes every listed
// message that a rule marked, and the rows of the deleted messages go.
#include "Main.h"
#include "MessageIdentity.h"
#include "filter/SpamMarks.h"
#include "lcd/LCDScreen.h"
#include "platform/MessageBox.h"
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

void TMainFrm::Apply_rules()
{
    TOperationScope operation(operations_);
    if (OnApplyRules) OnApplyRules();
    std::vector<int> marks;
    for (int i = 0; i < MailRows->Count(); ++i) marks.push_back(MailRows->Row(i).mark);
    const std::vector<int> numbers = rules::MarkedMessages(marks);
    if (numbers.empty()) return;

    platform::MessageBoxRequest question{rules::DeletionQuestion(numbers.size()), "Delete Message", platform::MsgIcon::Warning,
                                         platform::MsgButtons::YesNo, platform::MsgResult::No};
    std::vector<int> rows;
    TMarkCounts counts;
    for (int n : numbers) {
        rows.push_back(n - 1);
        counts.Add(MarkReasonOf(marks[size_t(n - 1)]));
    }
    // What marked them comes first: a rule the user wrote, or the filter's guess.
    question.detail = MarkedCountText(counts) + ".\n" + DeletionDetail(rows);
    // The marked rows stay in sight while the user decides.
    question.placement = platform::MsgPlacement::BesideWindow;
    if (platform::ShowMessageBox(question) != platform::MsgResult::Yes) {
        VemPOP1->Disconnect();
        return;
    }
    bool deleted = false;
    try {
        deleted = DeleteMarked(numbers);
    } catch (const ESocketAborted&) {
        // Stop: closed without QUIT, so nothing is deleted.
    } catch (...) {
        RestoreMarks(numbers, marks);
        VemPOP1->Abort();
        if (closing_) return;
        DisplayLCD_Msg(kNothingDeleted);
        throw;
    }
    if (deleted || closing_) return;
    RestoreMarks(numbers, marks);
    if (VemPOP1->Connected()) VemPOP1->Abort();  // no QUIT: the server carries out none of it
    DisplayLCD_Msg(kNothingDeleted);
}

bool TMainFrm::DeleteMarked(const std::vector<int>& numbers)
{
    if (!VemPOP1->Connected()) {
        LCD1->SetAnimationEnabled(false);
        DisplayLCD_Msg("Connecting to mail server...");
        const TConnectOutcome outcome = ConnectRetrieval();
        if (outcome != TConnectOutcome::Connected) {
            if (outcome == TConnectOutcome::Failed && !closing_) Inform("Connect failed. Maybe the server is down or not responding.");
            return false;
        }
        // A refused login has shown the server's reply; nothing more is said or tried.
        if (!VemPOP1->Login()) return false;
    }

    // Every marked number must still be the message its row shows before the first DELE.
    std::vector<TListedMessage> listed;
    for (int n : numbers) listed.push_back({n, &MailRows->Row(n - 1).identity});
    TIdentitySource server{[this](int n) { return VemPOP1->GetUIDL(n); },
                           [this](int n) {
                               TVemMsg header;
                               return VemPOP1->Retrieve(n, true, header) ? header.Headers : StringList();
                           }};
    if (!MailboxUnchanged(listed, server)) {
        if (!VemPOP1->Connected()) return false;  // the server's refusal has been shown
        VemPOP1->Abort();
        if (!closing_) Inform(kMailboxChanged);
        return false;
    }

    for (int n : numbers) {
        VemPOP1->DeleteMessage(n);
        // A refusal has closed the connection without QUIT and shown the server's reply.
        if (VemPOP1->LastCmdFailed() || !VemPOP1->Connected()) return false;
        MailRows->SetMark(n - 1, rules::kMarkDeleting);
    }
    // The deletions happen at QUIT; only the server's confirmation makes them done.
    if (!VemPOP1->Disconnect()) {
        if (!closing_) Inform("The server did not confirm the deletions. Check mail again.");
        return false;
    }
    for (int i = MailRows->Count() - 1; i >= 0; --i)
        if (MailRows->Row(i).mark == rules::kMarkDeleting) MailRows->RemoveRow(i);
    DisplayLCD_Msg("Messages deleted successfully");
    return true;
}

void TMainFrm::RestoreMarks(const std::vector<int>& numbers, const std::vector<int>& marks)
{
    for (int n : numbers)
        if (n - 1 < MailRows->Count() && MailRows->Row(n - 1).mark == rules::kMarkDeleting)
            MailRows->SetMark(n - 1, marks.at(size_t(n - 1)));
}
