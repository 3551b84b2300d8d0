#include "retrieval/VemMIME.h"

#include "platform/Encodings.h"
#include "platform/MimeTypes.h"
#include "retrieval/vem_util.h"

#include <algorithm>
#include <array>

namespace {

constexpr unsigned char kPad = 64;
constexpr unsigned char kForeign = 99;

constexpr std::array<unsigned char, 256> MakeDecodeTable()
{
    std::array<unsigned char, 256> t{};
    for (auto& v : t) v = kForeign;
    for (int i = 0; i < 26; ++i) {
        t['A' + i] = static_cast<unsigned char>(i);
        t['a' + i] = static_cast<unsigned char>(26 + i);
    }
    for (int i = 0; i < 10; ++i) t['0' + i] = static_cast<unsigned char>(52 + i);
    t['+'] = 62;
    t['/'] = 63;
    t['='] = kPad;
    return t;
}
constexpr std::array<unsigned char, 256> kDecode = MakeDecodeTable();

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr int64_t kLineLength = 76;

[[noreturn]] void InvalidOperation() { throw EStreamError("Invalid stream operation"); }

// Four sextet values (kPad for "=") to at most three bytes; returns the end of what it wrote.
char* DecodeGroup(const unsigned char v[4], char* out)
{
    unsigned c1 = v[0], c2 = v[1], c3 = v[2], c4 = v[3];
    if (c1 == kPad) return out;
    size_t count = 3;
    if (c3 == kPad) {
        c3 = c4 = 0;
        count = 1;
    } else if (c4 == kPad) {
        c4 = 0;
        count = 2;
    }
    *out++ = static_cast<char>(((c1 << 2) + (c2 >> 4)) & 0xFF);
    if (count > 1) *out++ = static_cast<char>((((c2 & 15) << 4) + (c3 >> 2)) & 0xFF);
    if (count > 2) *out++ = static_cast<char>((((c3 & 3) << 6) + c4) & 0xFF);
    return out;
}

void EncodeGroup(const unsigned char* b, size_t n, std::string& out)
{
    unsigned v = unsigned(b[0]) << 16 | (n > 1 ? unsigned(b[1]) << 8 : 0u) | (n > 2 ? unsigned(b[2]) : 0u);
    out.push_back(kAlphabet[(v >> 18) & 63]);
    out.push_back(kAlphabet[(v >> 12) & 63]);
    out.push_back(n > 1 ? kAlphabet[(v >> 6) & 63] : '=');
    out.push_back(n > 2 ? kAlphabet[v & 63] : '=');
}

}  // namespace

// ---------------------------------------------------------------------------------------------

void Base64Decoder::Decode(const char* text, size_t length, std::string& out)
{
    const size_t start = out.size();
    out.resize(start + (held_ + length) / 4 * 3);  // the most these characters can give
    char* to = out.data() + start;
    const unsigned char* in = reinterpret_cast<const unsigned char*>(text);
    const unsigned char* end = in + length;
    while (in < end) {
        // The common case first: four characters of the alphabet in a row make three bytes.
        if (held_ == 0) {
            while (end - in >= 4) {
                unsigned a = kDecode[in[0]], b = kDecode[in[1]], c = kDecode[in[2]], d = kDecode[in[3]];
                if ((a | b | c | d) >= kPad) break;
                unsigned v = a << 18 | b << 12 | c << 6 | d;
                *to++ = static_cast<char>(v >> 16);
                *to++ = static_cast<char>(v >> 8 & 0xFF);
                *to++ = static_cast<char>(v & 0xFF);
                in += 4;
            }
            if (in == end) break;
        }
        unsigned char value = kDecode[*in++];
        if (value == kForeign) continue;  // line breaks, blanks and any other stray character
        group_[held_++] = value;
        if (held_ == 4) {
            to = DecodeGroup(group_, to);
            held_ = 0;
        }
    }
    out.resize(size_t(to - out.data()));
}

void Base64Decoder::Finish(std::string& out)
{
    // Two characters carry one byte, three carry two; a lone one carries none.
    size_t data = 0;
    while (data < held_ && group_[data] != kPad) ++data;
    held_ = 0;
    if (data < 2) return;
    unsigned char v[4] = {group_[0], group_[1], data > 2 ? group_[2] : kPad, kPad};
    char bytes[3];
    out.append(bytes, size_t(DecodeGroup(v, bytes) - bytes));
}

TBase64DecodingStream::~TBase64DecodingStream()
{
    try {
        Finish();
    } catch (const Exception&) {
        // Finish keeps the target's failure; nobody is left to ask for it here.
    }
}

int64_t TBase64DecodingStream::Finish()
{
    out_.clear();
    decoder_.Finish(out_);
    return WriteOut();
}

int64_t TBase64DecodingStream::WriteOut()
{
    if (out_.empty()) return 0;
    try {
        return target_.Write(out_.data(), int64_t(out_.size()));
    } catch (const Exception& e) {
        if (targetError_.empty()) targetError_ = e.Message();
        return 0;
    }
}

int64_t TBase64DecodingStream::Read(void*, int64_t) { InvalidOperation(); }
int64_t TBase64DecodingStream::Seek(int64_t, TSeekOrigin) { InvalidOperation(); }
int64_t TBase64DecodingStream::Size() { InvalidOperation(); }

int64_t TBase64DecodingStream::Write(const void* buffer, int64_t count)
{
    out_.clear();
    if (count > 0) decoder_.Decode(static_cast<const char*>(buffer), size_t(count), out_);
    return WriteOut();
}

// ---------------------------------------------------------------------------------------------

TBase64EncodingStream::~TBase64EncodingStream()
{
    if (restLength_ == 0) return;
    out_.clear();
    EncodeGroup(rest_, restLength_, out_);
    restLength_ = 0;
    try {
        target_.Write(out_.data(), int64_t(out_.size()));
        charsWritten_ += int64_t(out_.size());
    } catch (const Exception&) {
        // Nobody is left to tell; a caller that cares checks the target afterwards.
    }
}

int64_t TBase64EncodingStream::Read(void*, int64_t) { InvalidOperation(); }

int64_t TBase64EncodingStream::Seek(int64_t offset, TSeekOrigin origin)
{
    bool query = (offset == 0 && (origin == soCurrent || origin == soEnd)) ||
                 (origin == soBeginning && offset == charsWritten_);
    if (!query) InvalidOperation();
    return charsWritten_;
}

int64_t TBase64EncodingStream::Write(const void* buffer, int64_t count)
{
    if (count <= 0) return 0;
    totalInput_ += count;
    const unsigned char* in = static_cast<const unsigned char*>(buffer);
    size_t length = size_t(count);
    out_.clear();
    out_.reserve((restLength_ + length) / 3 * 4 + (restLength_ + length) / 57 * 2 + 8);
    int64_t chars = charsWritten_;
    auto emit = [&](const unsigned char* group) {
        EncodeGroup(group, 3, out_);
        chars += 4;
        if (chars % kLineLength == 0) out_ += "\r\n";
    };
    size_t i = 0;
    if (restLength_ > 0) {
        while (restLength_ < 3 && i < length) rest_[restLength_++] = in[i++];
        if (restLength_ < 3) return count;
        unsigned char group[3] = {rest_[0], rest_[1], rest_[2]};
        restLength_ = 0;
        emit(group);
    }
    for (; i + 3 <= length; i += 3) emit(in + i);
    while (i < length) rest_[restLength_++] = in[i++];
    try {
        if (!out_.empty()) target_.Write(out_.data(), int64_t(out_.size()));
        charsWritten_ = chars;
        return count;
    } catch (const Exception& e) {
        if (targetError_.empty()) targetError_ = e.Message();
        charsWritten_ = 0;
        return 0;
    }
}

// ---------------------------------------------------------------------------------------------

std::string DecodeBase64Text(std::string_view text)
{
    Base64Decoder decoder;
    std::string out;
    decoder.Decode(text.data(), text.size(), out);
    decoder.Finish(out);
    return out;
}

std::string EncodeBase64Text(std::string_view bytes)
{
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    const unsigned char* in = reinterpret_cast<const unsigned char*>(bytes.data());
    size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) EncodeGroup(in + i, 3, out);
    if (i < bytes.size()) EncodeGroup(in + i, bytes.size() - i, out);
    return out;
}

namespace {
// Quoted-printable escapes and soft line breaks; `underscoreIsBlank` for Q-encoded header words.
std::string DecodeQuoted(std::string_view text, bool underscoreIsBlank)
{
    std::string out;
    out.reserve(text.size());
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        char c = text[i];
        if (c == '_' && underscoreIsBlank) {
            out.push_back(' ');
            ++i;
        } else if (c != '=') {
            out.push_back(c);
            ++i;
        } else if (i + 1 < n && (text[i + 1] == '\r' || text[i + 1] == '\n')) {
            i += 3;  // soft line break: "=" CR LF
        } else if (i + 2 < n) {
            int hi = platform::HexDigitValue(text[i + 1]), lo = platform::HexDigitValue(text[i + 2]);
            out.push_back(hi < 0 || lo < 0 ? '@' : static_cast<char>(hi * 16 + lo));
            i += 3;
        } else {
            break;  // a cut-off escape ends the text
        }
    }
    return out;
}
}  // namespace

std::string DecodeQuotedPrintable(std::string_view text) { return DecodeQuoted(text, false); }

std::string DecodeQEncodedWord(std::string_view text) { return DecodeQuoted(text, true); }

namespace {
// The value of a uuencoded character, or -1 outside the table.
int UUValue(char c)
{
    unsigned char u = static_cast<unsigned char>(c);
    if (u == '`' || u == ' ') return 0;
    if (u >= 33 && u <= 95) return u - 32;
    return -1;
}

// Never more than the 60 characters that fill the 45-byte line buffer, and never past the end of
// a line that was cut short in transit.
size_t UUCharacters(std::string_view line) { return std::min<size_t>(line.size() - 1, 60); }
}  // namespace

bool IsUULine(std::string_view line)
{
    if (line.empty()) return true;
    for (size_t k = 0; k <= UUCharacters(line); ++k)
        if (UUValue(line[k]) < 0) return false;
    return true;
}

void DecodeUULine(std::string_view line, std::string& out)
{
    if (line.empty()) return;
    auto value = [](char c) -> unsigned {
        int v = UUValue(c);
        if (v < 0) throw EUUDecodeError("Oops...");
        return unsigned(v);
    };
    size_t carried = std::min<size_t>(value(line[0]), 45);
    size_t chars = UUCharacters(line);
    unsigned char buffer[45] = {};
    size_t bit = 0;
    for (size_t k = 1; k <= chars; ++k) {
        unsigned v = value(line[k]);
        for (int b = 5; b >= 0; --b, ++bit)
            if (v & (1u << b)) buffer[bit / 8] |= static_cast<unsigned char>(0x80u >> (bit % 8));
    }
    out.append(reinterpret_cast<const char*>(buffer), carried);
}

std::string GetMimeTypeOfFile(const std::string& name)
{
    std::string type = platform::MimeTypeOfExtension(ExtractFileExt(name));
    return type.empty() ? "application/octet-stream" : type;
}
