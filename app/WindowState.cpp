// What the main window keeps between runs (its size and place, the columns' widths, From's
// share of the list and the sort order) in the settings store, and the count of listed messages
// in the status bar.
#include "Main.h"
#include "ListColumns.h"
#include "platform/Registry.h"
#include "widgets/QtText.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableView>

namespace {

// The program's own key: the keys below it are the accounts', so no key of ours may sit there.
const char kSettingsKey[] = "Software\\quillbox";

}  // namespace

void TMainFrm::SaveWindowState()
{
    platform::TRegistry reg;
    if (!reg.OpenKey(kSettingsKey, true)) return;
    reg.WriteString("windowstate", saveGeometry().toHex().toStdString());
    reg.WriteString("liststate", MailList->horizontalHeader()->saveState().toHex().toStdString());
    if (TListColumns* columns = TListColumns::Of(*MailList))
        reg.WriteString("fromshare", QString::number(columns->FromShare(), 'f', 6).toStdString());
}

void TMainFrm::RestoreWindowState()
{
    platform::TRegistry reg;
    if (!reg.KeyExists(kSettingsKey) || !reg.OpenKey(kSettingsKey, false)) return;
    // A value that is not what we wrote (a hand edit) leaves the defaults alone.
    const QByteArray window = QByteArray::fromHex(QByteArray::fromStdString(reg.ReadString("windowstate")));
    if (!window.isEmpty()) restoreGeometry(window);
    const QByteArray columns = QByteArray::fromHex(QByteArray::fromStdString(reg.ReadString("liststate")));
    QHeaderView* header = MailList->horizontalHeader();
    if (!columns.isEmpty() && header->restoreState(columns)) {
        // Whatever was stored, every column stays readable and Subject takes the spare width.
        if (TListColumns* fit = TListColumns::Of(*MailList))
            fit->Restored(QString::fromStdString(reg.ReadString("fromshare")).toDouble());
    }
}

void TMainFrm::ShowListedCount()
{
    const int n = MailRows->Count();
    QString text = QString::number(n) + (n == 1 ? QStringLiteral(" message listed") : QStringLiteral(" messages listed"));
    // "Demo: 12 messages listed"; "Demo: not checked" when its check ended before listing.
    if (!listedAccount_.empty())
        text = ToQ(listedAccount_) + QStringLiteral(": ") + (listedState_.empty() || n > 0 ? text : ToQ(listedState_));
    sbarListed->setText(text);
}
