// Quillbox: a desktop POP3 mail checker.
#include "Main.h"
#include "Startup.h"
#include "keyring/SecretServiceStore.h"
#include "platform/MemoryUse.h"
#include "platform/MessageBox.h"
#include "widgets/Artwork.h"
#include "widgets/QtMessageBox.h"

#include <QApplication>

int main(int argc, char** argv)
{
    platform::KeepBigBlocksMapped();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillbox"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quillbox"));
    QApplication::setDesktopFileName(QStringLiteral("quillbox"));
    QApplication::setWindowIcon(widgets::ApplicationIcon());
    platform::SetApplicationTitle("Quillbox");
    widgets::InstallQtPlatform();
    // Tests and the demo profile leave the user's keyring alone: only the program itself uses it.
    if (keyring::KeyringWanted()) platform::InstallSecretStore(std::make_unique<keyring::SecretServiceStore>());

    std::unique_ptr<TMainFrm> mainForm = CreateApplicationWindows();
    mainForm->show();
    return app.exec();
}
