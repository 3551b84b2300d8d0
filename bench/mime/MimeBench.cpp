// Parse time and peak memory of TVemMsg::SetRawMail on generated messages: large ones with base64
// attachments (to show the cost grows linearly with size) and hostile ones (deep nesting, many
// tiny attachments, huge encoded headers). Each case runs in a child process of its own, so its
// peak memory is its own. Build in Release; run without arguments.
#include "retrieval/VemMIME.h"
#include "retrieval/VemMsg.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

long StatusKB(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::string(field).size()));
    return -1;
}

void ResetPeak()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
}

size_t Bytes(const StringList& lines)
{
    size_t total = 0;
    for (const auto& l : lines) total += l.size() + 2;
    return total;
}

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

// A message of about `total` bytes: a text part and one base64 attachment of three quarters of it.
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

// (Texts are built with append: g++ 12 misreports "literal" + to_string() at -O2.)
std::string Boundary(int i) { return std::string("b").append(std::to_string(i)); }

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

// Lines that all look like the start of a uuencoded block, and a last line that spoils every one.
StringList FalseUuencodeStarts(int count)
{
    StringList m;
    Header(m, "Begin", "text/plain");
    for (int i = 0; i < count; ++i) m.push_back("BEGIN 644 NOT-REALLY-A-FILE");
    m.push_back("but this line is lower case");
    return m;
}

// Begin lines that each look like the start of a uuencoded block, each spoilt by the next line,
// and no "end" line: a search that rescans the rest of the text per begin line is quadratic.
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

void RunCase(const std::string& name, const std::function<StringList()>& make)
{
    std::fflush(stdout);
    pid_t child = ::fork();
    if (child == 0) {
        StringList lines = make();
        size_t size = Bytes(lines);
        double best = 1e9;
        long peak = 0, before = 0;
        size_t attachments = 0, text = 0;
        for (int run = 0; run < 3; ++run) {
            before = StatusKB("VmRSS:");
            ResetPeak();
            auto start = std::chrono::steady_clock::now();
            {
                TVemMsg msg;
                msg.SetRawMail(lines);
                attachments = size_t(msg.AttachedFiles.Count());
                text = msg.Text.size();
                peak = std::max(peak, StatusKB("VmHWM:") - before);
            }
            double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            best = std::min(best, seconds);
        }
        std::printf("%-28s %8.2f MB %9.1f ms %8.1f MB/s %9.1f MB peak  (%zu text lines, %zu attachments)\n",
                    name.c_str(), double(size) / 1e6, best * 1e3, double(size) / 1e6 / best, double(peak) / 1024.0,
                    text, attachments);
        std::fflush(stdout);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::printf("%-28s failed (status %d)\n", name.c_str(), status);
}

}  // namespace

int main()
{
    std::printf("Raw-mail parse: best of 3 runs; peak = resident memory added during the parse\n");
    std::printf("(the message's own lines are not counted; SetRawMail copies them, that copy is).\n\n");
    RunCase("1 MB, base64 attachment", [] { return LargeMessage(1'000'000); });
    RunCase("5 MB, base64 attachment", [] { return LargeMessage(5'000'000); });
    RunCase("20 MB, base64 attachment", [] { return LargeMessage(20'000'000); });
    RunCase("40 MB, base64 attachment", [] { return LargeMessage(40'000'000); });
    RunCase("nested 10,000 levels", [] { return DeeplyNested(10'000); });
    RunCase("nested 100,000 levels", [] { return DeeplyNested(100'000); });
    RunCase("10,000 tiny attachments", [] { return ManyTinyAttachments(10'000); });
    RunCase("100,000 tiny attachments", [] { return ManyTinyAttachments(100'000); });
    RunCase("100,000 false uu begin lines", [] { return FalseUuencodeStarts(100'000); });
    RunCase("400,000 false uu begin lines", [] { return FalseUuencodeStarts(400'000); });
    RunCase("uu trap, 100,000 begin lines", [] { return UuencodeTrap(100'000); });
    RunCase("encoded headers, 100k words", [] { return HugeEncodedHeaders(100'000); });
    RunCase("encoded headers, 400k words", [] { return HugeEncodedHeaders(400'000); });
    return 0;
}
