#pragma once
// Receives the notification service's signals for TDesktopNotifier: D-Bus delivers signals to
// named slots only, so this one small class goes through moc.
#include "platform/MessageBox.h"

#include <QObject>
#include <QString>

#include <functional>

class TNotificationSignals : public QObject {
    Q_OBJECT
public:
    std::function<void(uint id, const QString& action)> OnAction;
    std::function<void(uint id)> OnClosed;

public slots:
    void ActionInvoked(uint id, const QString& action)
    {
        platform::RunGuarded([&] {
            if (OnAction) OnAction(id, action);
        });
    }
    void NotificationClosed(uint id, uint /*reason*/)
    {
        platform::RunGuarded([&] {
            if (OnClosed) OnClosed(id);
        });
    }
};
