#include "PipelinedCheck.h"

#include "LineConnection.h"
#include "ProcessFigures.h"

#include <chrono>
#include <stdexcept>
#include <string_view>
#include <sys/resource.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

bool Positive(std::string_view reply) { return reply.substr(0, 3) == "+OK"; }

std::string Expect(LineConnection& connection, const std::string& command)
{
    connection.Queue(command + "\r\n");
    std::string reply = connection.ReadLine();
    if (!Positive(reply)) throw std::runtime_error(command.substr(0, 4) + " refused: " + reply);
    return reply;
}

// The lines of a multi-line reply up to its ".", each handed to `use`.
template <typename Use>
void ReadBody(LineConnection& connection, Use use)
{
    for (;;) {
        std::string line = connection.ReadLine();
        if (line == ".") return;
        use(line);
    }
}

// Sends the TOP commands ahead of their replies and counts what comes back.
void PipelinedHeaders(LineConnection& connection, const std::vector<long>& numbers, std::size_t window,
                      PipelinedFigures& f)
{
    const std::size_t total = numbers.size();
    // Commands are queued in batches, so a window of "no limit" still costs no more memory
    // than one batch of command text at a time.
    const std::size_t batch = 512;
    std::size_t queued = 0, answered = 0;
    bool inBody = false;
    const auto firstSent = Clock::now();
    while (answered < total) {
        while (queued < total && !connection.HasQueued() && (window == 0 || queued - answered < window)) {
            std::string commands;
            for (std::size_t end = std::min(total, queued + batch); queued < end; ++queued) {
                if (window != 0 && queued - answered >= window) break;
                commands += "TOP " + std::to_string(numbers[queued]) + " 0\r\n";
            }
            connection.Queue(commands);
        }
        connection.Pump();
        std::string_view line;
        while (answered < total && connection.TakeLine(line)) {
            if (!inBody) {
                if (f.firstTopSeconds == 0) f.firstTopSeconds = SecondsSince(firstSent);
                if (Positive(line)) {
                    inBody = true;
                    ++f.headers;
                } else {
                    ++answered;  // a refused TOP is one line
                }
            } else if (line == ".") {
                inBody = false;
                ++answered;
            } else {
                ++f.headerLines;
                f.headerBytes += (long long)(line.size()) + 2;
            }
        }
    }
}

}  // namespace

PipelinedFigures PipelinedCheck(int port, const std::string& user, const std::string& password, std::size_t window)
{
    PipelinedFigures f;
    const double cpuBefore = CpuSeconds(RUSAGE_THREAD);
    const auto start = Clock::now();
    {
        LineConnection connection(port);
        if (!Positive(connection.ReadLine())) throw std::runtime_error("no +OK greeting");
        Expect(connection, "CAPA");
        ReadBody(connection, [&](const std::string& line) {
            if (line == "PIPELINING") f.pipeliningOffered = true;
        });
        Expect(connection, "USER " + user);
        Expect(connection, "PASS " + password);
        const auto listSent = Clock::now();
        Expect(connection, "LIST");
        std::vector<long> numbers;
        ReadBody(connection, [&](const std::string& line) { numbers.push_back(std::stol(line)); });
        f.listSeconds = SecondsSince(listSent);
        f.messages = long(numbers.size());
        PipelinedHeaders(connection, numbers, window, f);
        Expect(connection, "QUIT");
    }
    f.seconds = SecondsSince(start);
    f.cpuSeconds = CpuSeconds(RUSAGE_THREAD) - cpuBefore;
    return f;
}
