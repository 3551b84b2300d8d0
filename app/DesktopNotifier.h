#pragma once
// Tells the user about the new mail of a check through the desktop's notification service
// (org.freedesktop.Notifications on the session bus): one notification per check that found
// new mail, replacing the account's previous one while it is still shown. Choosing it (its
// default action) asks the main window to show that account. Without a service on the bus, the
// fallback is used (the tray icon's balloon); without either, the news is simply not told.
#include "app/NewMailText.h"

#include <QDBusConnection>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class TNotificationSignals;

class TDesktopNotifier {
public:
    using Fallback = std::function<void(const QString& title, const QString& text)>;
    using ShowAccount = std::function<void(const std::string& account)>;

    static constexpr const char* kService = "org.freedesktop.Notifications";
    static constexpr const char* kPath = "/org/freedesktop/Notifications";
    static constexpr const char* kInterface = "org.freedesktop.Notifications";
    // A service that does not answer within this time is taken as absent.
    static constexpr int kCallTimeoutMs = 5000;

    explicit TDesktopNotifier(QDBusConnection bus = QDBusConnection::sessionBus());
    ~TDesktopNotifier();
    TDesktopNotifier(const TDesktopNotifier&) = delete;
    TDesktopNotifier& operator=(const TDesktopNotifier&) = delete;

    void SetFallback(Fallback fallback) { fallback_ = std::move(fallback); }
    void SetOnShowAccount(ShowAccount show) { showAccount_ = std::move(show); }

    // Reports the new messages of one check of `account` (in list order); nothing when there
    // are none. Returns at once: the service answers later, through the event loop.
    // With `total` given, `fresh` holds the newest of that many (see NewMailText).
    void Notify(const std::string& account, const std::vector<TNewMail>& fresh, int total = -1);
    // Any other news about the account (a check by itself that failed), the same way.
    void Tell(const std::string& account, const TNewMailText& text);
    // Whether the service still shows a notification of ours for the account.
    bool Showing(const std::string& account) const;

private:
    void Delivered(const std::string& account, uint id);
    void Failed(const TNewMailText& text);
    void Invoked(uint id, const QString& action);
    void Closed(uint id);

    QDBusConnection bus_;
    std::unique_ptr<TNotificationSignals> signals_;
    Fallback fallback_;
    ShowAccount showAccount_;
    std::map<uint, std::string> accountOf_;  // notifications still shown
};
