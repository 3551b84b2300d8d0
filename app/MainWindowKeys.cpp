// The keyboard and the ways in for a new user: F5 checks mail, Enter views, Delete deletes,
// Ctrl+U shows the source, F1 the manual; with no account yet, "Check Mail" offers to add one.
#include "Main.h"
#include "accounts/AccountMenu.h"
#include "accounts/pop_acc.h"
#include "platform/MessageBox.h"
#include "platform/Shell.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMenu>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

void TMainFrm::BuildKeys()
{
    const QList<QAction*> message = mnuMessage->actions();
    message[0]->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});  // View Message
    message[1]->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_U));                            // View Message Source
    message[3]->setShortcut(QKeySequence::Delete);                                          // Delete Message
    for (int i : {0, 1, 3}) message[i]->setShortcutVisibleInContextMenu(true);
    // A double click on a row views it, as Enter does.
    connect(MailList, &QAbstractItemView::doubleClicked, this, [message] {
        if (message[0]->isEnabled()) message[0]->trigger();
    });
    connect(PopupMenu1, &QMenu::aboutToShow, this, [this] { platform::RunGuarded([&] { OfferFirstAccount(); }); });
}

void TMainFrm::OfferFirstAccount()
{
    bool hasAccount = false;
    for (QAction* entry : PopupMenu1->actions())
        if (entry != addAccountEntry_) hasAccount = true;
    if (hasAccount) {
        if (addAccountEntry_) PopupMenu1->removeAction(addAccountEntry_);
        return;
    }
    if (!addAccountEntry_) {
        addAccountEntry_ = new QAction(QStringLiteral("Add an account..."), this);
        addAccountEntry_->setObjectName(QStringLiteral("addAccount"));
    }
    if (!PopupMenu1->actions().contains(addAccountEntry_)) PopupMenu1->addAction(addAccountEntry_);
}

void TMainFrm::CheckMailKey()
{
    if (!cmdChkMail->isEnabled()) return;  // a check or another operation is running
    QList<QAction*> accounts;
    for (QAction* entry : PopupMenu1->actions())
        if (entry != addAccountEntry_ && !entry->isSeparator()) accounts.push_back(entry);
    for (QAction* entry : accounts) {
        if (!cur_account.empty() && accounts::EntryAccount(*entry) == cur_account) {
            entry->trigger();
            return;
        }
    }
    if (accounts.size() == 1) {
        accounts.front()->trigger();
        return;
    }
    // No account to take for granted: let the user choose, as the button does.
    OfferFirstAccount();
    QWidget* button = Toolbar971->widgetForAction(cmdChkMail);
    PopupMenu1->popup(button ? button->mapToGlobal(QPoint(0, button->height())) : mapToGlobal(QPoint(0, 0)));
}

std::string TMainFrm::ManualPath()
{
    // Installed beside the program (share/doc/quillbox), or in the source tree of a build.
    const QString installed = QCoreApplication::applicationDirPath() + QStringLiteral("/../share/doc/quillbox/manual.html");
    if (QFileInfo::exists(installed)) return QFileInfo(installed).absoluteFilePath().toStdString();
    return QUILLBOX_SOURCE_DOCS "/manual.html";
}

