// The list's sort compares keys kept per row: it must order rows as folding and collating the
// shown texts on every comparison did, also for rows that arrive while the list is sorted.
#include "ListedRow.h"
#include "app/MailSortModel.h"

#include <QSortFilterProxyModel>

#include <gtest/gtest.h>

#include <iterator>
#include <vector>

namespace {

std::vector<int> SourceOrder(const QSortFilterProxyModel& proxy)
{
    std::vector<int> rows;
    for (int r = 0; r < proxy.rowCount(); ++r) rows.push_back(proxy.mapToSource(proxy.index(r, 0)).row());
    return rows;
}

}  // namespace

TEST(MailSortModel, OrdersTextColumnsAsCollatingTheFoldedTextsDoes)
{
    TMailListModel rows;
    const char* const texts[] = {" b@x", " =?UTF-8?Q?=C3=84rger?= <a@x>", " \"Zed\" <z@x>", " zed <z@x>", " \xc3\xa9mile",
                                 " Emil", " B@x", " 10 items", " 9 items", ""};
    const size_t n = std::size(texts);
    for (size_t i = 0; i < n; ++i) rows.AddRow(ListedRow(texts[i], texts[(i + 3) % n]));
    TMailSortModel keyed(rows, nullptr);
    QSortFilterProxyModel plain;
    plain.setSourceModel(&rows);
    plain.setSortRole(TMailListModel::SortRole);
    plain.setSortLocaleAware(true);
    plain.setDynamicSortFilter(true);
    for (int column : {int(TMailListModel::ColFrom), int(TMailListModel::ColSubject), int(TMailListModel::ColFrom)}) {
        for (Qt::SortOrder way : {Qt::AscendingOrder, Qt::DescendingOrder}) {
            keyed.sort(column, way);
            plain.sort(column, way);
            EXPECT_EQ(SourceOrder(keyed), SourceOrder(plain)) << "column " << column << " order " << way;
        }
        // Rows listed while sorted take their places, their keys made as they come.
        rows.AddRows({ListedRow(" Anton", " \xc3\xa4" "ffle"), ListedRow(" \xc3\xa4" "ffle", " anton")});
        EXPECT_EQ(SourceOrder(keyed), SourceOrder(plain)) << "column " << column << " after adding";
    }
}
