#include "QuillboxRun.h"

#include "ProcessFigures.h"
#include "platform/MessagePump.h"
#include "retrieval/VemPOP3.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

void SetError(RetrieveFigures& f, const std::string& text)
{
    std::snprintf(f.error, sizeof f.error, "%s", text.c_str());
    f.ok = false;
}

RetrieveFigures Retrieve(const RetrieveRequest& request)
{
    RetrieveFigures f;
    long pumps = 0;
    Clock::time_point pumpClock{};  // read as the GUI's pump reads its 10 ms timer
    platform::SetMessagePump([&] {
        ++pumps;
        pumpClock = Clock::now();
    });

    TVemPOP pop;
    pop.Host = "127.0.0.1";
    pop.Port = std::to_string(request.port);
    pop.UserId = request.user;
    pop.UserPasswd = request.password;
    pop.TimeOut = 30000;
    pop.RetrieveChunkSize = request.chunkSize;
    std::string failure;
    pop.OnError = [&](TComponent*, int code, const std::string& text) {
        failure = "error " + std::to_string(code) + ": " + text;
    };
    pop.Connect();
    if (pop.LastCmdFailed() || !pop.Login()) {
        SetError(f, "connect or login failed " + failure);
        return f;
    }

    TVemMsg msg;
    Clock::time_point report{}, lastReceive{};
    int64_t received = 0, receivedAtReport = 0;
    bool reported100 = false;
    ResetPeak();
    f.baseKB = StatusKB("VmHWM:");
    pumps = 0;
    const double cpuBefore = CpuSeconds(RUSAGE_SELF);
    const auto start = Clock::now();
    // Every report overwrites the figures: the last one fires once the message is in.
    pop.OnRetrieveProgress = [&](TVemPOP*, unsigned percent) {
        report = Clock::now();
        f.downloadWall = std::chrono::duration<double>(report - start).count();
        f.downloadCpu = CpuSeconds(RUSAGE_SELF) - cpuBefore;
        f.downloadPeakKB = StatusKB("VmHWM:");
        f.downloadPumps = pumps;
        receivedAtReport = received;
        reported100 = percent >= 100;
    };
    // Counting costs an addition per receive; the clock is read only after the report of 100.
    pop.OnReceiveTextFromSocket = [&](TVemPOP*, const std::string& chunk) {
        received += int64_t(chunk.size());
        if (reported100) lastReceive = Clock::now();
    };
    const bool retrieved = pop.RetrieveMessage(request.messageNumber, msg);
    f.wall = Since(start);
    f.cpu = CpuSeconds(RUSAGE_SELF) - cpuBefore;
    f.peakKB = StatusKB("VmHWM:");
    f.octetsReceived = received;
    f.octetsAfterReport = received - receivedAtReport;
    if (lastReceive > report) f.msAfterReport = std::chrono::duration<double, std::milli>(lastReceive - report).count();
    pop.Disconnect();

    if (!retrieved) {
        SetError(f, "RetrieveMessage failed " + failure);
        return f;
    }
    if (msg.AttachedFiles.Count() != 1 || msg.Text.empty() ||
        msg.AttachedFiles[0].Body()->Size() != int64_t(request.attachmentBytes)) {
        SetError(f, "parsed message is wrong: " + std::to_string(msg.AttachedFiles.Count()) + " attachments, " +
                        std::to_string(msg.Text.size()) + " text lines");
        return f;
    }
    f.ok = true;
    return f;
}

}  // namespace

RetrieveFigures RunQuillboxRetrieve(const RetrieveRequest& request)
{
    int channel[2];
    if (::pipe(channel) != 0) {
        RetrieveFigures f;
        SetError(f, "pipe failed");
        return f;
    }
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        RetrieveFigures f;
        try {
            f = Retrieve(request);
        } catch (const std::exception& e) {
            SetError(f, std::string("exception: ") + e.what());
        }
        ssize_t written = ::write(channel[1], &f, sizeof f);
        // _exit: the parent's objects (the server fixture above all) are not this process's to end.
        ::_exit(written == ssize_t(sizeof f) ? 0 : 1);
    }
    ::close(channel[1]);
    RetrieveFigures f;
    size_t got = 0;
    while (child > 0 && got < sizeof f) {
        ssize_t n = ::read(channel[0], reinterpret_cast<char*>(&f) + got, sizeof f - got);
        if (n <= 0) break;
        got += size_t(n);
    }
    ::close(channel[0]);
    if (child > 0) ::waitpid(child, nullptr, 0);
    if (got != sizeof f) {
        f = RetrieveFigures{};
        SetError(f, child > 0 ? "child ended without figures" : "fork failed");
    }
    return f;
}
