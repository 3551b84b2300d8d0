// Parse time and peak memory of the raw-mail parser. First Quillbox beside GMime 3 (when the
// benchmark was built with it) on a 21 MB message with a 15 MB base64 attachment and on the
// uuencode trap, in interleaved runs; then Quillbox alone on large and hostile messages. Every
// run is a child process of its own. Build in Release; run without arguments.
#include "BenchMessages.h"
#include "ChildMeasure.h"
#include "ParsePeer.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

struct Result {
    double bestSeconds = 1e9;
    double peakMB = 0;  // the highest of the runs
    std::string summary;
    bool failed = false;
};

void Record(Result& r, const Measurement& m)
{
    if (!m.ok) {
        r.failed = true;
        r.summary = m.summary;
        return;
    }
    r.bestSeconds = std::min(r.bestSeconds, m.seconds);
    r.peakMB = std::max(r.peakMB, m.peakMB);
    r.summary = m.summary;
}

void PrintRow(const std::string& message, double sizeMB, const std::string& parser, const Result& r)
{
    if (r.failed) {
        std::printf("%-40s %-20s %s\n", message.c_str(), parser.c_str(), r.summary.c_str());
        return;
    }
    std::printf("%-40s %-20s %8.1f ms %7.1f MB %5.2fx  (%s)\n", message.c_str(), parser.c_str(), r.bestSeconds * 1e3,
                r.peakMB, r.peakMB / sizeMB, r.summary.c_str());
}

void SideBySide(const std::string& name, const StringList& lines, std::vector<std::unique_ptr<ParsePeer>>& peers, int runs)
{
    const std::string bytes = MessageBytes(lines);
    const double sizeMB = double(bytes.size()) / 1e6;
    std::vector<Result> results(peers.size());
    for (int run = 0; run < runs; ++run)
        for (size_t p = 0; p < peers.size(); ++p) Record(results[p], MeasureInChild(*peers[p], bytes));
    char title[96];
    std::snprintf(title, sizeof title, "%s, %.2f MB", name.c_str(), sizeMB);
    for (size_t p = 0; p < peers.size(); ++p) PrintRow(p == 0 ? title : "", sizeMB, peers[p]->Name(), results[p]);
    if (peers.size() > 2 && !results[0].failed && !results.back().failed)
        std::printf("%-40s Quillbox / %s: wall %.2fx, peak %.2fx\n", "", peers.back()->Name().c_str(),
                    results[0].bestSeconds / results.back().bestSeconds, results[0].peakMB / results.back().peakMB);
}

void Alone(const std::string& name, const std::function<StringList()>& make, int runs)
{
    const std::string bytes = MessageBytes(make());
    auto peer = MakeQuillboxPeer(false);
    Result result;
    for (int run = 0; run < runs; ++run) Record(result, MeasureInChild(*peer, bytes));
    char title[96];
    std::snprintf(title, sizeof title, "%s, %.2f MB", name.c_str(), double(bytes.size()) / 1e6);
    PrintRow(title, double(bytes.size()) / 1e6, peer->Name(), result);
}

}  // namespace

int main()
{
    std::printf("Raw-mail parse. Wall: best of the runs; peak: resident memory the parse added, the highest\n"
                "of the runs, and as a multiple of the message size. Each parser gets the message in the\n"
                "form it takes (Quillbox: lines, as the POP3 client receives them; GMime: a memory stream\n"
                "over the bytes); that input is not counted. \"Quillbox, split too\" also counts the split\n"
                "of the bytes into lines. Every part is decoded to memory and kept.\n\n");
    std::printf("Machine load before: %s (%ld cores)\n\n", MachineLoad().c_str(), sysconf(_SC_NPROCESSORS_ONLN));

    std::vector<std::unique_ptr<ParsePeer>> peers;
    peers.push_back(MakeQuillboxPeer(false));
    peers.push_back(MakeQuillboxPeer(true));
#ifdef QUILLBOX_BENCH_HAVE_GMIME
    peers.push_back(MakeGMimePeer());
#else
    std::printf("(Built without GMime 3: Quillbox's figures only.)\n");
#endif
    std::printf("Side by side, interleaved, 5 runs each:\n");
    SideBySide("15 MB base64 attachment", LargeMessage(20'000'000), peers, 5);
    SideBySide("uu trap, 100,000 begin lines", UuencodeTrap(100'000), peers, 5);
    std::printf("\nMachine load after: %s\n\n", MachineLoad().c_str());

    std::printf("Quillbox alone, 3 runs each:\n");
    Alone("1 MB, base64 attachment", [] { return LargeMessage(1'000'000); }, 3);
    Alone("5 MB, base64 attachment", [] { return LargeMessage(5'000'000); }, 3);
    Alone("40 MB, base64 attachment", [] { return LargeMessage(40'000'000); }, 3);
    Alone("nested 10,000 levels", [] { return DeeplyNested(10'000); }, 3);
    Alone("nested 100,000 levels", [] { return DeeplyNested(100'000); }, 3);
    Alone("10,000 tiny attachments", [] { return ManyTinyAttachments(10'000); }, 3);
    Alone("100,000 tiny attachments", [] { return ManyTinyAttachments(100'000); }, 3);
    Alone("100,000 false uu begin lines", [] { return FalseUuencodeStarts(100'000); }, 3);
    Alone("400,000 false uu begin lines", [] { return FalseUuencodeStarts(400'000); }, 3);
    Alone("encoded headers, 100k words", [] { return HugeEncodedHeaders(100'000); }, 3);
    Alone("encoded headers, 400k words", [] { return HugeEncodedHeaders(400'000); }, 3);
    std::printf("\nMachine load at the end: %s\n", MachineLoad().c_str());
    return 0;
}
