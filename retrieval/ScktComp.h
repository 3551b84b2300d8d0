#pragma once
// TClientSocket: the TCP client connection of the retrieval client. Its calls block the caller
// until the operation is done, as a blocking socket would, but every wait (name lookup,
// connect, a send that finds no room, a receive) runs in short slices with the message pump
// between them, so the window stays live, Stop (Abort) can end the wait, and a silent peer
// is given up after TimeOut.
//
// Events come in the order OnLookup, OnConnecting, OnConnect; OnDisconnect fires before the
// descriptor is closed, also after a failed open (never OnConnect then). A failed send or
// receive fires OnError (kind 1 or 2) and closes the socket; the ESocketError that follows is
// suppressed when the handler sets ErrorCode to 0.
#include "platform/Exception.h"
#include "platform/HostLookup.h"
#include "platform/Transport.h"
#include "tls/TlsTransport.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// The base of the retrieval engine's components, so an event can name who fired it.
class TComponent {
public:
    virtual ~TComponent() = default;
};

class ESocketError : public Exception {
public:
    using Exception::Exception;
};

// A wait was ended by Abort (the user's Stop). The connection is closed; nothing failed.
class ESocketAborted : public ESocketError {
public:
    using ESocketError::ESocketError;
};

enum TClientType { ctNonBlocking, ctBlocking };
enum TErrorEvent { eeGeneral = 0, eeSend = 1, eeReceive = 2 };

class TClientSocket;
using TSocketNotifyEvent = std::function<void(TClientSocket* Sender)>;
using TSocketErrorEvent = std::function<void(TClientSocket* Sender, TErrorEvent ErrorEvent, int& ErrorCode)>;

class TClientSocket : public TComponent {
public:
    // Longest single wait, in milliseconds, before the peer counts as gone.
    static constexpr int kDefaultTimeOut = 60000;

    TClientSocket();
    ~TClientSocket() override;  // closes without firing events
    TClientSocket(const TClientSocket&) = delete;
    TClientSocket& operator=(const TClientSocket&) = delete;

    bool Active() const { return active_; }
    void SetActive(bool value);
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }

    // Setters raise "Can't change value while socket is active" for a change while Active.
    const std::string& Address() const { return address_; }  // numeric peer address; used when Host is empty
    void SetAddress(const std::string& value);
    const std::string& Host() const { return host_; }  // peer name, resolved when opening
    void SetHost(const std::string& value);
    int Port() const { return port_; }  // used when Service is empty
    void SetPort(int value);
    const std::string& Service() const { return service_; }  // a name of the services table, for "tcp"
    void SetService(const std::string& value);
    // Only the blocking client is built; opening a non-blocking one is refused.
    TClientType ClientType() const { return clientType_; }
    void SetClientType(TClientType value);

    int TimeOut = kDefaultTimeOut;  // milliseconds per wait; 0 or less waits without limit
    // Makes the byte stream on a freshly connected socket: plain TCP unless replaced (a test
    // or a fuzzer plays the server through its own transport this way).
    std::function<std::unique_ptr<platform::Transport>(int fd)> TransportFactory;
    // TLS right after the connect, before OnConnect (implicit TLS, port 995).
    bool ImplicitTls = false;
    tls::TlsSettings Tls;  // the name the certificate must carry, and a pinned fingerprint

    TSocketNotifyEvent OnLookup;
    TSocketNotifyEvent OnConnecting;
    TSocketNotifyEvent OnConnect;
    TSocketNotifyEvent OnDisconnect;
    TSocketErrorEvent OnError;

    bool Connected() const { return connected_; }
    // Bytes accepted by one send (a partial send is not continued); 0 when not connected.
    int SendBuf(const void* Buf, int Count);
    // Bytes of one receive, 0 once the peer has closed or when not connected. Count -1 gives
    // the number of bytes waiting, without reading.
    int ReceiveBuf(void* Buf, int Count);

    // Turns the open connection into a TLS one. A certificate that is not trusted raises
    // tls::ECertificateRefused, any other failure ESocketError; both close the socket.
    void StartTls();
    // "TLS 1.3" on a secure connection; empty on plain text.
    std::string SecurityDescription() const { return transport_ ? transport_->Description() : std::string(); }

    // Ends the wait in progress (it raises ESocketAborted) and closes the connection without
    // another word to the peer.
    void Abort();
    // The address connected to ("127.0.0.1", "::1"); empty when not connected.
    std::string PeerAddress() const;

private:
    void OpenBlocking();
    std::vector<platform::SocketAddress> PeerAddresses();
    std::vector<platform::SocketAddress> LookUp(const std::string& name);
    int PeerPort() const;
    void ConnectToAny(std::vector<platform::SocketAddress> addresses);
    // 0 when connected, else the errno of this attempt.
    int ConnectTo(const platform::SocketAddress& address);
    void CloseSocket(bool fireEvents);
    void CheckInactive() const;
    // Waits until `events` happen on the descriptor (or the transport holds data). False on
    // time-out; ESocketAborted on Abort.
    bool Wait(short events);
    [[noreturn]] void Fail(int errnoValue, const char* api);
    // OnError, close, and the exception unless the handler cleared the code.
    void SocketFailure(TErrorEvent kind, int errnoValue, const char* api);

    bool active_ = false;
    bool connected_ = false;
    bool aborted_ = false;
    bool destroying_ = false;
    std::string address_, host_, service_;
    int port_ = 0;
    TClientType clientType_ = ctNonBlocking;
    int fd_ = -1;
    unsigned generation_ = 0;  // changes with every descriptor, so a wait notices a close
    platform::SocketAddress peer_;
    std::unique_ptr<platform::Transport> transport_;
};

// "Windows socket error: Connection refused (111), on API 'connect'": the platform's text and
// number for the error, and the call that failed.
std::string SocketErrorMessage(int errnoValue, const std::string& api);
