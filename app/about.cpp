#include "about.h"

#include "platform/MessageBox.h"
#include "widgets/AnimatedPicture.h"
#include "widgets/QtText.h"
#include "Version.h"
#include "tls/OpenSslVersion.h"

#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QVBoxLayout>

#include <cstdio>

namespace {

constexpr int kFrames = 48;

// A quill writes the program's name across a letter, then the letter settles.
void DrawAboutFrame(QPainter& p, int frame, int frameCount)
{
    const double t = frameCount > 1 ? double(frame) / (frameCount - 1) : 1.0;
    QLinearGradient sky(0, 0, 0, 300);
    sky.setColorAt(0, QColor(12, 28, 56));
    sky.setColorAt(1, QColor(8, 90, 110));
    p.fillRect(QRect(0, 0, 400, 300), sky);

    // The letter.
    p.setPen(QPen(QColor(90, 80, 60), 2));
    p.setBrush(QColor(250, 246, 230));
    QRectF letter(60, 70, 280, 170);
    p.drawRect(letter);
    p.setPen(QPen(QColor(200, 190, 160), 1.5));
    p.drawLine(letter.topLeft(), QPointF(200, 160));
    p.drawLine(letter.topRight(), QPointF(200, 160));

    // The name, revealed left to right as the quill moves.
    QFont font("Serif");
    font.setPixelSize(46);
    font.setItalic(true);
    font.setBold(true);
    p.setFont(font);
    QRectF textBox(70, 150, 260, 70);
    double writing = std::min(1.0, t / 0.8);
    double penX = textBox.left() + writing * textBox.width();
    p.save();
    p.setClipRect(QRectF(textBox.left(), textBox.top(), penX - textBox.left(), textBox.height()));
    p.setPen(QColor(20, 50, 110));
    p.drawText(textBox, Qt::AlignCenter, QStringLiteral("Quillbox"));
    p.restore();

    // The quill, riding on the last letter written, then lifting away.
    double lift = t > 0.8 ? (t - 0.8) / 0.2 : 0.0;
    QPointF tip(penX, 205 - 8 * std::sin(writing * 37.0) - lift * 120);
    QPainterPath feather;
    feather.moveTo(tip);
    feather.cubicTo(tip + QPointF(25, -60), tip + QPointF(70, -110), tip + QPointF(110, -140));
    feather.cubicTo(tip + QPointF(60, -80), tip + QPointF(30, -40), tip);
    p.setPen(QPen(QColor(30, 60, 110), 1.5));
    p.setBrush(QColor(80, 170, 230, 230));
    p.drawPath(feather);

    // A strip of aqua dots, like the status display, once the name stands.
    if (t >= 0.85) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 252, 252));
        int dots = int((t - 0.85) / 0.15 * 40);
        for (int i = 0; i < dots; ++i) p.drawRect(QRectF(60 + i * 7, 258, 4, 4));
    }
}

}  // namespace

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(411, 311);

    auto* panel = new QFrame(this);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(3);
    panel->setGeometry(0, 0, 411, 311);

    Image1 = new widgets::AnimatedPicture(panel, QSize(400, 300), kFrames, 60, DrawAboutFrame);
    Image1->move(5, 5);
    Image1->OnClick = [this] { Image1Click(); };

    version = new QLabel(panel);
    version->setStyleSheet(QStringLiteral("color: rgb(160,160,160); background: transparent;"));
    version->setText(ToQ("Version: " + GetFileVer()));
    version->move(14, 12);
    version->adjustSize();
    // Which TLS library protects the connections, for anyone who must know its version.
    secureLibrary = new QLabel(panel);
    secureLibrary->setStyleSheet(version->styleSheet());
    secureLibrary->setText(ToQ("Secure connections: " + tls::OpenSslVersion()));
    secureLibrary->move(14, 12 + version->height() + 2);
    secureLibrary->adjustSize();

    Label1 = new QLabel(panel);
    QFont linkFont = Label1->font();
    linkFont.setBold(true);
    linkFont.setUnderline(true);
    Label1->setFont(linkFont);
    Label1->setStyleSheet(QStringLiteral("color: navy; background: rgba(255,255,255,170);"));
    // The project's page, when the build names one; with none there is no link to show.
    Label1->setText(ToQ(platform::ProjectHomePage));
    Label1->setVisible(*platform::ProjectHomePage != '\0');
    Label1->setCursor(Qt::PointingHandCursor);
    // The link is reached by Tab and followed by Enter or Space, as well as by a click.
    Label1->setFocusPolicy(Qt::StrongFocus);
    Image1->setAccessibleName(QStringLiteral("Quillbox"));
    Label1->adjustSize();
    Label1->move((411 - Label1->width()) / 2, 311 - Label1->height() - 14);
    Label1->installEventFilter(this);
}

std::string TAboutBox::GetFileVer()
{
    char text[32];
    std::snprintf(text, sizeof text, "%d.%d", platform::ProgramVersion.major, platform::ProgramVersion.minor);
    return text;
}

void TAboutBox::Image1Click() { close(); }

void TAboutBox::Label1Click()
{
    if (OnShowHome) OnShowHome();
}

void TAboutBox::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    platform::RunGuarded([&] {
        if (QScreen* screen = this->screen()) move(screen->availableGeometry().center() - rect().center());
        Image1->Play();
    });
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Label1 && event->type() == QEvent::MouseButtonRelease) {
        platform::RunGuarded([&] { Label1Click(); });
        return true;
    }
    if (watched == Label1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
            platform::RunGuarded([&] { Label1Click(); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
