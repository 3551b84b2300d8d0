#include "PieceServer.h"

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace {

bool SendAll(int fd, const std::string& bytes)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += size_t(n);
    }
    return true;
}

// One command line without its CR LF; false when the client is gone.
bool ReadCommand(int fd, std::string& pending, std::string& command, const std::atomic<bool>& stopping)
{
    for (;;) {
        size_t end = pending.find("\r\n");
        if (end != std::string::npos) {
            command = pending.substr(0, end);
            pending.erase(0, end + 2);
            return true;
        }
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 100) == 0) {
            if (stopping) return false;
            continue;
        }
        char buffer[4096];
        ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) return false;
        pending.append(buffer, size_t(n));
    }
}

// Dot-stuffed lines of `text`, each ending with CR LF.
std::string Stuffed(const std::string& text)
{
    std::string out;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find("\r\n", at);
        if (end == std::string::npos) end = text.size();
        if (text[at] == '.') out += '.';
        out.append(text, at, end - at);
        out += "\r\n";
        at = end + 2;
    }
    return out;
}

}  // namespace

std::string PieceServer::Message(int n)
{
    const std::string id = std::to_string(n);
    std::string header =
        "Return-Path: <sender" + id + "@example.org>\r\n"
        "Received: from mail.example.org (mail.example.org [192.0.2.10])\r\n"
        "\tby mx.example.net (Postfix) with ESMTPS id 4Xy" + id + "\r\n"
        "\tfor <bob@example.net>; Tue, 8 Dec 2026 10:00:00 +0000 (UTC)\r\n"
        "Received: from client.example.org (client.example.org [198.51.100.7])\r\n"
        "\tby mail.example.org with ESMTPSA id a" + id + "\r\n"
        "\tfor <bob@example.net>; Tue, 8 Dec 2026 09:59:58 +0000\r\n"
        "Message-ID: <" + id + ".bench@example.org>\r\n"
        "Date: Tue, 8 Dec 2026 09:59:58 +0000\r\n"
        "From: Sender Number " + id + " <sender" + id + "@example.org>\r\n"
        "To: Bob Example <bob@example.net>\r\n"
        "Subject: Message " + id + " of the delayed acknowledgement benchmark,\r\n"
        " folded as long subjects are\r\n"
        "MIME-Version: 1.0\r\n"
        "Content-Type: text/plain; charset=UTF-8\r\n"
        "Content-Transfer-Encoding: 8bit\r\n"
        "X-Mailer: bench\r\n"
        "X-Spam-Status: No, score=-1.0 required=5.0 tests=ALL_TRUSTED autolearn=ham\r\n";
    std::string body;
    for (int i = 0; i < 20; ++i) body += "Line " + std::to_string(i) + " of message " + id + ", some ordinary text.\r\n";
    return header + "\r\n" + body;
}

PieceServer::PieceServer(int messages, std::chrono::microseconds gap) : messages_(messages), gap_(gap)
{
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0) throw std::runtime_error("socket: " + std::string(std::strerror(errno)));
    int on = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listenFd_, 4) != 0 ||
        ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("listen: " + std::string(std::strerror(errno)));
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Run(); });
}

PieceServer::~PieceServer()
{
    stopping_ = true;
    thread_.join();
    ::close(listenFd_);
}

void PieceServer::Run()
{
    while (!stopping_) {
        pollfd p{listenFd_, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) continue;
        int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        Serve(fd);  // Nagle stays on: no TCP_NODELAY, as in the servers this stands for
        ::close(fd);
    }
}

void PieceServer::Serve(int fd)
{
    auto pieces = [&](const std::string& status, const std::string& text) {
        if (!SendAll(fd, status)) return false;
        std::this_thread::sleep_for(gap_);
        if (!text.empty() && !SendAll(fd, text)) return false;
        std::this_thread::sleep_for(gap_);
        return SendAll(fd, ".\r\n");
    };
    auto number = [&](const std::string& command, size_t at) {
        int n = std::atoi(command.c_str() + at);
        return n >= 1 && n <= messages_ ? n : 0;
    };
    std::string pending, command;
    if (!SendAll(fd, "+OK POP3 bench server ready\r\n")) return;
    while (ReadCommand(fd, pending, command, stopping_)) {
        bool ok = true;
        if (command == "CAPA") ok = pieces("+OK Capability list follows\r\n", "TOP\r\nUSER\r\nUIDL\r\n");
        else if (command.rfind("USER ", 0) == 0 || command.rfind("PASS ", 0) == 0) ok = SendAll(fd, "+OK\r\n");
        else if (command == "STAT") {
            long long total = 0;
            for (int n = 1; n <= messages_; ++n) total += (long long)Message(n).size();
            ok = SendAll(fd, "+OK " + std::to_string(messages_) + " " + std::to_string(total) + "\r\n");
        } else if (command == "LIST" || command == "UIDL") {
            std::string lines;
            for (int n = 1; n <= messages_; ++n)
                lines += std::to_string(n) + " " +
                         (command == "LIST" ? std::to_string(Message(n).size()) : "uid" + std::to_string(n)) + "\r\n";
            ok = pieces("+OK\r\n", lines);
        } else if (command.rfind("LIST ", 0) == 0) {
            const int n = number(command, 5);
            ok = SendAll(fd, n ? "+OK " + std::to_string(n) + " " + std::to_string(Message(n).size()) + "\r\n"
                               : "-ERR no such message\r\n");
        } else if (command.rfind("TOP ", 0) == 0 || command.rfind("RETR ", 0) == 0) {
            const int n = number(command, command[0] == 'T' ? 4 : 5);
            std::string message = n ? Message(n) : std::string();
            if (command[0] == 'T') message.resize(message.find("\r\n\r\n") + 4);
            ok = n ? pieces("+OK\r\n", Stuffed(message)) : SendAll(fd, "-ERR no such message\r\n");
        } else if (command == "QUIT") {
            SendAll(fd, "+OK bye\r\n");
            return;
        } else {
            ok = SendAll(fd, "-ERR unknown command\r\n");
        }
        if (!ok) return;
    }
}
