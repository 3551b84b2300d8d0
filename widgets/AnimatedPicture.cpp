#include "AnimatedPicture.h"

#include "platform/MessageBox.h"

#include <QMouseEvent>
#include <QPainter>

namespace widgets {

AnimatedPicture::AnimatedPicture(QWidget* parent, QSize size, int frameCount, int intervalMs, FramePainter drawFrame)
    : QWidget(parent), frameCount_(std::max(1, frameCount)), drawFrame_(std::move(drawFrame))
{
    setFixedSize(size);
    timer_.setInterval(intervalMs);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] {
        platform::RunGuarded([&] {
            if (frame_ + 1 >= frameCount_) {
                timer_.stop();
                return;
            }
            ++frame_;
            update();
        });
    });
}

void AnimatedPicture::Play()
{
    frame_ = 0;
    update();
    if (frameCount_ > 1) timer_.start();
}

void AnimatedPicture::paintEvent(QPaintEvent*)
{
    platform::RunGuarded([&] {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        if (drawFrame_) drawFrame_(p, frame_, frameCount_);
    });
}

void AnimatedPicture::mouseReleaseEvent(QMouseEvent* event)
{
    platform::RunGuarded([&] {
        if (event->button() == Qt::LeftButton && OnClick) OnClick();
    });
}

}  // namespace widgets
