#pragma once
// TPowersock: a blocking, line-oriented TCP client for the GUI thread. Every wait (name
// lookup, connect, a blocked send, one line) polls the socket in slices of at most 10 ms and
// runs the message pump between slices, so the window stays live and a Stop command can
// run inside the wait. Each wait ends on its event, on the per-wait time-out (which calls the
// virtual Abort), on Cancel/Abort, or on an error.
//
// The bytes travel through a platform::Transport (plain TCP, or TLS on it). Replies are read
// in chunks into a buffer of our own and handed out line by line, so a reply of many lines
// costs one receive per chunk, not one per line. Host names resolve to IPv6 and IPv4
// addresses, tried in turn within the connect's time-out.
#include "mailbox/SocketErrors.h"
#include "platform/Exception.h"
#include "platform/HostLookup.h"
#include "platform/Security.h"
#include "platform/Transport.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Lookup, connect and socket failures; the message is the text the user sees.
class ESockError : public Exception {
public:
    using Exception::Exception;
};

// A send or a line read that was cancelled or timed out.
class EAbortError : public ESockError {
public:
    using ESockError::ESockError;
};

// The server would not turn the connection into a secure one; nothing more was sent.
class ESecureConnectionRefused : public ESockError {
public:
    ESecureConnectionRefused() : ESockError(platform::kSecureConnectionRefused) {}
};

// A reply line beyond MaxLineLength: the stream cannot be resumed, the connection is closed.
class ELineTooLong : public ESockError {
public:
    ELineTooLong() : ESockError("The server sent a line that is too long.") {}
};

class TPowersock;

// Called with Handled false; a handler that repaired the cause sets it true to have the
// operation tried exactly once more.
using THandlerEvent = std::function<void(bool& Handled)>;
using TNotifyEvent = std::function<void(TPowersock* Sender)>;
using TOnStatus = std::function<void(TPowersock* Sender, const std::string& Status)>;
using TOnHostResolved = std::function<void(TPowersock* Sender)>;

class TPowersock {
public:
    TPowersock();
    virtual ~TPowersock();
    TPowersock(const TPowersock&) = delete;
    TPowersock& operator=(const TPowersock&) = delete;

    std::string Host;  // host name, dotted IPv4 address or IPv6 address
    int Port = 0;
    int TimeOut = 0;      // milliseconds allowed for each single wait; 0 (or less) waits without limit
    int ReportLevel = 0;  // status texts of this level or lower reach OnStatus
    // Tls: the connection is secured right after the connect, before any byte of POP3.
    // StartTls is left to the POP3 client (STLS after the greeting).
    platform::SecurityMode Security = platform::SecurityMode::None;
    std::string CertificatePin;  // fingerprint of a certificate the user chose to trust anyway

    // Makes the byte stream on a freshly connected socket: plain TCP unless replaced (a test
    // or a fuzzer plays the server through its own transport this way).
    std::function<std::unique_ptr<platform::Transport>(int fd)> TransportFactory;

    TNotifyEvent OnDisconnect;        // a connection was closed, by this side or the peer
    TNotifyEvent OnConnect;           // the socket-level connect completed
    THandlerEvent OnInvalidHost;      // the host gave no address; may fix Host and ask for a retry
    TOnHostResolved OnHostResolved;   // a name lookup succeeded
    TOnStatus OnStatus;               // a status text passed the ReportLevel filter
    TNotifyEvent OnConnectionFailed;  // the connect wait failed, just before the exception
    THandlerEvent OnConnectionRequired;  // CheckConnection found no connection

    virtual void Connect();
    virtual void Disconnect();
    // Sends one command line and returns one reply line, line end included.
    virtual std::string Transaction(const std::string& Command);
    virtual void Abort();

    void CheckConnection();
    // Turns the open connection into a TLS one (implicit TLS, or after "+OK" to STLS). What was
    // received before is dropped: nothing from before the handshake may pass for a reply.
    // A certificate that is not trusted raises tls::ECertificateRefused; every failure closes.
    void StartTls();
    // "TLS 1.3" on a secure connection; empty on plain text.
    std::string SecurityDescription() const;
    void Cancel();
    // Sends Length bytes; Length 0 sends a NUL-terminated text up to its NUL.
    void SendBuffer(const void* Buffer, std::size_t Length);
    void Write(const std::string& Text);
    // Sends Text and CR LF. Text must be one line: CR, LF or NUL inside it would smuggle
    // further commands to the server, so such a text is refused.
    void Writeln(const std::string& Text);
    // Reads exactly one line, line end included; the bytes after it wait for the next read.
    // An empty Line means the connection is gone.
    void ReadLn(std::string& Line);
    bool DataAvailable();
    void ClearInput();

    // Field N (from 1) of Text split at every single Delimiter; empty when there is none.
    static std::string NthWord(const std::string& Text, char Delimiter, int N);
    void StatusMessage(int Level, const std::string& Text);
    std::string LookupErrorMessage(int Code);

    bool Connected() const { return connected_; }
    const std::string& Status() const { return status_; }
    const std::string& TransactionReply() const { return transactionReply_; }
    int LastErrorNo() const { return lastErrorNo_; }

    // Bytes asked for per receive while a line is read.
    static constexpr std::size_t IOBufferSize = 65536;
    // A longer reply line is refused and the connection closed: the stream cannot be resumed
    // in the middle of a line, and a hostile server must not make the client grow without end.
    static constexpr std::size_t MaxLineLength = 1024 * 1024;

protected:
    // Raises ESockError with the error's text unless errnoValue maps to Expected.
    void CheckSocketError(int errnoValue, int Expected = mailbox::kErrWouldBlock);
    // Closes the socket and opens a fresh one, so Connect can be called again. Fires
    // OnDisconnect when a connection was open.
    void RequestCloseSocket();

private:
    class TimerScope;
    using Clock = std::chrono::steady_clock;

    void OpenSocket(bool first, int family = AF_INET);
    void EnsureSocket(int family);
    void ResolveHost();
    // One connect attempt within the running wait; true once connected.
    bool ConnectTo(const platform::SocketAddress& address);
    void ConnectCompleted();
    // A complete line from the buffer, if one is there.
    bool TakeLine(std::string& Line);
    // One receive into the buffer: true when bytes came, false when the connection ended
    // (Line is then to be given back empty). Waits in slices while nothing is there.
    bool FillBuffer();
    void PollPeerClose();
    void RefuseLongLine();
    void ThrowIfReadCanceled();
    // Waits up to one slice for the events on the socket; returns the events seen.
    short WaitSlice(short events);
    // One turn of the message pump, then the time-out check.
    void Pump();
    void TimerOn();
    void TimerOff();
    void TimerTriggered();

    int fd_ = -1;
    uint64_t socketGeneration_ = 0;  // changes with every new socket
    bool connected_ = false;
    std::string status_;
    std::string transactionReply_;
    int lastErrorNo_ = 0;
    std::vector<platform::SocketAddress> remote_;  // the host's addresses, port set
    int family_ = AF_INET;                         // of the socket fd_
    bool used_ = false;                            // fd_ has tried to connect
    std::unique_ptr<platform::Transport> transport_;
    std::string input_;        // received, not yet handed out
    std::size_t inputPos_ = 0;  // where the next line starts in input_
    std::vector<char> ioBuffer_;

    bool canceled_ = false;
    bool timedOut_ = false;
    bool lookupDone_ = false;
    bool succeed_ = false;
    bool destroying_ = false;

    bool timerEnabled_ = false;
    Clock::time_point deadline_{};
};
