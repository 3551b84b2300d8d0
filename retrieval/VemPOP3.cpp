#include "retrieval/VemPOP3.h"

#include "platform/MessagePump.h"
#include "platform/Strings.h"
#include "platform/TextFile.h"
#include "retrieval/Streams.h"
#include "retrieval/WorkFile.h"
#include "retrieval/vem_util.h"

#include <algorithm>
#include <climits>

namespace {

const char kTerminator[] = "\r\n.\r\n";
constexpr size_t kTerminatorLength = 5;
constexpr size_t kReplyChunk = 1024;

// numerator / denominator rounded to the nearest integer, halves to the even neighbour.
unsigned RoundedPercent(int64_t received, int64_t size)
{
    if (size <= 0) return 100;  // nothing to divide by: every chunk counts as done
    using Wide = unsigned __int128;
    Wide numerator = Wide(uint64_t(received)) * 100, denominator = Wide(uint64_t(size));
    Wide quotient = numerator / denominator, remainder = numerator % denominator;
    if (remainder * 2 > denominator || (remainder * 2 == denominator && (quotient & 1))) ++quotient;
    return quotient > UINT_MAX ? UINT_MAX : unsigned(quotient);
}

// The count that opens a STAT or LAST reply, cut into what an int holds and never below 0: a
// server's "3221225472" must not wrap to a negative count, nor make NewMessageCount overflow.
int CountInReply(const std::string& text) { return int(std::clamp<int64_t>(GetNumberInText(text, 1, 0), 0, INT_MAX)); }

// Holds a flag for one call and puts the old value back.
class FlagScope {
public:
    FlagScope(bool& flag, bool value) : flag_(flag), saved_(flag) { flag_ = value; }
    ~FlagScope() { flag_ = saved_; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
    bool saved_;
};

}  // namespace

TVemPOP::TVemPOP()
{
    socket_.SetClientType(ctBlocking);
    socket_.OnLookup = [this](TClientSocket* s) {
        if (OnLookup) OnLookup(s);
    };
    socket_.OnConnecting = [this](TClientSocket* s) {
        if (OnConnecting) OnConnecting(s);
    };
    socket_.OnConnect = [this](TClientSocket*) { SocketConnected(); };
    socket_.OnDisconnect = [this](TClientSocket*) { SocketDisconnected(); };
    socket_.OnError = [this](TClientSocket*, TErrorEvent kind, int& code) {
        replyText_ = SocketErrorMessage(code, kind == eeSend ? "send" : "recv");
        RaiseError(&socket_, code);
    };
}

TVemPOP::~TVemPOP() = default;

// ---- socket events ----

void TVemPOP::SocketConnected()
{
    connected_ = true;
    if (OnConnect) OnConnect(&socket_);
}

void TVemPOP::SocketDisconnected()
{
    connected_ = false;
    if (OnDisconnect) OnDisconnect(&socket_);
}

void TVemPOP::RaiseError(TComponent* Sender, int Code)
{
    lastCmdFailed_ = true;
    socket_.Close();  // no QUIT: the server carries out none of this connection's deletions
    connected_ = false;
    if (!quiet_ && OnError) OnError(Sender, Code, replyText_);
}

// ---- commands and replies ----

void TVemPOP::Pump()
{
    platform::ProcessMessages();
    if (aborted_) throw ESocketAborted("Operation cancelled by user");
}

void TVemPOP::RequireConnected(const char* message) const
{
    if (!connected_) throw Exception(message);
}

void TVemPOP::SendCommand(const std::string& Text)
{
    // A CR or LF inside a field (a pasted login name) would smuggle in further commands.
    std::string_view line(Text);
    if (line.size() >= 2 && line.substr(line.size() - 2) == "\r\n") line.remove_suffix(2);
    if (line.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
        throw Exception("Invalid character in command");
    Pump();
    const std::string bytes = std::string(line) + "\r\n";
    size_t sent = 0;
    while (sent < bytes.size()) {
        int n = socket_.SendBuf(bytes.data() + sent, int(bytes.size() - sent));
        if (n <= 0) break;  // not connected (any more)
        sent += size_t(n);
    }
    if (OnSendTextToSocket) OnSendTextToSocket(this, bytes);
}

void TVemPOP::SetReply(const std::string& chunk)
{
    replyStatus_ = Trim(std::string_view(chunk).substr(0, 4));
    size_t lineEnd = chunk.find("\r\n");
    replyText_ = lineEnd != std::string::npos && lineEnd > 4 ? Trim(std::string_view(chunk).substr(4, lineEnd - 4)) : "";
    lastCmdFailed_ = replyStatus_ == "-ERR";
}

void TVemPOP::ServerClosed(const char* text)
{
    replyStatus_.clear();
    replyText_ = text;
    RaiseError(this, kErrConnectionClosed);
}

std::string TVemPOP::ReadReply()
{
    Pump();
    if (!connected_) {
        replyStatus_.clear();
        replyText_ = "Not connected.";
        lastCmdFailed_ = true;
        return {};
    }
    char buffer[kReplyChunk];
    std::string chunk;
    int n = socket_.ReceiveBuf(buffer, int(sizeof buffer));
    chunk.assign(buffer, size_t(n > 0 ? n : 0));
    // A reply line that arrives in pieces is joined up to its line end.
    while (n > 0 && chunk.find("\r\n") == std::string::npos && chunk.size() < kMaxReplyLine) {
        n = socket_.ReceiveBuf(buffer, int(sizeof buffer));
        if (n > 0) chunk.append(buffer, size_t(n));
    }
    if (chunk.empty()) {
        // No reply at all: the server is gone. That is no answer, and certainly no "+OK".
        ServerClosed("The server closed the connection.");
        return chunk;
    }
    SetReply(chunk);
    if (OnReceiveTextFromSocket) OnReceiveTextFromSocket(this, chunk);
    return chunk;
}

bool TVemPOP::Refused(int code)
{
    if (!connected_) return true;  // lost on the way: the error path has run
    if (!lastCmdFailed_) return false;
    RaiseError(this, code);
    return true;
}

// ---- operations ----

void TVemPOP::Connect()
{
    messageCount_ = 0;
    if (connected_) return;  // a second open would wait for a greeting that never comes
    socket_.TimeOut = TimeOut;
    socket_.SetPort(StrToIntDef(Port, 110));
    if (IsDottedAddress(Host)) {
        socket_.SetHost("");
        socket_.SetAddress(Host);
    } else {
        socket_.SetAddress("");
        socket_.SetHost(Host);
    }
    socket_.ImplicitTls = Security == platform::SecurityMode::Tls;
    socket_.Tls = {Host, CertificatePin};
    lastCmdFailed_ = false;
    aborted_ = false;
    refusedCertificate_.reset();
    secureRefused_ = false;
    // Whatever stops the connection here, the caller learns it from LastCmdFailed alone.
    FlagScope quiet(quiet_, true);
    try {
        socket_.Open();
        if (connected_) ReadReply();
        if (connected_ && !lastCmdFailed_ && Security == platform::SecurityMode::StartTls) SecureAfterGreeting();
    } catch (const ESocketAborted&) {
        lastCmdFailed_ = true;
        throw;
    } catch (const tls::ECertificateRefused& e) {
        refusedCertificate_ = e.Problem();
        lastCmdFailed_ = true;
        socket_.Close();
    } catch (const std::exception&) {
        lastCmdFailed_ = true;
        socket_.Close();
    }
    if (!connected_) lastCmdFailed_ = true;
}

void TVemPOP::SecureAfterGreeting()
{
    SendCommand("STLS");
    ReadReply();
    if (!connected_) return;
    if (replyStatus_ != "+OK") {
        // Never on in plain text: without the server's yes, not one more word is sent.
        secureRefused_ = true;
        lastCmdFailed_ = true;
        socket_.Close();
        return;
    }
    // Whatever came with or after the "+OK" was in the chunk just read and goes with it; the
    // handshake takes every byte that follows.
    socket_.StartTls();
}

bool TVemPOP::Login()
{
    RequireConnected("Invalid Op. Not connected.");
    SendCommand("USER " + UserId);
    ReadReply();
    if (Refused(kErrLogin)) return false;
    SendCommand("PASS " + UserPasswd);
    ReadReply();
    return !Refused(kErrLogin);
}

void TVemPOP::GetStatus()
{
    RequireConnected("Not connected.");
    SendCommand("STAT");
    ReadReply();
    if (Refused(kErrStatus)) return;
    messageCount_ = CountInReply(replyText_);
    newMessageCount_ = 0;
    lastSupported_ = true;
    SendCommand("LAST");
    ReadReply();
    if (!connected_) return;
    if (lastCmdFailed_) lastSupported_ = false;
    else newMessageCount_ = messageCount_ - CountInReply(replyText_);
}

void TVemPOP::DeleteMessage(int MsgIndex)
{
    RequireConnected("Not connected.");
    Pump();
    SendCommand("DELE " + IntToStr(MsgIndex));
    ReadReply();
    if (Refused(kErrDelete)) return;
    --messageCount_;
    if (OnDelete) OnDelete(this, MsgIndex);
}

std::string TVemPOP::GetUIDL(int MsgIndex)
{
    RequireConnected("Not connected.");
    SendCommand("UIDL " + IntToStr(MsgIndex));
    ReadReply();
    if (Refused(kErrStatus)) return {};
    size_t blank = replyText_.find(' ');
    return blank == std::string::npos ? replyText_ : replyText_.substr(blank + 1);
}

bool TVemPOP::Retrieve(int MsgIndex, bool HeadersOnly, TVemMsg& Msg)
{
    RequireConnected("Not connected.");
    if (OnBeforeRetrieve) OnBeforeRetrieve(this, MsgIndex);
    StringList lines;
    int64_t size = 0;
    {
        // A name of its own for every retrieval, made 0600, gone on every way out.
        WorkFile work("vem_msg");
        TFileStream stream(work.Path(), TFileMode::Create);
        try {
            SendCommand("LIST " + IntToStr(MsgIndex));
            ReadReply();
            if (!connected_) return false;
            // A refused LIST is not examined: the size stays 100 and percentages count bytes.
            size = GetNumberInText(replyText_, 2, 100);
            SendCommand(HeadersOnly ? "TOP " + IntToStr(MsgIndex) + " 0" : "RETR " + IntToStr(MsgIndex));
            std::string first = ReadReply();
            if (Refused(kErrRetrieve)) return false;
            if (!StreamMessage(stream, size, std::move(first))) return false;
        } catch (const ESocketAborted&) {
            throw;
        } catch (const ESocketError&) {
            return false;  // a socket failure: the error path has reported it
        }
        stream.Close();
        lines = platform::ReadLines(work.Path());
    }
    // The status line and the terminator go; dot-stuffed lines lose their first dot.
    if (!lines.empty()) lines.erase(lines.begin());
    if (!lines.empty()) lines.pop_back();
    for (std::string& line : lines)
        if (line.size() > 1 && line[0] == '.') line.erase(0, 1);
    Msg.SetRawMail(std::move(lines));
    Msg.Size = size;
    if (GetUIDLsOnRetrieve) Msg.UIDL = GetUIDL(MsgIndex);
    if (OnAfterRetrieve) OnAfterRetrieve(this);
    return true;
}

bool TVemPOP::StreamMessage(TFileStream& work, int64_t messageSize, std::string first)
{
    // Only the last four characters of what came before are searched again with each chunk,
    // so a terminator split across two chunks is found and no chunk costs more than the last.
    // Whatever follows the terminator belongs to no reply and is dropped.
    size_t end = first.find(kTerminator);
    if (end != std::string::npos) first.resize(end + kTerminatorLength);
    work.WriteText(first);
    int64_t received = int64_t(first.size());
    unsigned threshold = RetrieveProgressStep, percent = 0;
    std::string held = std::move(first);
    std::vector<char> buffer(size_t(std::max(RetrieveChunkSize, 16)));
    while (end == std::string::npos) {
        Pump();
        std::string keep = held.size() > 4 ? held.substr(held.size() - 4) : held;
        int n = socket_.ReceiveBuf(buffer.data(), int(buffer.size()));
        if (n <= 0) {
            if (connected_) ServerClosed("The server closed the connection before the end of the message.");
            return false;
        }
        std::string chunk(buffer.data(), size_t(n));
        if (OnReceiveTextFromSocket) OnReceiveTextFromSocket(this, chunk);
        held = keep + chunk;
        end = held.find(kTerminator);
        if (end != std::string::npos) chunk.resize(end + kTerminatorLength - keep.size());
        work.WriteText(chunk);
        received += int64_t(chunk.size());
        percent = RoundedPercent(received, messageSize);
        if (percent >= threshold) {
            if (OnRetrieveProgress) OnRetrieveProgress(this, percent);
            threshold += RetrieveProgressStep;
        }
    }
    if (percent < 100 && OnRetrieveProgress) OnRetrieveProgress(this, 100);
    return true;
}

bool TVemPOP::Disconnect()
{
    if (!connected_) return false;
    bool confirmed = false;
    {
        FlagScope quiet(quiet_, true);
        try {
            SendCommand("QUIT");
            ReadReply();
            confirmed = connected_ && replyStatus_ == "+OK";
        } catch (const ESocketError&) {
            // Closed below all the same; nothing of this connection was confirmed.
        }
    }
    socket_.Close();
    connected_ = false;
    platform::ProcessMessages();
    return confirmed;
}

void TVemPOP::Abort()
{
    aborted_ = true;
    socket_.Abort();
    connected_ = false;
}
