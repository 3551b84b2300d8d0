#pragma once
// Figures of a classifier's scores on spam and ham: what a threshold catches and marks, and
// the spam caught when a given share of ham may be marked.
#include <vector>

struct TScored {
    std::vector<double> spam, ham;
};

// Share of `scores` at or above `threshold`.
double ShareAtOrAbove(const std::vector<double>& scores, double threshold);
// Spam caught with at most `hamRate` of the ham marked: the threshold is set just above the
// ham score that may not be passed (ties count as not caught).
double SpamCaughtAtHamRate(const TScored& s, double hamRate);
// The lowest threshold (from `candidates`) that marks at most `hamRate` of the ham.
double ThresholdForHamRate(const std::vector<double>& ham, double hamRate);
