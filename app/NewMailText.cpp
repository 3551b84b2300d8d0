#include "app/NewMailText.h"

#include "widgets/DisplayText.h"
#include "widgets/QtText.h"

QString NewMessagesPhrase(int count) { return ToQ(NewMessagesCount(count)); }

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
    const TNewMailNews news = NewMailNews(account, fresh, total);
    TNewMailText text;
    text.Summary = ToQ(news.Summary);
    for (const TNewMail* mail : news.Named) {
        QString subject = DisplayHeaderText(mail->Subject);
        if (subject.isEmpty()) subject = QStringLiteral("(no subject)");
        text.Lines << SenderName(mail->From) + QStringLiteral(": ") + subject;
    }
    if (!news.More.empty()) text.Lines << ToQ(news.More);
    return text;
}
