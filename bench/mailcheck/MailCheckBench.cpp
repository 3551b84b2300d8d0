// Prints what the main window's mail check costs on a big mailbox, and how responsive the window
// stays meanwhile.
//
//   mailcheck_bench [messages [HAM_FOLDER SPAM_FOLDER]]   (default 10000; needs /usr/sbin/dovecot;
//                                  runs offscreen)
//     A private Dovecot holds the messages; the real main window checks them twice through its
//     "Check Mail" drop-down (the first check also makes the server index the new mail and
//     creates the header files; the second finds both in place), its spam filter trained on
//     the corpus sample of the tests (or the two folders given: Maildir or mbox), so every
//     row gets a score.
//
//   mailcheck_bench --server PORT USER PASSWORD [PROFILE_FOLDER [--no-pipelining]]
//     One check of a server that is already running on 127.0.0.1 (check_speed_bench runs this
//     one beside its peers). A profile folder given is kept for the next run. --no-pipelining
//     asks one TOP at a time, the exchange of a server that does not offer PIPELINING.
//
//   mailcheck_bench --spam-filter [messages]
//     The same mailbox checked with the spam filter off and on (trained on the corpus sample of
//     the tests), the two interleaved, best of 5 repeat checks each, and their ratio.
//
// Printed: wall time of the check, peak memory of the process, and the longest gap between two
// runs of a 5 ms GUI timer during the check (how long the window could not answer), with the
// number of timer runs; with --server also one line of figures (key=value).
#include "BenchProfile.h"
#include "Dovecot.h"
#include "ProcessFigures.h"
#include "WindowCheck.h"
#include "app/Main.h"
#include "app/Startup.h"
#include "filter/FolderTraining.h"
#include "filter/SpamFilter.h"
#include "platform/MemoryUse.h"
#include "platform/MessageBox.h"
#include "widgets/QtMessageBox.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string SampleMessage(int i)
{
    return "From: Sender " + std::to_string(i) + " <sender" + std::to_string(i) + "@example.org>\r\n"
           "To: bench@example.org\r\nSubject: Message number " + std::to_string(i) + "\r\n"
           "Date: Tue, 8 Dec 2026 09:00:00 +0000\r\nMessage-ID: <" + std::to_string(i) + "@example.org>\r\n"
           "Received: from relay.example.org by mx.example.org; Tue, 8 Dec 2026 09:00:00 +0000\r\n"
           "\r\nBody of message " + std::to_string(i) + ".\r\n" + std::string(size_t(200 + i % 3000), 'x') + "\r\n";
}

// A header as real mail has it: relays, addressees, list and mailer fields (about 1.5 KB).
std::string RealisticMessage(int i)
{
    const std::string n = std::to_string(i), relay = std::to_string(i % 13);
    return "Return-Path: <bounce-" + n + "@lists.example.org>\r\n"
           "Received: from relay" + relay + ".example.org (relay" + relay + ".example.org [192.0.2." + std::to_string(1 + i % 250) +
           "])\r\n\tby mx.example.net (Postfix) with ESMTPS id 4F" + n + "\r\n\tfor <bench@example.net>; Tue, 8 Dec 2026 09:00:00 +0000 (UTC)\r\n"
           "Received: from app" + relay + ".lists.example.org (app.lists.example.org [198.51.100.7])\r\n"
           "\tby relay" + relay + ".example.org with ESMTP id x" + n + "; Tue, 8 Dec 2026 08:59:58 +0000\r\n"
           "Received: from localhost by app.lists.example.org; Tue, 8 Dec 2026 08:59:57 +0000\r\n"
           "Authentication-Results: mx.example.net; spf=pass smtp.mailfrom=lists.example.org; dkim=pass header.d=example.org\r\n"
           "DKIM-Signature: v=1; a=rsa-sha256; c=relaxed/relaxed; d=example.org; s=mail; h=from:to:subject:date;\r\n"
           "\tbh=47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU=; b=dGhpcyBpcyBub3QgYSByZWFsIHNpZ25hdHVyZQ==\r\n"
           "From: \"Sender Number " + n + "\" <sender" + n + "@example.org>\r\n"
           "To: Bench Reader <bench@example.net>\r\nCc: team-" + relay + "@example.net\r\n"
           "Subject: =?UTF-8?Q?Weekly_report_" + n + ":_figures,_notes_and_the_plan?=\r\n"
           "Date: Tue, 8 Dec 2026 09:00:00 +0000\r\nMessage-ID: <" + n + ".A1B2C3@app.lists.example.org>\r\n"
           "List-Unsubscribe: <mailto:unsubscribe-" + n + "@lists.example.org>\r\nMIME-Version: 1.0\r\n"
           "Content-Type: text/plain; charset=utf-8; format=flowed\r\nContent-Transfer-Encoding: 8bit\r\n"
           "X-Mailer: Bench Mailer 1.0\r\n\r\nBody of message " + n + ".\r\n" + std::string(size_t(200 + i % 3000), 'x') + "\r\n";
}

void PrintHuman(const char* which, int expected, const WindowCheckFigures& f)
{
    std::printf("%s mail check of %d messages: %.2f s wall, %d rows, peak memory %.1f MB (%.1f MB before it)\n", which,
                expected, f.seconds, f.rows, double(f.peakKB) / 1024.0, double(f.rssBeforeKB) / 1024.0);
    std::printf("  GUI timer during the check: %lld runs, longest gap %lld ms (ended at \"%s\")\n", f.timerRuns,
                f.longestGapMs, f.longestGapEndedAt.c_str());
}

// The profile's spam filter learns the corpus sample of the tests, or the folders given (a
// Maildir or mbox of wanted mail, then of spam), so the rows get scores.
void TrainFilterOnSample(const char* hamFolder = QUILLBOX_FILTER_SAMPLE "/ham",
                         const char* spamFolder = QUILLBOX_FILTER_SAMPLE "/spam.mbox")
{
    // In a child process: what training leaves in the heap is not the check's, and a user's
    // program opens a filter trained in earlier sessions.
    std::fflush(stdout);
    const pid_t child = ::fork();
    if (child == 0) {
        TSpamFilter filter(SpamDatabasePath());
        TFolderTraining how;
        how.as = TTrainAs::Ham;
        TrainFromFolder(filter, hamFolder, how);
        how.as = TTrainAs::Spam;
        TrainFromFolder(filter, spamFolder, how);
        std::printf("filter trained: %llu spam, %llu wanted messages\n", (unsigned long long)filter.SpamMessages(),
                    (unsigned long long)filter.HamMessages());
        std::fflush(stdout);
        ::_exit(0);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("training the filter failed");
}

// Runs `checks` in the event loop of a fresh main window; false when one of them failed.
bool RunChecks(QApplication& app, const std::function<bool(TMainFrm&, QAction&)>& checks)
{
    auto frm = CreateApplicationWindows();
    frm->show();
    QAction* entry = frm->PopupMenu1->actions().value(0);
    bool ok = false;
    QTimer::singleShot(0, [&] {
        ok = entry && checks(*frm, *entry);
        frm->close();
        app.quit();
    });
    app.exec();
    return ok;
}

int CheckOwnServer(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    BenchProfile profile;
    QApplication app(argc, argv);
    widgets::InstallQtPlatform();
    Dovecot server;
    server.AddUser("bench", "secret");
    for (int i = 1; i <= count; ++i) server.Deliver("bench", SampleMessage(i));
    server.Start();
    profile.SaveAccount(server.Port(), "bench", "secret");
    // The Spam column filled, as a user's trained filter fills it.
    if (argc > 3) TrainFilterOnSample(argv[2], argv[3]);
    else TrainFilterOnSample();
    // The question about the rows marked is answered No: nothing is deleted between the checks.
    std::string asked;
    platform::SetMessageBoxHandler([&](const platform::MessageBoxRequest& box) {
        asked = box.text;
        return platform::MsgResult::No;
    });
    const bool ok = RunChecks(app, [&](TMainFrm& frm, QAction& entry) {
        bool allRows = true;
        for (const char* which : {"first", "second"}) {
            asked.clear();
            WindowCheckFigures f = CheckThroughMainWindow(frm, entry);
            PrintHuman(which, count, f);
            if (!asked.empty()) std::printf("  asked, answered No: %s\n", asked.c_str());
            allRows = allRows && f.rows == count && frm.MailRows->Row(count - 1).spamScore >= 0;
        }
        return allRows;
    });
    return ok ? 0 : 1;
}

int CheckWithAndWithoutFilter(int argc, char** argv)
{
    const int count = argc > 2 ? std::atoi(argv[2]) : 10000;
    BenchProfile profile;
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    widgets::InstallQtPlatform();
    Dovecot server;
    server.AddUser("bench", "secret");
    for (int i = 1; i <= count; ++i) server.Deliver("bench", RealisticMessage(i));
    server.Start();
    profile.SaveAccount(server.Port(), "bench", "secret");
    TrainFilterOnSample();
    std::printf("machine load before: %s\n", LoadAverage().c_str());
    const bool ok = RunChecks(app, [&](TMainFrm& frm, QAction& entry) {
        CheckThroughMainWindow(frm, entry);  // the server indexes, the header files are made
        double best[2] = {1e9, 1e9};
        int scored = 0;
        for (int round = 0; round < 5; ++round)
            for (int k = 0; k < 2; ++k) {
                const int on = (round + k) % 2;  // the order turns with the round
                frm.UseSpamFilter(on ? std::make_unique<TSpamFilter>(SpamDatabasePath()) : nullptr);
                WindowCheckFigures f = CheckThroughMainWindow(frm, entry);
                if (f.rows != count) return false;
                best[on] = std::min(best[on], f.seconds);
                if (on) scored = frm.MailRows->Row(0).spamScore >= 0;
            }
        std::printf("check of %d messages, best of 5: filter off %.3f s, on %.3f s: %.3fx (rows scored: %s)\n", count,
                    best[0], best[1], best[1] / best[0], scored ? "yes" : "no");
        return scored != 0;
    });
    std::printf("machine load after: %s\n", LoadAverage().c_str());
    return ok ? 0 : 1;
}

int CheckGivenServer(int argc, char** argv)
{
    const bool lockStep = argc == 7 && std::strcmp(argv[6], "--no-pipelining") == 0;
    if (argc < 5 || argc > 7 || (argc == 7 && !lockStep)) {
        std::fprintf(stderr, "usage: %s --server PORT USER PASSWORD [PROFILE_FOLDER [--no-pipelining]]\n", argv[0]);
        return 2;
    }
    const int port = std::atoi(argv[2]);
    BenchProfile profile(argc >= 6 ? argv[5] : "");
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    widgets::InstallQtPlatform();
    profile.SaveAccount(port, argv[3], argv[4]);
    const bool ok = RunChecks(app, [&](TMainFrm& frm, QAction& entry) {
        if (lockStep) frm.POP31->PipelineWindow = 1;
        WindowCheckFigures f = CheckThroughMainWindow(frm, entry);
        PrintHuman("one", f.rows, f);
        std::printf("figures: wall=%.6f cpu=%.6f rows=%d rss_before_kb=%ld peak_kb=%ld timer_runs=%lld "
                    "longest_gap_ms=%lld\n",
                    f.seconds, f.cpuSeconds, f.rows, f.rssBeforeKB, f.peakKB, f.timerRuns, f.longestGapMs);
        return f.rows > 0;
    });
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    platform::KeepBigBlocksMapped();  // the heap as the program sets it up
    try {
        if (argc > 1 && std::strcmp(argv[1], "--server") == 0) return CheckGivenServer(argc, argv);
        if (argc > 1 && std::strcmp(argv[1], "--spam-filter") == 0) return CheckWithAndWithoutFilter(argc, argv);
        return CheckOwnServer(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mailcheck_bench: %s\n", e.what());
        return 1;
    }
}
