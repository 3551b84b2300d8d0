#include "accounts/AccountMenu.h"

#include "widgets/QtText.h"

#include <QAction>
#include <QMenu>

namespace accounts {

QAction* AppendAccountEntry(QMenu& menu, const std::string& accName, const std::string& objectName)
{
    auto* entry = new QAction(&menu);
    entry->setObjectName(ToQ(objectName));
    SetEntryAccount(*entry, accName);
    menu.addAction(entry);
    return entry;
}

void SetEntryAccount(QAction& entry, const std::string& accName)
{
    QString name = ToQ(accName);
    entry.setData(name);
    entry.setText(QString(name).replace(QLatin1Char('&'), QLatin1String("&&")));
}

std::string EntryAccount(const QAction& entry) { return FromQ(entry.data().toString()); }

}  // namespace accounts
