#pragma once
// The order the user sorted the list in, on screen only: the rows themselves stay in server
// order. A sort compares what each row keeps for it (its text's collation key, made once per
// row; its time; its octets), never folding and collating two texts again per comparison,
// which on a list of 50,000 rows is most of a second.
#include <QSortFilterProxyModel>

class TMailListModel;

class TMailSortModel : public QSortFilterProxyModel {
public:
    TMailSortModel(TMailListModel& rows, QObject* parent);

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    TMailListModel& rows_;
};
