#include "app/NewMailText.h"

#include "widgets/DisplayText.h"
#include "widgets/QtText.h"

#include <algorithm>

QString NewMessagesPhrase(int count)
{
    return count == 1 ? QStringLiteral("1 new message") : QStringLiteral("%1 new messages").arg(count);
}

QString SenderName(const std::string& rawFrom)
{
    const QString from = DisplayHeaderText(rawFrom);
    const qsizetype open = from.lastIndexOf(u'<');
    if (open < 0) return from;
    QString name = from.left(open).trimmed();
    if (name.size() >= 2 && name.startsWith(u'"') && name.endsWith(u'"')) name = name.mid(1, name.size() - 2).trimmed();
    if (!name.isEmpty()) return name;
    // "<ann@example.org>" alone: the address without its brackets.
    const qsizetype close = from.indexOf(u'>', open);
    return close > open + 1 ? from.mid(open + 1, close - open - 1) : from;
}

QString EscapeMarkup(const QString& text)
{
    QString escaped = text;
    escaped.replace(u'&', QStringLiteral("&amp;"));  // first, so the entities below stay as they are
    escaped.replace(u'<', QStringLiteral("&lt;"));
    escaped.replace(u'>', QStringLiteral("&gt;"));
    return escaped;
}

TNewMailText NewMailText(const std::string& account, const std::vector<TNewMail>& fresh, int total)
{
    TNewMailText text;
    const int count = std::max(total, int(fresh.size()));
    text.Summary = NewMessagesPhrase(count) + QStringLiteral(" in ") + ToQ(account);
    const int held = int(fresh.size());
    for (int i = held - 1; i >= 0 && i >= held - kNamedNewMessages; --i) {
        QString subject = DisplayHeaderText(fresh[size_t(i)].Subject);
        if (subject.isEmpty()) subject = QStringLiteral("(no subject)");
        text.Lines << SenderName(fresh[size_t(i)].From) + QStringLiteral(": ") + subject;
    }
    if (count > kNamedNewMessages) text.Lines << QStringLiteral("and %1 more").arg(count - kNamedNewMessages);
    return text;
}
