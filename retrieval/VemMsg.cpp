// Composition of raw mail from a message's properties, and the message list.
#include "retrieval/VemMsg.h"

#include "platform/TextFile.h"
#include "retrieval/VemMIME.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <random>

namespace {

// Host part of generated message ids: a fixed placeholder, the program has no mail domain.
constexpr const char* kIdHost = "q.b.x";

// One generator for the program's lifetime, seeded from the system's entropy and the clock:
// reseeding from the clock for every message would repeat ids and boundaries made within the
// same clock tick.
std::mt19937& Random()
{
    static std::mt19937 generator = [] {
        std::random_device device;
        auto now = std::chrono::high_resolution_clock::now().time_since_epoch().count();
        std::seed_seq seed{device(), device(), static_cast<unsigned>(now), static_cast<unsigned>(uint64_t(now) >> 32)};
        return std::mt19937(seed);
    }();
    return generator;
}

std::string RandomLetters(size_t count, char last)
{
    std::uniform_int_distribution<int> pick(0, last - 'a');
    std::string letters;
    for (size_t i = 0; i < count; ++i) letters.push_back(static_cast<char>('a' + pick(Random())));
    return letters;
}

std::string GeneratedMessageId()
{
    std::time_t now = std::time(nullptr);
    std::tm local {};
    localtime_r(&now, &local);
    char date[32];
    std::snprintf(date, sizeof date, "%04d.%02d.%02d.", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    return std::string("<VEM.") + date + RandomLetters(16, 't') + "@" + kIdHost + ">";
}

std::string GeneratedBoundary() { return "--_VEM_bound_" + RandomLetters(12, 'y'); }

StringList Base64Lines(std::string_view bytes)
{
    TMemoryStream text;
    {
        TBase64EncodingStream encoder(text);
        encoder.WriteBuffer(bytes.data(), int64_t(bytes.size()));
    }
    return platform::SplitLines(text.Bytes());
}

}  // namespace

void TVemMsg::FillRawMail()
{
    RawMail.clear();
    StringList body = Text;
    StringList header;
    header.push_back("Message-Id: " + GeneratedMessageId());
    header.push_back("Date: " + Date);
    header.push_back("X-Priority: " + IntToStr(int(Priority) + 1));
    if (From.find('@') == std::string::npos) throw Exception("\"From\" address not complete.");
    if (!UserName.empty()) header.push_back("From: \"" + UserName + "\" <" + From + ">");
    else header.push_back("From: " + From);
    if (!InReplyTo.empty()) header.push_back("In-Reply-To: " + InReplyTo);
    if (!ReplyTo.empty()) header.push_back("Reply-To: " + ReplyTo);
    header.push_back("X-Mailer: " + XMailer);
    header.push_back("To: " + SendTo);
    if (!CC.empty()) header.push_back("CC: " + CC);
    header.push_back("MIME-Version: 1.0");

    std::string word;
    std::string subject = Subject;
    if (TextEncoding == te8Bit) {
        word = "8Bit";
        for (std::string& line : body)
            if (!line.empty() && line[0] == '.') line.insert(0, 1, '.');
    } else {
        word = "base64";
        body = Base64Lines(JoinLinesCRLF(body));
        // Only the header line is encoded: the property keeps the readable subject, so composing
        // twice gives the same message.
        subject = "=?" + CharSet + "?B?" + EncodeBase64Text(Subject) + "?=";
    }
    header.push_back("Subject: " + subject);

    if (AttachedFiles.Count() == 0) {
        header.push_back("Content-Type: text/plain; charset=" + CharSet);
        header.push_back("Content-Transfer-Encoding: " + word);
    } else {
        const std::string boundary = GeneratedBoundary();
        const std::string delimiter = "--" + boundary;
        header.push_back("Content-Type: multipart/mixed; boundary=\"" + boundary + "\"");
        StringList front{delimiter, "Content-Type: text/plain; charset=" + CharSet,
                         "Content-Transfer-Encoding: " + word, ""};
        body.insert(body.begin(), front.begin(), front.end());
        for (int i = 0; i < AttachedFiles.Count(); ++i) {
            TAttachedFile& file = AttachedFiles.Items(i);
            file.EncodeBase64();
            body.push_back(delimiter);
            body.push_back("Content-Type: " + file.ContentType + "; name=\"" + file.FileName + "\"");
            body.push_back("Content-Transfer-Encoding: base64");
            body.push_back("Content-Disposition: attachment; filename=\"" + file.FileName + "\"");
            body.push_back("");
            body.insert(body.end(), file.EncodedLines.begin(), file.EncodedLines.end());
        }
        body.push_back("");
        body.push_back(delimiter + "--");
        body.push_back("");
    }

    header.insert(header.end(), ExtraHeaders.begin(), ExtraHeaders.end());
    RawMail = std::move(header);
    RawMail.push_back("");
    RawMail.insert(RawMail.end(), std::make_move_iterator(body.begin()), std::make_move_iterator(body.end()));
}

// ---------------------------------------------------------------------------------------------

TVemMsg& TVemMsgList::Add()
{
    items_.push_back(std::make_unique<TVemMsg>());
    return *items_.back();
}

TVemMsg& TVemMsgList::Items(int index)
{
    if (index < 0 || size_t(index) >= items_.size()) throw Exception("List index out of bounds (" + IntToStr(index) + ")");
    return *items_[size_t(index)];
}

void TVemMsgList::Delete(int index)
{
    Items(index);
    items_.erase(items_.begin() + index);
}
