#include "ListColumns.h"

#include "MailListModel.h"
#include "session/MessageCells.h"
#include "widgets/QtText.h"

#include <QDateTime>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLocale>
#include <QResizeEvent>
#include <QScreen>
#include <QTableView>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kDefaultFromShare = 0.3;
constexpr double kLeastFromShare = 0.05, kMostFromShare = 0.8;
// Room for From at its share, the widest dates and sizes, and a subject of some length.
constexpr QSize kWindowSize(900, 600);
// What a window manager puts around a window: its title and frame stay on the screen.
constexpr QSize kFrameAllowance(16, 48);

}  // namespace

TListColumns::TListColumns(QTableView& list)
    : QObject(list.horizontalHeader()), header_(*list.horizontalHeader()), fromShare_(kDefaultFromShare)
{
    setObjectName(QStringLiteral("ListColumns"));
    // New rows are bold, which is the wider type.
    QFont bold = list.font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    const int padding = 2 * metrics.averageCharWidth() + 8;  // the cell's margins and some air
    int date = 0;
    // The widest of the locale's short dates: two-digit day, month and hour, in the afternoon.
    for (const QDateTime& sample : {QDateTime(QDate(2026, 12, 28), QTime(22, 58)), QDateTime(QDate(2026, 10, 18), QTime(10, 58))})
        date = std::max(date, metrics.horizontalAdvance(QLocale().toString(sample, QLocale::ShortFormat)));
    const int size = metrics.horizontalAdvance(ToQ(FormatMessageSize(99'999'999, '.')).trimmed());
    minimum_[TMailListModel::ColFrom] = list.iconSize().width() + 4 + 12 * metrics.averageCharWidth() + padding;
    minimum_[TMailListModel::ColSubject] = header_.minimumSectionSize();
    minimum_[TMailListModel::ColDate] = date + padding;
    minimum_[TMailListModel::ColSize] = size + padding;
    for (int c = 0; c < TMailListModel::ColumnCount; ++c)
        minimum_[c] = std::max(minimum_[c], header_.sectionSizeHint(c));

    fitting_ = true;
    header_.setStretchLastSection(false);
    for (int c = 0; c < TMailListModel::ColumnCount; ++c) {
        header_.setSectionResizeMode(c, c == TMailListModel::ColSubject ? QHeaderView::Stretch : QHeaderView::Interactive);
        if (c != TMailListModel::ColSubject) header_.resizeSection(c, minimum_[c]);
    }
    fitting_ = false;
    connect(&header_, &QHeaderView::sectionResized, this,
            [this](int column, int, int width) { SectionResized(column, width); });
    header_.installEventFilter(this);
    Fit(header_.width());
}

TListColumns* TListColumns::Of(const QTableView& list)
{
    return dynamic_cast<TListColumns*>(
        list.horizontalHeader()->findChild<QObject*>(QStringLiteral("ListColumns"), Qt::FindDirectChildrenOnly));
}

int TListColumns::MinimumWidth(int column) const
{
    return column >= 0 && column < TMailListModel::ColumnCount ? minimum_[column] : 0;
}

void TListColumns::Restored(double fromShare)
{
    fitting_ = true;
    for (int c = 0; c < TMailListModel::ColumnCount; ++c)
        header_.setSectionResizeMode(c, c == TMailListModel::ColSubject ? QHeaderView::Stretch : QHeaderView::Interactive);
    fitting_ = false;
    fromShare_ = std::isfinite(fromShare) && fromShare > 0 ? std::clamp(fromShare, kLeastFromShare, kMostFromShare)
                                                          : kDefaultFromShare;
    Fit(header_.width());
}

bool TListColumns::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &header_ && event->type() == QEvent::Resize)
        Fit(static_cast<QResizeEvent*>(event)->size().width());
    return QObject::eventFilter(watched, event);
}

void TListColumns::SectionResized(int column, int width)
{
    if (fitting_ || column == TMailListModel::ColSubject) return;
    if (width < minimum_[column]) {
        fitting_ = true;
        header_.resizeSection(column, minimum_[column]);
        fitting_ = false;
        width = minimum_[column];
    }
    // The user gave From this part of the list: it keeps it as the window changes.
    if (column == TMailListModel::ColFrom && header_.width() > 0)
        fromShare_ = std::clamp(double(width) / header_.width(), kLeastFromShare, kMostFromShare);
}

void TListColumns::Fit(int listWidth)
{
    if (listWidth <= 0) return;
    fitting_ = true;
    const int from = std::max(minimum_[TMailListModel::ColFrom], int(std::lround(fromShare_ * listWidth)));
    if (header_.sectionSize(TMailListModel::ColFrom) != from) header_.resizeSection(TMailListModel::ColFrom, from);
    for (int c : {TMailListModel::ColDate, TMailListModel::ColSize})
        if (header_.sectionSize(c) < minimum_[c]) header_.resizeSection(c, minimum_[c]);
    fitting_ = false;
}

QSize DefaultWindowSize(QSize available)
{
    if (!available.isValid() || available.isEmpty()) return kWindowSize;
    return kWindowSize.boundedTo(available - kFrameAllowance);
}

QSize DefaultWindowSize(const QScreen* screen)
{
    return DefaultWindowSize(screen ? screen->availableGeometry().size() : QSize());
}
