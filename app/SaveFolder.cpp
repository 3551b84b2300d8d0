#include "SaveFolder.h"

#include "platform/Registry.h"
#include "widgets/QtText.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// The program's own key, where the window keeps its layout too; the keys below it are the accounts'.
const char kSettingsKey[] = "Software\\quillbox";
const char kValue[] = "savefolder";

}  // namespace

std::string StartFolderForSaving()
{
    try {
        platform::TRegistry reg;
        if (reg.KeyExists(kSettingsKey) && reg.OpenKey(kSettingsKey, false)) {
            const std::string last = reg.ReadString(kValue);
            if (!last.empty() && QFileInfo(ToQ(last)).isDir()) return last;
        }
    } catch (const std::exception&) {
        // A value edited by hand into something else: start where a first save would.
    }
    const QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (!downloads.isEmpty() && QFileInfo(downloads).isDir()) return FromQ(downloads);
    return FromQ(QDir::homePath());
}

void RememberSaveFolder(const std::string& folder)
{
    try {
        platform::TRegistry reg;
        if (reg.OpenKey(kSettingsKey, true)) reg.WriteString(kValue, folder);
    } catch (const std::exception&) {
        // The files are saved; a settings store that cannot be written costs only the next start.
    }
}
