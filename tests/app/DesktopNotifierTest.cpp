// The desktop notification of new mail, against a fake notification service on a private
// session bus of the test's own.
#include "FakeNotificationBus.h"
#include "RequireTool.h"

#include <gtest/gtest.h>

namespace {

class DesktopNotifierTest : public ::testing::Test {
protected:
    static void TearDownTestSuite() { bus.reset(); }

    void SetUp() override
    {
        REQUIRE_TOOL(TPrivateSessionBus::kDaemon);
        if (!bus) bus = std::make_unique<TPrivateSessionBus>();
        ASSERT_FALSE(bus->Address().isEmpty()) << "dbus-daemon gave no address";
        client = bus->Connect("client");
        ASSERT_TRUE(client.isConnected()) << client.lastError().message().toStdString();
    }
    void TearDown() override
    {
        if (bus) bus->DisconnectAll();
    }
    void RegisterService()
    {
        service = bus->Serve(fake);
        ASSERT_TRUE(service.isConnected());
    }
    void Emit(const char* member, uint id, const QVariant& second) { TPrivateSessionBus::Emit(service, member, id, second); }
    static bool WaitFor(const std::function<bool()>& done) { return TPrivateSessionBus::WaitFor(done); }

    static inline std::unique_ptr<TPrivateSessionBus> bus;
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
