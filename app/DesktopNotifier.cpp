#include "app/DesktopNotifier.h"

#include "app/NotificationSignals.h"
#include "platform/MessageBox.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

TDesktopNotifier::TDesktopNotifier(QDBusConnection bus)
    : bus_(std::move(bus)), signals_(std::make_unique<TNotificationSignals>())
{
    signals_->OnAction = [this](uint id, const QString& action) { Invoked(id, action); };
    signals_->OnClosed = [this](uint id) { Closed(id); };
    if (!bus_.isConnected()) return;
    // Bound to the service's name, so another program on the bus cannot play the server.
    bus_.connect(kService, kPath, kInterface, "ActionInvoked", signals_.get(), SLOT(ActionInvoked(uint,QString)));
    bus_.connect(kService, kPath, kInterface, "NotificationClosed", signals_.get(),
                 SLOT(NotificationClosed(uint,uint)));
}

TDesktopNotifier::~TDesktopNotifier()
{
    if (!bus_.isConnected()) return;
    bus_.disconnect(kService, kPath, kInterface, "ActionInvoked", signals_.get(), SLOT(ActionInvoked(uint,QString)));
    bus_.disconnect(kService, kPath, kInterface, "NotificationClosed", signals_.get(),
                    SLOT(NotificationClosed(uint,uint)));
}

void TDesktopNotifier::Notify(const std::string& account, const std::vector<TNewMail>& fresh, int total)
{
    if (fresh.empty()) return;
    Tell(account, NewMailText(account, fresh, total));
}

void TDesktopNotifier::Tell(const std::string& account, const TNewMailText& text)
{
    if (!bus_.isConnected()) return Failed(text);

    // A newer check of the account replaces its notification instead of piling up another.
    uint replaces = 0;
    for (const auto& [id, shownFor] : accountOf_)
        if (shownFor == account) replaces = id;
    QStringList body;
    for (const QString& line : text.Lines) body << EscapeMarkup(line);

    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, "Notify");
    call << QStringLiteral("Quillbox") << replaces << QStringLiteral("quillbox") << text.Summary
         << body.join(u'\n') << QStringList{QStringLiteral("default"), QStringLiteral("Show")} << QVariantMap()
         << int(-1);
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, kCallTimeoutMs), signals_.get());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, signals_.get(),
                     [this, account, text](QDBusPendingCallWatcher* finished) {
                         platform::RunGuarded([&] {
                             QDBusPendingReply<uint> reply = *finished;
                             if (reply.isError()) Failed(text);
                             else Delivered(account, reply.value());
                         });
                         finished->deleteLater();
                     });
}

bool TDesktopNotifier::Showing(const std::string& account) const
{
    for (const auto& [id, shownFor] : accountOf_)
        if (shownFor == account) return true;
    return false;
}

void TDesktopNotifier::Delivered(const std::string& account, uint id)
{
    std::erase_if(accountOf_, [&](const auto& shown) { return shown.second == account; });
    accountOf_[id] = account;
}

void TDesktopNotifier::Failed(const TNewMailText& text)
{
    if (fallback_) fallback_(text.Summary, text.Lines.join(u'\n'));
}

void TDesktopNotifier::Invoked(uint id, const QString& action)
{
    auto shown = accountOf_.find(id);
    if (shown == accountOf_.end() || action != QLatin1String("default")) return;
    const std::string account = shown->second;
    if (showAccount_) showAccount_(account);
}

void TDesktopNotifier::Closed(uint id) { accountOf_.erase(id); }
