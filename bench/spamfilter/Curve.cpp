#include "Curve.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

double ShareAtOrAbove(const std::vector<double>& scores, double threshold)
{
    if (scores.empty()) return 0;
    return static_cast<double>(std::count_if(scores.begin(), scores.end(), [&](double v) { return v >= threshold; })) /
           static_cast<double>(scores.size());
}

double ThresholdForHamRate(const std::vector<double>& ham, double hamRate)
{
    std::vector<double> sorted = ham;
    std::sort(sorted.begin(), sorted.end(), std::greater<double>());
    size_t allowed = static_cast<size_t>(std::floor(hamRate * static_cast<double>(sorted.size()) + 1e-9));
    if (allowed >= sorted.size()) return -std::numeric_limits<double>::infinity();
    return std::nextafter(sorted[allowed], std::numeric_limits<double>::infinity());
}

double SpamCaughtAtHamRate(const TScored& s, double hamRate)
{
    return ShareAtOrAbove(s.spam, ThresholdForHamRate(s.ham, hamRate));
}
