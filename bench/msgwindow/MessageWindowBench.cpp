// Prints how long the message window takes to take a big body and show it: the conversion to
// display text, the one setPlainText, and the first paint.
//
//   msgwindow_bench [megabytes]     (default 20; QT_QPA_PLATFORM=offscreen works)
#include "app/msg_src.h"
#include "widgets/QtText.h"

#include <QApplication>
#include <QPlainTextEdit>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

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

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const size_t megabytes = argc > 1 ? size_t(std::atoi(argv[1])) : 20;
    std::string body;
    body.reserve(megabytes << 20);
    for (int line = 0; body.size() < (megabytes << 20); ++line)
        body += "Line " + std::to_string(line) + " of a long report, with some words to wrap: Gr\xc3\xbc\xc3\x9f" "e.\n";
    std::printf("load %s; body %zu octets, %s\n", Load().c_str(), body.size(), "best of 5");
    double best[3] = {1e9, 1e9, 1e9};
    for (int run = 0; run < 5; ++run) {
        TFrm_srcvu window(nullptr);
        auto start = std::chrono::steady_clock::now();
        QString text = ToQ(body);
        double convert = Ms(start);
        start = std::chrono::steady_clock::now();
        window.SetMemoText(text);
        double set = Ms(start);
        start = std::chrono::steady_clock::now();
        window.show();
        window.Memo1->repaint();
        QApplication::processEvents();
        double show = Ms(start);
        best[0] = std::min(best[0], convert);
        best[1] = std::min(best[1], set);
        best[2] = std::min(best[2], show);
    }
    std::printf("to display text %.0f ms, setPlainText %.0f ms, first paint %.0f ms, total %.0f ms\n", best[0], best[1],
                best[2], best[0] + best[1] + best[2]);
    return 0;
}
