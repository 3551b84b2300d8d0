// Prints how long the message list takes to sort a big list by each column, side by side in
// the same run with a plain QSortFilterProxyModel on the model's sort role (folding and
// collating both texts on every comparison: the list's sort before it kept keys per row).
//
//   sort_bench [rows]     (default 50000; runs offscreen)
//
// Each round sorts by From, Subject, Date and Size in turn, through a shown table view, for
// each of the two; each figure is the best of 5 rounds. A text column's sort always follows
// the other's, so its figure includes making its keys.
#include "ProcessFigures.h"
#include "app/MailListModel.h"
#include "app/MailSortModel.h"

#include <QApplication>
#include <QHeaderView>
#include <QSortFilterProxyModel>
#include <QTableView>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const char* const kFirst[] = {"Anna", "Bernd", "Clara", "=?UTF-8?Q?J=C3=B6rg?=", "Eva", "Frank", "\"Gr\xc3\xa4" "f, Ida\"",
                              "Hugo", "Ines", "Jan", "Karl", "Lena", "\"Marie\"", "Nils", "Olga", "Paul"};
const char* const kLast[] = {"Meyer", "Schulz", "M\xc3\xbcller", "Berg", "Adler", "Zimmer", "Krause", "Lang"};
const char* const kWords[] = {"Invoice", "meeting", "Re:", "build", "passed", "=?ISO-8859-1?Q?K=FCche?=", "report",
                              "Weekly", "lottery", "Fwd:", "plans", "\xc3\x9c" "bersicht", "news", "order", "status"};

TMailRow SampleRow(int i)
{
    unsigned h = unsigned(i) * 2654435761u;
    TMailRow row;
    row.SetFrom(std::string(" ") + kFirst[h % 16] + " " + kLast[(h >> 4) % 8] + " <user" + std::to_string(h % 9973) +
                "@example.org>");
    std::string subject = " ";
    for (int w = 0; w < 3 + int((h >> 8) % 4); ++w) subject += std::string(w ? " " : "") + kWords[(h >> (w * 4)) % 15];
    row.SetSubject(subject + " #" + std::to_string(i));
    row.SetDate(" Tue, " + std::to_string(1 + (h >> 12) % 28) + " Dec 2026 " + std::to_string(10 + (h >> 3) % 13) +
                ":" + std::to_string(10 + (h >> 5) % 50) + ":00 +0000");
    row.octets = 500 + (h >> 7) % 200000;
    row.headerNumber = i;
    return row;
}

double Ms(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50000;
    TMailListModel rows;
    std::vector<TMailRow> made;
    made.reserve(size_t(count));
    for (int i = 0; i < count; ++i) made.push_back(SampleRow(i));
    rows.AddRows(std::move(made));

    // The peer: the proxy as the list had it, sorting on the model's sort role.
    QSortFilterProxyModel plain;
    plain.setSourceModel(&rows);
    plain.setSortRole(TMailListModel::SortRole);
    plain.setSortLocaleAware(true);
    plain.setDynamicSortFilter(true);
    TMailSortModel keyed(rows, nullptr);

    struct Sorter {
        const char* name;
        QSortFilterProxyModel* proxy;
        QTableView view{};
        double best[TMailListModel::ColumnCount]{};
        double bestCpu[TMailListModel::ColumnCount]{};
    } sorters[2];
    sorters[0].name = "list's sort (keys per row)";
    sorters[0].proxy = &keyed;
    sorters[1].name = "plain proxy (folds per compare)";
    sorters[1].proxy = &plain;
    for (Sorter& s : sorters) {
        s.view.setModel(s.proxy);
        s.view.setSortingEnabled(true);
        s.view.horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
        s.view.resize(900, 600);
        s.view.show();
        std::fill(std::begin(s.best), std::end(s.best), 1e9);
        std::fill(std::begin(s.bestCpu), std::end(s.bestCpu), 1e9);
    }
    QApplication::processEvents();

    std::printf("sort_bench: %d rows; load before: %s; best of 5 rounds\n", count, LoadAverage().c_str());
    for (int round = 0; round < 5; ++round) {
        for (int k = 0; k < 2; ++k) {
            Sorter& s = sorters[(k + round) % 2];  // the order turns with the round
            for (int column = 0; column < TMailListModel::ColumnCount; ++column) {
                const auto start = std::chrono::steady_clock::now();
                const double cpu = CpuSeconds(RUSAGE_THREAD);
                s.view.sortByColumn(column, round % 2 ? Qt::DescendingOrder : Qt::AscendingOrder);
                QApplication::processEvents();
                s.best[column] = std::min(s.best[column], Ms(start));
                s.bestCpu[column] = std::min(s.bestCpu[column], (CpuSeconds(RUSAGE_THREAD) - cpu) * 1000);
            }
        }
    }
    const char* const titles[] = {"From", "Subject", "Date", "Size"};
    std::printf("  %-32s", "best ms, wall (CPU)");
    for (const char* title : titles) std::printf(" %15s", title);
    std::printf("\n");
    for (const Sorter& s : sorters) {
        std::printf("  %-32s", s.name);
        for (int c = 0; c < TMailListModel::ColumnCount; ++c) std::printf("   %6.1f (%5.1f)", s.best[c], s.bestCpu[c]);
        std::printf("\n");
    }
    std::printf("load after: %s\n", LoadAverage().c_str());
    return 0;
}
