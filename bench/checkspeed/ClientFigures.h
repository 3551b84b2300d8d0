#pragma once
// The runs of one client in one part of the benchmark, and the best of them: the lowest of each
// cost (wall, CPU, memory), and for the window's longest unanswered gap both the lowest and the
// highest seen.
#include <string>
#include <vector>

struct RunFigures {
    double wall = 0;
    double cpu = 0;        // the client's, over its check
    double serverCpu = 0;  // the server's, over the client's whole run
    long peakKB = 0;       // the client process's peak resident memory
    long long gapMs = -1;  // the main window's longest gap; -1 for the other clients
    long summaries = 0;    // headers (or rows) the client got
    // Seen by the raw pipelined client only (-1 for the others): LIST's reply, and the wait for
    // the first TOP reply, where the server does its per-session work.
    double listSeconds = -1;
    double firstTopSeconds = -1;
};

class ClientFigures {
public:
    explicit ClientFigures(std::string name) : name_(std::move(name)) {}

    void Add(const RunFigures& run) { runs_.push_back(run); }
    const std::string& Name() const { return name_; }
    bool Empty() const { return runs_.empty(); }
    int Runs() const { return int(runs_.size()); }

    double BestWall() const;
    double BestCpu() const;
    double BestServerCpu() const;
    long BestPeakKB() const;
    long long LowestGapMs() const;
    long long HighestGapMs() const;
    long FewestSummaries() const;
    double BestListSeconds() const;
    double BestFirstTopSeconds() const;

private:
    std::string name_;
    std::vector<RunFigures> runs_;
};
