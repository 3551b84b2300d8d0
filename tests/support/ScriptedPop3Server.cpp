#include "ScriptedPop3Server.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// Bytes as a readable C-like literal, cut short when long.
std::string Escape(const std::string& bytes)
{
    std::string out;
    const std::size_t shown = std::min<std::size_t>(bytes.size(), 200);
    for (std::size_t i = 0; i < shown; ++i) {
        unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else if (c == '"' || c == '\\') out += std::string("\\") + char(c);
        else if (c < 32 || c >= 127) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        } else out += char(c);
    }
    if (shown < bytes.size()) out += "...(" + std::to_string(bytes.size()) + " bytes)";
    return "\"" + out + "\"";
}

void SetNonBlocking(int fd) { ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK); }

}  // namespace

ScriptedPop3Server::ScriptedPop3Server()
{
    if (::pipe2(stopPipe_, O_CLOEXEC) != 0) throw std::runtime_error("scripted server: pipe failed");
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0) throw std::runtime_error("scripted server: socket failed");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listenFd_, 8) != 0 ||
        ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("scripted server: cannot listen on 127.0.0.1");
    port_ = ntohs(address.sin_port);
}

ScriptedPop3Server::~ScriptedPop3Server()
{
    if (started_ && thread_.joinable()) {
        Stop();
        thread_.join();
    }
    if (!reported_) {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const std::string& failure : failures_) ADD_FAILURE() << "scripted POP3 server: " << failure;
    }
    if (connFd_ >= 0) ::close(connFd_);
    ::close(listenFd_);
    ::close(stopPipe_[0]);
    ::close(stopPipe_[1]);
}

// ---- script building ----

ScriptedPop3Server& ScriptedPop3Server::Expect(std::string bytes)
{
    steps_.push_back({Kind::Expect, {std::move(bytes)}, Millis(0)});
    return *this;
}

ScriptedPop3Server& ScriptedPop3Server::Send(std::string bytes)
{
    steps_.push_back({Kind::Send, {std::move(bytes)}, Millis(0)});
    return *this;
}

ScriptedPop3Server& ScriptedPop3Server::SendChunks(std::vector<std::string> chunks, Millis delay)
{
    steps_.push_back({Kind::Send, std::move(chunks), delay});
    return *this;
}

ScriptedPop3Server& ScriptedPop3Server::SendUntilCut(std::string bytes)
{
    steps_.push_back({Kind::SendUntilCut, {std::move(bytes)}, Millis(0)});
    return *this;
}

ScriptedPop3Server& ScriptedPop3Server::Silent(Millis duration)
{
    steps_.push_back({Kind::Silent, {}, duration});
    return *this;
}

ScriptedPop3Server& ScriptedPop3Server::SilentUntilClosed()
{
    steps_.push_back({Kind::SilentUntilClosed, {}, Millis(0)});
    return *this;
}

ScriptedPop3Server& ScriptedPop3Server::IgnoreUntilClosed()
{
    steps_.push_back({Kind::IgnoreUntilClosed, {}, Millis(0)});
    return *this;
}

ScriptedPop3Server& ScriptedPop3Server::Close()
{
    steps_.push_back({Kind::Close, {}, Millis(0)});
    return *this;
}

ScriptedPop3Server& ScriptedPop3Server::Reset()
{
    steps_.push_back({Kind::Reset, {}, Millis(0)});
    return *this;
}

ScriptedPop3Server& ScriptedPop3Server::AcceptNext()
{
    steps_.push_back({Kind::AcceptNext, {}, Millis(0)});
    return *this;
}

ScriptedPop3Server& ScriptedPop3Server::Exchange(const std::string& command, std::string reply)
{
    return Expect(command + "\r\n").Send(std::move(reply));
}

ScriptedPop3Server& ScriptedPop3Server::LoginOk(const std::string& user, const std::string& password,
                                                const std::string& statReply)
{
    return MailboxGreeting()
        .Exchange("USER " + user, "+OK\r\n")
        .Exchange("PASS " + password, "+OK Logged in.\r\n")
        .Exchange("STAT", statReply);
}

// ---- running ----

void ScriptedPop3Server::Start()
{
    if (started_) throw std::logic_error("scripted server started twice");
    started_ = true;
    thread_ = std::thread([this] { Run(); });
}

std::string ScriptedPop3Server::Finish(Millis limit)
{
    if (started_ && thread_.joinable()) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            doneSignal_.wait_for(lock, limit, [this] { return done_; });
        }
        Stop();
        thread_.join();
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (!reported_) {
        reported_ = true;
        for (const std::string& failure : failures_) ADD_FAILURE() << "scripted POP3 server: " << failure;
    }
    return transcript_;
}

std::string ScriptedPop3Server::Transcript() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return transcript_;
}

void ScriptedPop3Server::Stop()
{
    char byte = 1;
    (void)!::write(stopPipe_[1], &byte, 1);
}

void ScriptedPop3Server::Fail(std::string message)
{
    std::lock_guard<std::mutex> lock(mutex_);
    failures_.push_back(std::move(message));
}

void ScriptedPop3Server::Run()
{
    bool finished = steps_.empty();
    if (!steps_.empty() && AcceptConnection()) {
        std::size_t index = 0;
        while (index < steps_.size() && RunStep(steps_[index])) ++index;
        finished = index == steps_.size();
        if (!finished && connFd_ >= 0) {
            // Abandoned (a failure or the stop): let the client see the end at once.
            CloseConnection(false);
        }
        if (!finished) {
            std::lock_guard<std::mutex> lock(mutex_);
            if (failures_.empty())
                failures_.push_back("the script was stopped at step " + std::to_string(index + 1) + " of " +
                                    std::to_string(steps_.size()) + " (the client did not get that far)");
        }
    }
    // After the script: anything more from the client is unexpected.
    if (finished && connFd_ >= 0) DrainUntilClosed(true, "after the end of the script");
    if (connFd_ >= 0) CloseConnection(false);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        done_ = true;
    }
    doneSignal_.notify_all();
}

bool ScriptedPop3Server::AcceptConnection()
{
    pollfd p[2] = {{listenFd_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
    const int limit = 30000;
    int n = ::poll(p, 2, limit);
    if (n <= 0 || (p[1].revents & POLLIN)) {
        Fail(n == 0 ? "no client connected within 30 s" : "stopped before a client connected");
        return false;
    }
    connFd_ = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (connFd_ < 0) {
        Fail("accept failed");
        return false;
    }
    int on = 1;
    ::setsockopt(connFd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    SetNonBlocking(connFd_);
    pending_.clear();
    return true;
}

bool ScriptedPop3Server::RunStep(const Step& step)
{
    if (connFd_ < 0 && step.kind != Kind::AcceptNext && step.kind != Kind::Silent) {
        Fail("script error: a step needs a connection, but it was closed before");
        return false;
    }
    switch (step.kind) {
    case Kind::Expect: return DoExpect(step.data.front());
    case Kind::Send:
    case Kind::SendUntilCut: return DoSend(step);
    case Kind::Silent: return Pause(step.delay);
    case Kind::SilentUntilClosed: return DrainUntilClosed(true, "while the server stayed silent");
    case Kind::IgnoreUntilClosed: return DrainUntilClosed(false, "");
    case Kind::Close: CloseConnection(false); return true;
    case Kind::Reset: CloseConnection(true); return true;
    case Kind::AcceptNext:
        if (connFd_ >= 0) CloseConnection(false);
        return AcceptConnection();
    }
    return false;
}

int ScriptedPop3Server::WaitReadable(Millis limit)
{
    pollfd p[2] = {{connFd_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
    int n = ::poll(p, 2, static_cast<int>(std::max<Millis::rep>(limit.count(), 0)));
    if (p[1].revents & POLLIN) return -1;
    return n > 0 ? 1 : 0;
}

bool ScriptedPop3Server::ReadSome()
{
    char buffer[65536];
    ssize_t n = ::recv(connFd_, buffer, sizeof buffer, 0);
    if (n < 0) return errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK;
    if (n == 0) return false;
    pending_.append(buffer, static_cast<std::size_t>(n));
    std::lock_guard<std::mutex> lock(mutex_);
    transcript_.append(buffer, static_cast<std::size_t>(n));
    return true;
}

bool ScriptedPop3Server::DoExpect(const std::string& want)
{
    const auto deadline = Clock::now() + expectLimit;
    std::size_t matched = 0;
    while (matched < want.size()) {
        if (!pending_.empty()) {
            const std::size_t n = std::min(pending_.size(), want.size() - matched);
            for (std::size_t i = 0; i < n; ++i) {
                if (pending_[i] == want[matched + i]) continue;
                // Show the whole offending line: give the rest of it a moment to arrive.
                std::string got = want.substr(0, matched) + pending_;
                for (int tries = 0; got.find('\n') == std::string::npos && tries < 20; ++tries)
                    if (WaitReadable(Millis(10)) != 1 || !ReadSome()) break;
                    else got = want.substr(0, matched) + pending_;
                Fail("unexpected command: expected " + Escape(want) + ", got " + Escape(got));
                CloseConnection(false);
                return false;
            }
            matched += n;
            pending_.erase(0, n);
            continue;
        }
        const auto left = std::chrono::duration_cast<Millis>(deadline - Clock::now());
        int ready = WaitReadable(left);
        if (ready < 0) return false;
        if (ready == 0) {
            Fail("the client sent nothing for " + std::to_string(expectLimit.count()) + " ms; expected " +
                 Escape(want) + (matched ? ", got only " + Escape(want.substr(0, matched)) : std::string()));
            return false;
        }
        if (!ReadSome()) {
            Fail("the client closed the connection; expected " + Escape(want) +
                 (matched ? ", got only " + Escape(want.substr(0, matched)) : std::string()));
            CloseConnection(false);
            return false;
        }
    }
    return true;
}

bool ScriptedPop3Server::Pause(Millis duration)
{
    pollfd p{stopPipe_[0], POLLIN, 0};
    return ::poll(&p, 1, static_cast<int>(duration.count())) == 0;
}

int ScriptedPop3Server::SendAll(const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::send(connFd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd p[2] = {{connFd_, POLLOUT, 0}, {stopPipe_[0], POLLIN, 0}};
            ::poll(p, 2, 1000);
            if (p[1].revents & POLLIN) return -1;
            continue;
        }
        return 0;
    }
    return 1;
}

bool ScriptedPop3Server::DoSend(const Step& step)
{
    for (std::size_t i = 0; i < step.data.size(); ++i) {
        if (i > 0 && !Pause(step.delay)) return false;
        int sent = SendAll(step.data[i]);
        if (sent < 0) return false;
        if (sent == 0) {
            if (step.kind == Kind::SendUntilCut) return true;
            Fail("the client closed the connection before it got " + Escape(step.data[i]));
            CloseConnection(false);
            return false;
        }
    }
    return true;
}

bool ScriptedPop3Server::DrainUntilClosed(bool judge, const char* what)
{
    for (;;) {
        if (judge && !pending_.empty()) {
            Fail(std::string("unexpected command ") + what + ": " + Escape(pending_));
            CloseConnection(false);
            return false;
        }
        pending_.clear();
        int ready = WaitReadable(Millis(30000));
        if (ready < 0) return false;
        if (ready == 0) {
            Fail("the client did not close the connection within 30 s");
            return false;
        }
        if (!ReadSome()) {
            CloseConnection(false);
            return true;
        }
    }
}

void ScriptedPop3Server::CloseConnection(bool reset)
{
    if (connFd_ < 0) return;
    if (reset) {
        linger off{1, 0};
        ::setsockopt(connFd_, SOL_SOCKET, SO_LINGER, &off, sizeof off);
    }
    ::close(connFd_);
    connFd_ = -1;
}
