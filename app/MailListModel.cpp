#include "MailListModel.h"

#include "session/MessageCells.h"
#include "widgets/Artwork.h"
#include "widgets/DisplayText.h"
#include "widgets/MailDate.h"
#include "widgets/QtText.h"

#include <QColor>
#include <QFont>

#include <algorithm>

static_assert(sizeof(TMailRow) <= 64, "a big list holds one per message");

void TMailRow::SetFrom(std::string_view from)
{
    texts_.Set(kFrom, from);
    texts_.Set(kShownFrom, {});
    fromShownLength_ = 0;
}

void TMailRow::SetSubject(std::string_view subject)
{
    texts_.Set(kSubject, subject);
    texts_.Set(kShownSubject, {});
    subjectShownLength_ = 0;
}

TMessageIdentity TMailRow::Identity() const
{
    TMessageIdentity identity;
    (identityIsUidl_ ? identity.uidl : identity.headerKey) = std::string(texts_.Get(kIdentity));
    return identity;
}

void TMailRow::SetIdentity(const TMessageIdentity& identity)
{
    if (!identity.uidl.empty()) return SetUidl(identity.uidl);
    identityIsUidl_ = false;
    texts_.Set(kIdentity, identity.headerKey);
}

void TMailRow::SetUidl(std::string_view uidl)
{
    identityIsUidl_ = !uidl.empty();
    texts_.Set(kIdentity, uidl);
}

void TMailRow::SetShown(int raw, uint16_t& length, std::string_view decoded)
{
    const std::string_view text = texts_.Get(raw);
    if (decoded.size() < kNotInRaw && text.substr(ShownStart(text), decoded.size()) == decoded) {
        length = uint16_t(decoded.size());
        texts_.Set(raw + kShownFrom, {});
    } else {
        length = kNotInRaw;
        texts_.Set(raw + kShownFrom, decoded);
    }
}

std::string TMailRow::HeaderName() const
{
    return headerNumber < 0 ? std::string() : "msg" + std::to_string(headerNumber) + ".hdr";
}

void ShowRow(TMailRow& row)
{
    row.SetShownFrom(FromQ(DisplayAddressText(std::string(row.From()))));  // shown and sorted without the name's quotes
    row.SetShownSubject(FromQ(DisplayHeaderText(std::string(row.Subject()))));
    row.shown = true;
    if (row.Date().empty()) return;  // none, or read already
    auto when = ParseMailDate(std::string(row.Date()));
    row.time = when ? when->toSecsSinceEpoch() : INT64_MIN;
    if (when) row.SetDate({});  // the time holds it: a big list would keep 30 bytes a row more
}

QString ShownDate(const TMailRow& row)
{
    return row.time != INT64_MIN ? DisplayTime(row.time) : DisplayDate(std::string(row.Date()));
}

namespace {

QString SortText(const TMailRow& row, int column)
{
    return ToQ(column == TMailListModel::ColFrom ? row.ShownFrom() : row.ShownSubject()).toCaseFolded();
}

}  // namespace

TMailListModel::TMailListModel(QObject* parent)
    : QAbstractTableModel(parent),
      markedIcon_(widgets::ImageListIcon(0)),
      deletedIcon_(widgets::ImageListIcon(2)),
      spamIcon_(widgets::SpamMarkIcon()),
      blockedIcon_(widgets::BlockedMarkIcon())
{
    // The sorted texts are folded already: a level of the key for letter case would only make
    // every key longer and every comparison slower.
    collator_.setCaseSensitivity(Qt::CaseInsensitive);
}

void TMailListModel::AddRow(TMailRow row)
{
    if (!row.shown) ShowRow(row);
    row.MoveTextsInto(texts_);
    newRows_ += row.isNew ? 1 : 0;
    int at = Count();
    beginInsertRows({}, at, at);
    rows_.push_back(std::move(row));
    if (!sortKeys_.empty()) sortKeys_.resize(rows_.size());
    endInsertRows();
}

void TMailListModel::AddRows(std::vector<TMailRow> rows)
{
    if (rows.empty()) return;
    for (TMailRow& row : rows) {
        if (!row.shown) ShowRow(row);
        row.MoveTextsInto(texts_);
        newRows_ += row.isNew ? 1 : 0;
    }
    int at = Count();
    beginInsertRows({}, at, at + int(rows.size()) - 1);
    rows_.insert(rows_.end(), std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
    if (!sortKeys_.empty()) sortKeys_.resize(rows_.size());
    endInsertRows();
}

void TMailListModel::RemoveRow(int i)
{
    if (i < 0 || i >= Count()) return;
    beginRemoveRows({}, i, i);
    newRows_ -= rows_[size_t(i)].isNew ? 1 : 0;
    rows_.erase(rows_.begin() + i);
    if (size_t(i) < sortKeys_.size()) sortKeys_.erase(sortKeys_.begin() + i);
    endRemoveRows();
}

void TMailListModel::Clear()
{
    beginResetModel();
    std::vector<TMailRow>().swap(rows_);  // a big list's room goes with it
    texts_.Clear();
    sortKeys_ = {};
    newRows_ = 0;
    endResetModel();
}

void TMailListModel::SetMark(int i, int mark)
{
    if (i < 0 || i >= Count()) return;
    rows_[size_t(i)].mark = mark;
    emit dataChanged(index(i, 0), index(i, ColumnCount - 1));
}

void TMailListModel::SetJudgement(int i, const TMailRow& judged)
{
    if (i < 0 || i >= Count()) return;
    TMailRow& row = rows_[size_t(i)];
    row.mark = judged.mark;
    row.spamScore = judged.spamScore;
    row.friendSender = judged.friendSender;
    row.blockedSender = judged.blockedSender;
    row.userCleared = judged.userCleared;
    row.userMarked = judged.userMarked;
    emit dataChanged(index(i, 0), index(i, ColumnCount - 1));
}

void TMailListModel::JudgeRows(int first, int count, const std::function<void(int, TMailRow&)>& judge)
{
    first = std::max(first, 0);
    const int end = int(std::min<int64_t>(Count(), int64_t(first) + count));
    if (first >= end) return;
    for (int i = first; i < end; ++i) judge(i, rows_[size_t(i)]);
    emit dataChanged(index(first, 0), index(end - 1, ColumnCount - 1));
}

void TMailListModel::SetNewRows(const std::vector<bool>& fresh)
{
    int first = -1, last = -1;
    for (size_t i = 0; i < fresh.size() && i < rows_.size(); ++i) {
        if (!fresh[i] || rows_[i].isNew) continue;
        rows_[i].isNew = true;
        ++newRows_;
        if (first < 0) first = int(i);
        last = int(i);
    }
    if (first >= 0) emit dataChanged(index(first, 0), index(last, ColumnCount - 1), {Qt::FontRole});
}

void TMailListModel::SetNew(int i, bool isNew)
{
    if (i < 0 || i >= Count() || rows_[size_t(i)].isNew == isNew) return;
    rows_[size_t(i)].isNew = isNew;
    newRows_ += isNew ? 1 : -1;
    emit dataChanged(index(i, 0), index(i, ColumnCount - 1), {Qt::FontRole});
}

void TMailListModel::Redraw()
{
    if (!rows_.empty()) emit dataChanged(index(0, 0), index(Count() - 1, ColumnCount - 1));
}

const QCollatorSortKey& TMailListModel::SortKey(int i, int column) const
{
    if (column != keyColumn_ || sortKeys_.size() != rows_.size()) {
        sortKeys_.clear();
        sortKeys_.resize(rows_.size());
        keyColumn_ = column;
    }
    std::optional<QCollatorSortKey>& key = sortKeys_.at(size_t(i));
    if (!key) key = collator_.sortKey(SortText(rows_[size_t(i)], column));
    return *key;
}

QString TMailListModel::SizeText(int i) const
{
    // The cell is right-aligned: its padding to a fixed width only costs room on screen.
    return ToQ(FormatMessageSize(Row(i).octets, decimalSeparator_)).trimmed();
}

int TMailListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Count(); }
int TMailListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant TMailListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= Count()) return {};
    const TMailRow& row = rows_[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case ColFrom: return ToQ(row.ShownFrom());
        case ColSubject: return ToQ(row.ShownSubject());
        case ColDate: return ShownDate(row);
        case ColSize: return SizeText(index.row());
        case ColSpam: return row.spamScore >= 0 ? QString::number(double(row.spamScore), 'f', 1) : QString();
        }
        break;
    case Qt::ToolTipRole:
        if (index.column() == ColFrom) return ToQ(row.ShownFrom());
        if (index.column() == ColSubject) return ToQ(row.ShownSubject());
        break;
    case SortRole:
        switch (index.column()) {
        case ColFrom:
        case ColSubject: return SortText(row, index.column());
        case ColDate: return qlonglong(row.time);
        case ColSize: return qlonglong(row.octets);
        case ColSpam: return double(row.spamScore);
        }
        break;
    case Qt::DecorationRole:
        if (index.column() == ColFrom) {
            switch (row.mark) {
            case 0: return markedIcon_;
            case 1: return spamIcon_;
            case 2: return deletedIcon_;
            case 3: return blockedIcon_;
            }
        }
        break;
    case Qt::ForegroundRole:
        if (DrawRed && DrawRed(row)) return QColor(255, 0, 0);
        break;
    case Qt::FontRole:
        if (row.isNew) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        break;
    case Qt::TextAlignmentRole:
        if (index.column() == ColSize || index.column() == ColSpam) return int(Qt::AlignRight | Qt::AlignVCenter);
        break;
    }
    return {};
}

QVariant TMailListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal) return {};
    if (role == Qt::DisplayRole) {
        static const char* const titles[ColumnCount] = {"From", "Subject", "Date", "Size", "Spam"};
        if (section >= 0 && section < ColumnCount) return QString::fromLatin1(titles[section]);
    }
    if (role == Qt::TextAlignmentRole && (section == ColSize || section == ColSpam)) return int(Qt::AlignRight | Qt::AlignVCenter);
    if (role == Qt::ToolTipRole && section == ColSpam)
        return QStringLiteral("The spam filter's score: 0 surely wanted, 100 surely spam");
    return {};
}

Qt::ItemFlags TMailListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;  // never editable in place
}
