// Raw mail to header fields, body text and attachments.
#include "retrieval/MimeParts.h"
#include "retrieval/VemMIME.h"
#include "retrieval/VemMsg.h"

#include "platform/TextFile.h"

namespace {

bool Contains(const std::string& text, std::string_view word) { return text.find(word) != std::string::npos; }

// "begin", a mode greater than 0 and less than 777 at positions 7 to 9, then the name.
bool IsUUBeginLine(std::string_view line)
{
    if (line.size() <= 10 || !SameText(line.substr(0, 5), "begin")) return false;
    int mode = StrToIntDef(line.substr(6, 3), 0);
    return mode > 0 && mode < 777;
}

// Trimmed and in any letter case "end". No copy: every line of a block is tested.
bool IsUUEndLine(std::string_view line)
{
    while (!line.empty() && static_cast<unsigned char>(line.front()) <= 32) line.remove_prefix(1);
    while (!line.empty() && static_cast<unsigned char>(line.back()) <= 32) line.remove_suffix(1);
    return SameText(line, "end");
}

// How far the uuencoded block that starts with the begin line body[begin] reaches.
struct UUBlockExtent {
    size_t end = 0;                       // the first "end" line after it, or body.size()
    size_t bad = std::string_view::npos;  // the first line the uudecoder would reject, or npos
};

// Mirrors DecodeUU on the block's non-empty lines: the begin line comes first, decoding stops at
// "`" from the third line on. The scan stops at the bad line, so the search for the next block
// goes on from there and every line is looked at a bounded number of times.
UUBlockExtent ScanUUBlock(LineSpan body, size_t begin)
{
    size_t blockLines = 1;
    bool checking = true;
    for (size_t k = begin + 1; k < body.size(); ++k) {
        std::string_view line = body[k];
        if (IsUUEndLine(line)) return {k, std::string_view::npos};
        if (line.empty()) continue;
        if (checking && blockLines > 1 && line == "`") checking = false;
        if (checking && !IsUULine(line)) return {k, k};
        ++blockLines;
    }
    return {body.size(), std::string_view::npos};
}

std::string JoinLinesBetween(LineSpan lines)
{
    std::string text = JoinLinesCRLF(lines);
    if (!text.empty()) text.resize(text.size() - 2);
    return text;
}

// What splitting the text into lines and joining them with CR LF gives: every line end (CR LF,
// CR or LF) becomes CR LF, and a final one goes. Without the list of lines in between.
std::string WithCRLFLineEnds(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c != '\r' && c != '\n') {
            out.push_back(c);
            continue;
        }
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        if (i + 1 < text.size()) out += "\r\n";
    }
    return out;
}

// The characters that cannot stand in a file name here or on the systems mail comes from, and
// control characters, which would truncate or garble the name when it is saved.
void RemoveUnsafeNameCharacters(std::string& name)
{
    std::erase_if(name, [](char c) {
        return static_cast<unsigned char>(c) < 32 || std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos;
    });
}

}  // namespace

void TVemMsg::SetRawMail(const StringList& lines)
{
    if (!ClearRawMailAfterParse) {
        RawMail = lines;
        Parse(RawMail);
        return;
    }
    // The raw lines would be gone after the parse: it works on the caller's lines instead of a
    // copy, which for a large message is the largest block of memory the parse would take.
    try {
        Parse(lines);
    } catch (...) {
        RawMail = lines;  // as when the copy was made first: a failed parse leaves the lines here
        throw;
    }
    StringList().swap(RawMail);
}

void TVemMsg::SetRawMail(StringList&& lines)
{
    RawMail = std::move(lines);
    Parse(RawMail);
    if (ClearRawMailAfterParse) StringList().swap(RawMail);
}

void TVemMsg::Parse(const StringList& raw)
{
    if (raw.empty()) return;
    for (const std::string& line : raw) {
        if (line.empty()) break;
        Headers.push_back(line);
    }
    ReadHeaderFields(raw);
    // The parts are windows on the raw lines, which stay untouched until the parse is done.
    std::vector<std::string_view> lines(raw.begin(), raw.end());
    ParsePart(lines, 0);
}

void TVemMsg::ReadHeaderFields(const StringList& raw)
{
    size_t headerLines = 0;
    while (headerLines < raw.size() && !raw[headerLines].empty()) ++headerLines;
    if (headerLines == 0) return;
    std::vector<std::string_view> header(raw.begin(), raw.begin() + std::ptrdiff_t(headerLines));
    // A message without a From header shows its first line, typically the mailbox "From " line.
    From = header[0].size() > 5 ? std::string(header[0].substr(5, 72)) : std::string();

    std::string line;
    auto value = [&](std::string_view name) -> const std::string* {
        if (!FindHeader(name, header, line)) return nullptr;
        line = HeaderValue(name, line);
        return &line;
    };
    if (value("FROM:")) From = DecodeHeaderWords(line);
    if (value("SENDER:")) Sender = NormalizeAddressList(line);
    if (value("MESSAGE-ID:")) MessageId = line;
    if (value("IN-REPLY-TO:")) InReplyTo = line;
    if (value("RETURN-PATH:")) ReturnPath = line;
    if (value("REPLY-TO:")) ReplyTo = NormalizeAddressList(line);
    if (value("TO:")) SendTo = NormalizeAddressList(line);
    if (value("CC:")) CC = NormalizeAddressList(line);
    if (value("DATE:")) Date = line;
    if (value("SUBJECT:")) Subject = DecodeHeaderWords(line);
    ContentType = value("CONTENT-TYPE:") ? UpperCase(line) : "TEXT/PLAIN";
    ContentTransferEncoding = value("CONTENT-TRANSFER-ENCODING:") ? UpperCase(line) : "7BIT";
}

void TVemMsg::ParsePart(LineSpan lines, int depth)
{
    const TPartInfo info = GetPartInfo(lines);
    const std::string& type = info.Type;
    const bool named = !info.FileName.empty();

    if (Contains(type, "TEXT") && (named || type == "TEXT/HTML")) {
        StoreAttachment(StripHeaders(lines), type, info.FileName, info.Encoding);
    } else if (Contains(type, "TEXT")) {
        BeginTextRun(info.Charset);
        ParseTextPart(StripHeaders(lines), info.Encoding);
    } else if (Contains(type, "MULTIPART")) {
        if (depth >= kMaxMimeNesting) {
            KeepNested(lines);
            return;
        }
        std::vector<TMimePart> parts;
        SplitMultipart(lines, depth, parts);
        for (const TMimePart& part : parts) {
            if (part.BodyText) {
                BeginTextRun(std::string());
                AppendText(part.Lines);
            }
            else ParsePart(part.Lines, part.Depth);
        }
    } else if (info.Encoding == "X-UUENCODE" || named) {
        StoreAttachment(StripHeaders(lines), type, info.FileName, info.Encoding);
    } else if (type == "MESSAGE/RFC822") {
        // The enclosed message's own header lines become the headers of the part.
        if (depth >= kMaxMimeNesting) KeepNested(StripHeaders(lines));
        else ParsePart(StripHeaders(lines), depth + 1);
    } else if (info.Encoding == "BASE64" || info.Encoding == "QUOTED-PRINTABLE") {
        StoreAttachment(StripHeaders(lines), type, std::string(), info.Encoding);
    } else {
        BeginTextRun(info.Charset);
        AppendText(StripHeaders(lines));
    }
}

void TVemMsg::BeginTextRun(const std::string& charset)
{
    if (!TextRuns.empty() && TextRuns.back().FirstLine == Text.size()) TextRuns.back().Charset = charset;
    else if (TextRuns.empty() || TextRuns.back().Charset != charset) TextRuns.push_back({Text.size(), charset});
}

void TVemMsg::ParseTextPart(LineSpan body, const std::string& encoding)
{
    std::vector<std::string_view> rest;
    rest.reserve(body.size());
    TakeOutUUBlocks(body, rest);
    // What is left around a uuencoded block is still text of this part, so it is decoded too.
    if (encoding == "QUOTED-PRINTABLE") {
        AppendText(platform::SplitLines(DecodeQuotedPrintable(JoinLinesCRLF(rest))));
    } else if (encoding == "BASE64") {
        Base64Decoder decoder;
        std::string bytes;
        for (std::string_view line : rest) decoder.Decode(line.data(), line.size(), bytes);
        decoder.Finish(bytes);
        AppendText(platform::SplitLines(bytes));
    } else {
        AppendText(rest);
    }
}

void TVemMsg::TakeOutUUBlocks(LineSpan body, std::vector<std::string_view>& rest)
{
    std::vector<std::string_view> block;
    size_t i = 0;
    while (i < body.size()) {
        if (!IsUUBeginLine(body[i])) {
            rest.push_back(body[i++]);
            continue;
        }
        const UUBlockExtent extent = ScanUUBlock(body, i);
        if (extent.bad != std::string_view::npos) {
            // Not uuencoded after all: its lines stay text, and the bad line may begin a block.
            rest.insert(rest.end(), body.begin() + std::ptrdiff_t(i), body.begin() + std::ptrdiff_t(extent.bad));
            i = extent.bad;
            continue;
        }
        block.clear();
        for (size_t k = i; k < extent.end; ++k)
            if (!body[k].empty()) block.push_back(body[k]);
        std::string name(body[i].substr(10, 64));
        StoreAttachment(block, "APPLICATION/OCTET-STREAM", name, "X-UUENCODE");
        // The "end" line belongs to the block: left in the text it would read as a stray word.
        i = extent.end < body.size() ? extent.end + 1 : extent.end;
    }
}

void TVemMsg::KeepNested(LineSpan lines)
{
    // Too deep to take apart: kept whole as an enclosed message the user can save and open.
    StoreAttachment(lines, "MESSAGE/RFC822", ChangeFileExt(Subject, ".eml"), "7BIT");
}

void TVemMsg::StoreAttachment(LineSpan lines, const std::string& type, std::string name, const std::string& encoding)
{
    if (name.empty()) {
        name = Subject;
        if (type == "TEXT/HTML") name = ChangeFileExt(name, ".html");
        else if (type == "IMAGE/JPEG") name = ChangeFileExt(name, ".jpeg");
        else if (type == "IMAGE/GIF") name = ChangeFileExt(name, ".gif");
    }
    RemoveUnsafeNameCharacters(name);
    TAttachedFile& item = AttachedFiles.AddFile(name);
    // Encoded lines are decoded where they lie rather than copied into EncodedLines first.
    if (encoding == "BASE64") {
        item.DecodeBase64(lines);
    } else if (encoding == "X-UUENCODE") {
        item.DecodeUU(lines);
    } else if (encoding == "QUOTED-PRINTABLE") {
        item.Body()->Assign(WithCRLFLineEnds(DecodeQuotedPrintable(JoinLinesCRLF(lines))));
    } else {
        item.Body()->Assign(JoinLinesBetween(lines));
    }
}

void TVemMsg::AppendText(LineSpan lines) { Text.insert(Text.end(), lines.begin(), lines.end()); }

void TVemMsg::AppendText(StringList&& lines)
{
    Text.insert(Text.end(), std::make_move_iterator(lines.begin()), std::make_move_iterator(lines.end()));
}
