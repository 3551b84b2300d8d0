#include "lcd/LCDAccessible.h"

#include "lcd/LCDScreen.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace lcd {
namespace {

const char kName[] = "Status";

class TLCDAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit TLCDAccessible(TLCDScreen* screen) : QAccessibleWidget(screen, QAccessible::StatusBar) {}

    QString text(QAccessible::Text t) const override
    {
        switch (t) {
        case QAccessible::Name: {
            const QString set = widget()->accessibleName();
            return set.isEmpty() ? QString::fromLatin1(kName) : set;
        }
        case QAccessible::Value: return Shown();
        default: return QAccessibleWidget::text(t);
        }
    }

    void* interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    // Read-only text: no selection, no cursor of its own.
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int start, int end) const override
    {
        const QString all = Shown();
        if (end < 0 || end > all.size()) end = int(all.size());
        start = qBound(0, start, end);
        return all.mid(start, end - start);
    }
    int characterCount() const override { return int(Shown().size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* start, int* end) const override
    {
        *start = *end = offset;
        return {};
    }

private:
    QString Shown() const { return static_cast<const TLCDScreen*>(widget())->ShownText(); }
};

QAccessibleInterface* Factory(const QString& className, QObject* object)
{
    if (className != QLatin1String(TLCDScreen::staticMetaObject.className())) return nullptr;
    return new TLCDAccessible(static_cast<TLCDScreen*>(object));
}

}  // namespace

void InstallLCDAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(Factory);
        return true;
    }();
    (void)installed;
}

void AnnounceLCDText(TLCDScreen& screen, const QString& before, const QString& text)
{
    QAccessibleTextUpdateEvent replaced(&screen, 0, before, text);
    QAccessible::updateAccessibility(&replaced);
}

}  // namespace lcd
