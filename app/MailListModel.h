#pragma once
// The rows of the message list: one per message on the server, in server order, so the row at
// position i stands for message number i + 1.
#include "MessageIdentity.h"
#include "platform/Strings.h"

#include <QAbstractTableModel>
#include <QIcon>

#include <climits>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct TMailRow {
    std::string from;     // the row's caption, raw as the header has it
    std::string subject;  // raw
    std::string date;     // raw: everything after "Date:"
    std::string size;     // the size cell
    int mark = -1;           // 0 marked by a rule, 2 deleted on the server, -1 none
    std::string headerFile;  // the header lines saved for this message by the check that listed it
    TMessageIdentity identity;  // what confirms, before a deletion, that the server still has it at its number
    int64_t octets = 0;         // the size the server gave, for sorting
    bool isNew = false;         // not listed by the check before: drawn bold

    // As the list shows them (filled by ShowRow): decoded, UTF-8; and the date as a time.
    std::string shownFrom, shownSubject, shownDate;
    int64_t time = INT64_MIN;  // seconds since 1970; INT64_MIN when the date does not parse
};

// Fills the shown texts of a row from its raw ones: encoded words decoded, the date in local time.
void ShowRow(TMailRow& row);

class TMailListModel : public QAbstractTableModel {
public:
    enum Column { ColFrom, ColSubject, ColDate, ColSize, ColumnCount };
    static constexpr int kColumnWidths[ColumnCount] = {184, 270, 80, 80};
    // The role sorting uses: the shown text folded for letter case, the time, the octets.
    static constexpr int SortRole = Qt::UserRole + 1;

    explicit TMailListModel(QObject* parent = nullptr);

    // Decides at every redraw whether a row's texts are drawn in red.
    std::function<bool(const TMailRow&)> DrawRed;

    int Count() const { return int(rows_.size()); }
    const TMailRow& Row(int i) const { return rows_.at(size_t(i)); }
    void AddRow(TMailRow row);
    // Many rows in one insertion: the views lay out and paint once for all of them.
    void AddRows(std::vector<TMailRow> rows);
    void RemoveRow(int i);
    void Clear();
    void SetMark(int i, int mark);
    void SetNew(int i, bool isNew);
    // Asks the views to draw every row again (after the rules changed, for example).
    void Redraw();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    std::vector<TMailRow> rows_;
    QIcon markedIcon_, deletedIcon_;
};
