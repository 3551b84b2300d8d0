#pragma once
// One mail message: its main header fields, the readable body text, the attachments and the raw
// lines. SetRawMail parses raw lines into the fields; FillRawMail composes raw lines from them.
// Character sets are never converted: decoded bytes are kept one for one.
#include "platform/Exception.h"
#include "platform/Strings.h"
#include "retrieval/VemAttFile.h"
#include "retrieval/vem_util.h"

#include <memory>
#include <string>
#include <vector>

enum TPriority { prHighest, prHigh, prNormal, prLow, prLowest };
enum TTextEncoding { te8Bit, teBase64 };

class TVemMsg {
public:
    TVemMsg() = default;
    TVemMsg(const TVemMsg&) = delete;
    TVemMsg& operator=(const TVemMsg&) = delete;

    std::string UserName;  // display name for From when composing
    std::string From;
    std::string ReplyTo;
    std::string SendTo;
    std::string CC;
    std::string BCC;
    std::string Subject;
    StringList Text;          // the readable body lines of every text part, in order
    // Where in Text each part's lines begin, with that part's charset (empty when it names
    // none): the bytes stay as they came, the display converts each run by its own charset.
    struct TTextRun {
        size_t FirstLine = 0;
        std::string Charset;
    };
    std::vector<TTextRun> TextRuns;
    StringList ExtraHeaders;  // added to composed mail
    TPriority Priority = prNormal;
    std::string CharSet = "ISO-8859-1";
    bool ClearRawMailAfterParse = true;
    TTextEncoding TextEncoding = te8Bit;
    std::string XMailer;

    std::string Sender;
    std::string MessageId;
    std::string InReplyTo;
    std::string ReturnPath;
    std::string Date;
    std::string ContentType;              // upper case, without parameters
    std::string ContentTransferEncoding;  // upper case
    StringList Headers;                   // header lines as received, folded lines separate
    TAttachedFiles AttachedFiles;
    StringList RawMail;
    int64_t Size = 0;  // octets, as the server reported them
    std::string UIDL;  // as the server reported it

    // Takes the raw lines (header lines first) and parses them. Parsing again appends to Headers,
    // Text and AttachedFiles. Fails only when an attachment declared uuencoded cannot be decoded
    // ("Oops..."); RawMail then holds the lines. Attachments are decoded in memory.
    void SetRawMail(const StringList& lines);
    void SetRawMail(StringList&& lines);

    // Composes RawMail from the properties; raises when From holds no "@".
    void FillRawMail();

private:
    void Parse(const StringList& raw);
    void ReadHeaderFields(const StringList& raw);
    void ParsePart(LineSpan lines, int depth);
    void ParseTextPart(LineSpan body, const std::string& encoding);
    // The lines appended from here on are in `charset`.
    void BeginTextRun(const std::string& charset);
    void TakeOutUUBlocks(LineSpan body, std::vector<std::string_view>& rest);
    void KeepNested(LineSpan lines);
    void StoreAttachment(LineSpan lines, const std::string& type, std::string name, const std::string& encoding);
    void AppendText(LineSpan lines);
    void AppendText(StringList&& lines);
};

// Messages held together; the list owns them.
class TVemMsgList {
public:
    TVemMsg& Add();
    int Count() const { return int(items_.size()); }
    TVemMsg& Items(int index);
    void Delete(int index);
    void Clear() { items_.clear(); }

private:
    std::vector<std::unique_ptr<TVemMsg>> items_;
};
