// Prints how long both POP3 engines take against a server without PIPELINING that writes each
// reply in pieces (status line, text, terminator), with Nagle's rule on, as popa3d does: each
// piece after the first waits for the client's acknowledgement. Side by side in the same run:
//  - "quick ACK":   the engines as built, acknowledging at once before every read
//  - "delayed ACK": the same engines over a transport that reads as they did before, leaving the
//                   acknowledgement to the kernel's delayed-ACK timer
//
//   delayed_ack_bench [--messages 100] [--views 20] [--rounds 5] [--gap-us 200]
//
// mailbox check: connect, LIST, one TOP n 0 after the other (no pipelining on offer), QUIT.
// views: the retrieval engine downloading `views` messages whole (LIST n, RETR n), one
// connection. Each round runs every variant once, in an order that turns with the round; the
// figure is the best of the rounds. The machine's load is printed before and after.
#include "PieceServer.h"
#include "ProcessFigures.h"
#include "mailbox/Kiropop3.h"
#include "platform/Transport.h"
#include "retrieval/VemPOP3.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The plain transport as it read before: no TCP_QUICKACK, the kernel's delayed ACK decides.
class DelayedAckTransport : public platform::PlainTransport {
public:
    explicit DelayedAckTransport(int fd) : PlainTransport(fd) {}
    platform::IoResult Receive(void* buffer, std::size_t capacity) override
    {
        for (;;) {
            ssize_t n = ::recv(Descriptor(), buffer, capacity, MSG_DONTWAIT);
            if (n > 0) return {platform::IoStatus::Done, std::size_t(n), 0, {}};
            if (n == 0) return {capacity == 0 ? platform::IoStatus::Done : platform::IoStatus::Closed, 0, 0, {}};
            const int e = errno;
            if (e == EINTR) continue;
            if (e == EAGAIN || e == EWOULDBLOCK) return {platform::IoStatus::WantRead, 0, 0, {}};
            return {platform::IoStatus::Failed, 0, e, std::strerror(e)};
        }
    }
};

using Factory = std::function<std::unique_ptr<platform::Transport>(int)>;

Factory FactoryFor(bool quick)
{
    if (quick) return nullptr;  // the engines' own plain transport
    return [](int fd) { return std::make_unique<DelayedAckTransport>(fd); };
}

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

double MailboxCheck(const PieceServer& server, bool quick)
{
    TKiroPOP3 pop;
    pop.Host = "127.0.0.1";
    pop.Port = server.Port();
    pop.UserID = "bob";
    pop.Password = "bench";
    pop.TimeOut = 20000;  // as the main window's check
    pop.TransportFactory = FactoryFor(quick);
    std::vector<int> numbers;
    pop.OnList = [&](int msg, int64_t) { numbers.push_back(msg); };
    int summaries = 0;
    const auto start = Clock::now();
    pop.Connect();
    pop.List();
    pop.GetSummaries(numbers, [&](int, const TSummary&) { ++summaries; });
    pop.Disconnect();
    const double wall = Seconds(start);
    if (summaries != server.Messages()) throw std::runtime_error("the check listed " + std::to_string(summaries));
    return wall;
}

double Views(const PieceServer& server, int views, bool quick)
{
    TVemPOP pop;
    pop.Host = "127.0.0.1";
    pop.Port = std::to_string(server.Port());
    pop.UserId = "bob";
    pop.UserPasswd = "bench";
    pop.Socket().TransportFactory = FactoryFor(quick);
    const auto start = Clock::now();
    pop.Connect();
    if (pop.LastCmdFailed() || !pop.Login()) throw std::runtime_error("the retrieval engine could not log in");
    for (int n = 1; n <= views; ++n) {
        TVemMsg msg;
        if (!pop.RetrieveMessage(n, msg)) throw std::runtime_error("RETR " + std::to_string(n) + " failed");
    }
    pop.Disconnect();
    return Seconds(start);
}

struct Variant {
    const char* name;
    bool quick;
    std::vector<double> check, views;
};

int IntOption(int argc, char** argv, int& i)
{
    if (i + 1 >= argc) throw std::invalid_argument(std::string(argv[i]) + " needs a number");
    return std::atoi(argv[++i]);
}

}  // namespace

int main(int argc, char** argv)
{
    int messages = 100, views = 20, rounds = 5, gapUs = 200;
    try {
        for (int i = 1; i < argc; ++i) {
            const std::string a = argv[i];
            if (a == "--messages") messages = IntOption(argc, argv, i);
            else if (a == "--views") views = IntOption(argc, argv, i);
            else if (a == "--rounds") rounds = IntOption(argc, argv, i);
            else if (a == "--gap-us") gapUs = IntOption(argc, argv, i);
            else throw std::invalid_argument("usage: delayed_ack_bench [--messages N] [--views N] [--rounds N] [--gap-us N]");
        }
        if (messages < 1 || views < 0 || views > messages || rounds < 1 || gapUs < 0)
            throw std::invalid_argument("bad figures");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 2;
    }

    std::printf("delayed_ack_bench: %ld CPUs; load before: %s\n", ::sysconf(_SC_NPROCESSORS_ONLN), LoadAverage().c_str());
    std::printf("server: no PIPELINING, each multi-line reply in 3 writes %d us apart, Nagle on; %d messages of %zu to %zu "
                "octets\n",
                gapUs, messages, PieceServer::Message(1).size(), PieceServer::Message(messages).size());
    try {
        PieceServer server(messages, std::chrono::microseconds(gapUs));
        std::vector<Variant> variants = {{"quick ACK", true, {}, {}}, {"delayed ACK", false, {}, {}}};
        for (int round = 0; round < rounds; ++round) {
            std::printf("  round %d:", round + 1);
            for (std::size_t k = 0; k < variants.size(); ++k) {
                Variant& v = variants[(k + std::size_t(round)) % variants.size()];
                v.check.push_back(MailboxCheck(server, v.quick));
                std::printf("  %s check %.3f s", v.name, v.check.back());
                if (views > 0) {
                    v.views.push_back(Views(server, views, v.quick));
                    std::printf(", views %.3f s", v.views.back());
                }
                std::fflush(stdout);
            }
            std::printf("\n");
        }
        std::printf("\nbest of %d     %12s %12s %14s %12s\n", rounds, "check s", "ms/message", "views s", "ms/view");
        for (const Variant& v : variants) {
            const double check = *std::min_element(v.check.begin(), v.check.end());
            const double view = v.views.empty() ? 0 : *std::min_element(v.views.begin(), v.views.end());
            std::printf("  %-12s %12.3f %12.2f %14.3f %12.2f\n", v.name, check, check / messages * 1e3, view,
                        views ? view / views * 1e3 : 0.0);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "delayed_ack_bench: %s\n", e.what());
        return 1;
    }
    std::printf("load after: %s\n", LoadAverage().c_str());
    return 0;
}
