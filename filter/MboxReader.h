#pragma once
// The headers of an mbox file, one message at a time, read in pieces: a mailbox of gigabytes
// is never held whole, and a body line of any length costs nothing. A message starts at a
// "From " line that follows a blank line (or begins the file); its header is the lines after
// it up to the first blank line, as written ("\n" or "\r\n"), cut at kMaxHeaderBytes.
#include "platform/FileReader.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct TMboxHeader {
    std::string text;
    uint64_t end = 0;  // where in the mailbox it ended (the progress of a reader)
};

class TMboxSplitter {
public:
    static constexpr size_t kMaxHeaderBytes = 256 * 1024;

    // Takes the next bytes of the mailbox; the headers completed by them are appended to `out`.
    void Feed(std::string_view bytes, std::deque<TMboxHeader>& out);
    // The mailbox has ended: a header still open (no blank line after it) is complete too.
    void Finish(std::deque<TMboxHeader>& out);

private:
    void EndLine(std::deque<TMboxHeader>& out);
    void Complete(std::deque<TMboxHeader>& out);

    uint64_t fed_ = 0;  // bytes taken before the current piece's line end

    std::string header_;
    bool inHeader_ = false, blankBefore_ = true;
    // The line being read: its first bytes (enough to tell "From " and a blank line) and where
    // it started in header_.
    char lineStart_[5] = {};
    size_t lineBytes_ = 0, lineStartInHeader_ = 0;
};

class TMboxReader {
public:
    // Throws EFilterError when the file cannot be opened.
    explicit TMboxReader(const std::string& path);
    ~TMboxReader();
    TMboxReader(const TMboxReader&) = delete;
    TMboxReader& operator=(const TMboxReader&) = delete;

    enum class TRead { Header, Pending, End };
    // The next message's header (Header), or Pending when a piece of the file was read that
    // completed none (a long body: the caller may show its progress and ask again), or End.
    // Throws EFilterError when reading fails.
    TRead Next(std::string& header);
    // How much of the file lies behind the headers given so far (behind what was read, while
    // no header waits), 0 to 1.
    double Share() const;
    size_t Found() const { return found_; }  // headers given so far

private:
    std::optional<platform::TFileReader> file_;
    int64_t size_ = 0;
    uint64_t given_ = 0, read_ = 0;  // where the last header given ended; bytes read
    bool ended_ = false;
    size_t found_ = 0;
    TMboxSplitter splitter_;
    std::deque<TMboxHeader> ready_;
    std::vector<char> buffer_;
};

// The headers of an mbox text, in order (for tests and small texts).
std::vector<std::string> MboxHeaders(std::string_view mbox);
