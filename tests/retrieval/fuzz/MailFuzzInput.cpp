#include "MailFuzzInput.h"

#include "platform/TextFile.h"
#include "retrieval/MimeParts.h"
#include "retrieval/VemMIME.h"
#include "retrieval/VemMsg.h"
#include "retrieval/vem_util.h"

#include <stdexcept>
#include <string>

namespace {

void Check(bool condition, const char* what)
{
    if (!condition) throw std::logic_error(what);
}

void ParseAsMessage(const std::string& text, bool keepRaw)
{
    TVemMsg msg;
    msg.ClearRawMailAfterParse = !keepRaw;
    StringList lines = platform::SplitLines(text);
    try {
        msg.SetRawMail(lines);
    } catch (const EUUDecodeError&) {
        return;
    }
    Check(!keepRaw || msg.RawMail == lines, "raw lines kept as given");
    for (int i = 0; i < msg.AttachedFiles.Count(); ++i) {
        TAttachedFile& file = msg.AttachedFiles.Items(i);
        Check(file.FileName.find_first_of("\\/:*?\"<>|") == std::string::npos, "unsafe file name");
        Check(file.Body() && file.Body()->Position() == 0, "body rewound");
        Check(!file.ContentType.empty(), "content type");
    }
}

void DecodeInChunks(const std::string& text)
{
    TMemoryStream joined, chunked;
    {
        TBase64DecodingStream whole(joined);
        whole.Write(text.data(), int64_t(text.size()));
    }
    {
        TBase64DecodingStream pieces(chunked);
        size_t step = text.size() % 7 + 1;
        for (size_t at = 0; at < text.size(); at += step) {
            size_t n = std::min(step, text.size() - at);
            pieces.Write(text.data() + at, int64_t(n));
        }
    }
    Check(joined.Bytes() == chunked.Bytes(), "base64 decodes the same in pieces");
    Check(DecodeBase64Text(EncodeBase64Text(text)) == text, "base64 round trip");
}

void DecodeLinesAsUU(const std::string& text)
{
    for (const std::string& line : platform::SplitLines(text)) {
        std::string out;
        bool accepted = true;
        try {
            DecodeUULine(line, out);
        } catch (const EUUDecodeError&) {
            accepted = false;
        }
        Check(accepted == IsUULine(line), "uuencoded line check agrees with the decoder");
        Check(out.size() <= 45, "a uuencoded line carries at most 45 bytes");
    }
}

}  // namespace

void ExerciseMailParser(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    ParseAsMessage(text, size % 2 == 1);
    DecodeInChunks(text);
    DecodeLinesAsUU(text);
    Check(DecodeQuotedPrintable(text).size() <= text.size(), "quoted-printable never grows");
    Check(DecodeHeaderWords(text).size() <= text.size(), "encoded words never grow");
    NormalizeAddressList(text);
    BoundaryOf(text);
    Unquote(text);
    HeaderValue("NAME", text);
    std::vector<std::string_view> views;
    StringList lines = platform::SplitLines(text);
    views.assign(lines.begin(), lines.end());
    GetPartInfo(views);
    std::vector<TMimePart> parts;
    SplitMultipart(views, 0, parts);
    for (const TMimePart& part : parts) Check(part.Depth <= kMaxMimeNesting, "nesting bounded");
}
