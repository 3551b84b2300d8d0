#pragma once
// Whole-file reads and writes. Writes go to a temporary file that replaces the target only when
// complete, so a failure never leaves a half-written file behind.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Lines of a text file; a line ends at LF, CR LF or CR. Throws EInOutError.
std::vector<std::string> ReadLines(const std::string& path);
// Every line followed by CR LF (or LF), the last one included; an empty list gives an empty file.
void WriteLines(const std::string& path, const std::vector<std::string>& lines, bool crlf = true);
// Writes the lines into the file itself (created or truncated), without a temporary file: for
// files that are cheap to lose and written in great numbers, such as the saved message headers.
void RewriteLines(const std::string& path, const std::vector<std::string>& lines);
std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
// Each line of a file without its LF (a last line without one counts too), read in pieces, so a
// big file is never held whole. Throws EInOutError.
void ForEachFileLine(const std::string& path, const std::function<void(std::string_view)>& use);

// A file written in pieces that replaces `path` only at Commit, as WriteBytes does: dropped
// before that, it leaves the old file as it was. Write and Commit throw EInOutError.
class TReplacingFile {
public:
    explicit TReplacingFile(std::string path);
    ~TReplacingFile();
    TReplacingFile(const TReplacingFile&) = delete;
    TReplacingFile& operator=(const TReplacingFile&) = delete;

    void Write(std::string_view bytes);
    void Commit();

private:
    static constexpr size_t kBufferBytes = 64 * 1024;
    void Flush();
    void WriteOut(std::string_view bytes);
    [[noreturn]] void Abandon(const char* what);

    std::string path_, tempName_;
    int fd_ = -1;
    std::string buffer_;
};
// Splits text at CR LF, CR or LF; a final line end does not start another line.
std::vector<std::string> SplitLines(const std::string& text);

}  // namespace platform
