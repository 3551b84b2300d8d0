// The desktop notification of new mail, against a fake notification service on a private
// session bus of the test's own.
#include "app/DesktopNotifier.h"
#include "platform/Folders.h"
#include "platform/TextFile.h"
#include "RequireTool.h"
#include "TempHome.h"  // RemoveTree

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVirtualObject>
#include <QDeadlineTimer>
#include <QProcess>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

constexpr const char* kDaemon = "/usr/bin/dbus-daemon";

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

class DesktopNotifierTest : public ::testing::Test {
protected:
    static void TearDownTestSuite()
    {
        if (daemon) {
            daemon->terminate();
            daemon->waitForFinished();
            delete daemon;
            daemon = nullptr;
        }
        if (!configFolder.empty()) RemoveTree(configFolder);
    }

    void SetUp() override
    {
        REQUIRE_TOOL(kDaemon);
        if (!daemon) StartDaemon();
        ASSERT_FALSE(address.isEmpty()) << "dbus-daemon gave no address";
        client = Connect("client");
        ASSERT_TRUE(client.isConnected()) << client.lastError().message().toStdString();
    }
    void TearDown() override
    {
        for (const QString& name : names) QDBusConnection::disconnectFromBus(name);
    }

    // A bus of our own that starts no services on request: without our fake there is no
    // notification server on it, whatever the machine has installed.
    static void StartDaemon()
    {
        const std::string stem = platform::UniqueTempFile("quillbox-bus");
        platform::DeleteFile(stem);
        configFolder = stem + "/";
        platform::CreateDir(configFolder);
        platform::WriteLines(configFolder + "bus.conf",
                             {"<busconfig>", "<type>session</type>", "<listen>unix:tmpdir=" + configFolder + "</listen>",
                              "<auth>EXTERNAL</auth>", "<policy context=\"default\">",
                              "<allow send_destination=\"*\" eavesdrop=\"true\"/>", "<allow eavesdrop=\"true\"/>",
                              "<allow own=\"*\"/>", "</policy>", "</busconfig>"},
                             false);
        daemon = new QProcess;
        daemon->start(kDaemon, {QString::fromStdString("--config-file=" + configFolder + "bus.conf"), "--print-address",
                                "--nofork"});
        while (daemon->waitForReadyRead(10000) && !daemon->canReadLine()) {
        }
        address = QString::fromUtf8(daemon->readLine()).trimmed();
    }

    QDBusConnection Connect(const char* role)
    {
        names << QStringLiteral("%1-%2").arg(role).arg(++connections);
        return QDBusConnection::connectToBus(address, names.back());
    }
    void RegisterService()
    {
        service = Connect("service");
        ASSERT_TRUE(service.registerVirtualObject(TDesktopNotifier::kPath, &fake));
        ASSERT_TRUE(service.registerService(TDesktopNotifier::kService));
    }
    void Emit(const char* member, uint id, const QVariant& second)
    {
        QDBusMessage signal = QDBusMessage::createSignal(TDesktopNotifier::kPath, TDesktopNotifier::kInterface, member);
        signal << id << second;
        ASSERT_TRUE(service.send(signal));
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

    static inline QProcess* daemon = nullptr;
    static inline QString address;
    static inline std::string configFolder;
    static inline int connections = 0;

    QStringList names;
    QDBusConnection client{QString()};
    QDBusConnection service{QString()};
    TFakeNotificationService fake;
    const std::vector<TNewMail> two = {{"\"Ann Example\" <ann@example.org>", " =?UTF-8?Q?Caf=C3=A9?= & <b>menu</b>"},
                                       {"bob@example.org", " Build passed"}};
};

TEST_F(DesktopNotifierTest, ACheckThatFoundTwoNewMessagesIsOneNotificationOfThem)
{
    RegisterService();
    TDesktopNotifier notifier(client);
    int fallbacks = 0;
    notifier.SetFallback([&](const QString&, const QString&) { ++fallbacks; });
    notifier.Notify("work", {});  // nothing new: nothing said
    notifier.Notify("work", two);
    ASSERT_TRUE(WaitFor([&] { return notifier.Showing("work"); }));
    ASSERT_EQ(fake.calls.size(), 1u);
    const auto& call = fake.calls[0];
    EXPECT_EQ(call.app, "Quillbox");
    EXPECT_EQ(call.replaces, 0u);
    EXPECT_EQ(call.icon, "quillbox");
    EXPECT_EQ(call.summary, "2 new messages in work");
    // Newest first, in plain text with the markup characters escaped.
    EXPECT_EQ(call.body, QString::fromUtf8("bob@example.org: Build passed\nAnn Example: Caf\u00e9 &amp; &lt;b&gt;menu&lt;/b&gt;"));
    EXPECT_EQ(call.actions, (QStringList{"default", "Show"}));
    EXPECT_TRUE(call.hints.isEmpty());
    EXPECT_EQ(call.timeout, -1);
    EXPECT_EQ(fallbacks, 0);
}

TEST_F(DesktopNotifierTest, ItsDefaultActionShowsTheAccountAndTheNextCheckReplacesIt)
{
    RegisterService();
    TDesktopNotifier notifier(client);
    std::vector<std::string> shown;
    notifier.SetOnShowAccount([&](const std::string& account) { shown.push_back(account); });
    notifier.Notify("work", two);
    notifier.Notify("home", {two[0]});
    ASSERT_TRUE(WaitFor([&] { return notifier.Showing("work") && notifier.Showing("home"); }));
    ASSERT_EQ(fake.calls.size(), 2u);
    EXPECT_EQ(fake.calls[1].summary, "1 new message in home");
    const uint work = fake.lastId - 1, home = fake.lastId;

    Emit("ActionInvoked", 7, "default");    // another program's notification
    Emit("ActionInvoked", work, "Show");    // not the default action
    Emit("ActionInvoked", home, "default");
    ASSERT_TRUE(WaitFor([&] { return !shown.empty(); }));
    EXPECT_EQ(shown, (std::vector<std::string>{"home"}));

    notifier.Notify("work", {two[1]});
    ASSERT_TRUE(WaitFor([&] { return fake.calls.size() == 3; }));
    EXPECT_EQ(fake.calls[2].replaces, work);
    EXPECT_EQ(fake.calls[2].summary, "1 new message in work");

    // Once the user closed it, the next check is a notification of its own.
    Emit("NotificationClosed", work, 2u);
    ASSERT_TRUE(WaitFor([&] { return !notifier.Showing("work"); }));
    notifier.Notify("work", two);
    ASSERT_TRUE(WaitFor([&] { return fake.calls.size() == 4; }));
    EXPECT_EQ(fake.calls[3].replaces, 0u);
    Emit("ActionInvoked", work, "default");  // closed: no longer ours to act on
    Emit("ActionInvoked", home, "default");
    ASSERT_TRUE(WaitFor([&] { return shown.size() == 2; }));
    EXPECT_EQ(shown, (std::vector<std::string>{"home", "home"}));
}

TEST_F(DesktopNotifierTest, WithoutAServiceTheFallbackTellsInPlainTextAndWithoutOneNothingFails)
{
    TDesktopNotifier silent(client);  // neither service nor fallback
    silent.Notify("work", two);
    TDesktopNotifier notifier(client);
    std::vector<std::pair<QString, QString>> told;
    notifier.SetFallback([&](const QString& title, const QString& text) { told.emplace_back(title, text); });
    notifier.Notify("work", {});
    notifier.Notify("work", two);
    ASSERT_TRUE(WaitFor([&] { return !told.empty(); }));
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].first, "2 new messages in work");
    EXPECT_EQ(told[0].second, QString::fromUtf8("bob@example.org: Build passed\nAnn Example: Caf\u00e9 & <b>menu</b>"));
    EXPECT_FALSE(silent.Showing("work"));

    // No session bus at all: the fallback at once.
    TDesktopNotifier unconnected(QDBusConnection(QStringLiteral("no such connection")));
    unconnected.SetFallback([&](const QString& title, const QString& text) { told.emplace_back(title, text); });
    unconnected.Notify("home", {two[1]});
    ASSERT_EQ(told.size(), 2u);
    EXPECT_EQ(told[1].first, "1 new message in home");
}

}  // namespace
