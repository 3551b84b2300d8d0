// The bold "new" mark as the user sets it: viewing a message clears it (he has seen it), and
// "Mark as unread" sets it again. A check draws bold what no earlier check listed (seen.uid);
// a message marked unread is kept in unread.uid beside it, so it stays bold through later
// checks until it is viewed, without being counted or told about as new mail again.
#include "Main.h"
#include "session/SeenMessages.h"
#include "platform/MessageBox.h"
#include "platform/TextFile.h"

#include <QAction>
#include <QMenu>

void TMainFrm::BindReadMarks()
{
    mnuMarkUnread = new QAction(QStringLiteral("Mark as unread"), this);
    connect(mnuMarkUnread, &QAction::triggered, this, [this] { platform::RunGuarded([&] { MarkUnread1Click(); }); });
    // After "View Message Source", in the Message menu and in the list's menu.
    mnuMessage->insertAction(mnuMessage->actions().value(2), mnuMarkUnread);
    PopupMenu2->insertAction(PopupMenu2->actions().value(2), mnuMarkUnread);
}

std::string TMainFrm::SeenIdOf(int row) const
{
    // The id the check gave the message: its unique id, else one made from its header lines.
    const TMailRow& listed = MailRows->Row(row);
    if (!listed.Uidl().empty()) return std::string(listed.Uidl());
    try {
        return FallbackId(platform::ReadLines(MailRows->HeaderFile(row)));
    } catch (const std::exception&) {
        return {};  // no header file: the mark lives in the list only
    }
}

void TMainFrm::MarkViewed(int row)
{
    if (row < 0 || row >= MailRows->Count() || !MailRows->Row(row).isNew) return;
    MailRows->SetNew(row, false);
    // Its id is in seen.uid since the check that listed it; only a mark of the user's may remain.
    const std::string id = SeenIdOf(row);
    if (id.empty() || MailRows->HeaderFolder().empty()) return;
    try {
        TSeenMessages unread;
        unread.Load(MailRows->HeaderFolder(), TSeenMessages::kUnreadFileName);
        unread.SaveRemoving({id});
    } catch (const std::exception& e) {
        platform::ShowException(e);  // said, and the message is shown all the same
    }
}

void TMainFrm::MarkUnread1Click()
{
    TOperationScope operation(operations_);
    std::vector<std::string> ids;
    for (int row : SelectedRows()) {
        MailRows->SetNew(row, true);
        std::string id = SeenIdOf(row);
        if (!id.empty()) ids.push_back(std::move(id));
    }
    if (ids.empty() || MailRows->HeaderFolder().empty()) return;
    TSeenMessages unread;
    unread.Load(MailRows->HeaderFolder(), TSeenMessages::kUnreadFileName);
    unread.SaveAdding({ids.begin(), ids.end()});  // a failure is shown by the error report: the mark would not last
}

void TMainFrm::KeepUnreadMarks(const std::string& accName, const TIdList& ids, bool complete)
{
    TSeenMessages unread;
    unread.Load(AccountFolder(accName), TSeenMessages::kUnreadFileName);
    if (unread.Count() == 0) return;
    TIdList onServer;
    for (size_t i = 0; i < ids.size() && int(i) < MailRows->Count(); ++i) {
        if (unread.IsNew(ids[i])) continue;  // not marked
        MailRows->SetNew(int(i), true);
        onServer.push_back(ids[i]);
    }
    if (!complete || onServer.size() == unread.Count()) return;
    // The marks of messages gone from the server go with them.
    try {
        unread.Save(onServer);
    } catch (const std::exception& e) {
        if (!closing_) platform::ShowException(e);
    }
}
