#pragma once
// The dot-matrix status display: a widget that draws the text of TLCDModel as cells of dots,
// with its own animation timer that runs the linked script (TLCDAnimator) while
// AnimationEnabled. Painting goes to an off-screen image that is copied in one operation.
#include "lcd/LCDModel.h"

#include <QImage>
#include <QPainter>
#include <QTimer>
#include <QWidget>

namespace lcd {

class TLCDScreen : public QWidget, public TLCDModel {
    Q_OBJECT  // its class name picks its accessible interface
public:
    explicit TLCDScreen(QWidget* parent = nullptr);
    ~TLCDScreen() override;

    // The period the animation timer actually runs with: AnimationDelay, but at least 10 ms
    // and at most the largest period the timer takes.
    int TimerInterval() const { return timer_.interval(); }
    bool TimerActive() const { return timer_.isActive(); }

    QSize sizeHint() const override;

    // What the display says, for those who cannot see the dots: its lines, one per line.
    QString ShownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

    void Repaint() override;
    void CellImagesChanged() override;
    void AnimationTimerChanged() override;
    void TextChanged() override;

private:
    void SyncSize();
    void OnTimer();

    // Drawing (LCDScreenPaint.cpp).
    void BuildCellImages();
    void Paint();
    void DrawBorder(QImage& image) const;
    void DrawLines(QImage& image) const;
    void DrawCell(QPainter& painter, uint8_t code, bool inverse, int x, int y) const;

    QTimer timer_;
    QImage blankCell_, litCell_;  // every dot unlit / every dot lit
    QImage frame_;                // the off-screen image of the whole control
    bool syncingSize_ = false;
    QString announced_;  // the text screen readers were last told
};

}  // namespace lcd
