#pragma once
// What the user is told about the new messages of one check, in the notification and in the
// tray's balloon alike: the session's news (session/NewMail.h) with its texts decoded for display.
#include "session/NewMail.h"

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

struct TNewMailText {
    QString Summary;    // "3 new messages in work"
    QStringList Lines;  // sender and subject of the newest ones, one each, newest first
};

// `fresh` and `total` as for NewMailNews.
TNewMailText NewMailText(const std::string& account, const std::vector<TNewMail>& fresh, int total = -1);

// "1 new message", "N new messages".
QString NewMessagesPhrase(int count);
// The name a person goes by in a From text: the display name when there is one, else the
// address; encoded words decoded.
QString SenderName(const std::string& rawFrom);
// Notification servers may read the body as markup: &, < and > are written as entities.
QString EscapeMarkup(const QString& text);
