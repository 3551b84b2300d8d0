// Prints what the main window's mail check costs on a big mailbox, and how responsive the window
// stays meanwhile.
//
//   mailcheck_bench [messages]     (default 10000; needs /usr/sbin/dovecot; runs offscreen)
//     A private Dovecot holds the messages; the real main window checks them twice through its
//     "Check Mail" drop-down (the first check also makes the server index the new mail and
//     creates the header files; the second finds both in place).
//
//   mailcheck_bench --server PORT USER PASSWORD [PROFILE_FOLDER [--no-pipelining]]
//     One check of a server that is already running on 127.0.0.1 (check_speed_bench runs this
//     one beside its peers). A profile folder given is kept for the next run. --no-pipelining
//     asks one TOP at a time, the exchange of a server that does not offer PIPELINING.
//
// Printed: wall time of the check, peak memory of the process, and the longest gap between two
// runs of a 5 ms GUI timer during the check (how long the window could not answer), with the
// number of timer runs; with --server also one line of figures (key=value).
#include "BenchProfile.h"
#include "Dovecot.h"
#include "WindowCheck.h"
#include "app/Main.h"
#include "app/Startup.h"
#include "platform/MemoryUse.h"
#include "widgets/QtMessageBox.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

namespace {

std::string SampleMessage(int i)
{
    return "From: Sender " + std::to_string(i) + " <sender" + std::to_string(i) + "@example.org>\r\n"
           "To: bench@example.org\r\nSubject: Message number " + std::to_string(i) + "\r\n"
           "Date: Tue, 8 Dec 2026 09:00:00 +0000\r\nMessage-ID: <" + std::to_string(i) + "@example.org>\r\n"
           "Received: from relay.example.org by mx.example.org; Tue, 8 Dec 2026 09:00:00 +0000\r\n"
           "\r\nBody of message " + std::to_string(i) + ".\r\n" + std::string(size_t(200 + i % 3000), 'x') + "\r\n";
}

void PrintHuman(const char* which, int expected, const WindowCheckFigures& f)
{
    std::printf("%s mail check of %d messages: %.2f s wall, %d rows, peak memory %.1f MB\n", which, expected, f.seconds,
                f.rows, double(f.peakKB) / 1024.0);
    std::printf("  GUI timer during the check: %lld runs, longest gap %lld ms\n", f.timerRuns, f.longestGapMs);
}

// Runs `checks` in the event loop of a fresh main window; false when one of them failed.
bool RunChecks(QApplication& app, const std::function<bool(TMainFrm&, QAction&)>& checks)
{
    auto frm = CreateApplicationWindows();
    frm->show();
    QAction* entry = frm->PopupMenu1->actions().value(0);
    bool ok = false;
    QTimer::singleShot(0, [&] {
        ok = entry && checks(*frm, *entry);
        frm->close();
        app.quit();
    });
    app.exec();
    return ok;
}

int CheckOwnServer(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    BenchProfile profile;
    QApplication app(argc, argv);
    widgets::InstallQtPlatform();
    Dovecot server;
    server.AddUser("bench", "secret");
    for (int i = 1; i <= count; ++i) server.Deliver("bench", SampleMessage(i));
    server.Start();
    profile.SaveAccount(server.Port(), "bench", "secret");
    const bool ok = RunChecks(app, [&](TMainFrm& frm, QAction& entry) {
        bool allRows = true;
        for (const char* which : {"first", "second"}) {
            WindowCheckFigures f = CheckThroughMainWindow(frm, entry);
            PrintHuman(which, count, f);
            allRows = allRows && f.rows == count;
        }
        return allRows;
    });
    return ok ? 0 : 1;
}

int CheckGivenServer(int argc, char** argv)
{
    const bool lockStep = argc == 7 && std::strcmp(argv[6], "--no-pipelining") == 0;
    if (argc < 5 || argc > 7 || (argc == 7 && !lockStep)) {
        std::fprintf(stderr, "usage: %s --server PORT USER PASSWORD [PROFILE_FOLDER [--no-pipelining]]\n", argv[0]);
        return 2;
    }
    const int port = std::atoi(argv[2]);
    BenchProfile profile(argc >= 6 ? argv[5] : "");
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    widgets::InstallQtPlatform();
    profile.SaveAccount(port, argv[3], argv[4]);
    const bool ok = RunChecks(app, [&](TMainFrm& frm, QAction& entry) {
        if (lockStep) frm.POP31->PipelineWindow = 1;
        WindowCheckFigures f = CheckThroughMainWindow(frm, entry);
        PrintHuman("one", f.rows, f);
        std::printf("figures: wall=%.6f cpu=%.6f rows=%d rss_before_kb=%ld peak_kb=%ld timer_runs=%lld "
                    "longest_gap_ms=%lld\n",
                    f.seconds, f.cpuSeconds, f.rows, f.rssBeforeKB, f.peakKB, f.timerRuns, f.longestGapMs);
        return f.rows > 0;
    });
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    platform::KeepBigBlocksMapped();  // the heap as the program sets it up
    try {
        if (argc > 1 && std::strcmp(argv[1], "--server") == 0) return CheckGivenServer(argc, argv);
        return CheckOwnServer(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mailcheck_bench: %s\n", e.what());
        return 1;
    }
}
