#pragma once
// What the user is told about the new messages of one check, in the notification and in the
// tray's balloon alike.
#include <QString>
#include <QStringList>

#include <string>
#include <vector>

// One new message, by the raw header texts of its summary (encoded words still encoded).
struct TNewMail {
    std::string From;
    std::string Subject;
};

struct TNewMailText {
    QString Summary;    // "3 new messages in work"
    QStringList Lines;  // sender and subject of the newest ones, one each, newest first
};

// At most this many messages are named; a line "and N more" stands for the rest.
constexpr int kNamedNewMessages = 3;

// `fresh` in list order, which is the order of arrival on the server. With `total` given, there
// were that many new messages and `fresh` holds the newest of them (a check that found
// thousands keeps only the ones it names).
TNewMailText NewMailText(const std::string& account, const std::vector<TNewMail>& fresh, int total = -1);

// "1 new message", "N new messages".
QString NewMessagesPhrase(int count);
// The name a person goes by in a From text: the display name when there is one, else the
// address; encoded words decoded.
QString SenderName(const std::string& rawFrom);
// Notification servers may read the body as markup: &, < and > are written as entities.
QString EscapeMarkup(const QString& text);
