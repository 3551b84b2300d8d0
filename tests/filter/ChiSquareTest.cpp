// Robinson's combination against values worked out by hand, and the score bands.
#include "filter/ChiSquare.h"
#include "filter/SpamFilter.h"
#include "TempHome.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const TRobinsonParams kPublished{1.0, 0.5, 0.1};  // s = 1, x = 0.5, tokens within 0.1 of 0.5 left out
const TRobinsonParams kEvery{1.0, 0.5, 0.0};

TEST(ChiSquare, TokenProbabilityByHand)
{
    struct Case {
        uint32_t spam, ham;
        uint64_t spamMessages, hamMessages;
        double expected;
    } cases[] = {
        {9, 1, 10, 10, 9.5 / 11},      // p = 0.9, n = 10: (0.5 + 9) / 11
        {10, 5, 20, 10, 0.5},          // b = g = 0.5
        {2, 0, 4, 100, 2.5 / 3},       // p = 1, n = 2: (0.5 + 2) / 3
        {0, 0, 10, 10, 0.5},           // never seen: x
        {3, 0, 10, 0, 3.5 / 4},        // no ham trained yet: p = 1
    };
    for (const Case& c : cases)
        EXPECT_NEAR(TokenProbability(c.spam, c.ham, c.spamMessages, c.hamMessages, kPublished), c.expected, 1e-12)
            << c.spam << "/" << c.ham;
}

TEST(ChiSquare, CombinationByHand)
{
    // C(x, 2) = e^(-x/2); C(x, 4) = e^(-m) (1 + m); C(x, 6) = e^(-m) (1 + m + m^2/2), m = x/2.
    // One token: H = f, S = 1 - f, so I = f.
    EXPECT_NEAR(CombineChiSquare({0.8}, kEvery), 0.8, 1e-12);
    // 0.9 and 0.6: H = 0.54 (1 - ln 0.54), S = 0.04 (1 - ln 0.04)
    EXPECT_NEAR(CombineChiSquare({0.9, 0.6}, kEvery), 0.851992741, 1e-8);
    EXPECT_NEAR(CombineChiSquare({0.99, 0.2, 0.3}, kEvery), 0.676984269, 1e-8);
    EXPECT_DOUBLE_EQ(CombineChiSquare({}, kEvery), 0.5);
    EXPECT_NEAR(ChiSquareTail(2, 2), std::exp(-1.0), 1e-12);
}

TEST(ChiSquare, ATokenNeverSeen)
{
    // Inside the min-deviation band it is left out; without the band it pulls towards 0.5.
    EXPECT_NEAR(CombineChiSquare({0.8, 0.5}, kPublished), 0.8, 1e-12);
    EXPECT_NEAR(CombineChiSquare({0.8, 0.5}, kEvery), 0.718128892, 1e-8);
}

TEST(ChiSquare, ManyTokensStayFinite)
{
    // A product of hundreds of probabilities underflows a double; the logarithms do not.
    std::vector<double> spammy(400, 0.99), hammy(400, 0.01);
    EXPECT_GT(CombineChiSquare(spammy, kPublished), 0.999);
    EXPECT_LT(CombineChiSquare(hammy, kPublished), 0.001);
    EXPECT_NEAR(ChiSquareTail(400, 400), 0.490596582, 1e-6);
    double far = ChiSquareTail(4000, 400);
    EXPECT_TRUE(far >= 0 && far < 1e-100);
}

TEST(SpamScore, BandsAndAnEmptyHeader)
{
    TempHome home;
    TSpamFilter filter(home.Root() + "bands.db");
    filter.Train("s", "From: a@spam.test\nSubject: win money\n", TTrainAs::Spam);
    filter.Train("h", "From: b@ham.test\nSubject: meeting notes\n", TTrainAs::Ham);
    const std::string probe = "From: a@spam.test\nSubject: meeting money\n";
    double s = filter.Classify(probe).score;
    struct Case {
        double unsureFrom, spamFrom;
        TSpamClass expected;
    } cases[] = {
        {s + 1, s + 2, TSpamClass::Ham},     {s, s + 1, TSpamClass::Unsure},   {s - 1, s + 1, TSpamClass::Unsure},
        {s - 2, s, TSpamClass::Spam},        {s - 2, s - 1, TSpamClass::Spam},
    };
    for (const Case& c : cases) {
        filter.Bands() = {c.unsureFrom, c.spamFrom};
        EXPECT_EQ(filter.Classify(probe).verdict, c.expected) << c.unsureFrom << " " << c.spamFrom;
    }
    // Nothing to judge: neutral whatever was learnt.
    for (const char* empty : {"", "\r\n", "\n\nFrom: a@spam.test\n"}) {
        TSpamScore e = filter.Classify(empty);
        EXPECT_DOUBLE_EQ(e.score, 50.0);
        EXPECT_FALSE(e.sender.has_value());
    }
}

}  // namespace
