#pragma once
// A picture that plays its frames once and then shows the last one; clicking it reports a click.
#include <QTimer>
#include <QWidget>

#include <functional>

namespace widgets {

class AnimatedPicture : public QWidget {
public:
    // `drawFrame` paints frame i of `frameCount` (0-based) into a painter of the widget's size.
    using FramePainter = std::function<void(QPainter&, int frame, int frameCount)>;

    AnimatedPicture(QWidget* parent, QSize size, int frameCount, int intervalMs, FramePainter drawFrame);

    void Play();  // from the first frame, once
    bool Playing() const { return timer_.isActive(); }
    int Frame() const { return frame_; }
    std::function<void()> OnClick;

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;

private:
    QTimer timer_;
    int frameCount_;
    int frame_ = 0;
    FramePainter drawFrame_;
};

}  // namespace widgets
