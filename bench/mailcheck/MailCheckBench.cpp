// Prints what the main window's mail check costs on a big mailbox, and how responsive the window
// stays meanwhile.
//
//   mailcheck_bench [messages]     (default 10000; needs /usr/sbin/dovecot; runs offscreen)
//
// A private Dovecot holds the messages; the real main window checks them through its "Check
// Mail" drop-down. Printed: wall time of the check, peak memory of the process, and the longest
// gap between two runs of a 5 ms GUI timer during the check (how long the window could not
// answer), with the number of timer runs.
#include "Dovecot.h"
#include "accounts/AccountList.h"
#include "accounts/AccountMenu.h"
#include "accounts/AccountStore.h"
#include "app/Main.h"
#include "app/Startup.h"
#include "widgets/QtMessageBox.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>

namespace {

long PeakKilobytes()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

std::string SampleMessage(int i)
{
    return "From: Sender " + std::to_string(i) + " <sender" + std::to_string(i) + "@example.org>\r\n"
           "To: bench@example.org\r\nSubject: Message number " + std::to_string(i) + "\r\n"
           "Date: Tue, 8 Dec 2026 09:00:00 +0000\r\nMessage-ID: <" + std::to_string(i) + "@example.org>\r\n"
           "Received: from relay.example.org by mx.example.org; Tue, 8 Dec 2026 09:00:00 +0000\r\n"
           "\r\nBody of message " + std::to_string(i) + ".\r\n" + std::string(size_t(200 + i % 3000), 'x') + "\r\n";
}

}  // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    char profile[] = "/tmp/quillbox-mailcheck-bench-XXXXXX";
    if (!::mkdtemp(profile)) return 1;
    std::string home = std::string(profile) + "/home";
    std::filesystem::create_directories(home);
    ::setenv("QUILLBOX_HOME", home.c_str(), 1);
    ::setenv("QUILLBOX_REGISTRY", (std::string(profile) + "/registry.reg").c_str(), 1);

    QApplication app(argc, argv);
    widgets::InstallQtPlatform();
    int status = 1;
    {
        Dovecot server;
        server.AddUser("bench", "secret");
        for (int i = 1; i <= count; ++i) server.Deliver("bench", SampleMessage(i));
        server.Start();
        Save_Mail_Settings("Bench", "bench", "secret", "127.0.0.1", std::to_string(server.Port()), true);
        WriteAccList({AccListLine("Bench", "127.0.0.1")});

        auto frm = CreateApplicationWindows();
        frm->show();
        QAction* entry = frm->PopupMenu1->actions().value(0);

        // A GUI timer that should run every 5 ms: the longest gap between its runs is the
        // longest time the window could not answer.
        QElapsedTimer clock;
        qint64 last = 0, longestGap = 0, runs = 0;
        QTimer heartbeat;
        heartbeat.setInterval(5);
        QObject::connect(&heartbeat, &QTimer::timeout, [&] {
            qint64 now = clock.elapsed();
            if (runs > 0) longestGap = std::max(longestGap, now - last);
            last = now;
            ++runs;
        });

        QTimer::singleShot(0, [&] {
            status = 0;
            // The first check also makes the server index the new mail and creates the header
            // files; the second finds both in place.
            for (const char* which : {"first", "second"}) {
                runs = longestGap = 0;
                clock.start();
                heartbeat.start();
                auto started = std::chrono::steady_clock::now();
                entry->trigger();  // returns when the check has ended
                double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
                heartbeat.stop();
                std::printf("%s mail check of %d messages: %.2f s wall, %d rows, peak memory %.1f MB\n", which, count,
                            wall, frm->MailRows->Count(), double(PeakKilobytes()) / 1024.0);
                std::printf("  GUI timer during the check: %lld runs, longest gap %lld ms\n", runs, longestGap);
                if (frm->MailRows->Count() != count) status = 1;
            }
            frm->close();
            app.quit();
        });
        app.exec();
    }
    std::filesystem::remove_all(profile);
    return status;
}
