#include "QtMessageBox.h"

#include "QtText.h"
#include "platform/MessageBox.h"
#include "platform/MessagePump.h"
#include "platform/Shell.h"

#include <QApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QUrl>

namespace widgets {
namespace {

QMessageBox::Icon ToQtIcon(platform::MsgIcon icon)
{
    switch (icon) {
    case platform::MsgIcon::Information: return QMessageBox::Information;
    case platform::MsgIcon::Warning: return QMessageBox::Warning;
    case platform::MsgIcon::Error: return QMessageBox::Critical;
    case platform::MsgIcon::Question: return QMessageBox::Question;
    case platform::MsgIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQtButtons(platform::MsgButtons buttons)
{
    switch (buttons) {
    case platform::MsgButtons::OK: return QMessageBox::Ok;
    case platform::MsgButtons::OKCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case platform::MsgButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case platform::MsgButtons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::StandardButton ToQtButton(platform::MsgResult result)
{
    switch (result) {
    case platform::MsgResult::OK: return QMessageBox::Ok;
    case platform::MsgResult::Cancel: return QMessageBox::Cancel;
    case platform::MsgResult::Yes: return QMessageBox::Yes;
    case platform::MsgResult::No: return QMessageBox::No;
    case platform::MsgResult::None: break;
    }
    return QMessageBox::NoButton;
}

platform::MsgResult FromQtButton(int button, platform::MsgButtons buttons)
{
    switch (button) {
    case QMessageBox::Ok: return platform::MsgResult::OK;
    case QMessageBox::Yes: return platform::MsgResult::Yes;
    case QMessageBox::No: return platform::MsgResult::No;
    case QMessageBox::Cancel: return platform::MsgResult::Cancel;
    default: break;
    }
    // Closed by the window's close control or Esc without a cancel button.
    return buttons == platform::MsgButtons::OK ? platform::MsgResult::OK : platform::MsgResult::Cancel;
}

platform::MsgResult ShowQtBox(const platform::MessageBoxRequest& request)
{
    QMessageBox box(ToQtIcon(request.icon), ToQ(request.caption), ToQ(request.text), ToQtButtons(request.buttons),
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    if (request.defaultButton != platform::MsgResult::None) box.setDefaultButton(ToQtButton(request.defaultButton));
    return FromQtButton(box.exec(), request.buttons);
}

}  // namespace

void InstallQtPlatform()
{
    platform::SetMessageBoxHandler(ShowQtBox);
    // Engines pump between the slices of every wait, and while data streams in far more often
    // than a screen can change. Processing the GUI's events (repaints above all) at most every
    // 50 ms keeps it live (twenty turns a second) and lets Stop through at once, without a fast
    // transfer spending its time on repainting.
    platform::SetMessagePump([] {
        static QElapsedTimer sinceLast;
        if (sinceLast.isValid() && !sinceLast.hasExpired(50)) return;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        sinceLast.start();
    });
    platform::SetUrlOpener([](const std::string& url) { QDesktopServices::openUrl(QUrl(ToQ(url))); });
}

}  // namespace widgets
