// Prints how soon the message window shows a big body once it is downloaded, and how well the
// window answers while the rest of the text goes in, side by side in the same run with the
// whole text set by one setPlainText (as the window did before):
//  - first screen: from the downloaded lines to the window painted (the body made display
//    text as the View Message command does, set, shown, painted)
//  - GUI gap: the longest gap between two runs of a 20 ms GUI timer from the window's opening
//    until the whole text is in (for the one setPlainText: its first screen, as the window
//    cannot answer before it)
//  - scroll to end: Ctrl+End's move once all is in, painted; the last line must be on screen
//
//   msgwindow_bench [megabytes]     (default 20; runs offscreen; the heap set up as the program's)
// Each figure is the best of 5 rounds, the two ways taking turns to go first.
#include "app/msg_src.h"
#include "platform/MemoryUse.h"
#include "widgets/DisplayText.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <time.h>

namespace {

double Ms(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

std::string Load()
{
    std::ifstream in("/proc/loadavg");
    std::string a, b, c;
    in >> a >> b >> c;
    return a + " " + b + " " + c;
}

double ThreadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

struct Figures {
    double firstScreen = 1e9, gap = 1e9, allIn = 1e9, toEnd = 1e9;
    double gapCpu = 1e9;  // the CPU the GUI thread spent between two timer runs, at most: the gap
                          // on a machine with nothing else to do
    bool endShown = true;
    void Keep(const Figures& f)
    {
        firstScreen = std::min(firstScreen, f.firstScreen);
        gap = std::min(gap, f.gap);
        gapCpu = std::min(gapCpu, f.gapCpu);
        allIn = std::min(allIn, f.allIn);
        toEnd = std::min(toEnd, f.toEnd);
        endShown = endShown && f.endShown;
    }
};

Figures Open(const StringList& lines, bool progressive)
{
    Figures f;
    TFrm_srcvu window(nullptr);
    window.resize(800, 600);
    const auto downloaded = std::chrono::steady_clock::now();
    double lastCpu = ThreadCpuMs();
    const QString text = DisplayBodyText(lines, "utf-8");
    if (progressive) window.SetMemoText(text);
    else window.Memo1->setPlainText(text);
    window.show();
    window.Memo1->viewport()->repaint();
    f.firstScreen = Ms(downloaded);

    // The rest goes in from the event loop; a GUI timer sees how long each turn keeps it.
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    f.gap = f.firstScreen;
    f.gapCpu = ThreadCpuMs() - lastCpu;
    lastCpu = ThreadCpuMs();
    QTimer heartbeat;
    heartbeat.setInterval(20);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        f.gap = std::max(f.gap, double(now - last));
        last = now;
        const double cpu = ThreadCpuMs();
        f.gapCpu = std::max(f.gapCpu, cpu - lastCpu);
        lastCpu = cpu;
        if (!window.TextPending()) loop.quit();
    });
    heartbeat.start();
    loop.exec();
    f.allIn = Ms(downloaded);

    const auto start = std::chrono::steady_clock::now();
    window.Memo1->moveCursor(QTextCursor::End);
    window.Memo1->viewport()->repaint();
    f.toEnd = Ms(start);
    // The cursor at the end of the last line is on screen, and the text is all there.
    f.endShown = window.Memo1->viewport()->rect().contains(window.Memo1->cursorRect()) &&
                 window.Memo1->document()->lastBlock().text().toStdString() == lines.back() &&
                 window.Memo1->document()->characterCount() == text.size() + 1;
    return f;
}

}  // namespace

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    platform::KeepBigBlocksMapped();  // as the program does
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});  // the plugin's chatter
    QApplication app(argc, argv);
    const size_t megabytes = argc > 1 ? size_t(std::max(1, std::atoi(argv[1]))) : 20;
    StringList lines;
    size_t octets = 0;
    for (int line = 0; octets < (megabytes << 20); ++line) {
        lines.push_back("Line " + std::to_string(line) + " of a long report, with some words to wrap: Gr\xc3\xbc\xc3\x9f" "e.");
        octets += lines.back().size() + 2;
    }
    std::printf("msgwindow_bench: body of %zu lines, %zu octets; load before: %s; best of 5\n", lines.size(), octets,
                Load().c_str());
    Figures best[2];  // 0: the window's own way, 1: one setPlainText
    for (int round = 0; round < 5; ++round)
        for (int k = 0; k < 2; ++k) {
            const int which = (k + round) % 2;
            best[which].Keep(Open(lines, which == 0));
        }
    std::printf("  %-26s %14s %12s %14s %12s %15s\n", "best ms", "first screen", "GUI gap", "(CPU in gap)", "all in",
                "scroll to end");
    const char* const names[] = {"message window (pieces)", "one setPlainText"};
    for (int i = 0; i < 2; ++i)
        std::printf("  %-26s %14.1f %12.1f %14.1f %12.1f %12.1f %s\n", names[i], best[i].firstScreen, best[i].gap,
                    best[i].gapCpu, best[i].allIn, best[i].toEnd, best[i].endShown ? "ok" : "LAST LINE NOT SHOWN");
    std::printf("load after: %s\n", Load().c_str());
    return 0;
}
