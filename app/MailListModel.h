#pragma once
// The rows of the message list: one per message on the server, in server order, so the row at
// position i stands for message number i + 1.
#include "session/MessageIdentity.h"
#include "platform/Strings.h"

#include <QAbstractTableModel>
#include <QCollator>
#include <QIcon>

#include <climits>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A decoded header text. Most headers are plain text, shown as they stand less the blanks
// around them: then only where it lies in the raw text is kept, as a big list has a row per
// message.
struct TShownText {
    std::string text;  // the decoded text, when it is not a part of the raw one (never empty then)
    uint32_t at = 0, length = 0;  // else where it lies in the raw text
    bool InRaw() const { return text.empty(); }
    std::string_view Of(const std::string& raw) const
    {
        return InRaw() ? std::string_view(raw).substr(at, length) : std::string_view(text);
    }
};

struct TMailRow {
    std::string from;     // the row's caption, raw as the header has it
    std::string subject;  // raw
    std::string date;     // raw: everything after "Date:"
    std::string size;     // the size cell
    int mark = -1;           // 0 marked by a rule, 1 as likely spam, 3 from a blocked sender, 2 deleted on the server, -1 none
    float spamScore = -1;    // the filter's score, 0 to 100; -1 when it gave none
    bool friendSender = false;  // from a friend: nothing marks it
    bool blockedSender = false; // from a blocked sender: always marked
    bool userCleared = false;   // the user took its mark away: nothing marks it again
    bool userMarked = false;    // the user called it spam: marked whatever its score
    // The file of the header lines saved for this message by the check that listed it, in the
    // list's header folder ("msg3.hdr": short enough to need no memory of its own).
    std::string headerName;
    TMessageIdentity identity;  // what confirms, before a deletion, that the server still has it at its number
    int64_t octets = 0;         // the size the server gave, for sorting
    bool isNew = false;         // not listed by the check before: drawn bold

    // As the list shows them (filled by ShowRow): decoded, UTF-8; and the date as a time.
    std::string_view ShownFrom() const { return shownFrom.Of(from); }
    std::string_view ShownSubject() const { return shownSubject.Of(subject); }
    int64_t time = INT64_MIN;  // seconds since 1970; INT64_MIN when the date does not parse
    bool shown = false;        // ShowRow has filled them
    TShownText shownFrom, shownSubject;
    // The collation key of the text column the list was last sorted by, made at its first
    // comparison (see TMailListModel::SortKey).
    mutable std::optional<QCollatorSortKey> sortKey;
};

// The date as the list shows it: made when drawn, as a big list would hold a copy per row.
QString ShownDate(const TMailRow& row);

// Fills the shown texts of a row from its raw ones: encoded words decoded, the sender's name
// without its quotes, the date as a time.
void ShowRow(TMailRow& row);

class TMailListModel : public QAbstractTableModel {
public:
    enum Column { ColFrom, ColSubject, ColDate, ColSize, ColSpam, ColumnCount };
    static constexpr int kColumnWidths[ColumnCount] = {184, 270, 80, 80, 48};
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
    // Where the header files of the rows are, ending with '/'.
    void SetHeaderFolder(std::string folder) { headerFolder_ = std::move(folder); }
    const std::string& HeaderFolder() const { return headerFolder_; }
    std::string HeaderFile(int i) const { return headerFolder_ + Row(i).headerName; }
    // Room for this many rows more, so a big list never holds its rows twice while it grows.
    void Reserve(size_t more) { rows_.reserve(rows_.size() + more); }
    void RemoveRow(int i);
    void Clear();
    void SetMark(int i, int mark);
    void SetNew(int i, bool isNew);
    // The verdict on a row: its mark, the filter's score and what keeps it unmarked.
    void SetJudgement(int i, const TMailRow& judged);
    // How many rows are new (drawn bold).
    int NewCount() const { return newRows_; }
    // Asks the views to draw every row again (after the rules changed, for example).
    void Redraw();
    // What a row sorts by in From or Subject: the shown text folded for letter case, collated
    // as the user's locale wants. Made once per row and kept for the column last asked for
    // only, so a big list holds one key per row, not two.
    const QCollatorSortKey& SortKey(int i, int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    std::vector<TMailRow> rows_;
    int newRows_ = 0;
    std::string headerFolder_;
    QIcon markedIcon_, deletedIcon_, spamIcon_, blockedIcon_;
    QCollator collator_;
    mutable int keyColumn_ = -1;  // whose keys the rows hold
};
