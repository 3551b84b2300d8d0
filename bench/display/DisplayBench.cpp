// Time of DisplayBodyText on a 20 MB body in the charsets that take different paths (UTF-8,
// the Windows-1252 fallback, an ICU converter, body lines), and of DisplayHeaderText on the
// subjects of a big mailbox. Build in Release; run without arguments.
#include "widgets/DisplayText.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

namespace {

constexpr size_t kBodyBytes = 20u << 20;

// Lines of 78 characters plus CR LF, with one two-byte character in each.
std::string Body(const std::string& special)
{
    std::string line;
    while (line.size() + special.size() < 78) line += "Text ";
    line += special + "\r\n";
    std::string body;
    body.reserve(kBodyBytes + line.size());
    while (body.size() < kBodyBytes) body += line;
    return body;
}

StringList Lines(const std::string& body)
{
    StringList lines;
    for (size_t start = 0; start < body.size();) {
        size_t end = body.find("\r\n", start);
        lines.push_back(body.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

void Time(const char* what, const std::function<qsizetype()>& run)
{
    auto start = std::chrono::steady_clock::now();
    qsizetype characters = run();
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("%-52s %8.1f ms  (%lld characters)\n", what, ms, static_cast<long long>(characters));
}

}  // namespace

int main()
{
    const std::string utf8 = Body("\xc3\xbc");
    const std::string latin = Body("\xfc\x80");
    const StringList lines = Lines(latin);
    std::printf("body of %zu bytes, %zu lines\n", latin.size(), lines.size());
    Time("UTF-8, declared", [&] { return DisplayBodyText(std::string_view(utf8), "utf-8").size(); });
    Time("UTF-8, no charset (checked, then taken)", [&] { return DisplayBodyText(std::string_view(utf8), "").size(); });
    Time("not UTF-8, no charset (Windows-1252 fallback)", [&] { return DisplayBodyText(std::string_view(latin), "").size(); });
    Time("ISO-8859-15 (ICU converter)", [&] { return DisplayBodyText(std::string_view(latin), "iso-8859-15").size(); });
    Time("body lines, ISO-8859-1 (joined, then one pass)", [&] { return DisplayBodyText(lines, "iso-8859-1").size(); });

    Time("10,000 subjects with encoded words", [&] {
        qsizetype total = 0;
        for (int i = 0; i < 10000; ++i)
            total += DisplayHeaderText(" Re: =?ISO-8859-1?Q?J=F6rg_M=FCller?= =?UTF-8?B?R3LDvMOfZSBhdXMgQmVybGlu?= " +
                                       std::to_string(i)).size();
        return total;
    });
    return 0;
}
