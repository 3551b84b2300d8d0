#include "mailbox/Psock.h"

#include "platform/HostLookup.h"
#include "platform/MessagePump.h"
#include "tls/TlsTransport.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using mailbox::SocketErrorFromErrno;

namespace {

constexpr std::chrono::milliseconds kSlice{10};

bool WouldBlock(int e) { return e == EAGAIN || e == EWOULDBLOCK; }

// Failures that the asynchronous connect reports through its completion, however soon they
// are known: the user sees "Connection Failed" for all of them.
bool IsConnectOutcome(int e)
{
    return e == ECONNREFUSED || e == ENETUNREACH || e == EHOSTUNREACH || e == ETIMEDOUT ||
           e == ECONNRESET;
}

}  // namespace

// Runs the per-wait time-out for the lifetime of one wait. A wait nested inside another
// (a handler run by the pump that does its own I/O) gets its own period and hands the outer
// wait's deadline back when it ends.
class TPowersock::TimerScope {
public:
    explicit TimerScope(TPowersock& sock)
        : sock_(sock), outerEnabled_(sock.timerEnabled_), outerDeadline_(sock.deadline_)
    {
        sock_.TimerOn();
    }
    ~TimerScope()
    {
        sock_.TimerOff();
        if (outerEnabled_) {
            sock_.timerEnabled_ = true;
            sock_.deadline_ = outerDeadline_;
        }
    }
    TimerScope(const TimerScope&) = delete;
    TimerScope& operator=(const TimerScope&) = delete;

private:
    TPowersock& sock_;
    bool outerEnabled_;
    Clock::time_point outerDeadline_;
};

TPowersock::TPowersock() : ioBuffer_(IOBufferSize + 1)
{
    StatusMessage(8, "Create");
    StatusMessage(8, "Initializing Winsock");
    OpenSocket(true);
    if (fd_ < 0) throw ESockError("Initializaton of windows sockets failed");
}

TPowersock::~TPowersock()
{
    // No events from here on: the owner that bound them may already be half gone.
    destroying_ = true;
    StatusMessage(8, "Destroy");
    canceled_ = true;
    connected_ = false;
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

void TPowersock::OpenSocket(bool first, int family)
{
    fd_ = platform::NewStreamSocket(family, first ? IPPROTO_TCP : 0);
    if (fd_ < 0) {
        lastErrorNo_ = SocketErrorFromErrno(errno);
        return;
    }
    family_ = family;
    used_ = false;
    ++socketGeneration_;
    if (first) {
        // The first socket resets its connection on close instead of closing gracefully.
        linger off{1, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &off, sizeof off);
    }
}

void TPowersock::EnsureSocket(int family)
{
    // Each attempt needs a socket of the address's family that has never tried to connect.
    if (fd_ >= 0 && (family_ != family || used_)) {
        ::close(fd_);
        fd_ = -1;
    }
    if (fd_ >= 0) return;
    OpenSocket(false, family);
    if (fd_ < 0) throw ESockError(LookupErrorMessage(lastErrorNo_));
}

void TPowersock::StatusMessage(int Level, const std::string& Text)
{
    if (Level > ReportLevel) return;
    try {
        status_ = Text;
        if (!destroying_ && OnStatus) OnStatus(this, Text);
    } catch (...) {
        // A status report never breaks the operation that reports.
    }
}

std::string TPowersock::LookupErrorMessage(int Code)
{
    StatusMessage(8, "Looking Up Error Message");
    return mailbox::SocketErrorText(Code);
}

void TPowersock::CheckSocketError(int errnoValue, int Expected)
{
    lastErrorNo_ = SocketErrorFromErrno(errnoValue);
    // Every failure of a socket call is a socket error here, also one without a table row.
    if (lastErrorNo_ != Expected && lastErrorNo_ != 0) throw ESockError(LookupErrorMessage(lastErrorNo_));
}

std::string TPowersock::NthWord(const std::string& Text, char Delimiter, int N)
{
    if (Text.empty() || N < 1) return {};
    std::size_t start = 0;
    for (int field = 1; field < N; ++field) {
        std::size_t next = Text.find(Delimiter, start);
        if (next == std::string::npos) return {};
        start = next + 1;
    }
    std::size_t end = Text.find(Delimiter, start);
    return Text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

// ---- waiting ----

void TPowersock::TimerOn()
{
    StatusMessage(8, "Timer On");
    timedOut_ = false;
    timerEnabled_ = TimeOut > 0;
    if (timerEnabled_) deadline_ = Clock::now() + std::chrono::milliseconds(TimeOut);
}

void TPowersock::TimerOff()
{
    StatusMessage(8, "Timer Off");
    timerEnabled_ = false;
}

void TPowersock::TimerTriggered()
{
    StatusMessage(8, "Timer Triggered");
    TimerOff();
    timedOut_ = true;
    lookupDone_ = true;
    Abort();
}

void TPowersock::Pump()
{
    platform::ProcessMessages();
    if (timerEnabled_ && Clock::now() >= deadline_) TimerTriggered();
}

short TPowersock::WaitSlice(short events)
{
    auto slice = kSlice;
    if (timerEnabled_) {
        // Rounded up: a slice never ends just short of the deadline and spins on the rest.
        auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline_ - Clock::now());
        if (left < slice) slice = std::max(left, std::chrono::milliseconds(0));
    }
    if (fd_ < 0) {
        std::this_thread::sleep_for(slice);
        return 0;
    }
    pollfd p{fd_, events, 0};
    int n = ::poll(&p, 1, static_cast<int>(slice.count()));
    return n > 0 ? p.revents : 0;
}

// ---- connecting ----

void TPowersock::ResolveHost()
{
    StatusMessage(8, "Resolve Host");
    remote_.clear();
    platform::SocketAddress numeric;
    if (platform::ParseNumericAddress(Host, numeric)) {
        remote_.push_back(numeric);
        return;
    }
    std::shared_ptr<platform::HostLookup> lookup;
    {
        TimerScope timer(*this);
        lookupDone_ = false;
        lookup = platform::HostLookup::Start(Host, AF_UNSPEC);
        do {
            if (lookup->WaitFor(kSlice)) {
                lookupDone_ = true;
                succeed_ = lookup->Result() == 0;
            }
            Pump();
        } while (!lookupDone_ && !timedOut_ && !canceled_);
    }
    // A lookup left behind finishes on its own thread and only updates its shared result.
    if (timedOut_) throw ESockError("Host Lookup Timed Out");
    if (canceled_) throw ESockError("Host Lookup Canceled");
    if (!succeed_) {
        lastErrorNo_ = mailbox::SocketErrorFromLookup(lookup->Result());
        throw ESockError("Host Lookup Failed");
    }
    remote_ = lookup->Addresses();
    if (OnHostResolved) OnHostResolved(this);
}

void TPowersock::Connect()
{
    StatusMessage(8, "Connecting");
    canceled_ = false;
    PollPeerClose();
    if (connected_) throw ESockError("Already connected");

    for (int attempts = 0;; ++attempts) {
        try {
            ResolveHost();
        } catch (const ESockError& e) {
            if (e.Message() == "Host Lookup Timed Out" || e.Message() == "Host Lookup Canceled") throw;
        }
        if (!remote_.empty()) break;
        if (attempts > 0 || !OnInvalidHost) throw ESockError("Null Remote Address");
        bool handled = false;
        OnInvalidHost(handled);
        if (!handled) throw ESockError("Null Remote Address");
    }

    if (Port < 1 || Port > 65535) {
        // A port that does not fit would silently reach another port.
        lastErrorNo_ = 10049;
        throw ESockError(LookupErrorMessage(lastErrorNo_));
    }
    for (auto& address : remote_) address.SetPort(Port);

    succeed_ = true;
    {
        // One time-out for all the host's addresses: IPv6 and IPv4 are tried in turn.
        TimerScope timer(*this);
        for (const auto& address : remote_) {
            if (ConnectTo(address) || timedOut_ || canceled_) break;
        }
    }
    if (connected_ && !timedOut_ && !canceled_) {
        if (Security == platform::SecurityMode::Tls) StartTls();
        return;
    }

    // Leave no half-open attempt behind, so the next Connect starts clean.
    RequestCloseSocket();
    if (OnConnectionFailed) OnConnectionFailed(this);
    if (timedOut_) throw ESockError("Connection Timed out");
    if (canceled_) throw ESockError("Connection Canceled");
    throw ESockError("Connection Failed");
}

bool TPowersock::ConnectTo(const platform::SocketAddress& address)
{
    try {
        EnsureSocket(address.Family());
    } catch (...) {
        RequestCloseSocket();  // the next attempt gets a socket that never tried
        throw;
    }
    used_ = true;
    succeed_ = true;
    const uint64_t generation = socketGeneration_;
    if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address.storage), address.length) == 0) {
        ConnectCompleted();
    } else {
        int e = errno;
        if (IsConnectOutcome(e) || e == EAFNOSUPPORT || e == EADDRNOTAVAIL) {
            succeed_ = false;
            lastErrorNo_ = SocketErrorFromErrno(e);
        } else if (e != EINPROGRESS && e != EINTR && !WouldBlock(e)) {
            try {
                CheckSocketError(e);
            } catch (...) {
                RequestCloseSocket();
                throw;
            }
        }
    }
    while (!connected_ && !timedOut_ && !canceled_ && succeed_) {
        if (WaitSlice(POLLOUT) != 0) ConnectCompleted();
        Pump();
        // Closed and replaced from inside the pump: this attempt is over.
        if (socketGeneration_ != generation && !connected_) succeed_ = false;
    }
    return connected_;
}

void TPowersock::ConnectCompleted()
{
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
    if (error == 0) {
        connected_ = true;
        transport_ = TransportFactory ? TransportFactory(fd_) : std::make_unique<platform::PlainTransport>(fd_);
        input_.clear();
        inputPos_ = 0;
        if (OnConnect) OnConnect(this);
    } else if (error != EINPROGRESS && !WouldBlock(error)) {
        succeed_ = false;
        lastErrorNo_ = SocketErrorFromErrno(error);
    }
}

void TPowersock::StartTls()
{
    StatusMessage(8, "Starting TLS");
    input_.clear();
    inputPos_ = 0;
    if (!connected_ || fd_ < 0) throw Exception("Not Connected");
    auto secure = std::make_unique<tls::TlsTransport>(fd_, tls::TlsSettings{Host, CertificatePin});
    tls::TlsTransport& handshake = *secure;
    transport_ = std::move(secure);
    canceled_ = false;
    {
        TimerScope timer(*this);
        for (;;) {
            platform::IoResult r = handshake.Handshake();
            if (r.status == platform::IoStatus::Done) return;
            if (r.status == platform::IoStatus::Failed || r.status == platform::IoStatus::Closed) {
                std::optional<tls::CertificateProblem> refused = handshake.RefusedCertificate();
                RequestCloseSocket();
                if (refused) throw tls::ECertificateRefused(*refused);
                throw ESockError(r.message.empty() ? "Connection Failed" : r.message);
            }
            const uint64_t generation = socketGeneration_;
            WaitSlice(platform::PollEventsFor(r.status));
            Pump();
            if (timedOut_ || canceled_ || generation != socketGeneration_ || !connected_) break;
        }
    }
    const bool timedOut = timedOut_;
    RequestCloseSocket();
    canceled_ = false;
    if (timedOut) throw ESockError("Connection Timed out");
    throw EAbortError("Connection Canceled");
}

std::string TPowersock::SecurityDescription() const { return transport_ ? transport_->Description() : std::string(); }

// ---- closing ----

void TPowersock::RequestCloseSocket()
{
    StatusMessage(4, "Request Close Socket");
    const bool wasConnected = connected_;
    connected_ = false;
    input_.clear();
    inputPos_ = 0;
    if (transport_) transport_->Shutdown();
    transport_.reset();
    if (fd_ < 0) return;
    int closing = fd_;
    fd_ = -1;
    int closeResult = ::close(closing);
    int closeErrno = errno;
    // The fresh socket comes first, so a handler of OnDisconnect may connect again at once.
    if (!destroying_) OpenSocket(false, family_);
    // The descriptor is released even when close reports an error: the connection is over.
    if (wasConnected && !destroying_ && OnDisconnect) OnDisconnect(this);
    if (closeResult != 0 && closeErrno != EINTR) CheckSocketError(closeErrno);
}

void TPowersock::Disconnect()
{
    StatusMessage(8, "Disconnecting");
    RequestCloseSocket();
}

void TPowersock::Cancel()
{
    StatusMessage(8, "Canceling");
    canceled_ = true;
}

void TPowersock::Abort()
{
    StatusMessage(8, "Abort");
    Cancel();
}

// The peer's close shows up as a readable socket with nothing to read. Notice it before an
// operation relies on Connected, as a close notification would have.
void TPowersock::PollPeerClose()
{
    if (!connected_ || fd_ < 0 || inputPos_ < input_.size()) return;
    if (transport_ && transport_->Buffered() > 0) return;
    char probe;
    ssize_t n = ::recv(fd_, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
    if (n > 0) return;
    if (n < 0) {
        int e = errno;
        if (WouldBlock(e) || e == EINTR) return;
        lastErrorNo_ = SocketErrorFromErrno(e);
    }
    RequestCloseSocket();
}

void TPowersock::CheckConnection()
{
    StatusMessage(8, "Checking Connection");
    PollPeerClose();
    int tries = 0;
    while (!connected_) {
        if (tries > 0 || !OnConnectionRequired) throw Exception("Not Connected");
        bool handled = false;
        OnConnectionRequired(handled);
        if (!handled) throw Exception("Not Connected");
        ++tries;
    }
}

// ---- sending ----

void TPowersock::SendBuffer(const void* Buffer, std::size_t Length)
{
    StatusMessage(4, "Sending Buffer");
    {
        TimerScope timer(*this);
        if (!canceled_) {
            const char* bytes = static_cast<const char*>(Buffer);
            if (Length == 0) Length = std::strlen(bytes);
            if (!transport_) {
                lastErrorNo_ = mailbox::kErrNotConnected;
                throw ESockError(LookupErrorMessage(lastErrorNo_));
            }
            std::size_t remaining = Length;
            while (remaining > 0 && !canceled_ && transport_) {
                platform::IoResult r = transport_->Send(bytes + (Length - remaining), remaining);
                if (r.status == platform::IoStatus::Done) {
                    if (r.bytes == 0) break;
                    remaining -= r.bytes;
                    continue;
                }
                if (r.status == platform::IoStatus::Failed) {
                    if (r.error == 0) throw ESockError(r.message);
                    CheckSocketError(r.error);
                    continue;
                }
                // The peer is not taking data: wait for room, keeping the GUI and the
                // time-out alive, so a Stop or the time-out can end the send.
                WaitSlice(platform::PollEventsFor(r.status == platform::IoStatus::Closed ? platform::IoStatus::WantWrite
                                                                                         : r.status));
                Pump();
            }
        }
    }
    if (canceled_) {
        canceled_ = false;
        throw EAbortError("Socket send aborted");
    }
}

void TPowersock::Write(const std::string& Text)
{
    StatusMessage(8, "Write");
    if (Text.empty()) return;
    SendBuffer(Text.data(), Text.size());
}

void TPowersock::Writeln(const std::string& Text)
{
    StatusMessage(8, "Writeln");
    if (Text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos)
        throw ESockError("Invalid character in command");
    Write(Text + "\r\n");
}

// ---- reading ----

void TPowersock::RefuseLongLine()
{
    RequestCloseSocket();
    throw ELineTooLong();
}

bool TPowersock::TakeLine(std::string& Line)
{
    const std::size_t lf = input_.find('\n', inputPos_);
    if (lf == std::string::npos) return false;
    if (lf + 1 - inputPos_ > MaxLineLength) RefuseLongLine();
    Line.assign(input_, inputPos_, lf + 1 - inputPos_);
    inputPos_ = lf + 1;
    if (inputPos_ == input_.size()) {
        input_.clear();
        inputPos_ = 0;
    }
    return true;
}

bool TPowersock::FillBuffer()
{
    for (;;) {
        if (!transport_) return false;  // no connection at all: as good as closed
        if (inputPos_ > 0 && inputPos_ * 2 > input_.size()) {
            input_.erase(0, inputPos_);  // keep the buffer from creeping
            inputPos_ = 0;
        }
        platform::IoResult r = transport_->Receive(ioBuffer_.data(), IOBufferSize);
        switch (r.status) {
        case platform::IoStatus::Done:
            input_.append(ioBuffer_.data(), r.bytes);
            return true;
        case platform::IoStatus::Closed:
            return false;
        case platform::IoStatus::Failed:
            if (r.error == 0) {
                // The secure layer broke (or the server ended it without a word).
                RequestCloseSocket();
                throw ESockError(r.message);
            }
            lastErrorNo_ = SocketErrorFromErrno(r.error);
            if (lastErrorNo_ == mailbox::kErrNotConnected) return false;
            CheckSocketError(r.error);
            break;
        case platform::IoStatus::WantRead:
        case platform::IoStatus::WantWrite:
            // Nothing yet: wait in slices, pumping between them, until the socket stirs.
            for (;;) {
                const uint64_t generation = socketGeneration_;
                const bool stirred = WaitSlice(platform::PollEventsFor(r.status)) != 0;
                Pump();
                ThrowIfReadCanceled();
                if (stirred || socketGeneration_ != generation || fd_ < 0) break;
            }
            break;
        }
    }
}

void TPowersock::ReadLn(std::string& Line)
{
    StatusMessage(8, "ReadLn");
    Line.clear();
    TimerScope timer(*this);
    for (bool first = true;; first = false) {
        if (TakeLine(Line)) return;
        if (input_.size() - inputPos_ > MaxLineLength) RefuseLongLine();
        // A line that stays incomplete across receives lets the GUI in between them.
        if (!first) {
            Pump();
            ThrowIfReadCanceled();
        }
        if (!FillBuffer()) {
            // The peer closed: nothing more will come; a line cut off counts for nothing.
            Line.clear();
            if (connected_) RequestCloseSocket();
            return;
        }
    }
}

void TPowersock::ThrowIfReadCanceled()
{
    if (!canceled_) return;
    canceled_ = false;
    throw EAbortError("Socket readln aborted");
}

std::string TPowersock::Transaction(const std::string& Command)
{
    StatusMessage(8, "Transaction");
    Writeln(Command);
    std::string reply;
    ReadLn(reply);
    transactionReply_ = reply;
    if (!reply.empty()) StatusMessage(1, reply);
    return reply;
}

bool TPowersock::DataAvailable()
{
    StatusMessage(8, "Data Available");
    if (inputPos_ < input_.size()) return true;
    if (transport_ && transport_->Buffered() > 0) return true;
    if (fd_ < 0) return false;
    char probe;
    return ::recv(fd_, &probe, 1, MSG_PEEK | MSG_DONTWAIT) > 0;
}

void TPowersock::ClearInput()
{
    StatusMessage(8, "Clearing Input");
    input_.clear();
    inputPos_ = 0;
    if (!transport_) return;
    (void)transport_->Receive(ioBuffer_.data(), IOBufferSize);
}
