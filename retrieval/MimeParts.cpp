#include "retrieval/MimeParts.h"

#include "retrieval/MimeParams.h"

namespace {

std::string MultipartType(LineSpan lines, std::string& header)
{
    if (!FindHeader("CONTENT-TYPE:", lines, header)) return {};
    return UpperCase(HeaderValue("CONTENT-TYPE:", header));
}

}  // namespace

TPartInfo GetPartInfo(LineSpan lines)
{
    TPartInfo info;
    std::string header, name;
    if (FindHeader("CONTENT-TYPE:", lines, header)) {
        info.Type = UpperCase(HeaderValue("CONTENT-TYPE:", header));
        name = HeaderValue("NAME", header);
        info.Charset = CharsetOf(header);
    } else {
        info.Type = "TEXT/PLAIN";
    }
    info.Encoding = FindHeader("CONTENT-TRANSFER-ENCODING:", lines, header)
                        ? UpperCase(HeaderValue("CONTENT-TRANSFER-ENCODING:", header))
                        : "7BIT";
    auto clean = [](std::string found) {
        if (found.empty()) return found;
        found.erase(0, 1);  // the "="
        size_t semicolon = found.find(';');
        if (semicolon != std::string::npos) found.resize(semicolon);
        return Trim(DecodeHeaderWords(Unquote(found)));
    };
    info.FileName = clean(name);
    // An empty name= does not hide the file name of the disposition.
    if (info.FileName.empty() && FindHeader("CONTENT-DISPOSITION:", lines, header))
        info.FileName = clean(HeaderValue("FILENAME", header));
    return info;
}

bool IsDelimiterLine(std::string_view line, std::string_view delimiter)
{
    if (line.size() < delimiter.size() || line.compare(0, delimiter.size(), delimiter) != 0) return false;
    for (size_t i = delimiter.size(); i < line.size(); ++i)
        if (line[i] != ' ' && line[i] != '\t') return false;
    return true;
}

void SplitMultipart(LineSpan lines, int depth, std::vector<TMimePart>& parts)
{
    std::string header;
    if (depth >= kMaxMimeNesting || MultipartType(lines, header).find("MULTIPART") == std::string::npos) {
        parts.push_back({lines, depth, false});
        return;
    }
    const std::string delimiter = BoundaryOf(header);
    LineSpan body = StripHeaders(lines);
    size_t i = 0;
    if (!delimiter.empty())
        while (i < body.size() && !IsDelimiterLine(body[i], delimiter)) ++i;
    if (delimiter.empty() || i == body.size()) {
        parts.push_back({body, depth, true});
        return;
    }
    const std::string closing = delimiter + "--";
    size_t start = ++i;
    for (; i < body.size(); ++i) {
        if (IsDelimiterLine(body[i], closing)) break;
        if (IsDelimiterLine(body[i], delimiter)) {
            SplitMultipart(body.subspan(start, i - start), depth + 1, parts);
            start = i + 1;
        }
    }
    SplitMultipart(body.subspan(start, i - start), depth + 1, parts);
}
