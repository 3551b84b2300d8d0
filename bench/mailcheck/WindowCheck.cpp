#include "WindowCheck.h"

#include "ProcessFigures.h"
#include "app/Main.h"
#include "lcd/LCDScreen.h"

#include <QAction>
#include <QElapsedTimer>
#include <QTimer>

#include <chrono>
#include <sys/resource.h>

WindowCheckFigures CheckThroughMainWindow(TMainFrm& frm, QAction& entry)
{
    WindowCheckFigures f;
    QElapsedTimer clock;
    qint64 last = 0;
    QTimer heartbeat;
    heartbeat.setInterval(5);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        qint64 now = clock.elapsed();
        if (f.timerRuns > 0 && now - last > f.longestGapMs) {
            f.longestGapMs = now - last;
            f.longestGapEndedAt = frm.LCD1->ShownText().toStdString();  // what the display said when it ended
        }
        last = now;
        ++f.timerRuns;
    });

    f.rssBeforeKB = StatusKB("VmRSS:");
    const double cpuBefore = CpuSeconds(RUSAGE_SELF);
    clock.start();
    heartbeat.start();
    const auto started = std::chrono::steady_clock::now();
    entry.trigger();  // returns when the check has ended
    f.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    heartbeat.stop();
    f.cpuSeconds = CpuSeconds(RUSAGE_SELF) - cpuBefore;
    f.rows = frm.MailRows->Count();
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    f.peakKB = usage.ru_maxrss;
    return f;
}
