#pragma once
// The rows of the message list: one per message on the server, in server order, so the row at
// position i stands for message number i + 1.
#include "session/MessageIdentity.h"
#include "session/PackedTexts.h"
#include "platform/Strings.h"

#include <QAbstractTableModel>
#include <QCollator>
#include <QIcon>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A row of the list. A big list has a row per message, so its texts share one heap block and
// what can be made again when drawn (the size cell, the header file's name) is not kept.
class TMailRow {
public:
    // Raw, as the header has them (the date: everything after "Date:"). A date ShowRow reads
    // as a time is kept as that time alone: Date() is then empty.
    std::string_view From() const { return texts_.Get(kFrom); }
    std::string_view Subject() const { return texts_.Get(kSubject); }
    std::string_view Date() const { return texts_.Get(kDate); }
    void SetFrom(std::string_view from);
    void SetSubject(std::string_view subject);
    void SetDate(std::string_view date) { texts_.Set(kDate, date); }

    // What confirms, before a deletion, that the server still has it at its number.
    TMessageIdentity Identity() const;
    void SetIdentity(const TMessageIdentity& identity);
    void SetUidl(std::string_view uidl);
    std::string_view Uidl() const { return identityIsUidl_ ? texts_.Get(kIdentity) : std::string_view(); }

    // As the list shows them (filled by ShowRow): decoded, UTF-8. Most are the raw text less
    // the blanks around it, and then only where they lie in it is kept.
    std::string_view ShownFrom() const { return Shown(kFrom, fromShownLength_); }
    std::string_view ShownSubject() const { return Shown(kSubject, subjectShownLength_); }
    bool ShownSubjectIsRaw() const { return subjectShownLength_ != kNotInRaw; }
    void SetShownFrom(std::string_view decoded) { SetShown(kFrom, fromShownLength_, decoded); }
    void SetShownSubject(std::string_view decoded) { SetShown(kSubject, subjectShownLength_, decoded); }

    // The list keeps its rows' texts together, in an arena of its own.
    void MoveTextsInto(TTextArena& arena) { texts_.MoveInto(arena); }

private:
    enum { kFrom, kSubject, kDate, kIdentity, kShownFrom, kShownSubject, kTextCount };
    // Most shown texts are their raw one from its first non-blank on, less what ends it (the
    // blanks, a comment): then only their length is kept. kNotInRaw: a text of its own.
    static constexpr uint16_t kNotInRaw = UINT16_MAX;
    static size_t ShownStart(std::string_view raw) { return std::min(raw.find_first_not_of(" \t"), raw.size()); }
    std::string_view Shown(int raw, uint16_t length) const
    {
        if (length == kNotInRaw) return texts_.Get(raw + kShownFrom);
        const std::string_view text = texts_.Get(raw);
        return text.substr(ShownStart(text), length);
    }
    void SetShown(int raw, uint16_t& length, std::string_view decoded);

    // The members in an order that leaves no padding between them: a row is 64 bytes.
    TPackedTexts<kTextCount> texts_;
    uint16_t fromShownLength_ = 0, subjectShownLength_ = 0;

public:
    // The file of the header lines saved for this message by the check that listed it, in the
    // list's header folder ("msg3.hdr"); empty when none was saved.
    std::string HeaderName() const;
    int32_t headerNumber = -1;  // the number in the file's name; -1 for none

    float spamScore = -1;  // the filter's score, 0 to 100; -1 when it gave none
    int8_t mark = -1;      // 0 marked by a rule, 1 as likely spam, 3 from a blocked sender, 2 deleted on the server, -1 none
    bool friendSender : 1 = false;   // from a friend: nothing marks it
    bool blockedSender : 1 = false;  // from a blocked sender: always marked
    bool userCleared : 1 = false;    // the user took its mark away: nothing marks it again
    bool userMarked : 1 = false;     // the user called it spam: marked whatever its score
    bool isNew : 1 = false;          // not listed by the check before: drawn bold
    bool shown : 1 = false;          // ShowRow has filled the shown texts and the time
private:
    bool identityIsUidl_ : 1 = false;  // else it holds the header's key
public:
    int64_t octets = 0;        // the size the server gave: sorted by and shown in the Size cell
    int64_t time = INT64_MIN;  // seconds since 1970; INT64_MIN when the date does not parse
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
    std::string HeaderFile(int i) const { return headerFolder_ + Row(i).HeaderName(); }
    // How the Size cells write a decimal point.
    void SetDecimalSeparator(char separator) { decimalSeparator_ = separator; }
    // The Size cell of a row, as drawn.
    QString SizeText(int i) const;
    // Room for this many rows more, so a big list never holds its rows twice while it grows.
    void Reserve(size_t more) { rows_.reserve(rows_.size() + more); }
    void RemoveRow(int i);
    void Clear();
    void SetMark(int i, int mark);
    void SetNew(int i, bool isNew);
    // The verdict on a row: its mark, the filter's score and what keeps it unmarked.
    void SetJudgement(int i, const TMailRow& judged);
    // Changes the verdicts (mark, score and what keeps a row unmarked) of the rows from `first`
    // on in place, then has the views draw them once: a big list would otherwise be redrawn,
    // and its sort order kept, once per row.
    void JudgeRows(int first, int count, const std::function<void(int, TMailRow&)>& judge);
    // Sets the bold mark of row i when flag i is set, at one redraw.
    void SetNewRows(const std::vector<bool>& fresh);
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
    TTextArena texts_;  // the rows' texts: freed with the list
    int newRows_ = 0;
    std::string headerFolder_;
    QIcon markedIcon_, deletedIcon_, spamIcon_, blockedIcon_;
    QCollator collator_;
    char decimalSeparator_ = '.';
    // The collation keys of the text column the list was last sorted by, per row, made at a
    // row's first comparison; empty until a sort by From or Subject.
    mutable std::vector<std::optional<QCollatorSortKey>> sortKeys_;
    mutable int keyColumn_ = -1;  // whose keys they are
};
