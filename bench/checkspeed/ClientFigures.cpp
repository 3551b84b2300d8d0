#include "ClientFigures.h"

#include <algorithm>

namespace {

template <typename T, typename Get>
T Lowest(const std::vector<RunFigures>& runs, Get get)
{
    if (runs.empty()) return T();
    T best = get(runs.front());
    for (const RunFigures& r : runs) best = std::min(best, get(r));
    return best;
}

}  // namespace

double ClientFigures::BestWall() const { return Lowest<double>(runs_, [](const RunFigures& r) { return r.wall; }); }
double ClientFigures::BestCpu() const { return Lowest<double>(runs_, [](const RunFigures& r) { return r.cpu; }); }
double ClientFigures::BestServerCpu() const
{
    return Lowest<double>(runs_, [](const RunFigures& r) { return r.serverCpu; });
}
long ClientFigures::BestPeakKB() const { return Lowest<long>(runs_, [](const RunFigures& r) { return r.peakKB; }); }
long long ClientFigures::LowestGapMs() const
{
    return Lowest<long long>(runs_, [](const RunFigures& r) { return r.gapMs; });
}
long long ClientFigures::HighestGapMs() const
{
    return -Lowest<long long>(runs_, [](const RunFigures& r) { return -r.gapMs; });
}
long ClientFigures::FewestSummaries() const
{
    return Lowest<long>(runs_, [](const RunFigures& r) { return r.summaries; });
}
double ClientFigures::BestListSeconds() const
{
    return Lowest<double>(runs_, [](const RunFigures& r) { return r.listSeconds; });
}
double ClientFigures::BestFirstTopSeconds() const
{
    return Lowest<double>(runs_, [](const RunFigures& r) { return r.firstTopSeconds; });
}
