#include "AccessibleNames.h"

#include "Main.h"

#include <QFrame>
#include <QStatusBar>
#include <QTableView>

void NameMainWindowParts(TMainFrm& frm)
{
    frm.Panel1->setAccessibleName(QStringLiteral("Status display"));
    frm.MailList->setAccessibleName(QStringLiteral("Messages"));
    frm.MailList->setAccessibleDescription(QStringLiteral("The messages waiting on the server"));
    frm.statusBar()->setAccessibleName(QStringLiteral("Status bar"));
}
