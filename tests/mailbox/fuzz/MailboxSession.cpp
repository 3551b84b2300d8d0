#include "MailboxSession.h"

#include "fuzz/NetFuzzSession.h"
#include "mailbox/Kiropop3.h"

#include <algorithm>
#include <map>
#include <string>
#include <vector>

using fuzzing::Check;

namespace {

// A mailbox of thousands would make one input run for seconds; the first ones show it all.
constexpr size_t kMaxSummaries = 50;
constexpr size_t kMaxDeletions = 3;

template <class Step>
void Attempt(Step&& step)
{
    try {
        step();
    } catch (const Exception&) {
        // Refusals, lost connections and unreadable numbers: the engine's way to fail.
    }
}

void CheckSummary(const TSummary& summary)
{
    Check(summary.MessageId.size() <= 256, "a message id is cut at 256 characters");
    Check(!summary.Header.empty() && summary.Header.back() == ".", "a summary ends with the reply's terminator");
}

void CheckIdle(const TKiroPOP3& pop)
{
    Check(!pop.Connected(), "the connection is closed at the end");
    Check(!pop.Busy(), "no operation is left running");
}

// Choosing an account: log in and count, list, the unique ids, a summary per message, QUIT.
std::vector<int> CheckMail(TKiroPOP3& pop)
{
    std::vector<int> listed;
    pop.OnList = [&](int msg, int) { listed.push_back(msg); };
    std::map<int, std::string> ids;
    Attempt([&] {
        pop.Connect();
        pop.List();
        pop.GetUIDLs(ids);
    });
    for (const auto& [msg, id] : ids) Check(msg > 0 && !id.empty(), "a unique id belongs to a message number");
    // As the window asks for them: in one batch, pipelined when the server offers it.
    std::vector<int> wanted(listed.begin(), listed.begin() + std::min(listed.size(), kMaxSummaries));
    size_t handedOut = 0;
    Attempt([&] {
        pop.GetSummaries(wanted, [&](int number, const TSummary& summary) {
            Check(handedOut < wanted.size() && number == wanted[handedOut], "summaries come in the order asked");
            ++handedOut;
            CheckSummary(summary);
        });
    });
    Attempt([&] { pop.Disconnect(); });
    CheckIdle(pop);
    return listed;
}

// Deleting rows: connect again, confirm each message's identity, DELE each, QUIT; after a
// failure the connection is dropped without QUIT.
void DeleteListed(TKiroPOP3& pop, const std::vector<int>& listed)
{
    std::vector<int> numbers(listed.begin(), listed.begin() + std::min(listed.size(), kMaxDeletions));
    if (numbers.empty()) numbers.push_back(1);
    try {
        if (!pop.Connected()) pop.Connect();
        for (int n : numbers) {
            pop.GetUIDL(n);
            pop.GetSummary(n);
            CheckSummary(pop.Summary());
        }
        for (int n : numbers) pop.DeleteMessage(n);
        pop.Disconnect();
    } catch (const Exception&) {
        if (pop.Connected()) pop.Abort();
    }
    CheckIdle(pop);
}

}  // namespace

void ExerciseMailboxClient(const uint8_t* data, size_t size)
{
    fuzzing::NetFuzzSession session(data, size);
    TKiroPOP3 pop;
    pop.Host = "127.0.0.1";
    pop.Port = session.Port();
    pop.TimeOut = fuzzing::kClientTimeOutMs;
    pop.ReportLevel = 2;
    pop.UserID = "fuzz";
    pop.Password = "secret";
    pop.TransportFactory = session.TransportFactory();
    // A refused login is tried once more, as after the user typed the password again.
    pop.OnAuthenticationFailed = [](bool& handled) { handled = true; };
    // The window's Stop command.
    session.OnStop = [&] {
        Attempt([&] {
            pop.Abort();
            pop.Disconnect();
        });
    };

    std::vector<int> listed = CheckMail(pop);
    if (!session.ScriptPlayed()) DeleteListed(pop, listed);
    session.CheckClientLines();
}
