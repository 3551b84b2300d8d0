#include "filter/EncodedWords.h"

#include "platform/Encodings.h"

#include <cerrno>
#include <iconv.h>
#include <utility>
#include <vector>

namespace {

// Lenient: characters outside the alphabet are skipped, a missing padding is tolerated.
std::string DecodeB(std::string_view text)
{
    std::string out;
    out.reserve(text.size() * 3 / 4);
    unsigned bits = 0;
    int count = 0;
    for (char c : text) {
        if (c == '=') break;
        int v = platform::Base64Value(c);
        if (v < 0) continue;
        bits = (bits << 6) | static_cast<unsigned>(v);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    return out;
}

// iconv_open reads the converter's tables each time: the few charsets of a mailbox are kept.
class TConverters {
public:
    ~TConverters()
    {
        for (auto& [name, cd] : open_)
            if (cd != kFailed) ::iconv_close(cd);
    }
    iconv_t For(const std::string& charset)
    {
        for (auto& [name, cd] : open_)
            if (name == charset) return cd;
        if (open_.size() >= 32) return ::iconv_open("UTF-8", charset.c_str());  // the caller closes it
        open_.emplace_back(charset, ::iconv_open("UTF-8", charset.c_str()));
        return open_.back().second;
    }
    bool Kept(iconv_t cd) const
    {
        for (auto& [name, kept] : open_)
            if (kept == cd) return true;
        return false;
    }
    static inline const iconv_t kFailed = reinterpret_cast<iconv_t>(-1);

private:
    std::vector<std::pair<std::string, iconv_t>> open_;
};

// The bytes in UTF-8; unchanged when the charset is unknown or the bytes do not convert.
std::string ToUtf8(const std::string& charset, std::string bytes)
{
    if (charset == "utf-8" || charset == "us-ascii" || charset.empty()) return bytes;
    thread_local TConverters converters;
    iconv_t cd = converters.For(charset);
    if (cd == TConverters::kFailed) return bytes;
    ::iconv(cd, nullptr, nullptr, nullptr, nullptr);  // a fresh shift state
    std::string out(bytes.size() * 4 + 16, '\0');
    char* in = bytes.data();
    size_t inLeft = bytes.size();
    char* to = out.data();
    size_t toLeft = out.size();
    size_t rc = ::iconv(cd, &in, &inLeft, &to, &toLeft);
    if (!converters.Kept(cd)) ::iconv_close(cd);
    if (rc == static_cast<size_t>(-1)) return bytes;
    out.resize(out.size() - toLeft);
    return out;
}

struct EncodedWord {
    size_t end = 0;  // index after "?="
    std::string text;
    std::string charset;
};

// The encoded word starting at `at` ("=?"), or end == 0 when there is none.
EncodedWord ParseEncodedWord(std::string_view value, size_t at)
{
    EncodedWord word;
    size_t q1 = value.find('?', at + 2);
    if (q1 == std::string_view::npos || q1 + 2 >= value.size() || value[q1 + 2] != '?') return word;
    char encoding = value[q1 + 1];
    size_t textStart = q1 + 3;
    size_t close = value.find("?=", textStart);
    if (close == std::string_view::npos) return word;
    std::string_view charset = value.substr(at + 2, q1 - at - 2);
    std::string_view text = value.substr(textStart, close - textStart);
    if (charset.empty() || text.find_first_of(" \t") != std::string_view::npos) return word;
    if (size_t star = charset.find('*'); star != std::string_view::npos) charset = charset.substr(0, star);  // RFC 2231 language
    word.charset = std::string(charset);
    FoldAsciiCase(word.charset);
    if (encoding == 'B' || encoding == 'b')
        word.text = DecodeB(text);
    else if (encoding == 'Q' || encoding == 'q')
        word.text = platform::DecodeQ(text);
    else
        return word;
    word.text = ToUtf8(word.charset, std::move(word.text));
    word.end = close + 2;
    return word;
}

}  // namespace

void FoldAsciiCase(std::string& text)
{
    // Without a branch the loop is vectorised: scoring folds every Received line.
    for (char& c : text) c = static_cast<char>(c + (static_cast<unsigned char>(c - 'A') < 26 ? 'a' - 'A' : 0));
}

std::string DecodeEncodedWords(std::string_view value, std::string* charsets)
{
    if (value.find("=?") == std::string_view::npos) return std::string(value);
    std::string out;
    out.reserve(value.size());
    size_t i = 0;
    size_t lastWordEnd = std::string_view::npos;  // end of the previous encoded word, for the blank rule
    while (i < value.size()) {
        size_t start = value.find("=?", i);
        if (start == std::string_view::npos) {
            out.append(value.substr(i));
            break;
        }
        EncodedWord word = ParseEncodedWord(value, start);
        if (word.end == 0) {
            out.append(value.substr(i, start + 2 - i));
            i = start + 2;
            continue;
        }
        std::string_view between = value.substr(i, start - i);
        bool onlyBlanks = between.find_first_not_of(" \t\r\n") == std::string_view::npos;
        if (!(lastWordEnd == i && onlyBlanks)) out.append(between);
        out += word.text;
        if (charsets) {
            if (!charsets->empty()) *charsets += ' ';
            *charsets += word.charset;
        }
        i = lastWordEnd = word.end;
    }
    return out;
}
