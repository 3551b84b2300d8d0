#include "platform/FileReader.h"

#include "platform/Exception.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

TFileReader::TFileReader(const std::string& path) : path_(path)
{
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) throw EInOutError("Cannot open " + path + ": " + std::strerror(errno));
}

TFileReader::~TFileReader() { ::close(fd_); }

size_t TFileReader::Read(char* buffer, size_t size)
{
    for (;;) {
        ssize_t n = ::read(fd_, buffer, size);
        if (n >= 0) return size_t(n);
        if (errno != EINTR) throw EInOutError("Cannot read " + path_ + ": " + std::strerror(errno));
    }
}

int64_t TFileReader::Size() const
{
    struct stat st {};
    return ::fstat(fd_, &st) == 0 ? int64_t(st.st_size) : 0;
}

}  // namespace platform
