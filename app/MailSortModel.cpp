#include "MailSortModel.h"

#include "MailListModel.h"

TMailSortModel::TMailSortModel(TMailListModel& rows, QObject* parent) : QSortFilterProxyModel(parent), rows_(rows)
{
    setSourceModel(&rows);
    // The role stays for whoever asks the model itself; lessThan below gives the same order.
    setSortRole(TMailListModel::SortRole);
    setSortLocaleAware(true);
    setDynamicSortFilter(true);
}

bool TMailSortModel::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    const int column = left.column();
    const TMailRow& a = rows_.Row(left.row());
    const TMailRow& b = rows_.Row(right.row());
    switch (column) {
    case TMailListModel::ColDate: return a.time < b.time;
    case TMailListModel::ColSize: return a.octets < b.octets;
    case TMailListModel::ColSpam: return a.spamScore < b.spamScore;
    default: return rows_.SortKey(left.row(), column).compare(rows_.SortKey(right.row(), column)) < 0;
    }
}
