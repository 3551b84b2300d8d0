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
    // sum over i < degrees/2 of e^-m m^i / i!, with m = chi2 / 2
    double m = chi2 / 2;
    unsigned terms = degrees / 2;
    if (m < 700) {  // e^-m is a normal double: the plain series
        double term = std::exp(-m), sum = term;
        for (unsigned i = 1; i < terms; ++i) {
            term *= m / i;
            sum += term;
            if (i > m && term < sum * 1e-17) break;  // the terms only shrink from here
        }
        return std::min(1.0, sum);
    }
    // e^-m underflows: the same series added up as logarithms
    double logM = std::log(m);
    double logTerm = -m;
    double logSum = logTerm;
    for (unsigned i = 1; i < terms; ++i) {
        logTerm += logM - std::log(static_cast<double>(i));
        if (i > m && logTerm < logSum - 40) break;
        double hi = std::max(logSum, logTerm), lo = std::min(logSum, logTerm);
        logSum = hi + std::log1p(std::exp(lo - hi));
    }
    return std::min(1.0, std::exp(logSum));
}

void ProbabilityLogs(double f, double& logF, double& logNotF)
{
    // f(w) of exactly 0 or 1 would make a logarithm infinite; Robinson's f never reaches them
    // with s > 0, the clamp covers s = 0.
    constexpr double kEdge = 1e-9;
    f = std::clamp(f, kEdge, 1 - kEdge);
    logF = std::log(f);
    logNotF = std::log1p(-f);
}

void TChiSquareSum::Add(double f, const TRobinsonParams& params)
{
    if (std::fabs(f - 0.5) < params.minDeviation) return;
    double logF = 0, logNotF = 0;
    ProbabilityLogs(f, logF, logNotF);
    AddLogs(logF, logNotF);
}

double TChiSquareSum::Result() const
{
    if (n == 0) return 0.5;
    double h = ChiSquareTail(-2 * logSpammy, 2 * n);
    double s = ChiSquareTail(-2 * logHammy, 2 * n);
    return (1 + h - s) / 2;
}

double CombineChiSquare(const std::vector<double>& probabilities, const TRobinsonParams& params)
{
    TChiSquareSum sum;
    for (double f : probabilities) sum.Add(f, params);
    return sum.Result();
}
