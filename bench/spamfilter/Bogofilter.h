#pragma once
// bogofilter (Debian bogofilter-sqlite) as the peer: trained and asked through its command line
// on mbox files made from the same messages, header-only or whole.
#include "Corpus.h"

#include <cstdint>
#include <string>
#include <vector>

struct TBogoVerdict {
    char tag = '?';      // S spam, H ham, U unsure (its default cut-offs)
    double score = 0;    // 0..100
};

class TBogofilter {
public:
    // Writes its mbox files under `folder` (created); `headerOnly` cuts each message at the
    // first blank line.
    TBogofilter(std::string folder, bool headerOnly, const std::vector<const TCorpusMessage*>& train,
                const std::vector<const TCorpusMessage*>& test);

    // Trains a fresh word list on the training messages; seconds taken.
    double Train();
    // Classifies the test messages in order; seconds taken, and in `cpuSeconds` the CPU time
    // of its process (user and system).
    double Classify(std::vector<TBogoVerdict>& verdicts, double& cpuSeconds);
    int64_t DatabaseBytes() const;
    static bool Installed();

private:
    std::string folder_;
    size_t testCount_ = 0;
};
