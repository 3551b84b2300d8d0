#include "TextFile.h"

#include "Exception.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path)
{
    throw EInOutError("Cannot " + what + " " + path + ": " + std::strerror(errno));
}

}  // namespace

std::string ReadBytes(const std::string& path)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) Fail("open", path);
    std::string data;
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            int saved = errno;
            ::close(fd);
            errno = saved;
            Fail("read", path);
        }
        if (n == 0) break;
        data.append(buffer, size_t(n));
    }
    ::close(fd);
    return data;
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::string temp = path + ".tmp-XXXXXX";
    std::vector<char> name(temp.begin(), temp.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0) Fail("write", path);
    auto abandon = [&](const char* what) {
        int saved = errno;
        ::close(fd);
        ::unlink(name.data());
        errno = saved;
        Fail(what, path);
    };
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            abandon("write");
        }
        done += size_t(n);
    }
    // Keep the permissions of a file being replaced; a new one gets the usual ones.
    struct stat st {};
    mode_t mode = 0666;
    if (::stat(path.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    if (::fchmod(fd, mode) != 0) abandon("write");
    if (::close(fd) != 0) {
        ::unlink(name.data());
        Fail("write", path);
    }
    if (::rename(name.data(), path.c_str()) != 0) {
        int saved = errno;
        ::unlink(name.data());
        errno = saved;
        Fail("write", path);
    }
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0, i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.emplace_back(text, start, i - start);
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < text.size()) lines.emplace_back(text, start, text.size() - start);
    return lines;
}

std::vector<std::string> ReadLines(const std::string& path) { return SplitLines(ReadBytes(path)); }

namespace {
std::string JoinLines(const std::vector<std::string>& lines, bool crlf)
{
    std::string text;
    size_t total = 0;
    for (const auto& l : lines) total += l.size() + 2;
    text.reserve(total);
    for (const auto& l : lines) {
        text += l;
        text += crlf ? "\r\n" : "\n";
    }
    return text;
}
}  // namespace

void WriteLines(const std::string& path, const std::vector<std::string>& lines, bool crlf)
{
    WriteBytes(path, JoinLines(lines, crlf));
}

void RewriteLines(const std::string& path, const std::vector<std::string>& lines)
{
    const std::string text = JoinLines(lines, true);
    // Written over and then cut to its new length, not truncated first: ext4 flushes a file
    // that was truncated to nothing and written again when it is closed, which made a repeated
    // check of a big mailbox wait on the disk once per header file.
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) Fail("write", path);
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            int saved = errno;
            ::close(fd);
            errno = saved;
            Fail("write", path);
        }
        done += size_t(n);
    }
    if (::ftruncate(fd, off_t(text.size())) != 0) {
        int saved = errno;
        ::close(fd);
        errno = saved;
        Fail("write", path);
    }
    if (::close(fd) != 0) Fail("write", path);
}

}  // namespace platform
