#include "TlsTestDriver.h"

#include "NetTestHelpers.h"

#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

std::unique_ptr<TestCertificates> TlsClientTest::certificates_;

LoopbackConnection::LoopbackConnection(int port, int sendBuffer)
{
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (sendBuffer) ::setsockopt(fd_, SOL_SOCKET, SO_SNDBUF, &sendBuffer, sizeof sendBuffer);
    sockaddr_in address = Loopback(port);
    if (fd_ < 0 || ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        throw std::runtime_error("cannot connect to 127.0.0.1:" + std::to_string(port));
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
}

LoopbackConnection::~LoopbackConnection() { ::close(fd_); }

void LoopbackConnection::EndSending() { ::shutdown(fd_, SHUT_WR); }

IoResult Pump(platform::Transport& transport, const std::function<IoResult()>& step, Millis limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        IoResult result = step();
        if (result.status != IoStatus::WantRead && result.status != IoStatus::WantWrite) return result;
        if (std::chrono::steady_clock::now() >= deadline) return result;
        if (result.status == IoStatus::WantRead && transport.Buffered() > 0) continue;
        pollfd p{transport.Descriptor(), platform::PollEventsFor(result.status), 0};
        ::poll(&p, 1, 10);
    }
}

IoResult PumpHandshake(platform::Transport& transport, Millis limit)
{
    return Pump(transport, [&] { return transport.Handshake(); }, limit);
}

IoResult SendAll(platform::Transport& transport, const std::string& bytes, int* writeWaits)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        IoResult result = Pump(transport, [&] {
            IoResult r = transport.Send(bytes.data() + sent, bytes.size() - sent);
            if (r.status == IoStatus::WantWrite && writeWaits) ++*writeWaits;
            return r;
        });
        if (result.status != IoStatus::Done) return result;
        sent += result.bytes;
    }
    return {};
}

std::string LineReader::ReadLine(IoResult* end, Millis limit)
{
    for (;;) {
        const std::size_t lineEnd = pending_.find("\r\n");
        if (lineEnd != std::string::npos) {
            std::string line = pending_.substr(0, lineEnd + 2);
            pending_.erase(0, lineEnd + 2);
            if (end) *end = {};
            return line;
        }
        char buffer[4096];
        IoResult result = Pump(transport_, [&] { return transport_.Receive(buffer, sizeof buffer); }, limit);
        if (result.status != IoStatus::Done) {
            if (end) *end = result;
            return {};
        }
        pending_.append(buffer, result.bytes);
    }
}

std::string LineReader::Command(const std::string& command)
{
    const IoResult sent = SendAll(transport_, command + "\r\n");
    if (sent.status != IoStatus::Done) return "<not sent: " + sent.message + ">";
    return ReadLine();
}

TlsTestPeer::Options TlsClientTest::Serving(const CertificateFiles& files, TlsTestPeer::Act act)
{
    TlsTestPeer::Options options;
    options.act = act;
    options.certificate = files.certificate;
    options.key = files.key;
    return options;
}

IoResult TlsClientTest::Open(TlsTestPeer::Options peer, tls::TlsSettings settings)
{
    tls_.reset();
    connection_.reset();
    peer_.reset();
    peer_.emplace(std::move(peer));
    connection_.emplace(peer_->Port());
    tls_.emplace(connection_->Fd(), std::move(settings));
    return PumpHandshake(*tls_);
}
