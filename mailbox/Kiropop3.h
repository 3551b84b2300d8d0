#pragma once
// TKiroPOP3: the POP3 client of the mail check. It logs in, counts, lists message numbers
// and sizes, fetches one message's header at a time (TOP n 0, never the body) into a
// summary, deletes messages and logs out. Every command is one line out and one reply line
// back over the waits of TPowersock, so the GUI keeps running meanwhile.
//
// List, GetSummary and DeleteMessage do nothing while another of them runs (Busy); Connect
// runs regardless, since a handler of OnConnectionRequired calls it from inside them.
#include "mailbox/Psock.h"
#include "platform/Strings.h"

#include <cstdint>
#include <functional>
#include <map>
#include <vector>
#include <string>

// The server answered "-ERR": the command ended with that line, nothing else of its reply is
// read. The message is the status line as received, like the client's other refusals.
class EServerRefused : public Exception {
public:
    explicit EServerRefused(const std::string& reply) : Exception(reply) {}
    // The server's own words after "-ERR", without the line end ("Syntax error"); may be empty.
    std::string ServerText() const;
};

// The header summary of one message. Field values are unfolded: a field's continuation lines
// are joined on with their line breaks removed (RFC 5322), so a value that starts on the line
// after its name is kept whole.
struct TSummary {
    std::string Subject;    // after "Subject:", a leading blank kept, line end removed
    std::string From;       // after "From:", likewise
    int64_t Bytes = 0;      // size from the LIST n reply
    std::string MessageId;  // from the 13th character of the unfolded "Message-ID:" field, at most 256
    StringList Header;      // every line of the TOP reply after its status line, line ends removed, "." included
};

using TListEvent = std::function<void(int Msg, int64_t Size)>;

// The server refused USER or PASS; the reply says why in the server's own words.
class EAuthenticationFailed : public Exception {
public:
    explicit EAuthenticationFailed(std::string serverReply = {})
        : Exception("Authentication failed"), serverReply_(std::move(serverReply))
    {
    }
    const std::string& ServerReply() const { return serverReply_; }

private:
    std::string serverReply_;
};

class TKiroPOP3 : public TPowersock {
public:
    TKiroPOP3();

    std::string UserID;
    std::string Password;
    bool Parse = false;         // kept with the settings; no operation reads it
    bool DeleteOnRead = false;  // kept with the settings; no operation reads it
    // A folder path; a non-empty value gets a closing '/' when it has none, an empty value
    // stays empty (it must not turn into the root folder). No operation reads it.
    void SetAttachFilePath(const std::string& Path);
    const std::string& AttachFilePath() const { return attachFilePath_; }

    TNotifyEvent OnConnect;  // logged in; hides the socket-level event of the same name
    THandlerEvent OnAuthenticationNeeded;  // Connect found UserID or Password empty
    THandlerEvent OnAuthenticationFailed;  // the server refused USER or PASS
    TListEvent OnList;                     // one line of the LIST reply
    TNotifyEvent OnRetrieveStart;
    TNotifyEvent OnRetrieveEnd;
    TNotifyEvent OnSuccess;  // DeleteMessage was accepted
    TNotifyEvent OnFailure;  // DeleteMessage was refused

    // Connects, reads the greeting, logs in with USER and PASS (one retry when a handler of
    // OnAuthenticationFailed asks for it) and counts with STAT. OnConnect fires once logged
    // in, also when STAT then fails.
    void Connect() override;
    // QUIT, then closes the socket in every case.
    void Disconnect() override;
    // Cancels the wait in progress and closes at once, without QUIT: the server carries
    // out no deletion of this session.
    void Abort() override;

    // A refusal of the greeting, STAT, LIST, TOP, DELE or QUIT raises EServerRefused at once
    // (USER and PASS: "Authentication failed"; CAPA and UIDL are optional and only answer no).
    // The connection stays open and in step, but for a refusal inside a pipelined batch.
    void List();
    // TOP n 0; the size is the one the full LIST gave (LIST n only when no LIST was made).
    void GetSummary(int MsgNum);
    // The summaries of many messages, each handed to `onSummary` as it is complete, in order.
    // With a server that offers PIPELINING up to PipelineWindow TOP commands are in flight at
    // once; else one after the other. A failure, Stop or a time-out in the middle ends the
    // batch with its exception and closes the connection without QUIT, so no reply is left
    // queued; the summaries handed out so far stand.
    using TSummaryEvent = std::function<void(int MsgNum, const TSummary& Summary)>;
    void GetSummaries(const std::vector<int>& MsgNums, const TSummaryEvent& onSummary);
    // 512 commands (some 7 KB) keep a server a 50 ms round trip away busy, and let it work
    // ahead while the window paints; they still fit the socket buffers however many replies
    // wait unread, so sending the next commands never waits on the replies.
    int PipelineWindow = 512;
    void DeleteMessage(int MsgNum);
    // UIDL: the unique id of every message, from one reply. False when the server does not
    // offer UIDL (or another operation is running); `ids` is then left empty.
    bool GetUIDLs(std::map<int, std::string>& ids);
    // The same, each id passed on as its line comes, so a big mailbox's ids need not be held twice.
    bool GetUIDLs(const std::function<void(int MsgNum, const std::string& id)>& each);
    // UIDL n: the unique id of one message; empty when the server refuses it.
    std::string GetUIDL(int MsgNum);

    const TSummary& Summary() const { return summary_; }
    // What the server said it can do (CAPA), in capitals: "PIPELINING", "UIDL", "TOP" ...;
    // empty when it does not answer CAPA.
    const std::vector<std::string>& Capabilities() const { return capabilities_; }
    bool HasCapability(const std::string& name) const;
    int MessageCount() const { return messageCount_; }
    // How many entries a list of every message may set room for at once: the count STAT gave,
    // up to a bound, as a server may claim any count.
    size_t ExpectedListSize() const;
    bool Busy() const { return busy_; }
    // Frees the sizes the last LIST gave, which the summaries take (a big mailbox has tens of
    // thousands); a summary asked for later asks the server for its size.
    void ForgetListedSizes() { std::vector<TListed>().swap(listedSizes_); }

private:
    // A Transaction whose empty reply (the connection is gone) is a failure of its own.
    std::string Command(const std::string& Text);
    // A command whose positive reply goes on over lines; a refusal ends it at its status line
    // with EServerRefused, so nothing waits for lines that will never come.
    void MultiLineCommand(const std::string& Text);
    // One line of a multi-line reply, without its line end; throws when the connection is
    // gone, so a cut-off reply can never be read forever.
    std::string ReadReplyLine();
    // Reads a multi-line reply to its terminator, handing each line to `use`. A line that
    // cannot be used fails the operation only once the whole reply is read, so the next
    // command reads its own reply and not the rest of this one.
    // With `keepGoing`, unusable lines are passed over instead.
    void ReadMultiLine(const std::function<void(const std::string&)>& use, bool keepGoing = false);
    bool AuthenticationPassed(const std::string& Reply, int& Tries);
    void Login();
    void AskCapabilities();
    void OrderListedSizes();
    bool ListedSize(int MsgNum, int64_t& size) const;
    // The header lines of one TOP reply (its status line read already) into summary_.
    void ReadSummaryLines(int MsgNum);
    void SummaryBytes(int MsgNum);

    TSummary summary_;
    std::vector<std::string> capabilities_;
    // From the last full LIST of this connection, by number: one per message of a big box, so
    // without the padding a pair would have.
#pragma pack(push, 4)
    struct TListed {
        int first;       // the number
        int64_t second;  // its size
    };
#pragma pack(pop)
    std::vector<TListed> listedSizes_;
    int messageCount_ = 0;
    bool busy_ = false;
    std::string attachFilePath_;
};
