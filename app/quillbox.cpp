// Quillbox: a desktop POP3 mail checker.
#include "Main.h"
#include "Startup.h"
#include "keyring/SecretServiceStore.h"
#include "platform/MemoryUse.h"
#include "platform/MessageBox.h"
#include "widgets/Artwork.h"
#include "widgets/QtMessageBox.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QWindow>

namespace {
// Silent unless asked for (QT_LOGGING_RULES="quillbox.window.info=true"): says once that the
// main window is on the screen, so an installed program can be seen to start.
Q_LOGGING_CATEGORY(lcWindow, "quillbox.window", QtWarningMsg)

class TShownLog : public QObject {
public:
    explicit TShownLog(QWidget& window) : QObject(&window), window_(window)
    {
        window.winId();  // makes the native window, so its first exposure can be seen
        window.windowHandle()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Expose && window_.windowHandle()->isExposed()) {
            qCInfo(lcWindow, "window shown: %s", qUtf8Printable(window_.windowTitle()));
            watched->removeEventFilter(this);
        }
        return false;
    }

private:
    QWidget& window_;
};
}  // namespace

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
    new TShownLog(*mainForm);
    mainForm->show();
    return app.exec();
}
