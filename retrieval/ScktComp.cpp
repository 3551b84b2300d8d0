#include "retrieval/ScktComp.h"

#include "platform/MessagePump.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kSlice{10};

const char kActiveRefusal[] = "Can't change value while socket is active";

bool SameTextAZ(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = char(x - 32);
        if (y >= 'a' && y <= 'z') y = char(y - 32);
        if (x != y) return false;
    }
    return true;
}

}  // namespace

std::string SocketErrorMessage(int errnoValue, const std::string& api)
{
    return "Windows socket error: " + std::string(std::strerror(errnoValue)) + " (" + std::to_string(errnoValue) +
           "), on API '" + api + "'";
}

TClientSocket::TClientSocket() = default;

TClientSocket::~TClientSocket()
{
    // The owner that bound the events may already be half gone.
    destroying_ = true;
    CloseSocket(false);
}

// ---- properties ----

void TClientSocket::CheckInactive() const
{
    if (active_) throw ESocketError(kActiveRefusal);
}

void TClientSocket::SetAddress(const std::string& value)
{
    if (SameTextAZ(value, address_)) return;
    CheckInactive();
    address_ = value;
}

void TClientSocket::SetHost(const std::string& value)
{
    if (SameTextAZ(value, host_)) return;
    CheckInactive();
    host_ = value;
}

void TClientSocket::SetService(const std::string& value)
{
    if (SameTextAZ(value, service_)) return;
    CheckInactive();
    service_ = value;
}

void TClientSocket::SetPort(int value)
{
    if (value == port_) return;
    CheckInactive();
    port_ = value;
}

void TClientSocket::SetClientType(TClientType value)
{
    if (value == clientType_) return;
    if (connected_) throw ESocketError(kActiveRefusal);
    clientType_ = value;
}

void TClientSocket::SetActive(bool value)
{
    if (value == connected_) return;
    if (value) OpenBlocking();
    else CloseSocket(true);
}

std::string TClientSocket::PeerAddress() const { return connected_ ? peer_.ToString() : std::string(); }

// ---- opening ----

void TClientSocket::OpenBlocking()
{
    if (connected_) throw ESocketError("Socket already open");
    if (clientType_ != ctBlocking) throw ESocketError("Only blocking client sockets are supported");
    aborted_ = false;
    fd_ = platform::NewStreamSocket(AF_INET);
    if (fd_ < 0) throw ESocketError("Can't create new socket");
    ++generation_;
    try {
        if (OnLookup) OnLookup(this);
        std::vector<platform::SocketAddress> addresses = PeerAddresses();
        if (OnConnecting) OnConnecting(this);
        ConnectToAny(std::move(addresses));
        transport_ = TransportFactory ? TransportFactory(fd_) : std::make_unique<platform::PlainTransport>(fd_);
        connected_ = true;
        if (ImplicitTls) StartTls();
        active_ = true;
        if (OnConnect) OnConnect(this);
    } catch (...) {
        CloseSocket(true);
        throw;
    }
}

int TClientSocket::PeerPort() const
{
    if (service_.empty()) return port_;
    servent* entry = ::getservbyname(service_.c_str(), "tcp");
    return entry ? ntohs(static_cast<uint16_t>(entry->s_port)) : 0;
}

std::vector<platform::SocketAddress> TClientSocket::PeerAddresses()
{
    std::vector<platform::SocketAddress> addresses;
    if (!host_.empty()) {
        addresses = LookUp(host_);
    } else if (!address_.empty()) {
        platform::SocketAddress numeric;
        // Not a numeric address: nothing to connect to, as an unresolvable name.
        if (!platform::ParseNumericAddress(address_, numeric)) Fail(EDESTADDRREQ, "connect");
        addresses.push_back(numeric);
    } else {
        throw ESocketError("No address specified");
    }
    const int port = PeerPort();
    // A port that does not fit would silently reach another one.
    if (port < 1 || port > 65535) Fail(EINVAL, "connect");
    for (auto& a : addresses) a.SetPort(port);
    return addresses;
}

std::vector<platform::SocketAddress> TClientSocket::LookUp(const std::string& name)
{
    platform::SocketAddress numeric;
    if (platform::ParseNumericAddress(name, numeric)) return {numeric};

    // The resolver runs on its own thread; this thread keeps the window going meanwhile.
    auto lookup = platform::HostLookup::Start(name, AF_UNSPEC);
    const auto deadline = Clock::now() + std::chrono::milliseconds(TimeOut);
    const unsigned generation = generation_;
    while (!lookup->WaitFor(kSlice)) {
        platform::ProcessMessages();
        if (aborted_ || generation != generation_) throw ESocketAborted("Operation cancelled by user");
        if (TimeOut > 0 && Clock::now() >= deadline) Fail(ETIMEDOUT, "connect");
    }
    if (lookup->Result() != 0) {
        // The resolver's own words say more than any socket error number.
        throw ESocketError("Windows socket error: " + lookup->ErrorText() + " (" + std::to_string(lookup->Result()) +
                           "), on API 'connect'");
    }
    return lookup->Addresses();
}

void TClientSocket::ConnectToAny(std::vector<platform::SocketAddress> addresses)
{
    // Each address in the resolver's order (IPv6 and IPv4), all within one time-out.
    const auto deadline = Clock::now() + std::chrono::milliseconds(TimeOut);
    const int savedTimeOut = TimeOut;
    int lastError = EHOSTUNREACH;
    for (const auto& address : addresses) {
        if (TimeOut > 0) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0) {
                lastError = ETIMEDOUT;
                break;
            }
            TimeOut = int(left);
        }
        int error = 0;
        try {
            error = ConnectTo(address);
        } catch (...) {
            TimeOut = savedTimeOut;
            throw;
        }
        TimeOut = savedTimeOut;
        if (error == 0) {
            peer_ = address;
            return;
        }
        lastError = error;
    }
    Fail(lastError, "connect");
}

int TClientSocket::ConnectTo(const platform::SocketAddress& address)
{
    // Every attempt gets a socket of the address's family that has never tried to connect.
    if (fd_ >= 0) ::close(fd_);
    fd_ = platform::NewStreamSocket(address.Family());
    ++generation_;
    if (fd_ < 0) throw ESocketError("Can't create new socket");

    if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address.storage), address.length) == 0) return 0;
    int e = errno;
    if (e != EINPROGRESS && e != EINTR) return e;
    if (!Wait(POLLOUT)) return ETIMEDOUT;
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
    return error;
}

void TClientSocket::StartTls()
{
    if (!connected_ || fd_ < 0) throw ESocketError(SocketErrorMessage(ENOTCONN, "connect"));
    auto secure = std::make_unique<tls::TlsTransport>(fd_, Tls);
    tls::TlsTransport& handshake = *secure;
    transport_ = std::move(secure);
    for (;;) {
        platform::IoResult r = handshake.Handshake();
        if (r.status == platform::IoStatus::Done) return;
        if (r.status == platform::IoStatus::Failed || r.status == platform::IoStatus::Closed) {
            std::optional<tls::CertificateProblem> refused = handshake.RefusedCertificate();
            CloseSocket(true);
            if (refused) throw tls::ECertificateRefused(*refused);
            throw ESocketError(r.message);
        }
        bool ready = false;
        try {
            ready = Wait(platform::PollEventsFor(r.status));
        } catch (...) {
            CloseSocket(true);
            throw;
        }
        if (!ready) {
            CloseSocket(true);
            Fail(ETIMEDOUT, "connect");
        }
    }
}

// ---- closing ----

void TClientSocket::CloseSocket(bool fireEvents)
{
    if (fd_ < 0) return;
    active_ = false;
    if (fireEvents && !destroying_ && OnDisconnect) OnDisconnect(this);
    if (fd_ < 0) return;  // the handler closed it already
    if (transport_) transport_->Shutdown();
    transport_.reset();
    ::close(fd_);
    fd_ = -1;
    ++generation_;
    peer_ = {};
    connected_ = false;
}

void TClientSocket::Abort()
{
    aborted_ = true;
    CloseSocket(true);
}

// ---- waiting ----

bool TClientSocket::Wait(short events)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(TimeOut);
    const unsigned generation = generation_;
    for (;;) {
        if (events == POLLIN && transport_ && transport_->Buffered() > 0) return true;
        auto slice = kSlice;
        if (TimeOut > 0) {
            // Rounded up: a slice never ends just short of the deadline and spins on the rest.
            auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            if (left < slice) slice = std::max(left, std::chrono::milliseconds(0));
        }
        pollfd p{fd_, events, 0};
        if (::poll(&p, 1, int(slice.count())) > 0 && p.revents != 0) return true;
        platform::ProcessMessages();
        // Stop, or a close from a handler run by the pump, ends the wait.
        if (aborted_ || generation != generation_ || fd_ < 0) throw ESocketAborted("Operation cancelled by user");
        if (TimeOut > 0 && Clock::now() >= deadline) return false;
    }
}

// ---- failures ----

void TClientSocket::Fail(int errnoValue, const char* api) { throw ESocketError(SocketErrorMessage(errnoValue, api)); }

void TClientSocket::SocketFailure(TErrorEvent kind, int errnoValue, const char* api)
{
    int code = errnoValue;
    if (OnError) OnError(this, kind, code);
    CloseSocket(true);
    if (code != 0) Fail(errnoValue, api);
}

// ---- data ----

int TClientSocket::SendBuf(const void* Buf, int Count)
{
    if (!connected_ || Count <= 0) return 0;
    for (;;) {
        platform::IoResult r = transport_->Send(Buf, size_t(Count));
        if (r.status == platform::IoStatus::Done) return int(r.bytes);
        if (r.status == platform::IoStatus::WantRead || r.status == platform::IoStatus::WantWrite) {
            if (!Wait(platform::PollEventsFor(r.status))) {
                SocketFailure(eeSend, ETIMEDOUT, "send");
                return 0;
            }
            continue;
        }
        SocketFailure(eeSend, r.error ? r.error : ECONNRESET, "send");
        return 0;
    }
}

int TClientSocket::ReceiveBuf(void* Buf, int Count)
{
    if (Count == -1) {
        if (!connected_) return 0;
        int waiting = 0;
        if (::ioctl(fd_, FIONREAD, &waiting) != 0) waiting = 0;
        return waiting + int(transport_->Buffered());
    }
    if (!connected_ || Count <= 0) return 0;
    for (;;) {
        platform::IoResult r = transport_->Receive(Buf, size_t(Count));
        if (r.status == platform::IoStatus::Done) return int(r.bytes);
        if (r.status == platform::IoStatus::Closed) return 0;
        if (r.status == platform::IoStatus::WantRead || r.status == platform::IoStatus::WantWrite) {
            if (!Wait(platform::PollEventsFor(r.status))) {
                SocketFailure(eeReceive, ETIMEDOUT, "recv");
                return 0;
            }
            continue;
        }
        SocketFailure(eeReceive, r.error ? r.error : ECONNRESET, "recv");
        return 0;
    }
}
