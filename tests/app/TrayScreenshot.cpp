// A picture of the tray icon's menu, its badge and tooltip, and the new-mail news, for the
// documentation. X servers such as Xvfb have no notification area, so the menu is popped up
// as a plain popup and the rest drawn beside it.
// Usage: app_tray_screenshot OUTPUT_FOLDER   (writes tray-menu.png)
#include "app/NewMailText.h"
#include "app/TrayIcon.h"

#include <QApplication>
#include <QFont>
#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    const QString out = QString::fromLocal8Bit(argv[1]) + "/tray-menu.png";
    TTrayIcon tray;
    tray.SetNewCount("work", 2);
    tray.SetNewCount("home", 1);
    const TNewMailText news = NewMailText(
        "work", {{"\"Ann Example\" <ann@example.org>", " Minutes of Tuesday's meeting"}, {"build-bot@ci.example", " Nightly build passed"}});

    int status = 1;
    tray.Menu().popup(QPoint(300, 200));
    QTimer::singleShot(400, [&] {
        const QPixmap menu = tray.Menu().grab();
        tray.Menu().hide();
        QImage shot(620, std::max(menu.height() + 40, 200), QImage::Format_RGB32);
        shot.fill(QColor(0x2b, 0x2f, 0x36));  // a dark panel, as notification areas often are
        QPainter p(&shot);
        p.drawPixmap(20, 20, BadgedIcon(tray.NewCount(), 64));
        p.setPen(Qt::white);
        QFont font = p.font();
        font.setPixelSize(13);
        p.setFont(font);
        p.drawText(QRect(96, 20, 220, 64), Qt::AlignLeft | Qt::AlignVCenter, tray.ToolTip());
        // The news as a notification server shows it.
        const QRect card(20, 104, 400, 82);
        p.fillRect(card, QColor(0xf4, 0xf4, 0xf4));
        p.setPen(Qt::black);
        QFont bold = font;
        bold.setBold(true);
        p.setFont(bold);
        p.drawText(card.adjusted(10, 8, -10, 0), Qt::AlignLeft | Qt::AlignTop, news.Summary);
        p.setFont(font);
        p.drawText(card.adjusted(10, 30, -10, -6), Qt::AlignLeft | Qt::AlignTop, news.Lines.join(u'\n'));
        p.drawPixmap(shot.width() - menu.width() - 20, 20, menu);
        p.end();
        const bool ok = !menu.isNull() && menu.width() > 80 && tray.Menu().actions().size() == 4 && shot.save(out);
        std::printf("menu %dx%d, %s\n", menu.width(), menu.height(), ok ? "saved" : "not saved");
        status = ok ? 0 : 1;
        app.quit();
    });
    app.exec();
    return status;
}
