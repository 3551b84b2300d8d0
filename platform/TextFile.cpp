#include "TextFile.h"

#include "Exception.h"
#include "FileReader.h"

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
    TFileReader file(path);
    std::string data;
    char buffer[65536];
    while (size_t n = file.Read(buffer, sizeof buffer)) data.append(buffer, n);
    return data;
}

TReplacingFile::TReplacingFile(std::string path) : path_(std::move(path))
{
    std::string temp = path_ + ".tmp-XXXXXX";
    std::vector<char> name(temp.begin(), temp.end());
    name.push_back('\0');
    fd_ = ::mkstemp(name.data());
    if (fd_ < 0) Fail("write", path_);
    tempName_ = name.data();
    buffer_.reserve(kBufferBytes);
}

TReplacingFile::~TReplacingFile()
{
    if (fd_ < 0) return;
    ::close(fd_);
    ::unlink(tempName_.c_str());
}

void TReplacingFile::Write(std::string_view bytes)
{
    if (fd_ < 0) throw EInOutError("Cannot write " + path_ + ": the file is closed");
    if (buffer_.size() + bytes.size() > kBufferBytes) Flush();
    if (bytes.size() >= kBufferBytes) return WriteOut(bytes);
    buffer_.append(bytes);
}

void TReplacingFile::Flush()
{
    WriteOut(buffer_);
    buffer_.clear();
}

void TReplacingFile::WriteOut(std::string_view bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            Abandon("write");
        }
        done += size_t(n);
    }
}

void TReplacingFile::Abandon(const char* what)
{
    int saved = errno;
    ::close(fd_);
    ::unlink(tempName_.c_str());
    fd_ = -1;
    errno = saved;
    Fail(what, path_);
}

void TReplacingFile::Commit()
{
    if (fd_ < 0) throw EInOutError("Cannot write " + path_ + ": the file is closed");
    Flush();
    // Keep the permissions of a file being replaced; a new one gets the usual ones.
    struct stat st {};
    mode_t mode = 0666;
    if (::stat(path_.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    if (::fchmod(fd_, mode) != 0) Abandon("write");
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        int saved = errno;
        ::unlink(tempName_.c_str());
        errno = saved;
        Fail("write", path_);
    }
    if (::rename(tempName_.c_str(), path_.c_str()) != 0) {
        int saved = errno;
        ::unlink(tempName_.c_str());
        errno = saved;
        Fail("write", path_);
    }
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    TReplacingFile file(path);
    file.Write(bytes);
    file.Commit();
}

void ForEachFileLine(const std::string& path, const std::function<void(std::string_view)>& use)
{
    TFileReader file(path);
    std::string pending;  // the start of a line the last piece cut
    char buffer[65536];
    while (size_t n = file.Read(buffer, sizeof buffer)) {
        std::string_view piece(buffer, n);
        for (size_t nl; (nl = piece.find('\n')) != std::string_view::npos; piece.remove_prefix(nl + 1)) {
            if (pending.empty()) {
                use(piece.substr(0, nl));
            } else {
                pending.append(piece.substr(0, nl));
                use(pending);
                pending.clear();
            }
        }
        pending.append(piece);
    }
    if (!pending.empty()) use(pending);
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
