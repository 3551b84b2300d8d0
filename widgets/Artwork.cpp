#include "Artwork.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace widgets {
namespace {

using Painter = void (*)(QPainter&);

QPixmap Draw(int size, Painter paint)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    paint(p);
    return pixmap;
}

QIcon Icon(Painter paint)
{
    QIcon icon;
    for (int size : {16, 24, 32}) icon.addPixmap(Draw(size, paint));
    return icon;
}

void Envelope(QPainter& p, QColor paper = QColor(250, 246, 230))
{
    p.setPen(QPen(QColor(90, 80, 60), 0.8));
    p.setBrush(paper);
    p.drawRect(QRectF(1.5, 4.5, 13, 9));
    p.drawPolyline(QPolygonF({QPointF(1.5, 4.5), QPointF(8, 9.5), QPointF(14.5, 4.5)}));
}

void Page(QPainter& p)
{
    p.setPen(QPen(QColor(80, 80, 90), 0.8));
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF({QPointF(3.5, 1.5), QPointF(10.5, 1.5), QPointF(13.5, 4.5), QPointF(13.5, 14.5), QPointF(3.5, 14.5)}));
    p.setPen(QPen(QColor(120, 140, 180), 0.8));
    for (double y : {6.0, 8.5, 11.0}) p.drawLine(QPointF(5.5, y), QPointF(11.5, y));
}

void RedCross(QPainter& p, QRectF r)
{
    p.setPen(QPen(QColor(200, 30, 30), 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(r.topLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomLeft());
}

void Bubble(QPainter& p, QColor fill, const char* mark)
{
    p.setPen(QPen(fill.darker(160), 0.8));
    p.setBrush(fill);
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setPen(Qt::white);
    QFont f;
    f.setBold(true);
    f.setPixelSize(10);
    p.setFont(f);
    p.drawText(QRectF(1.5, 1.5, 13, 13), Qt::AlignCenter, QString::fromLatin1(mark));
}

void Flag(QPainter& p)  // a rule marked this message
{
    p.setPen(QPen(QColor(60, 40, 30), 1.2));
    p.drawLine(QPointF(3.5, 1.5), QPointF(3.5, 14.5));
    p.setPen(QPen(QColor(150, 0, 0), 0.8));
    p.setBrush(QColor(230, 30, 30));
    p.drawPolygon(QPolygonF({QPointF(4, 2), QPointF(13.5, 4.5), QPointF(4, 8)}));
}

void CheckMail(QPainter& p)
{
    Envelope(p);
    p.setPen(QPen(QColor(20, 130, 40), 1.8, Qt::SolidLine, Qt::RoundCap));
    p.drawPolyline(QPolygonF({QPointF(9, 1.5), QPointF(11, 3.5), QPointF(15, -0.5)}));
}

void DeleteMessage(QPainter& p)
{
    Envelope(p, QColor(235, 235, 235));
    RedCross(p, QRectF(8, 8, 6, 6));
}

void Bug(QPainter& p)
{
    p.setPen(QPen(QColor(40, 40, 40), 0.9));
    for (double y : {6.0, 9.0, 12.0}) {
        p.drawLine(QPointF(2, y - 1), QPointF(14, y + 1));
        p.drawLine(QPointF(2, y + 1), QPointF(14, y - 1));
    }
    p.setBrush(QColor(190, 40, 40));
    p.drawEllipse(QRectF(4.5, 4, 7, 10));
    p.setBrush(QColor(40, 40, 40));
    p.drawEllipse(QRectF(5.5, 1.5, 5, 4));
}

void Megaphone(QPainter& p)
{
    p.setPen(QPen(QColor(70, 50, 20), 0.8));
    p.setBrush(QColor(240, 180, 40));
    p.drawPolygon(QPolygonF({QPointF(2, 6), QPointF(6, 6), QPointF(13, 2), QPointF(13, 14), QPointF(6, 10), QPointF(2, 10)}));
    p.drawLine(QPointF(5, 10), QPointF(6.5, 14.5));
}

void Comments(QPainter& p)
{
    p.setPen(QPen(QColor(40, 70, 120), 0.8));
    p.setBrush(QColor(200, 225, 255));
    p.drawRoundedRect(QRectF(1.5, 2, 13, 9), 2.5, 2.5);
    p.drawPolygon(QPolygonF({QPointF(4, 11), QPointF(4, 14.5), QPointF(7.5, 11)}));
    p.setPen(QPen(QColor(40, 70, 120), 1));
    for (double x : {5.0, 8.0, 11.0}) p.drawPoint(QPointF(x, 6.5));
}

void Questions(QPainter& p) { Bubble(p, QColor(40, 110, 200), "?"); }

void Boxes(QPainter& p)  // other products
{
    p.setPen(QPen(QColor(90, 60, 20), 0.8));
    p.setBrush(QColor(210, 160, 90));
    p.drawRect(QRectF(1.5, 7.5, 6, 6));
    p.drawRect(QRectF(8.5, 7.5, 6, 6));
    p.setBrush(QColor(230, 190, 120));
    p.drawRect(QRectF(5, 1.5, 6, 6));
}

void NewMail(QPainter& p)
{
    Envelope(p);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(250, 200, 0));
    p.drawEllipse(QRectF(10, 0.5, 5.5, 5.5));
}

void Help(QPainter& p) { Bubble(p, QColor(30, 150, 90), "i"); }

void Home(QPainter& p)
{
    p.setPen(QPen(QColor(90, 40, 20), 0.8));
    p.setBrush(QColor(200, 70, 40));
    p.drawPolygon(QPolygonF({QPointF(1, 8), QPointF(8, 1.5), QPointF(15, 8)}));
    p.setBrush(QColor(245, 235, 200));
    p.drawRect(QRectF(3.5, 8, 9, 6.5));
    p.setBrush(QColor(120, 80, 40));
    p.drawRect(QRectF(7, 10.5, 2.5, 4));
}

void ViewMessage(QPainter& p)
{
    Envelope(p);
    p.setPen(QPen(QColor(40, 40, 40), 1.4));
    p.setBrush(QColor(220, 240, 255, 200));
    p.drawEllipse(QRectF(6.5, 6.5, 6, 6));
    p.drawLine(QPointF(11.5, 11.5), QPointF(15, 15));
}

void ViewSource(QPainter& p)
{
    Page(p);
    p.setPen(QPen(QColor(150, 40, 120), 1.2));
    p.drawPolyline(QPolygonF({QPointF(7, 9), QPointF(5, 11), QPointF(7, 13)}));
    p.drawPolyline(QPolygonF({QPointF(10, 9), QPointF(12, 11), QPointF(10, 13)}));
}

void Rules(QPainter& p)
{
    Page(p);
    Flag(p);
}

void Accounts(QPainter& p)
{
    p.setPen(QPen(QColor(40, 60, 100), 0.8));
    p.setBrush(QColor(120, 160, 220));
    p.drawEllipse(QRectF(5, 1.5, 6, 6));
    p.drawChord(QRectF(2, 8, 12, 12), 0, 180 * 16);
}

void NewAccount(QPainter& p)
{
    Accounts(p);
    p.setPen(QPen(QColor(20, 140, 40), 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(12.5, 9.5), QPointF(12.5, 14.5));
    p.drawLine(QPointF(10, 12), QPointF(15, 12));
}

void StopSign(QPainter& p, QColor fill)
{
    QPolygonF octagon;
    for (int i = 0; i < 8; ++i) {
        double a = (22.5 + 45.0 * i) * 3.14159265358979 / 180.0;
        octagon << QPointF(8 + 6.8 * std::cos(a), 8 + 6.8 * std::sin(a));
    }
    p.setPen(QPen(fill.darker(170), 0.8));
    p.setBrush(fill);
    p.drawPolygon(octagon);
    p.setPen(QPen(Qt::white, 1.8));
    p.drawLine(QPointF(5, 8), QPointF(11, 8));
}

void Stop(QPainter& p) { StopSign(p, QColor(210, 30, 30)); }
void StopDisabled(QPainter& p) { StopSign(p, QColor(170, 170, 170)); }

void NewRule(QPainter& p)
{
    Flag(p);
    p.setPen(QPen(QColor(20, 140, 40), 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(11.5, 9.5), QPointF(11.5, 14.5));
    p.drawLine(QPointF(9, 12), QPointF(14, 12));
}

void Quill(QPainter& p)
{
    Envelope(p);
    QPainterPath feather;
    feather.moveTo(3, 14.5);
    feather.cubicTo(6, 8, 10, 3, 15, 0.5);
    feather.cubicTo(13, 6, 9, 11, 3, 14.5);
    p.setPen(QPen(QColor(30, 60, 110), 0.7));
    p.setBrush(QColor(60, 150, 220));
    p.drawPath(feather);
}

void Disk(QPainter& p)
{
    p.setPen(QPen(QColor(30, 50, 90), 0.8));
    p.setBrush(QColor(60, 100, 170));
    p.drawPolygon(QPolygonF({QPointF(1.5, 1.5), QPointF(12.5, 1.5), QPointF(14.5, 3.5), QPointF(14.5, 14.5), QPointF(1.5, 14.5)}));
    p.setBrush(QColor(235, 235, 240));
    p.drawRect(QRectF(4, 1.5, 8, 5));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(3.5, 9, 9, 5.5));
}

void DiskStack(QPainter& p)  // every attachment at once
{
    p.save();
    p.translate(2.5, -1);
    p.scale(0.85, 0.85);
    Disk(p);
    p.restore();
    p.translate(-0.5, 2.5);
    p.scale(0.85, 0.85);
    Disk(p);
}

void SpamMark(QPainter& p) { Bubble(p, QColor(235, 140, 20), "!"); }  // the filter's verdict
void BlockedMark(QPainter& p) { Bubble(p, QColor(90, 90, 90), "\xd7"); }  // a blocked sender

const Painter kImageList[kImageListCount] = {
    Flag, CheckMail, DeleteMessage, Bug, Megaphone, Comments, Questions, Boxes,
    NewMail, Help, Home, ViewMessage, ViewSource, Rules, Accounts,
};

}  // namespace

QIcon ImageListIcon(int index)
{
    if (index < 0 || index >= kImageListCount) return {};
    return Icon(kImageList[index]);
}

QIcon ToolbarIcon(ToolIcon icon)
{
    switch (icon) {
    case ToolIcon::NewAccount: return Icon(NewAccount);
    case ToolIcon::CheckMail: return Icon(CheckMail);
    case ToolIcon::ViewMessage: return Icon(ViewMessage);
    case ToolIcon::ViewSource: return Icon(ViewSource);
    case ToolIcon::Delete: return Icon(DeleteMessage);
    case ToolIcon::NewRule: return Icon(NewRule);
    case ToolIcon::Stop: {
        QIcon stop = Icon(Stop);
        for (int size : {16, 24, 32}) stop.addPixmap(Draw(size, StopDisabled), QIcon::Disabled);
        return stop;
    }
    }
    return {};
}

QIcon SaveIcon() { return Icon(Disk); }
QIcon SpamMarkIcon() { return Icon(SpamMark); }
QIcon BlockedMarkIcon() { return Icon(BlockedMark); }
QIcon SaveAllIcon() { return Icon(DiskStack); }

QIcon ApplicationIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128}) icon.addPixmap(Draw(size, Quill));
    return icon;
}

}  // namespace widgets
