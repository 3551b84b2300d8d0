#include "BenchMessages.h"

#include "retrieval/VemMIME.h"
#include "retrieval/vem_util.h"

#include <random>

namespace {

void Header(StringList& m, const std::string& subject, const std::string& type)
{
    m.push_back("From: Bench <bench@example.com>");
    m.push_back("To: \"Reader, A\" <a@example.com>, b@example.com");
    m.push_back("Subject: " + subject);
    m.push_back("Date: Tue, 8 Dec 2026 10:00:00 +0000");
    m.push_back("MIME-Version: 1.0");
    m.push_back("Content-Type: " + type);
    m.push_back("");
}

void AddBase64(StringList& m, size_t bytes, const std::string& name)
{
    std::mt19937 random(42);
    std::string data(bytes, '\0');
    for (char& c : data) c = char(random());
    std::string text = EncodeBase64Text(data);
    m.push_back("Content-Type: application/octet-stream; name=\"" + name + "\"");
    m.push_back("Content-Transfer-Encoding: base64");
    m.push_back("");
    for (size_t at = 0; at < text.size(); at += 76) m.push_back(text.substr(at, 76));
}

// (Texts are built with append: g++ 12 misreports "literal" + to_string() at -O2.)
std::string Boundary(int i) { return std::string("b").append(std::to_string(i)); }

}  // namespace

StringList LargeMessage(size_t total)
{
    StringList m;
    Header(m, "Large", "multipart/mixed; boundary=\"=_bench\"");
    m.push_back("--=_bench");
    m.push_back("Content-Type: text/plain; charset=us-ascii");
    m.push_back("");
    size_t text = total / 4;
    for (size_t n = 0; n < text; n += 72) m.push_back("The quick brown fox jumps over the lazy dog, again and again and again.");
    m.push_back("--=_bench");
    AddBase64(m, total * 3 / 4 * 3 / 4, "data.bin");
    m.push_back("--=_bench--");
    return m;
}

StringList DeeplyNested(int levels)
{
    StringList m;
    Header(m, "Deep", "multipart/mixed; boundary=\"b0\"");
    for (int i = 0; i < levels; ++i) {
        std::string delimiter = std::string("--").append(Boundary(i));
        m.push_back(delimiter);
        m.push_back("Content-Type: text/plain");
        m.push_back("");
        m.push_back(std::string("level ").append(std::to_string(i)));
        m.push_back(delimiter);
        m.push_back(std::string("Content-Type: multipart/mixed; boundary=\"").append(Boundary(i + 1)).append("\""));
        m.push_back("");
    }
    m.push_back(std::string("--").append(Boundary(levels)));
    m.push_back("");
    m.push_back("innermost");
    for (int i = levels; i >= 0; --i) m.push_back(std::string("--").append(Boundary(i)).append("--"));
    return m;
}

StringList ManyTinyAttachments(int count)
{
    StringList m;
    Header(m, "Tiny", "multipart/mixed; boundary=t");
    for (int i = 0; i < count; ++i) {
        m.push_back("--t");
        m.push_back("Content-Type: application/octet-stream");
        m.push_back("Content-Transfer-Encoding: base64");
        m.push_back("");
        m.push_back("QUJD");
    }
    m.push_back("--t--");
    return m;
}

StringList HugeEncodedHeaders(size_t words)
{
    StringList m;
    m.push_back("Subject: =?utf-8?Q?caf=C3=A9?=");
    for (size_t i = 0; i < words; ++i) m.push_back(" =?utf-8?B?Y2Fmw6k=?= =?x?Q?a_b?=");
    m.push_back("To: first@example.com");
    for (size_t i = 0; i < words; ++i) {
        std::string n = std::to_string(i);
        m.push_back(std::string(" , \"Name, ").append(n).append("\" <a").append(n).append("@x.org> (c (d) e)"));
    }
    m.push_back("");
    m.push_back("body");
    return m;
}

StringList FalseUuencodeStarts(int count)
{
    StringList m;
    Header(m, "Begin", "text/plain");
    for (int i = 0; i < count; ++i) m.push_back("BEGIN 644 NOT-REALLY-A-FILE");
    m.push_back("but this line is lower case");
    return m;
}

StringList UuencodeTrap(int count)
{
    StringList m;
    Header(m, "Trap", "text/plain");
    for (int i = 0; i < count; ++i) {
        m.push_back("begin 644 x");
        m.push_back("this line is not uuencoded");
    }
    return m;
}

std::string MessageBytes(const StringList& lines) { return JoinLinesCRLF(lines); }
