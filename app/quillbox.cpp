// Quillbox: a desktop POP3 mail checker.
#include "Main.h"
#include "Startup.h"
#include "platform/MessageBox.h"
#include "widgets/Artwork.h"
#include "widgets/QtMessageBox.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillbox"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quillbox"));
    QApplication::setDesktopFileName(QStringLiteral("quillbox"));
    QApplication::setWindowIcon(widgets::ApplicationIcon());
    platform::SetApplicationTitle("Quillbox");
    widgets::InstallQtPlatform();

    std::unique_ptr<TMainFrm> mainForm = CreateApplicationWindows();
    mainForm->show();
    return app.exec();
}
