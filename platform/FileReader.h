#pragma once
// A file read in pieces, closed when the reader goes. Opening and reading throw EInOutError
// ("Cannot open PATH: reason", "Cannot read PATH: reason"); an interrupted read is resumed.
#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

class TFileReader {
public:
    explicit TFileReader(const std::string& path);
    ~TFileReader();
    TFileReader(const TFileReader&) = delete;
    TFileReader& operator=(const TFileReader&) = delete;

    // Up to `size` bytes into `buffer`; 0 at the end of the file.
    size_t Read(char* buffer, size_t size);
    int64_t Size() const;  // as the file is now; 0 when it cannot be told

private:
    std::string path_;
    int fd_ = -1;
};

}  // namespace platform
