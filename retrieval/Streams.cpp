#include "retrieval/Streams.h"

#include "platform/Exception.h"
#include "platform/TextFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr size_t kWriteBuffer = 64 * 1024;
}

int64_t TStream::Size()
{
    int64_t here = Position();
    int64_t end = Seek(0, soEnd);
    Seek(here, soBeginning);
    return end;
}

void TStream::ReadBuffer(void* buffer, int64_t count)
{
    if (count > 0 && Read(buffer, count) != count) throw EStreamError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int64_t count)
{
    if (count > 0 && Write(buffer, count) != count) throw EStreamError("Stream write error");
}

// ---------------------------------------------------------------------------------------------

int64_t TMemoryStream::Read(void* buffer, int64_t count)
{
    if (count <= 0 || position_ >= int64_t(data_.size())) return 0;
    int64_t n = std::min<int64_t>(count, int64_t(data_.size()) - position_);
    std::memcpy(buffer, data_.data() + position_, size_t(n));
    position_ += n;
    return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count)
{
    if (count <= 0) return 0;
    const char* bytes = static_cast<const char*>(buffer);
    if (position_ == int64_t(data_.size())) {
        data_.append(bytes, size_t(count));
    } else {
        if (position_ + count > int64_t(data_.size())) data_.resize(size_t(position_ + count));
        std::memcpy(data_.data() + position_, bytes, size_t(count));
    }
    position_ += count;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin)
{
    int64_t base = origin == soBeginning ? 0 : origin == soCurrent ? position_ : int64_t(data_.size());
    int64_t target = base + offset;
    if (target < 0) throw EStreamError("Invalid stream operation");
    position_ = target;  // past the end is allowed; a write there fills the gap with zeros
    return position_;
}

void TMemoryStream::SetSize(int64_t size)
{
    data_.resize(size_t(std::max<int64_t>(size, 0)));
    position_ = std::min(position_, int64_t(data_.size()));
}

void TMemoryStream::Clear()
{
    data_.clear();
    data_.shrink_to_fit();
    position_ = 0;
}

void TMemoryStream::Assign(std::string bytes)
{
    data_ = std::move(bytes);
    position_ = 0;
}

void TMemoryStream::LoadFromFile(const std::string& path)
{
    // Read at the size the file has, so a large body is not copied while its buffer grows.
    TFileStream file(path, TFileMode::OpenRead);
    std::string bytes(size_t(file.Size()), '\0');
    int64_t got = file.Read(bytes.data(), int64_t(bytes.size()));
    bytes.resize(size_t(got));
    char more[4096];
    while (int64_t n = file.Read(more, sizeof more)) bytes.append(more, size_t(n));
    Assign(std::move(bytes));
}

void TMemoryStream::SaveToFile(const std::string& path) const { platform::WriteBytes(path, data_); }

bool TMemoryStream::SaveToNewFile(const std::string& path) const
{
    // Made exclusively: no other file (nor a link's target) can be replaced between the look
    // and the write.
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (errno == EEXIST) return false;
        throw EInOutError("Cannot create file " + path + ": " + std::strerror(errno));
    }
    auto fail = [&] {
        const int saved = errno;
        ::close(fd);
        ::unlink(path.c_str());  // a half-written copy is worse than none
        throw EInOutError("Cannot write file " + path + ": " + std::strerror(saved));
    };
    size_t done = 0;
    while (done < data_.size()) {
        ssize_t n = ::write(fd, data_.data() + done, data_.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail();
        }
        done += size_t(n);
    }
    if (::close(fd) != 0) {
        const int saved = errno;
        ::unlink(path.c_str());
        throw EInOutError("Cannot write file " + path + ": " + std::strerror(saved));
    }
    return true;
}

// ---------------------------------------------------------------------------------------------

TFileStream::TFileStream(const std::string& path, TFileMode mode) : path_(path)
{
    int flags = mode == TFileMode::Create ? (O_RDWR | O_CREAT | O_TRUNC) : O_RDONLY;
    fd_ = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
    if (fd_ < 0) Fail(mode == TFileMode::Create ? "create" : "open");
}

TFileStream::~TFileStream()
{
    try {
        Close();
    } catch (const Exception&) {
        // Closing quietly: whoever needs to know calls Close() first.
    }
}

void TFileStream::Fail(const char* what)
{
    failure_ = std::string("Cannot ") + what + " file " + path_ + ": " + std::strerror(errno);
    throw EInOutError(failure_);
}

void TFileStream::Flush()
{
    size_t done = 0;
    while (done < pending_.size()) {
        ssize_t n = ::write(fd_, pending_.data() + done, pending_.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            pending_.clear();
            Fail("write");
        }
        done += size_t(n);
    }
    pending_.clear();
}

int64_t TFileStream::Read(void* buffer, int64_t count)
{
    if (fd_ < 0) throw EStreamError("Invalid stream operation");
    Flush();
    char* out = static_cast<char*>(buffer);
    int64_t done = 0;
    while (done < count) {
        ssize_t n = ::read(fd_, out + done, size_t(count - done));
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail("read");
        }
        if (n == 0) break;
        done += n;
    }
    return done;
}

int64_t TFileStream::Write(const void* buffer, int64_t count)
{
    if (fd_ < 0) throw EStreamError("Invalid stream operation");
    if (count <= 0) return 0;
    pending_.append(static_cast<const char*>(buffer), size_t(count));
    if (pending_.size() >= kWriteBuffer) Flush();
    return count;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin)
{
    if (fd_ < 0) throw EStreamError("Invalid stream operation");
    Flush();
    int whence = origin == soBeginning ? SEEK_SET : origin == soCurrent ? SEEK_CUR : SEEK_END;
    off_t at = ::lseek(fd_, off_t(offset), whence);
    if (at < 0) Fail("seek in");
    return int64_t(at);
}

int64_t TFileStream::Size()
{
    if (fd_ < 0) throw EStreamError("Invalid stream operation");
    Flush();
    struct stat st {};
    if (::fstat(fd_, &st) != 0) Fail("read");
    return int64_t(st.st_size);
}

void TFileStream::Close()
{
    if (fd_ < 0) return;
    try {
        Flush();
    } catch (...) {
        ::close(fd_);
        fd_ = -1;
        throw;
    }
    int rc = ::close(fd_);
    fd_ = -1;
    if (rc != 0) Fail("write");
    if (!failure_.empty()) throw EInOutError(failure_);
}
