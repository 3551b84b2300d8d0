// Renders the main window (with a few sample rows, one of them marked by a rule) and its menus
// into PNG files, on whatever platform Qt runs on (offscreen, or a real X server under Xvfb).
// Given an account, it checks that account's mailbox for real instead of showing sample rows,
// with the settings of the current profile ($QUILLBOX_HOME, $QUILLBOX_REGISTRY).
// Usage: app_screenshot OUTPUT_FOLDER [ACCOUNT]
#include "app/Main.h"
#include "app/Startup.h"
#include "app/about.h"
#include "app/ManualWindow.h"
#include "widgets/AnimatedPicture.h"
#include "accounts/AccountMenu.h"
#include "platform/Registry.h"
#include "widgets/Modal.h"
#include "widgets/QtMessageBox.h"
#include "platform/MessageBox.h"
#include "TempHome.h"
#include "ListedRow.h"

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QTableView>
#include <QTimer>

#include <cstdio>

namespace {
// Counts the pixels of one exact colour, to tell that the strip and the red row were drawn.
int CountColour(const QImage& image, QRgb colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xffffff) == (colour & 0xffffff)) ++n;
    return n;
}

int CheckAndShoot(QApplication& app, const QString& out, const std::string& account)
{
    widgets::InstallQtPlatform();
    auto frm = CreateApplicationWindows();
    frm->show();
    QAction* entry = nullptr;
    for (QAction* a : frm->PopupMenu1->actions())
        if (accounts::EntryAccount(*a) == account) entry = a;
    if (!entry) {
        std::fprintf(stderr, "no account %s\n", account.c_str());
        return 1;
    }
    // The rules' deletion question is answered No: a picture deletes nothing.
    auto savedBoxes = platform::SetMessageBoxHandler([](const platform::MessageBoxRequest& request) {
        return request.buttons == platform::MsgButtons::OK ? platform::MsgResult::OK : platform::MsgResult::No;
    });
    int status = 1;
    QTimer::singleShot(300, [&] {
        entry->trigger();  // returns when the check has ended
        frm->MailList->selectRow(0);
        QTimer::singleShot(500, [&] {
            QImage shot = frm->grab().toImage();
            int red = CountColour(shot, qRgb(255, 0, 0));
            std::printf("%d rows, red text: %d pixels\n", frm->MailRows->Count(), red);
            bool ok = shot.save(out + "demo-check.png") && frm->MailRows->Count() > 0;
            // The message window, showing the first listed message that has attachments.
            bool windowOk = false;
            auto savedModal = widgets::SetModalHandler([&](QDialog& dialog) {
                QEventLoop settle;
                QTimer::singleShot(400, &settle, &QEventLoop::quit);
                settle.exec();
                windowOk = dialog.grab().save(out + "message-window.png");
                return int(QDialog::Accepted);
            });
            for (int row = 0; row < frm->MailRows->Count() && !windowOk; ++row) {
                if (frm->MailRows->Row(row).Subject().find("Minutes") == std::string::npos) continue;
                frm->MailList->selectRow(row);
                frm->cmd_vumsg->trigger();
            }
            widgets::SetModalHandler(std::move(savedModal));
            std::printf("message window: %s\n", windowOk ? "saved" : "not shown");
            status = ok && windowOk ? 0 : 1;
            frm->close();
            app.quit();
        });
    });
    app.exec();
    platform::SetMessageBoxHandler(std::move(savedBoxes));
    return status;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER [ACCOUNT]\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    QString out = QString::fromLocal8Bit(argv[1]) + "/";
    if (argc == 3) return CheckAndShoot(app, out, argv[2]);
    TempHome home;
    {
        platform::TRegistry reg;
        reg.OpenKey("Software\\quillbox\\delList\\subject", true);
        reg.WriteInteger("total", 1);
        reg.WriteString("List_1", "lottery");
        reg.WriteString("ListID_1", "1");
        reg.WriteInteger("Flag_1", 1);
    }
    widgets::InstallQtPlatform();
    auto frm = CreateApplicationWindows();
    const TMailRow rows[] = {
        ListedRow("\"Ann Example\" <ann@example.org>", " Minutes of Tuesday's meeting", " Tue, 8 Dec 2026 09:12:03 +0100", 789, -1),
        ListedRow("Prize Desk <win@prizes.example>", " Claim your lottery prize now", " Tue, 8 Dec 2026 09:40:51 +0000", 12698, 0),
        ListedRow("build-bot@ci.example", " Nightly build passed", " Tue, 8 Dec 2026 03:00:00 +0000", 3287, -1),
        ListedRow("\"Pharmacy Deals\" <deals@cheap-meds.example>", " LOWEST PRICES!!! Order now", " Tue, 8 Dec 2026 04:17:09 +0000", 4116, 1),
    };
    const float scores[] = {0.4f, 99.9f, 1.2f, 99.7f};  // what a trained filter gives them
    for (size_t i = 0; i < std::size(rows); ++i) {
        TMailRow row = rows[i];
        row.spamScore = scores[i];
        frm->MailRows->AddRow(row);
    }
    frm->show();
    frm->DisplayLCD_Msg("right click messages to view details ....");

    int status = 1;
    QTimer::singleShot(700, [&] {
        QImage shot = frm->grab().toImage();
        int aqua = CountColour(shot, qRgb(0, 252, 252)), red = CountColour(shot, qRgb(255, 0, 0));
        std::printf("lit dots: %d pixels, red text: %d pixels\n", aqua, red);
        bool ok = shot.save(out + "main-window.png") && aqua > 1000 && red > 20;
        frm->mnuHelp->popup(frm->mapToGlobal(QPoint(100, 40)));
        QTimer::singleShot(300, [&, ok] {
            bool menuOk = frm->mnuHelp->grab().save(out + "help-menu.png");
            frm->mnuHelp->hide();
            frm->ShowManual("faq");
            menuOk = menuOk && frm->ManualWindow()->grab().save(out + "manual-window.png");
            frm->ManualWindow()->close();
            TAboutBox& about = *frm->Windows().AboutBox;
            about.show();  // its picture plays once
            QTimer::singleShot(3500, [&, ok, menuOk] {
                bool aboutOk = !about.Image1->Playing() && about.grab().save(out + "about-box.png");
                about.close();
                status = ok && menuOk && aboutOk ? 0 : 1;
                frm->close();
                app.quit();
            });
        });
    });
    app.exec();
    return status;
}
