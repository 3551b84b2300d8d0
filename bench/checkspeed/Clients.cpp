#include "Clients.h"

#include "ChildRun.h"
#include "ProcessTree.h"

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <thread>
#include <vector>

const char* ClientName(Client client)
{
    switch (client) {
    case Client::MainWindow: return "main window check";
    case Client::MainWindowLockStep: return "check, no pipelining";
    case Client::Poplib: return "poplib lock-step";
    case Client::Pipelined: return "raw pipelined";
    case Client::Engine: return "engine alone";
    }
    return "?";
}

namespace {

std::vector<std::string> CommandFor(Client client, const Mailbox& box, const std::string& profile,
                                    const std::string& python)
{
    const std::string port = std::to_string(box.port);
    switch (client) {
    case Client::MainWindow:
        return {QUILLBOX_MAILCHECK_BENCH, "--server", port, box.user, box.password, profile};
    case Client::MainWindowLockStep:
        return {QUILLBOX_MAILCHECK_BENCH, "--server", port, box.user, box.password, profile, "--no-pipelining"};
    case Client::Poplib: return {python, QUILLBOX_LOCKSTEP_SCRIPT, port, box.user, box.password};
    case Client::Pipelined: return {QUILLBOX_RAW_PIPELINED, port, box.user, box.password};
    case Client::Engine: return {QUILLBOX_ENGINE_CHECK, port, box.user, box.password};
    }
    return {};
}

}  // namespace

RunFigures MeasureClient(Client client, const Mailbox& box, pid_t serverMaster, const std::string& python)
{
    const bool window = client == Client::MainWindow || client == Client::MainWindowLockStep;
    const bool freshProfile = window && !box.keepProfile;
    const std::string profile = freshProfile ? box.profileFolder + "/fresh" : box.profileFolder;
    std::error_code ec;
    if (freshProfile) std::filesystem::remove_all(profile, ec);
    const double serverBefore = TreeCpuSeconds(serverMaster);
    ChildRun run = RunChild(CommandFor(client, box, profile, python));
    // The server's session ends just after the client's QUIT: let the master reap it, so its
    // CPU shows.
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    const double serverAfter = TreeCpuSeconds(serverMaster);
    if (freshProfile) std::filesystem::remove_all(profile, ec);
    if (!run.ok) throw std::runtime_error(std::string(ClientName(client)) + ": " + run.failure + "\n" + run.output);

    RunFigures f;
    f.wall = run.Number("wall");
    f.cpu = run.Number("cpu");
    f.serverCpu = serverAfter - serverBefore;
    f.peakKB = run.peakKB;
    if (window) {
        f.gapMs = (long long)run.Number("longest_gap_ms");
        f.summaries = long(run.Number("rows"));
    } else {
        f.summaries = long(run.Number("summaries"));
    }
    if (client == Client::Pipelined) {
        f.listSeconds = run.Number("list_s");
        f.firstTopSeconds = run.Number("first_top_s");
    }
    if (f.summaries != box.messages)
        throw std::runtime_error(std::string(ClientName(client)) + " listed " + std::to_string(f.summaries) + " of " +
                                 std::to_string(box.messages) + " messages\n" + run.output);
    return f;
}
