#include "Bogofilter.h"

#include "platform/Folders.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// mbox: a "From " line opens each message; body lines that begin so are quoted with ">".
// `which`: 1 the spam only, 0 the ham only, -1 all in order.
void WriteMbox(const std::string& path, const std::vector<const TCorpusMessage*>& messages, bool headerOnly, int which)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (const TCorpusMessage* m : messages) {
        if (which >= 0 && m->spam != (which == 1)) continue;
        const std::string& text = headerOnly ? m->header : m->text;
        size_t at = 0;
        if (text.rfind("From ", 0) != 0) out << "From bench@localhost Thu Jan  1 00:00:00 2002\n";
        else {
            size_t nl = text.find('\n');
            out << text.substr(0, nl + 1);
            at = nl + 1;
        }
        while (at < text.size()) {
            size_t nl = text.find('\n', at);
            std::string_view line = std::string_view(text).substr(at, nl == std::string::npos ? std::string::npos : nl - at + 1);
            if (line.rfind("From ", 0) == 0 || line.rfind(">From ", 0) == 0) out << '>';
            out << line;
            at = nl == std::string::npos ? text.size() : nl + 1;
        }
        if (!text.empty() && text.back() != '\n') out << '\n';
        out << '\n';
    }
}

void Run(const std::string& command)
{
    int rc = std::system(command.c_str());
    if (rc != 0) {
        std::fprintf(stderr, "failed (%d): %s\n", rc, command.c_str());
        std::exit(3);
    }
}

}  // namespace

TBogofilter::TBogofilter(std::string folder, bool headerOnly, const std::vector<const TCorpusMessage*>& train,
                         const std::vector<const TCorpusMessage*>& test)
    : folder_(std::move(folder))
{
    platform::ForceDirectories(folder_);
    WriteMbox(folder_ + "/train-spam.mbox", train, headerOnly, 1);
    WriteMbox(folder_ + "/train-ham.mbox", train, headerOnly, 0);
    WriteMbox(folder_ + "/test.mbox", test, headerOnly, -1);
    testCount_ = test.size();
}

bool TBogofilter::Installed() { return ::access("/usr/bin/bogofilter", X_OK) == 0; }

double TBogofilter::Train()
{
    Run("rm -rf '" + folder_ + "/db'");
    Clock::time_point start = Clock::now();
    Run("bogofilter -d '" + folder_ + "/db' -s < '" + folder_ + "/train-spam.mbox'");
    Run("bogofilter -d '" + folder_ + "/db' -n < '" + folder_ + "/train-ham.mbox'");
    return Since(start);
}

double ChildrenCpu()
{
    rusage r {};
    ::getrusage(RUSAGE_CHILDREN, &r);
    return static_cast<double>(r.ru_utime.tv_sec + r.ru_stime.tv_sec) + (r.ru_utime.tv_usec + r.ru_stime.tv_usec) * 1e-6;
}

double TBogofilter::Classify(std::vector<TBogoVerdict>& verdicts, double& cpuSeconds)
{
    double cpuBefore = ChildrenCpu();
    verdicts.clear();
    std::string command = "bogofilter -d '" + folder_ + "/db' -T -M < '" + folder_ + "/test.mbox'";
    Clock::time_point start = Clock::now();
    FILE* pipe = ::popen(command.c_str(), "r");
    char line[256];
    while (pipe && std::fgets(line, sizeof line, pipe)) {
        TBogoVerdict v;
        v.tag = line[0];
        v.score = 100.0 * std::atof(line + 1);
        verdicts.push_back(v);
    }
    if (pipe) ::pclose(pipe);
    double seconds = Since(start);
    cpuSeconds = ChildrenCpu() - cpuBefore;
    if (verdicts.size() != testCount_) {
        std::fprintf(stderr, "bogofilter gave %zu verdicts for %zu messages\n", verdicts.size(), testCount_);
        std::exit(3);
    }
    return seconds;
}

int64_t TBogofilter::DatabaseBytes() const
{
    struct stat st {};
    return ::stat((folder_ + "/db/wordlist.db").c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;
}
