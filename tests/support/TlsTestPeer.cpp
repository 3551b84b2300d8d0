#include "TlsTestPeer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <pthread.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int WaitLimitMs = 10000;

using ContextPointer = std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)>;
using SslPointer = std::unique_ptr<SSL, decltype(&SSL_free)>;

std::string OpenSslErrors()
{
    std::string text;
    while (const unsigned long e = ERR_get_error()) {
        char line[256];
        ERR_error_string_n(e, line, sizeof line);
        if (!text.empty()) text += "; ";
        text += line;
    }
    return text.empty() ? "no OpenSSL error" : text;
}

// 1 readable, 0 timed out, -1 stopped.
int WaitReadable(int fd, int stopFd, int limitMs)
{
    pollfd p[2] = {{fd, POLLIN, 0}, {stopFd, POLLIN, 0}};
    const int n = ::poll(p, 2, limitMs);
    if (p[1].revents & POLLIN) return -1;
    return n > 0 ? 1 : 0;
}

bool SendAll(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0 && errno != EINTR) return false;
        if (n > 0) done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

TlsTestPeer::TlsTestPeer(Options options) : options_(std::move(options))
{
    if (::pipe2(stopPipe_, O_CLOEXEC) != 0) throw std::runtime_error("TLS test peer: pipe failed");
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listenFd_ < 0 || ::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listenFd_, 1) != 0 || ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("TLS test peer: cannot listen on 127.0.0.1");
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Run(); });
}

TlsTestPeer::~TlsTestPeer()
{
    Stop();
    if (thread_.joinable()) thread_.join();
    ::close(listenFd_);
    ::close(stopPipe_[0]);
    ::close(stopPipe_[1]);
}

void TlsTestPeer::Stop()
{
    char byte = 1;
    (void)!::write(stopPipe_[1], &byte, 1);
    std::lock_guard<std::mutex> lock(mutex_);
    if (connectionFd_ >= 0) ::shutdown(connectionFd_, SHUT_RDWR);
}

TlsTestPeer::Outcome TlsTestPeer::Finish(std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (done_) break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            std::lock_guard<std::mutex> lock(mutex_);
            outcome_.error += " (stopped: the act did not end in time)";
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    Stop();
    if (thread_.joinable()) thread_.join();
    return outcome_;
}

void TlsTestPeer::Run()
{
    // OpenSSL writes to the socket with write(): a client that is gone must not raise a
    // SIGPIPE that ends the test program. Blocked here, it stays with this thread.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);

    int connection = -1;
    if (WaitReadable(listenFd_, stopPipe_[0], WaitLimitMs) == 1)
        connection = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection < 0) {
        std::lock_guard<std::mutex> lock(mutex_);
        outcome_.error = "no client connected";
        done_ = true;
        return;
    }
    timeval limit{WaitLimitMs / 1000, 0};
    ::setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    ::setsockopt(connection, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    if (options_.receiveBuffer) {
        const int size = static_cast<int>(options_.receiveBuffer);
        ::setsockopt(connection, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        connectionFd_ = connection;
    }
    Play(connection);
    std::lock_guard<std::mutex> lock(mutex_);
    connectionFd_ = -1;
    ::close(connection);
    done_ = true;
}

void TlsTestPeer::Play(int connection)
{
    auto fail = [this](std::string error) {
        std::lock_guard<std::mutex> lock(mutex_);
        outcome_.error = std::move(error);
    };
    auto untilClientGoes = [&] {
        char buffer[4096];
        while (WaitReadable(connection, stopPipe_[0], WaitLimitMs) == 1 && ::recv(connection, buffer, sizeof buffer, 0) > 0) {
        }
    };
    auto readClientHello = [&] {
        char buffer[16384];
        return WaitReadable(connection, stopPipe_[0], WaitLimitMs) == 1 && ::recv(connection, buffer, sizeof buffer, 0) > 0;
    };

    switch (options_.act) {
    case Act::SpeakPlainPop3:
        SendAll(connection, options_.greeting);
        untilClientGoes();
        return;
    case Act::SendRaw:
        if (readClientHello()) SendAll(connection, options_.greeting);
        return;
    case Act::StallInHandshake:
        if (readClientHello()) untilClientGoes();
        return;
    case Act::CloseInHandshake:
        readClientHello();
        return;
    case Act::Serve:
    case Act::ServeThenCut:
    case Act::ServeThenCloseNotify: break;
    }

    ContextPointer context(SSL_CTX_new(TLS_server_method()), SSL_CTX_free);
    if (!context || SSL_CTX_use_certificate_chain_file(context.get(), options_.certificate.c_str()) != 1 ||
        SSL_CTX_use_PrivateKey_file(context.get(), options_.key.c_str(), SSL_FILETYPE_PEM) != 1)
        return fail("cannot load the certificate: " + OpenSslErrors());
    if (options_.maxVersion) {
        // An outdated server: its old versions need the weak settings that are off by default.
        SSL_CTX_set_security_level(context.get(), 0);
        SSL_CTX_set_cipher_list(context.get(), "DEFAULT:@SECLEVEL=0");
        SSL_CTX_set_min_proto_version(context.get(), TLS1_VERSION);
        SSL_CTX_set_max_proto_version(context.get(), options_.maxVersion);
    }
    SslPointer ssl(SSL_new(context.get()), SSL_free);
    if (!ssl || SSL_set_fd(ssl.get(), connection) != 1) return fail("cannot set up TLS: " + OpenSslErrors());
    if (SSL_accept(ssl.get()) != 1) return fail("handshake failed: " + OpenSslErrors());
    {
        std::lock_guard<std::mutex> lock(mutex_);
        outcome_.handshook = true;
        const char* name = SSL_get_servername(ssl.get(), TLSEXT_NAMETYPE_host_name);
        outcome_.serverName = name ? name : "";
    }
    if (!options_.greeting.empty() &&
        SSL_write(ssl.get(), options_.greeting.data(), static_cast<int>(options_.greeting.size())) <= 0)
        return fail("cannot send the greeting: " + OpenSslErrors());
    if (options_.act == Act::ServeThenCut) return;
    if (options_.act == Act::ServeThenCloseNotify) {
        SSL_shutdown(ssl.get());
        return;
    }
    if (options_.readDelay.count() > 0) {
        pollfd stop{stopPipe_[0], POLLIN, 0};
        if (::poll(&stop, 1, static_cast<int>(options_.readDelay.count())) != 0) return;
    }
    char buffer[16384];
    for (;;) {
        const int n = SSL_read(ssl.get(), buffer, sizeof buffer);
        if (n <= 0) {
            if (SSL_get_error(ssl.get(), n) == SSL_ERROR_ZERO_RETURN) SSL_shutdown(ssl.get());
            ERR_clear_error();
            return;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        outcome_.received.append(buffer, static_cast<std::size_t>(n));
    }
}
