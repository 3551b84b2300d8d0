#pragma once
// Byte streams for the codecs and attachments: a common base with Read/Write/Seek, a stream held
// in memory and a buffered file stream. Failures raise the platform exceptions.
#include <cstdint>
#include <string>
#include <string_view>

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
public:
    virtual ~TStream() = default;
    TStream() = default;
    TStream(const TStream&) = delete;
    TStream& operator=(const TStream&) = delete;

    // Both return the number of bytes moved, which may be less than asked for.
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    // Returns the new position.
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
    virtual int64_t Size();

    int64_t Position() { return Seek(0, soCurrent); }
    void SetPosition(int64_t position) { Seek(position, soBeginning); }

    // All or nothing: a short transfer raises EStreamError.
    void ReadBuffer(void* buffer, int64_t count);
    void WriteBuffer(const void* buffer, int64_t count);
    void WriteText(std::string_view text) { WriteBuffer(text.data(), int64_t(text.size())); }
};

class TMemoryStream : public TStream {
public:
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override { return int64_t(data_.size()); }

    void SetSize(int64_t size);
    void Clear();
    // The whole content, whatever the position.
    const std::string& Bytes() const { return data_; }
    // Replaces the content; the position goes to the start.
    void Assign(std::string bytes);
    void LoadFromFile(const std::string& path);
    void SaveToFile(const std::string& path) const;
    // Writes the content to a file of that name only if there is none yet (nor a link of that
    // name): false when the name is taken. Throws EInOutError for any other failure.
    bool SaveToNewFile(const std::string& path) const;

private:
    std::string data_;
    int64_t position_ = 0;
};

enum class TFileMode { Create, OpenRead };

// Writes are collected in a buffer, so a stream of short writes costs few system calls. A failed
// write raises EInOutError and is raised again by Close(), so it cannot go unnoticed when an
// intermediate stream swallowed it; the destructor closes quietly.
class TFileStream : public TStream {
public:
    TFileStream(const std::string& path, TFileMode mode);
    ~TFileStream() override;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override;

    void Close();
    const std::string& Path() const { return path_; }

private:
    void Flush();
    [[noreturn]] void Fail(const char* what);

    std::string path_;
    int fd_ = -1;
    std::string pending_;
    std::string failure_;
};
