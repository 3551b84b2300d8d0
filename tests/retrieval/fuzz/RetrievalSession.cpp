#include "RetrievalSession.h"

#include "fuzz/NetFuzzSession.h"
#include "platform/Folders.h"
#include "retrieval/VemPOP3.h"

#include <string>

using fuzzing::Check;

namespace {

// The message window connects anew when it finds no connection; more than this many in one
// session only repeats itself.
constexpr int kMaxConnections = 3;

bool IsRefusalCode(int code)
{
    return code == TVemPOP::kErrLogin || code == TVemPOP::kErrDelete || code == TVemPOP::kErrRetrieve ||
           code == TVemPOP::kErrStatus || code == TVemPOP::kErrConnectionClosed;
}

// What the engine promises through its events; the events only take notes, since an
// exception from a handler could end up in the engine's own catch blocks.
struct EventNotes {
    bool badErrorCode = false;
    bool progressWentBack = false;
    unsigned lastPercent = 0;
};

class Viewer {
public:
    explicit Viewer(fuzzing::NetFuzzSession& session) : session_(session)
    {
        pop_.Host = "127.0.0.1";
        pop_.Port = std::to_string(session.Port());
        pop_.TimeOut = fuzzing::kClientTimeOutMs;
        pop_.UserId = "fuzz";
        pop_.UserPasswd = "secret";
        pop_.Socket().TransportFactory = session.TransportFactory();
        pop_.OnError = [this](TComponent* sender, int code, const std::string&) {
            if (sender == &pop_ ? !IsRefusalCode(code) : code <= 0) notes_.badErrorCode = true;
        };
        pop_.OnBeforeRetrieve = [this](TVemPOP*, int) { notes_.lastPercent = 0; };
        pop_.OnRetrieveProgress = [this](TVemPOP*, unsigned percent) {
            if (percent < notes_.lastPercent) notes_.progressWentBack = true;
            notes_.lastPercent = percent;
        };
        // The window's Stop command.
        session.OnStop = [this] { pop_.Abort(); };
    }
    ~Viewer() { session_.OnStop = nullptr; }
    Viewer(const Viewer&) = delete;
    Viewer& operator=(const Viewer&) = delete;

    // View Message, then the deletion of the marked messages that may follow it.
    void ViewAndDelete(int number, bool deleteAfter)
    {
        Run([&] {
            if (!Open(true)) return;
            TVemMsg msg;
            if (!Retrieved(pop_.RetrieveMessage(number, msg), msg)) return;
            if (deleteAfter) DeleteMarked({number, number + 1});
        });
        Run([&] { pop_.Disconnect(); });
        Check(!pop_.Connected(), "the connection is closed at the end of a view");
    }

    void CheckNotes() const
    {
        Check(!notes_.badErrorCode, "errors are reported with a refusal code or an errno");
        Check(!notes_.progressWentBack, "progress never goes back");
    }

private:
    template <class Step>
    void Run(Step&& step)
    {
        try {
            step();
        } catch (const ESocketAborted&) {
            Check(session_.StopWasPressed(), "only Stop aborts an operation");
            Check(!pop_.Connected(), "Stop closes the connection");
        } catch (const Exception&) {
            // Not connected, a message the parser refuses: the engine's way to fail.
            if (pop_.Connected()) pop_.Abort();
        }
    }

    bool Open(bool withStatus)
    {
        if (pop_.Connected()) return true;
        if (connections_ >= kMaxConnections) return false;
        ++connections_;
        pop_.Connect();
        if (pop_.LastCmdFailed()) return false;
        if (!pop_.Login()) {
            Check(!pop_.Connected(), "a refused login closes the connection");
            return false;
        }
        if (!withStatus) return true;
        pop_.GetStatus();
        return pop_.Connected();
    }

    bool Retrieved(bool done, TVemMsg& msg)
    {
        if (!done) {
            Check(!pop_.Connected(), "a failed retrieval closes the connection");
            return false;
        }
        Check(!pop_.LastCmdFailed(), "a retrieval that succeeded did not fail");
        // Stop may come in while the message is parsed (decoding gives the GUI its turns).
        Check(pop_.Connected() || session_.StopWasPressed(), "a retrieval that succeeded leaves the connection open");
        for (int i = 0; i < msg.AttachedFiles.Count(); ++i) {
            const std::string& name = msg.AttachedFiles.Items(i).FileName;
            Check(name.find_first_of("\\/:*?\"<>|") == std::string::npos, "attachment names are safe");
        }
        return true;
    }

    // Confirm every number by its id and header, DELE each, QUIT.
    void DeleteMarked(std::initializer_list<int> numbers)
    {
        if (!Open(false)) return;
        for (int n : numbers) {
            pop_.GetUIDL(n);
            TVemMsg header;
            if (!Retrieved(pop_.Retrieve(n, true, header), header)) return;
        }
        for (int n : numbers) {
            pop_.DeleteMessage(n);
            if (pop_.LastCmdFailed() || !pop_.Connected()) {
                Check(!pop_.Connected(), "a refused deletion closes the connection");
                return;
            }
        }
        pop_.Disconnect();
    }

    fuzzing::NetFuzzSession& session_;
    TVemPOP pop_;
    int connections_ = 0;
    EventNotes notes_;
};

bool WorkFilesLeft()
{
    for (const auto& entry : platform::ListFolder(platform::TempFolder()))
        if (entry.name.rfind("vem_msg", 0) == 0) return true;
    return false;
}

}  // namespace

void ExerciseRetrievalClient(const uint8_t* data, size_t size)
{
    fuzzing::NetFuzzSession session(data, size);
    {
        Viewer viewer(session);
        viewer.ViewAndDelete(1, true);
        if (!session.ScriptPlayed()) viewer.ViewAndDelete(2, false);
        viewer.CheckNotes();
    }
    Check(!WorkFilesLeft(), "no work file is left behind");
    session.CheckClientLines();
}
