#pragma once
// A private session bus (a dbus-daemon of the test's own, which starts no services on request)
// and a fake desktop notification service on it that records every Notify call.
#include "PrivateBusConfig.h"
#include "app/DesktopNotifier.h"
#include "platform/Folders.h"
#include "platform/TextFile.h"
#include "TempHome.h"  // RemoveTree

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVirtualObject>
#include <QDeadlineTimer>
#include <QProcess>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// Records the Notify calls it gets and answers each with an id, as a notification server does.
class TFakeNotificationService : public QDBusVirtualObject {
public:
    struct TCall {
        QString app;
        uint replaces = 0;
        QString icon, summary, body;
        QStringList actions;
        QVariantMap hints;
        int timeout = 0;
    };
    std::vector<TCall> calls;
    uint lastId = 40;

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (message.interface() != TDesktopNotifier::kInterface || message.member() != "Notify") return false;
        const QList<QVariant> a = message.arguments();
        if (a.size() != 8 || message.signature() != "susssasa{sv}i") {
            connection.send(message.createErrorReply(QDBusError::InvalidArgs, "bad Notify: " + message.signature()));
            return true;
        }
        calls.push_back({a[0].toString(), a[1].toUInt(), a[2].toString(), a[3].toString(), a[4].toString(),
                         a[5].toStringList(), qdbus_cast<QVariantMap>(a[6]), a[7].toInt()});
        const uint id = calls.back().replaces ? calls.back().replaces : ++lastId;
        connection.send(message.createReply(QVariant::fromValue(id)));
        return true;
    }
};

class TPrivateSessionBus {
public:
    static constexpr const char* kDaemon = "/usr/bin/dbus-daemon";

    TPrivateSessionBus()
    {
        const std::string stem = platform::UniqueTempFile("quillbox-bus");
        platform::DeleteFile(stem);
        folder_ = stem + "/";
        platform::CreateDir(folder_);
        WritePrivateBusConfig(folder_);
        daemon_.start(kDaemon, {QString::fromStdString("--config-file=" + folder_ + "bus.conf"), "--print-address", "--nofork"});
        while (daemon_.waitForReadyRead(10000) && !daemon_.canReadLine()) {
        }
        address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    }
    ~TPrivateSessionBus()
    {
        DisconnectAll();
        daemon_.terminate();
        daemon_.waitForFinished();
        RemoveTree(folder_);
    }
    TPrivateSessionBus(const TPrivateSessionBus&) = delete;
    TPrivateSessionBus& operator=(const TPrivateSessionBus&) = delete;

    const QString& Address() const { return address_; }
    // Ends every connection made here (and with it the service names they own).
    void DisconnectAll()
    {
        for (const QString& name : names_) QDBusConnection::disconnectFromBus(name);
        names_.clear();
    }
    QDBusConnection Connect(const char* role)
    {
        names_ << QStringLiteral("%1-%2").arg(role).arg(++made_);
        return QDBusConnection::connectToBus(address_, names_.back());
    }
    // Puts `fake` on the bus under the notification service's name; the connection it uses.
    QDBusConnection Serve(TFakeNotificationService& fake)
    {
        QDBusConnection service = Connect("service");
        service.registerVirtualObject(TDesktopNotifier::kPath, &fake);
        service.registerService(TDesktopNotifier::kService);
        return service;
    }
    static void Emit(QDBusConnection& service, const char* member, uint id, const QVariant& second)
    {
        QDBusMessage signal = QDBusMessage::createSignal(TDesktopNotifier::kPath, TDesktopNotifier::kInterface, member);
        signal << id << second;
        service.send(signal);
    }
    // Runs the event loop until `done`; the bound only keeps a broken bus from hanging the suite.
    static bool WaitFor(const std::function<bool()>& done)
    {
        QTimer wake;
        wake.start(20);
        QDeadlineTimer bound(20000);
        while (!done()) {
            if (bound.hasExpired()) return false;
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        return true;
    }

private:
    std::string folder_;
    QProcess daemon_;
    QString address_;
    QStringList names_;
    int made_ = 0;
};
