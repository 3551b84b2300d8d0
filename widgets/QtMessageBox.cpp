#include "QtMessageBox.h"

#include "QtText.h"
#include "platform/MessageBox.h"
#include "platform/MessagePump.h"
#include "platform/Shell.h"

#include <QApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QShowEvent>

#include <algorithm>
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

// Beside the window it belongs to, on whichever side the screen has room; below it otherwise.
QPoint BesidePosition(const QWidget& owner, QSize box)
{
    const QRect frame = owner.frameGeometry();
    QScreen* screen = owner.screen();
    const QRect room = screen ? screen->availableGeometry() : frame.adjusted(-box.width(), 0, box.width(), box.height());
    const int top = std::clamp(frame.top(), room.top(), std::max(room.top(), room.bottom() - box.height()));
    if (frame.right() + box.width() <= room.right()) return {frame.right() + 1, top};
    if (frame.left() - box.width() >= room.left()) return {frame.left() - box.width(), top};
    const int left = std::clamp(frame.left(), room.left(), std::max(room.left(), room.right() - box.width()));
    return {left, std::max(room.top(), room.bottom() - box.height())};
}

class PlacedBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;
    platform::MsgPlacement placement = platform::MsgPlacement::OverWindow;

protected:
    void showEvent(QShowEvent* event) override
    {
        QMessageBox::showEvent(event);
        if (placement == platform::MsgPlacement::BesideWindow && parentWidget())
            move(BesidePosition(*parentWidget()->window(), frameGeometry().size()));
    }
};

platform::MsgResult ShowQtBox(const platform::MessageBoxRequest& request)
{
    PlacedBox box(ToQtIcon(request.icon), ToQ(request.caption), ToQ(request.text), ToQtButtons(request.buttons),
                  QApplication::activeWindow());
    box.placement = request.placement;
    box.setTextFormat(Qt::PlainText);
    if (!request.detail.empty()) {
        box.setInformativeText(ToQ(request.detail));
        // Senders and subjects are the mail's own words, never markup to render.
        if (auto* detail = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
            detail->setTextFormat(Qt::PlainText);
    }
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
