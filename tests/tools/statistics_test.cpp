// Elo and SPRT arithmetic against values worked out by hand from the
// formulas: score s = 1 / (1 + 10^(-elo/400)); the 95 % margin from the
// normal approximation (z = 1.95996); the log-likelihood ratio of the most
// likely distributions with the two hypotheses' means.
#include <cmath>
#include <gtest/gtest.h>

#include "match/statistics.h"

namespace match {
namespace {

TEST(EloStatistics, ScoreAndEloConvert) {
    EXPECT_DOUBLE_EQ(scoreOfElo(0), 0.5);
    EXPECT_NEAR(scoreOfElo(100), 0.640065, 1e-6);   // 1 / (1 + 10^-0.25)
    EXPECT_NEAR(scoreOfElo(10), 0.514387, 1e-6);    // 1 / (1 + 10^-0.025)
    EXPECT_NEAR(eloOfScore(0.75), 190.8485, 1e-4);  // 400 log10(3)
    EXPECT_NEAR(eloOfScore(0.25), -190.8485, 1e-4);
    EXPECT_NEAR(eloOfScore(scoreOfElo(-37.5)), -37.5, 1e-9);
    EXPECT_TRUE(std::isinf(eloOfScore(1)) && eloOfScore(1) > 0);
    EXPECT_TRUE(std::isinf(eloOfScore(0)) && eloOfScore(0) < 0);
}

TEST(EloStatistics, TrinomialEstimate) {
    // 30 wins, 20 losses, 50 draws: mean 0.55, variance 0.425 - 0.3025 = 0.1225,
    // standard error 0.035; Elo of 0.55 = 34.860, of 0.55 +- 0.0686 = 84.0 / -13.1.
    Tally t;
    for (int i = 0; i < 30; ++i) t.addGame(1);
    for (int i = 0; i < 20; ++i) t.addGame(0);
    for (int i = 0; i < 50; ++i) t.addGame(0.5);
    EXPECT_EQ(t.games(), 100);
    const Sample s = t.trinomial();
    EXPECT_DOUBLE_EQ(s.mean(), 0.55);
    EXPECT_NEAR(s.variance(), 0.1225, 1e-12);
    const EloEstimate e = estimateElo(s);
    EXPECT_NEAR(e.elo, 34.8601, 1e-4);
    EXPECT_NEAR(e.margin, 48.4702, 1e-4);
}

TEST(EloStatistics, PentanomialEstimate) {
    // Pairs by points 0, 1/2, 1, 3/2, 2: 2, 10, 20, 12, 6. Per game the
    // scores are 0, .25, .5, .75, 1: mean 0.55, variance 0.065 over 50 pairs.
    Tally t;
    const double points[5][2] = {{0, 0}, {0.5, 0}, {0.5, 0.5}, {1, 0.5}, {1, 1}};
    const int counts[5] = {2, 10, 20, 12, 6};
    for (int k = 0; k < 5; ++k)
        for (int i = 0; i < counts[k]; ++i) {
            t.addGame(points[k][0]);
            t.addGame(points[k][1]);
            t.addPair(points[k][0], points[k][1]);
        }
    EXPECT_EQ(t.pairCount(), 50);
    EXPECT_EQ(t.games(), 100);
    EXPECT_EQ(t.wins, 2 * 6 + 12);
    const Sample s = t.pentanomial();
    EXPECT_DOUBLE_EQ(s.mean(), 0.55);
    EXPECT_NEAR(s.variance(), 0.065, 1e-12);
    const EloEstimate e = estimateElo(s);
    EXPECT_NEAR(e.elo, 34.8601, 1e-4);
    EXPECT_NEAR(e.margin, 49.9525, 1e-4);
    // The pentanomial LLR, its multipliers solved by Newton's method apart,
    // and close to the normal approximation N (s1 - s0)(2 m - s0 - s1) / (2 var) = 0.4737.
    EXPECT_NEAR(logLikelihoodRatio(s, 0, 10), 0.469449, 1e-5);
    EXPECT_NEAR(logLikelihoodRatio(s, -5, 5), 0.545697, 1e-5);
}

TEST(EloStatistics, EmptyAndOneSidedSamples) {
    Tally none;
    EXPECT_EQ(logLikelihoodRatio(none.pentanomial(), 0, 10), 0);
    EXPECT_TRUE(std::isinf(estimateElo(none.trinomial()).margin));
    // Only wins: the unseen outcomes get a small weight, and the ratio favours
    // the higher Elo without running off to infinity.
    Tally wins;
    for (int i = 0; i < 10; ++i) wins.addGame(1);
    const double llr = logLikelihoodRatio(wins.trinomial(), 0, 10);
    EXPECT_GT(llr, 0);
    EXPECT_TRUE(std::isfinite(llr));
    EXPECT_TRUE(std::isinf(estimateElo(wins.trinomial()).elo));
}

TEST(Sprt, BinomialRatio) {
    // Wins and losses only: the most likely distribution of mean s is s
    // itself, so LLR = W ln(s1/s0) + L ln((1-s1)/(1-s0)); with 60 wins, 40
    // losses, elo0 0 and elo1 10 (s1 = 0.514387) that is 0.534231.
    Tally t;
    for (int i = 0; i < 60; ++i) t.addGame(1);
    for (int i = 0; i < 40; ++i) t.addGame(0);
    EXPECT_NEAR(logLikelihoodRatio(t.trinomial(), 0, 10), 0.534231, 1e-6);
}

TEST(Sprt, MirroredSampleNegatesTheRatio) {
    // Swapping wins and losses and mirroring the hypotheses swaps their roles.
    Sample s{{0, 0.5, 1}, {17, 41, 29}};
    Sample mirrored{{0, 0.5, 1}, {29, 41, 17}};
    EXPECT_NEAR(logLikelihoodRatio(s, -3, 12), -logLikelihoodRatio(mirrored, -12, 3), 1e-9);
}

TEST(Sprt, BoundsAndVerdicts) {
    const SprtBounds b = sprtBounds(0.05, 0.05);
    EXPECT_NEAR(b.lower, -2.944439, 1e-6);  // ln(0.05 / 0.95)
    EXPECT_NEAR(b.upper, 2.944439, 1e-6);   // ln(0.95 / 0.05)
    const SprtBounds c = sprtBounds(0.05, 0.1);
    EXPECT_NEAR(c.lower, -2.251292, 1e-6);  // ln(0.1 / 0.95)
    EXPECT_NEAR(c.upper, 2.890372, 1e-6);   // ln(0.9 / 0.05)
    EXPECT_EQ(sprtVerdict(0, b), Verdict::Continue);
    EXPECT_EQ(sprtVerdict(2.95, b), Verdict::AcceptH1);
    EXPECT_EQ(sprtVerdict(-2.95, b), Verdict::AcceptH0);
}

}  // namespace
}  // namespace match
