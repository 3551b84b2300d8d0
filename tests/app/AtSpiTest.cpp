// The main window read through the real desktop accessibility bus (AT-SPI), as a screen reader
// reads it: a private session bus with at-spi-bus-launcher on it (which brings up the
// accessibility bus and its registry), Qt's bridge switched on, and a small pyatspi client
// (atspi_client.py) that walks the window and listens for the status display's changes.
// Runs under Xvfb on the xcb platform (under-xvfb.sh): Qt has no bridge offscreen.
#include "PrivateBusConfig.h"
#include "RequireTool.h"
#include "ListedRow.h"
#include "ScriptedBoxes.h"
#include "TempHome.h"
#include "app/Main.h"
#include "app/Startup.h"
#include "lcd/LCDScreen.h"
#include "platform/Folders.h"

#include <QApplication>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

const char kBusDaemon[] = "/usr/bin/dbus-daemon";
const char kBusLauncher[] = "/usr/libexec/at-spi-bus-launcher";
const char kRegistry[] = "/usr/libexec/at-spi2-registryd";
const char kPython[] = "/usr/bin/python3";
constexpr int kClientSeconds = 40;

pid_t Spawn(std::vector<std::string> args, int out = -1)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (out >= 0) posix_spawn_file_actions_adddup2(&actions, out, 1);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

void End(pid_t pid)
{
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
}

// The session bus and the accessibility bus of this test program, up before Qt starts (its
// bridge looks for them at start-up) and down at exit.
struct TAccessibilityBus {
    std::string folder, problem;
    pid_t bus = -1, launcher = -1;

    TAccessibilityBus()
    {
        for (const char* tool : {kBusDaemon, kBusLauncher, kRegistry})
            if (::access(tool, X_OK) != 0) problem = std::string("missing ") + tool;
        if (!problem.empty()) return;
        char stem[] = "/tmp/quillbox-atspi.XXXXXX";
        if (!::mkdtemp(stem)) {
            problem = "no temporary folder";
            return;
        }
        folder = std::string(stem) + "/";
        WritePrivateBusConfig(folder);
        int out[2];
        if (::pipe(out) != 0) {
            problem = "no pipe";
            return;
        }
        bus = Spawn({kBusDaemon, "--config-file=" + folder + "bus.conf", "--print-address=1", "--nofork"}, out[1]);
        ::close(out[1]);
        std::string address;
        pollfd ready{out[0], POLLIN, 0};
        char c;
        while (::poll(&ready, 1, 10000) == 1 && ::read(out[0], &c, 1) == 1 && c != '\n') address += c;
        ::close(out[0]);
        if (bus < 0 || address.empty()) {
            problem = "dbus-daemon gave no address within 10 seconds";
            return;
        }
        ::setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
        // Its own runtime folder: the launcher keeps the accessibility bus's socket there.
        platform::CreateDir(folder + "run");
        ::chmod((folder + "run").c_str(), 0700);
        ::setenv("XDG_RUNTIME_DIR", (folder + "run").c_str(), 1);
        launcher = Spawn({kBusLauncher, "--launch-immediately"});
        if (launcher < 0) problem = "at-spi-bus-launcher did not start";
    }
    ~TAccessibilityBus()
    {
        End(launcher);
        End(bus);
        if (!folder.empty()) RemoveTree(folder);
    }
};

TAccessibilityBus* theBus = nullptr;

struct TClientRun {
    QStringList lines;
    bool finished = false;
};

// Runs the client while the window answers it; `onReady` runs once the client listens for changes.
TClientRun RunClient(const QString& awaited, const std::function<void()>& onReady)
{
    TClientRun run;
    QProcess client;
    client.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QEventLoop loop;
    QObject::connect(&client, &QProcess::readyReadStandardOutput, [&] {
        while (client.canReadLine()) {
            const QString line = QString::fromUtf8(client.readLine()).trimmed();
            run.lines << line;
            if (line == "READY") QTimer::singleShot(1000, onReady);  // the bridge learns of the listener
        }
    });
    QObject::connect(&client, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&client, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QTimer::singleShot((kClientSeconds + 5) * 1000, &loop, &QEventLoop::quit);
    client.start(kPython, {QStringLiteral(QUILLBOX_ATSPI_CLIENT), QStringLiteral("Quillbox"),
                           QString::number(kClientSeconds), awaited});
    loop.exec();
    run.finished = client.state() == QProcess::NotRunning && client.exitStatus() == QProcess::NormalExit &&
                   client.exitCode() == 0;
    if (client.state() != QProcess::NotRunning) {
        client.kill();
        client.waitForFinished(5000);
    }
    while (client.canReadLine()) run.lines << QString::fromUtf8(client.readLine()).trimmed();
    return run;
}

}  // namespace

TEST(AccessibilityBus, ScreenReaderFindsTheStatusTheRowsAndCheckMailAndHearsTheStatusChange)
{
    REQUIRE_TOOL(kBusDaemon);
    REQUIRE_TOOL(kBusLauncher);
    REQUIRE_TOOL(kRegistry);
    REQUIRE_TOOL(kPython);
    ASSERT_TRUE(theBus && theBus->problem.empty()) << (theBus ? theBus->problem : "no bus");
    if (QProcess::execute(kPython, {"-c", "import pyatspi"}) != 0) {
        if (RunningInCI()) FAIL() << "python3-pyatspi missing in CI";
        GTEST_SKIP() << "python3-pyatspi missing";
    }

    TempHome home;
    ScriptedBoxes boxes;
    std::unique_ptr<TMainFrm> frm = CreateApplicationWindows();
    frm->MailRows->AddRow(ListedRow("Ann <ann@example.org>", "Minutes of the meeting", "", 2048));
    frm->MailRows->AddRow(ListedRow("Bob <bob@example.org>", "Lottery win", "", 1024));
    frm->LCD1->SetAnimationEnabled(false);
    frm->DisplayLCD_Msg("Right click on a message");
    frm->show();

    const TClientRun run = RunClient("Connecting to server...", [&] { frm->DisplayLCD_Msg("Connecting to server..."); });
    const QString all = run.lines.join('\n');
    ASSERT_TRUE(run.finished) << "the AT-SPI client did not finish within " << kClientSeconds << " s:\n" << all.toStdString();

    auto has = [&](const QString& line) { return run.lines.contains(line); };
    EXPECT_TRUE(has("NODE status bar|Status|Right click on a message")) << all.toStdString();
    EXPECT_TRUE(has("NODE table|Messages|")) << all.toStdString();
    EXPECT_TRUE(has("NODE table cell|Minutes of the meeting|")) << all.toStdString();
    EXPECT_TRUE(has("NODE table cell|Lottery win|")) << all.toStdString();
    EXPECT_TRUE(has("NODE push button|Check Mail|") || has("NODE push button menu|Check Mail|")) << all.toStdString();
    // The change is told once, as replaced text: the old words go, the new ones come.
    EXPECT_EQ(run.lines.filter(QStringLiteral("EVENT ")),
              (QStringList{"EVENT object:text-changed:delete|Status|Right click on a message",
                           "EVENT object:text-changed:insert|Status|Connecting to server..."}))
        << all.toStdString();
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    TAccessibilityBus bus;
    theBus = &bus;
    ::setenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1", 1);
    if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillbox"));
    return RUN_ALL_TESTS();
}
