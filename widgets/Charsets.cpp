#include "widgets/Charsets.h"

#include "platform/Strings.h"

#include <QStringDecoder>

#include <string>

namespace {

// 0x80 to 0x9F; the unassigned bytes keep their C1 code points, as ICU's table has them.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QByteArrayView View(std::string_view bytes) { return QByteArrayView(bytes.data(), qsizetype(bytes.size())); }

// The charset name without blanks, quotes and an RFC 2231 language ("UTF-8*en").
std::string CleanName(std::string_view charset)
{
    std::string name = Trim(charset);
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = Trim(name.substr(1, name.size() - 2));
    size_t star = name.find('*');
    if (star != std::string::npos) name.resize(star);
    return name;
}

}  // namespace

QString DecodeWindows1252(std::string_view bytes)
{
    QString text(qsizetype(bytes.size()), Qt::Uninitialized);
    QChar* out = text.data();
    for (unsigned char c : bytes) *out++ = QChar(c >= 0x80 && c < 0xA0 ? kWindows1252High[c - 0x80] : char16_t(c));
    return text;
}

QString DecodeUnlabelled(std::string_view bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(View(bytes));
    if (!utf8.hasError()) return text;
    return DecodeWindows1252(bytes);
}

QString DecodeCharset(std::string_view bytes, std::string_view charset)
{
    std::string name = CleanName(charset);
    if (name.empty()) return DecodeUnlabelled(bytes);
    QStringDecoder decoder(name.c_str(), QStringDecoder::Flag::Stateless);
    if (!decoder.isValid()) return DecodeUnlabelled(bytes);
    // The decoder's own name resolves the aliases ("latin1", "ANSI_X3.4-1968", "csASCII" ...).
    const char* canonical = decoder.name();
    std::string known = canonical ? UpperCase(canonical) : std::string();
    // Mail labelled US-ASCII often carries 8-bit text anyway; it decodes like unlabelled mail.
    if (known == "US-ASCII") return DecodeUnlabelled(bytes);
    if (known == "ISO-8859-1") return DecodeWindows1252(bytes);
    if (known == "GB2312") decoder = QStringDecoder("GB18030", QStringDecoder::Flag::Stateless);
    return decoder.decode(View(bytes));
}
