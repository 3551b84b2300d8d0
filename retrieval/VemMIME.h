#pragma once
// Codecs for mail content: base64 as write-only streams, quoted-printable, uuencoded lines, and
// the MIME type of a file name. Their tolerances are deliberate: base64 skips every character
// outside its alphabet and keeps the bytes of a final group that lacks its "=", and an invalid
// quoted-printable escape gives "@".
#include "platform/Exception.h"
#include "retrieval/Streams.h"

#include <string>
#include <string_view>

// A uuencoded line holds a character outside the uuencode table.
class EUUDecodeError : public Exception {
public:
    using Exception::Exception;
};

// Incremental base64 decoding: four characters of the alphabet make a group, every other
// character (line breaks, blanks, stray marks) is skipped, characters of an incomplete group wait
// for the next call. Decoding goes on after a padded group, so joined texts decode in turn.
class Base64Decoder {
public:
    // Appends the bytes of the groups completed to out.
    void Decode(const char* text, size_t length, std::string& out);
    // At the end of the text: appends what an incomplete group holds (two characters give one
    // byte, three give two) and starts afresh.
    void Finish(std::string& out);
    void Reset() { held_ = 0; }
    size_t Held() const { return held_; }

private:
    unsigned char group_[4] = {};
    size_t held_ = 0;
};

// Write base64 text, the decoded bytes go to the target (not owned).
class TBase64DecodingStream : public TStream {
public:
    explicit TBase64DecodingStream(TStream& target) : target_(target) {}
    // Finishes, so the bytes of an incomplete final group are not lost.
    ~TBase64DecodingStream() override;

    // The end of the text: writes what an incomplete group holds; returns the bytes written.
    int64_t Finish();
    int64_t Read(void* buffer, int64_t count) override;
    // Returns the number of bytes written to the target; 0 when the target failed.
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override;

    // The first failure of the target, so a caller can report it instead of losing bytes.
    bool TargetFailed() const { return !targetError_.empty(); }
    const std::string& TargetError() const { return targetError_; }

private:
    int64_t WriteOut();

    TStream& target_;
    Base64Decoder decoder_;
    std::string out_;
    std::string targetError_;
};

// Write bytes, base64 text goes to the target (not owned), CR LF after every 76 characters.
// A remainder of one or two bytes is written, padded, when the stream is destroyed.
class TBase64EncodingStream : public TStream {
public:
    explicit TBase64EncodingStream(TStream& target) : target_(target) {}
    ~TBase64EncodingStream() override;

    int64_t Read(void* buffer, int64_t count) override;
    // Returns count; 0 when the target failed.
    int64_t Write(const void* buffer, int64_t count) override;
    // Only tells the current position: the number of base64 characters written so far.
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override { return charsWritten_; }

    int64_t TotalInput() const { return totalInput_; }
    bool TargetFailed() const { return !targetError_.empty(); }
    const std::string& TargetError() const { return targetError_; }

private:
    TStream& target_;
    unsigned char rest_[3] = {};  // at most two wait between writes; the third completes a group
    size_t restLength_ = 0;
    int64_t totalInput_ = 0;
    int64_t charsWritten_ = 0;
    std::string out_;
    std::string targetError_;
};

// Base64 text to bytes with the decoding stream's rules, the final group finished.
std::string DecodeBase64Text(std::string_view text);
// Bytes to base64 text without line breaks, padded.
std::string EncodeBase64Text(std::string_view bytes);

// Quoted-printable bodies and attachments: "_" is data like any other character.
std::string DecodeQuotedPrintable(std::string_view text);
// The text of a Q-encoded header word: the same, but "_" stands for a blank.
std::string DecodeQEncodedWord(std::string_view text);

// Appends the bytes that one uuencoded line carries to out. Throws EUUDecodeError "Oops..." for a
// character outside the table; an empty line carries nothing.
void DecodeUULine(std::string_view line, std::string& out);
// True when DecodeUULine accepts the line.
bool IsUULine(std::string_view line);

// The MIME type registered for the file name's extension, else "application/octet-stream".
std::string GetMimeTypeOfFile(const std::string& name);
