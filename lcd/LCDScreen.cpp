#include "lcd/LCDScreen.h"

#include "lcd/LCDAccessible.h"

#include "platform/MessageBox.h"
#include "widgets/QtText.h"

#include <QPainter>
#include <QResizeEvent>
#include <QStringList>

#include <algorithm>
#include <climits>
#include <utility>

namespace lcd {
namespace {
// The shortest and longest periods a window timer runs with.
constexpr uint32_t kShortestTick = 10;
constexpr uint32_t kLongestTick = INT_MAX;
}  // namespace

TLCDScreen::TLCDScreen(QWidget* parent) : QWidget(parent)
{
    InstallLCDAccessibility();
    // Every pixel is painted from the off-screen image.
    setAttribute(Qt::WA_OpaquePaintEvent);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { OnTimer(); });
    AnimationTimerChanged();
    BuildCellImages();
    TControlSize size = LastSize();
    resize(size.width, size.height);
}

TLCDScreen::~TLCDScreen() { timer_.stop(); }

QString TLCDScreen::ShownText() const
{
    QStringList lines;
    for (const std::string& line : Lines()) lines << ToQ(line);
    return lines.join(QLatin1Char('\n'));
}

void TLCDScreen::TextChanged()
{
    const QString text = ShownText();
    if (text == announced_) return;  // progress shown again unchanged is not news
    AnnounceLCDText(*this, std::exchange(announced_, text), text);
}

QSize TLCDScreen::sizeHint() const { return {LastSize().width, LastSize().height}; }

void TLCDScreen::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    platform::RunGuarded([this] { SyncSize(); });
}

// The control always has the size of its text grid; a size set from outside picks the grid.
void TLCDScreen::SyncSize()
{
    if (syncingSize_) return;
    syncingSize_ = true;
    TControlSize fitted = RecalcSize(width(), height());
    if (fitted.width != width() || fitted.height != height()) resize(fitted.width, fitted.height);
    syncingSize_ = false;
}

void TLCDScreen::Repaint()
{
    SyncSize();
    update();
}

void TLCDScreen::CellImagesChanged()
{
    SyncSize();
    BuildCellImages();
    update();
}

void TLCDScreen::AnimationTimerChanged()
{
    timer_.setInterval(int(std::clamp(AnimationDelay(), kShortestTick, kLongestTick)));
    if (AnimationEnabled() && !timer_.isActive())
        timer_.start();
    else if (!AnimationEnabled())
        timer_.stop();
}

void TLCDScreen::OnTimer()
{
    platform::RunGuarded([this] {
        try {
            TimerTick();
        } catch (...) {
            // A bad script line fails again on every tick: stop before the error box shows,
            // so the user sees one box and not one per tick.
            SetAnimationEnabled(false);
            throw;
        }
    });
}

void TLCDScreen::paintEvent(QPaintEvent*)
{
    platform::RunGuarded([this] {
        Paint();
        QPainter painter(this);
        painter.drawImage(0, 0, frame_);
    });
}

}  // namespace lcd
