#include "widgets/EncodedWords.h"

#include "platform/Encodings.h"
#include "platform/Strings.h"

#include <optional>

namespace {

struct Word {
    std::string charset;
    std::string bytes;
    size_t end = 0;  // just past the closing "?="
};

bool IsLinearWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool IsCharsetChar(char c)
{
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
    return std::string_view("!#$%&'*+-^_`{|}~.:").find(c) != std::string_view::npos;
}

// Strict base64: the alphabet, then at most two "=" that complete the last group. Missing
// padding is forgiven (many mailers leave it off); a stray character is not.
std::optional<std::string> DecodeB(std::string_view text)
{
    size_t data = text.find('=');
    if (data == std::string_view::npos) data = text.size();
    size_t padding = text.size() - data;
    if (padding > 2 || text.find_first_not_of('=', data) != std::string_view::npos) return std::nullopt;
    if (data % 4 == 1 || (padding > 0 && text.size() % 4 != 0)) return std::nullopt;
    std::string out;
    out.reserve(data / 4 * 3 + 2);
    unsigned bits = 0;
    int count = 0;
    for (size_t i = 0; i < data; ++i) {
        int value = platform::Base64Value(text[i]);
        if (value < 0) return std::nullopt;
        bits = (bits << 6) | unsigned(value);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out += char((bits >> count) & 0xFF);
        }
    }
    return out;
}

std::optional<Word> ParseWord(std::string_view text, size_t open)
{
    size_t i = open + 2;
    size_t charsetStart = i;
    while (i < text.size() && IsCharsetChar(text[i])) ++i;
    if (i == charsetStart || i + 2 >= text.size() || text[i] != '?' || text[i + 2] != '?') return std::nullopt;
    std::string charset(text.substr(charsetStart, i - charsetStart));
    char letter = text[i + 1];
    size_t encodedStart = i + 3;
    size_t j = encodedStart;
    while (j < text.size() && text[j] > ' ' && text[j] < 0x7F && text[j] != '?') ++j;
    if (j + 1 >= text.size() || text[j] != '?' || text[j + 1] != '=') return std::nullopt;
    std::string_view encoded = text.substr(encodedStart, j - encodedStart);

    Word word;
    if (letter == 'Q' || letter == 'q') {
        word.bytes = platform::DecodeQ(encoded);
    } else if (letter == 'B' || letter == 'b') {
        auto bytes = DecodeB(encoded);
        if (!bytes) return std::nullopt;
        word.bytes = std::move(*bytes);
    } else {
        return std::nullopt;
    }
    size_t star = charset.find('*');
    if (star != std::string::npos) charset.resize(star);
    word.charset = std::move(charset);
    word.end = j + 2;
    return word;
}

bool OnlyLinearWhiteSpace(std::string_view text)
{
    for (char c : text)
        if (!IsLinearWhiteSpace(c)) return false;
    return true;
}

}  // namespace

std::vector<HeaderPiece> SplitEncodedWords(std::string_view text)
{
    std::vector<HeaderPiece> pieces;
    size_t plainStart = 0;
    size_t pos = 0;
    for (;;) {
        size_t open = text.find("=?", pos);
        if (open == std::string_view::npos) break;
        std::optional<Word> word = ParseWord(text, open);
        if (!word) {
            pos = open + 1;
            continue;
        }
        std::string_view plain = text.substr(plainStart, open - plainStart);
        bool followsWord = !pieces.empty() && pieces.back().encoded && OnlyLinearWhiteSpace(plain);
        if (followsWord && SameText(pieces.back().charset, word->charset)) {
            pieces.back().bytes += word->bytes;
        } else {
            if (!followsWord && !plain.empty()) pieces.push_back({false, {}, std::string(plain)});
            pieces.push_back({true, std::move(word->charset), std::move(word->bytes)});
        }
        plainStart = pos = word->end;
    }
    if (plainStart < text.size()) pieces.push_back({false, {}, std::string(text.substr(plainStart))});
    return pieces;
}
