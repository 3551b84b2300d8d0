#pragma once
// Combining token probabilities into one spam probability by Robinson's method: each token's
// spam probability f(w) is shrunk towards an assumed value for rarely seen tokens, and the
// f(w) of a message are combined with Fisher's inverse chi-square test, once for spamminess and
// once for hamminess. Words near neutral are left out.
#include <cstddef>
#include <cstdint>
#include <vector>

// The defaults were chosen by cross-validation (bench/spamfilter); Robinson suggests s = 1,
// x = 0.5 to start with.
struct TRobinsonParams {
    double strength = 0.03;       // s: weight of the assumed probability against the evidence
    double assumed = 0.5;         // x: f(w) of a token never seen
    double minDeviation = 0.0;    // tokens with |f(w) - 0.5| below this are left out
    // Only this many of the most decisive tokens count (0: all). A header's tokens hang
    // together (a relay gives its host, domain, address and network), so all of them together
    // overstate the evidence: scores piled at 0 and 100, and later mail from other relays fell
    // into the unsure band whatever threshold the training mail chose.
    unsigned maxTokens = 25;
    // Tokens never seen count beside the maxTokens strongest, up to this many (0: they compete
    // with the others for a place). Evidence of mail from nowhere known.
    unsigned unseenApart = 0;
    // Of the maxTokens strongest, at most this many from one source (one field, one Received
    // hop, the header's names, a mailing list's marks: TokenSource.h); 0, or maxTokens 0: no
    // cap. Robinson's method takes its tokens as independent evidence, and the tokens of one
    // source are not: the list's or the relay's dozen tokens outvoted the sender's own. A
    // mailing list's marks count as one token whatever this says.
    unsigned perSource = 2;
};

// f(w) = (s*x + n*p(w)) / (s + n), with p(w) = b / (b + g), b = spam / spamMessages,
// g = ham / hamMessages and n = spam + ham (messages holding the token).
double TokenProbability(uint32_t spam, uint32_t ham, uint64_t spamMessages, uint64_t hamMessages,
                        const TRobinsonParams& params);

// The probability that a chi-square variable with `degrees` (even) degrees of freedom is at
// least `chi2`. Computed in logarithms, so large values neither overflow nor lose the tail.
double ChiSquareTail(double chi2, unsigned degrees);

// The running sums of one message: ln prod f(w), ln prod (1 - f(w)) and n.
struct TChiSquareSum {
    double logSpammy = 0, logHammy = 0;
    unsigned n = 0;
    // Adds f(w) unless it lies inside the min-deviation band.
    void Add(double f, const TRobinsonParams& params);
    // Adds ln f(w) and ln (1 - f(w)) worked out before (the caller applied the band).
    void AddLogs(double logF, double logNotF)
    {
        logSpammy += logF;
        logHammy += logNotF;
        ++n;
    }
    double Result() const;  // I, see below
};
// ln f and ln (1 - f), with f kept off 0 and 1.
void ProbabilityLogs(double f, double& logF, double& logNotF);

// I = (1 + H - S) / 2, with H = C(-2 ln prod f(w), 2n) and S = C(-2 ln prod (1 - f(w)), 2n):
// near 1 for spam, near 0 for ham, 0.5 when the evidence is missing or balanced. Probabilities
// inside the min-deviation band are skipped.
double CombineChiSquare(const std::vector<double>& probabilities, const TRobinsonParams& params);
