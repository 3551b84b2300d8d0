#include "filter/ChiSquare.h"

#include <algorithm>
#include <cmath>

double TokenProbability(uint32_t spam, uint32_t ham, uint64_t spamMessages, uint64_t hamMessages,
                        const TRobinsonParams& params)
{
    double n = static_cast<double>(spam) + ham;
    if (n == 0) return params.assumed;
    double b = spamMessages ? std::min(1.0, static_cast<double>(spam) / static_cast<double>(spamMessages)) : 0.0;
    double g = hamMessages ? std::min(1.0, static_cast<double>(ham) / static_cast<double>(hamMessages)) : 0.0;
    double p = (b + g) > 0 ? b / (b + g) : params.assumed;
    return (params.strength * params.assumed + n * p) / (params.strength + n);
}

double ChiSquareTail(double chi2, unsigned degrees)
{
    if (chi2 <= 0) return 1.0;
    // sum over i < degrees/2 of e^-m m^i / i!, with m = chi2 / 2, added up as logarithms
    double m = chi2 / 2;
    double logM = std::log(m);
    double logTerm = -m;
    double logSum = logTerm;
    for (unsigned i = 1; i < degrees / 2; ++i) {
        logTerm += logM - std::log(static_cast<double>(i));
        double hi = std::max(logSum, logTerm), lo = std::min(logSum, logTerm);
        logSum = hi + std::log1p(std::exp(lo - hi));
    }
    return std::min(1.0, std::exp(logSum));
}

double CombineChiSquare(const std::vector<double>& probabilities, const TRobinsonParams& params)
{
    // f(w) of exactly 0 or 1 would make a logarithm infinite; Robinson's f never reaches them
    // with s > 0, the clamp covers s = 0.
    constexpr double kEdge = 1e-9;
    double logSpammy = 0, logHammy = 0;
    unsigned n = 0;
    for (double f : probabilities) {
        if (std::fabs(f - 0.5) < params.minDeviation) continue;
        f = std::clamp(f, kEdge, 1 - kEdge);
        logSpammy += std::log(f);
        logHammy += std::log1p(-f);
        ++n;
    }
    if (n == 0) return 0.5;
    double h = ChiSquareTail(-2 * logSpammy, 2 * n);
    double s = ChiSquareTail(-2 * logHammy, 2 * n);
    return (1 + h - s) / 2;
}
