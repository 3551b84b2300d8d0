#pragma once
// The message list's columns. Subject takes the spare width; From, Date and Size keep widths the
// user can drag, never narrower than they need to stay readable (Date and Size as wide as their
// texts). From keeps its share of the list's width as the window grows or shrinks, so a bigger
// or maximised window gives the sender room too, not Subject alone.
#include <QObject>
#include <QSize>

class QHeaderView;
class QScreen;
class QTableView;

class TListColumns : public QObject {
public:
    // Sets up the columns of `list` (whose model has the four columns) and follows its width.
    explicit TListColumns(QTableView& list);
    static TListColumns* Of(const QTableView& list);

    // The narrowest the column may be.
    int MinimumWidth(int column) const;
    // From's part of the list's width, 0 to 1.
    double FromShare() const { return fromShare_; }
    // After stored widths came back: the share kept with them (none: the default), no column
    // narrower than its minimum, Subject stretching.
    void Restored(double fromShare);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SectionResized(int column, int width);
    void Fit(int listWidth);

    QHeaderView& header_;
    int minimum_[5] = {};  // one per column of the list
    double fromShare_;
    bool fitting_ = false;
};

// The size the main window first opens at: room for all four columns, within the screen's
// free area (`available`; none known: the size alone).
QSize DefaultWindowSize(QSize available);
QSize DefaultWindowSize(const QScreen* screen);
