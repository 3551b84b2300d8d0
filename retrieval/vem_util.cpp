#include "retrieval/vem_util.h"

#include "platform/Folders.h"
#include "retrieval/VemMIME.h"

#include <cstdint>

namespace {

char UpperAZ(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool StartsWithUpper(std::string_view line, std::string_view upperName)
{
    if (line.size() < upperName.size()) return false;
    for (size_t i = 0; i < upperName.size(); ++i)
        if (UpperAZ(line[i]) != upperName[i]) return false;
    return true;
}

bool IsFolderSeparator(char c) { return c == '\\' || c == '/' || c == ':'; }

// Position of the extension's dot, or npos.
size_t ExtensionDot(std::string_view path)
{
    for (size_t i = path.size(); i-- > 0;) {
        if (path[i] == '.') return i;
        if (IsFolderSeparator(path[i])) break;
    }
    return std::string_view::npos;
}

template <typename Lines>
bool FindHeaderIn(std::string_view name, const Lines& lines, std::string& value)
{
    size_t i = 0, n = lines.size();
    while (i < n && lines[i].empty()) ++i;
    for (; i < n && !lines[i].empty(); ++i) {
        if (!StartsWithUpper(lines[i], name)) continue;
        value = Trim(lines[i]);
        for (size_t j = i + 1; j < n && !lines[j].empty() && (lines[j][0] == ' ' || lines[j][0] == '\t'); ++j)
            value += Trim(lines[j]);
        return true;
    }
    return false;
}

bool IsBlankLine(std::string_view line)
{
    for (char c : line)
        if (static_cast<unsigned char>(c) > 32) return false;
    return true;
}

size_t HeaderBlockEnd(auto const& lines)
{
    size_t i = 0;
    while (i < lines.size() && !IsBlankLine(lines[i])) ++i;
    while (i < lines.size() && IsBlankLine(lines[i])) ++i;
    return i;
}

// Between the first `open` and the first `close`, when both occur in that order.
bool Between(std::string_view text, char open, char close, size_t& from, size_t& to)
{
    from = text.find(open);
    to = text.find(close);
    return from != std::string_view::npos && to != std::string_view::npos && from < to;
}

std::string RemoveQuotedStrings(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '"') {
            out.push_back(text[i++]);
            continue;
        }
        size_t close = text.find('"', i + 1);
        if (close == std::string_view::npos) {  // a lone quote goes by itself
            out.append(text.substr(i + 1));
            break;
        }
        i = close + 1;
    }
    return out;
}

std::string DisplayNameOf(std::string_view entry)
{
    std::string name = DecodeHeaderWords(entry);
    size_t from, to;
    if (Between(name, '<', '>', from, to)) name.erase(from, to - from + 1);
    if (Between(name, '(', ')', from, to)) name = name.substr(from + 1, to - from - 1);
    std::erase_if(name, [](char c) { return c == '"' || c == '\''; });
    return Trim(name);
}

std::string AddressOf(std::string_view entry)
{
    // Comments go, first "(" through first ")", as long as a ")" follows the first "(". Nothing
    // before the first "(" can hold a parenthesis, so one pass from left to right does it.
    std::string address;
    address.reserve(entry.size());
    size_t i = 0;
    for (;;) {
        size_t open = entry.find_first_of("()", i);
        if (open == std::string_view::npos || entry[open] == ')') break;
        size_t close = entry.find(')', open + 1);
        if (close == std::string_view::npos) break;
        address.append(entry.substr(i, open - i));
        i = close + 1;
    }
    address.append(entry.substr(i));
    address = Trim(address);
    size_t from, to;
    if (Between(address, '<', '>', from, to)) address = address.substr(from + 1, to - from - 1);
    return address;
}

std::string DecodeWord(char letter, std::string_view encoded)
{
    if (letter == 'Q' || letter == 'q') return DecodeQEncodedWord(encoded);
    if (letter == 'B' || letter == 'b') return DecodeBase64Text(encoded);
    return {};
}

template <typename Lines>
std::string JoinCRLF(const Lines& lines)
{
    size_t total = 0;
    for (const auto& l : lines) total += l.size() + 2;
    std::string text;
    text.reserve(total);
    for (const auto& l : lines) {
        text += l;
        text += "\r\n";
    }
    return text;
}

}  // namespace

bool FindHeader(std::string_view name, LineSpan lines, std::string& value)
{
    return FindHeaderIn(name, lines, value);
}

bool FindHeader(std::string_view name, const StringList& lines, std::string& value)
{
    return FindHeaderIn(name, lines, value);
}

std::string HeaderValue(std::string_view name, std::string_view line)
{
    if (name.empty()) return {};
    size_t at = UpperCase(line).find(name);
    if (at == std::string::npos) return {};
    std::string_view rest = line.substr(at + name.size());
    size_t semicolon = rest.find(';');
    if (semicolon != std::string_view::npos) rest = rest.substr(0, semicolon);
    return Trim(rest);
}

LineSpan StripHeaders(LineSpan lines) { return lines.subspan(HeaderBlockEnd(lines)); }

void StripHeaders(StringList& lines)
{
    lines.erase(lines.begin(), lines.begin() + std::ptrdiff_t(HeaderBlockEnd(lines)));
}

std::string NormalizeAddressList(std::string_view text)
{
    std::string list = RemoveQuotedStrings(text);
    std::string out;
    size_t start = 0;
    for (;;) {
        size_t comma = list.find(',', start);
        std::string_view entry = std::string_view(list).substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (!out.empty() || start > 0) out += ", ";
        out += '"';
        out += DisplayNameOf(entry);
        out += "\" <";
        out += AddressOf(entry);
        out += '>';
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return out;
}

std::string Unquote(std::string_view text)
{
    if (!text.empty() && (text.front() == '"' || text.front() == '\'')) text.remove_prefix(1);
    if (!text.empty() && (text.back() == '"' || text.back() == '\'')) text.remove_suffix(1);
    return std::string(text);
}

std::string BoundaryOf(std::string_view value)
{
    static constexpr std::string_view kWord = "BOUNDARY";
    size_t at = UpperCase(value).find(kWord);
    if (at == std::string::npos) return {};
    std::string text = Trim(value.substr(at + kWord.size(), 72));
    if (!text.empty()) text.erase(0, 1);  // the "="
    text = Trim(text);
    if (!text.empty() && text.front() == '"') {
        text.erase(0, 1);
        size_t quote = text.find('"');
        if (quote != std::string::npos) text.resize(quote);
    }
    size_t semicolon = text.find(';');
    if (semicolon != std::string::npos) text.resize(semicolon);
    text = Trim(text);
    if (text.empty()) return {};
    return "--" + text;
}

std::string DecodeHeaderWords(std::string_view text)
{
    std::string out;
    size_t pos = 0;
    const size_t n = text.size();
    for (;;) {
        size_t open = text.find("=?", pos);
        if (open == std::string_view::npos) break;
        size_t mark = text.find('?', open + 2);
        if (mark == std::string_view::npos || mark + 3 > n) break;
        size_t close = text.find("?=", mark + 3);
        if (close == std::string_view::npos) break;
        out.append(text.substr(pos, open - pos));
        out += DecodeWord(text[mark + 1], text.substr(mark + 3, close - mark - 3));
        pos = close + 2;
    }
    out.append(text.substr(pos));
    return out;
}

std::string ExtractFileName(std::string_view path)
{
    size_t i = path.size();
    while (i > 0 && !IsFolderSeparator(path[i - 1])) --i;
    return std::string(path.substr(i));
}

std::string ExtractFileExt(std::string_view path)
{
    size_t dot = ExtensionDot(path);
    return dot == std::string_view::npos ? std::string() : std::string(path.substr(dot));
}

std::string ChangeFileExt(std::string_view path, std::string_view extension)
{
    size_t dot = ExtensionDot(path);
    std::string out(path.substr(0, dot == std::string_view::npos ? path.size() : dot));
    out += extension;
    return out;
}

std::string JoinLinesCRLF(LineSpan lines) { return JoinCRLF(lines); }
std::string JoinLinesCRLF(const StringList& lines) { return JoinCRLF(lines); }

bool IsDottedAddress(std::string_view text)
{
    int parts = 0;
    size_t start = 0;
    for (;;) {
        size_t dot = text.find('.', start);
        std::string_view part = text.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
        if (part.empty() || part.size() > 3) return false;
        int value = 0;
        for (char c : part) {
            if (c < '0' || c > '9') return false;
            value = value * 10 + (c - '0');
        }
        if (value > 255) return false;
        ++parts;
        if (dot == std::string_view::npos) break;
        start = dot + 1;
    }
    return parts == 4;
}

int64_t GetNumberInText(std::string_view text, int position, int64_t fallback)
{
    std::string work = Trim(text);
    for (size_t at = work.find("\r\n"); at != std::string::npos; at = work.find("\r\n", at + 1)) work.replace(at, 2, " ");
    for (int i = 1; i < position; ++i) {
        size_t blank = work.find(' ');
        if (blank == std::string::npos) return fallback;
        work = Trim(std::string_view(work).substr(blank));
    }
    work = work.substr(0, work.find(' '));
    std::string digits;
    for (char c : work)
        if (c != '(' && c != ')' && c != '{' && c != '}') digits.push_back(c);
    if (digits.empty()) return fallback;
    size_t i = 0;
    bool negative = false;
    if (digits[0] == '+' || digits[0] == '-') {
        negative = digits[0] == '-';
        i = 1;
    }
    if (i == digits.size()) return fallback;
    uint64_t value = 0;
    for (; i < digits.size(); ++i) {
        char c = digits[i];
        if (c < '0' || c > '9') return fallback;
        if (value > (uint64_t(INT64_MAX) - uint64_t(c - '0')) / 10) return fallback;  // does not fit
        value = value * 10 + uint64_t(c - '0');
    }
    return negative ? -int64_t(value) : int64_t(value);
}

std::string GetTempDirectory() { return platform::TempFolder(); }
