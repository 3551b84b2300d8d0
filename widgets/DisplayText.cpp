#include "widgets/DisplayText.h"

#include "widgets/Charsets.h"
#include "widgets/EncodedWords.h"

#include <utility>

namespace {

bool IsFoldBlank(char c) { return c == ' ' || c == '\t'; }

// A line break followed by a blank or tab is a fold: the break goes, the blank stays. Any other
// line break (CR LF, CR or LF) becomes one blank.
std::string Unfold(const std::string& raw)
{
    std::string out;
    out.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '\r' && raw[i] != '\n') {
            out += raw[i];
            continue;
        }
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') ++i;
        if (i + 1 < raw.size() && IsFoldBlank(raw[i + 1])) continue;
        out += ' ';
    }
    return out;
}

// C0, DEL and C1: the code points of Unicode's control category.
bool IsControl(QChar c) { return c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() < 0xA0); }

bool IsLineSeparator(QChar c) { return c.unicode() == 0x2028 || c.unicode() == 0x2029; }

// One line for a list cell or label: tabs, line breaks and separators become blanks, other
// control characters (C0, DEL, C1) go.
QString OneLine(QString text)
{
    QChar* out = text.data();
    for (QChar c : std::as_const(text)) {
        if (c == u'\t' || c == u'\r' || c == u'\n' || IsLineSeparator(c)) *out++ = u' ';
        else if (!IsControl(c)) *out++ = c;
    }
    text.truncate(out - text.constData());
    return text.trimmed();
}

// Body text: every line break becomes "\n"; tab stays; other control characters go.
QString BodyLines(QString text)
{
    QChar* out = text.data();
    const QChar* end = text.constData() + text.size();
    for (const QChar* in = text.constData(); in != end; ++in) {
        QChar c = *in;
        if (c == u'\r') {
            if (in + 1 != end && in[1] == u'\n') ++in;
            *out++ = u'\n';
        } else if (c == u'\n' || c == u'\t' || !IsControl(c)) {
            *out++ = c;
        }
    }
    text.truncate(out - text.constData());
    return text;
}

// Quoted strings outside <...> lose their quotes and their quoted pairs; an unclosed quote and
// what follows it stay as they stand.
std::string WithoutNameQuotes(const std::string& raw)
{
    std::string out;
    out.reserve(raw.size());
    bool inAddress = false;
    for (size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (inAddress || c != '"') {
            if (c == '<') inAddress = true;
            else if (c == '>') inAddress = false;
            out += c;
            continue;
        }
        std::string inner;
        size_t close = i + 1;
        for (; close < raw.size() && raw[close] != '"'; ++close) {
            if (raw[close] == '\\' && close + 1 < raw.size()) ++close;
            inner += raw[close];
        }
        if (close >= raw.size()) {
            out.append(raw, i, std::string::npos);
            break;
        }
        out += inner;
        i = close;
    }
    return out;
}

}  // namespace

QString DisplayAddressText(const std::string& raw)
{
    if (raw.find('"') == std::string::npos) return DisplayHeaderText(raw);
    return DisplayHeaderText(WithoutNameQuotes(raw));
}

QString DisplayHeaderText(const std::string& raw)
{
    QString text;
    for (const HeaderPiece& piece : SplitEncodedWords(Unfold(raw)))
        text += piece.encoded ? DecodeCharset(piece.bytes, piece.charset) : DecodeUnlabelled(piece.bytes);
    return OneLine(std::move(text));
}

QString DisplayPlainText(const std::string& raw) { return OneLine(DecodeUnlabelled(Unfold(raw))); }

QString DisplayBodyText(std::string_view bytes, const std::string& charset)
{
    return BodyLines(DecodeCharset(bytes, charset));
}

QString DisplayBodyText(const StringList& lines, const std::string& charset)
{
    size_t total = 0;
    for (const std::string& line : lines) total += line.size() + 1;
    std::string joined;
    joined.reserve(total);
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) joined += '\n';
        joined += lines[i];
    }
    return DisplayBodyText(std::string_view(joined), charset);
}
