// Match statistics: Elo estimates with their error margin and the sequential
// probability ratio test (SPRT) that decides when a match has said enough.
//
// Elo here is logistic Elo: a score s (the expected points per game, a draw
// being half a point) is worth -400 log10(1/s - 1) Elo.
//
// The results are samples of an outcome distribution: single games scoring
// 0, 1/2 or 1 (the trinomial model), or game pairs, the same opening played
// once with each colour, scoring 0, 1/4, 1/2, 3/4 or 1 per game (the
// pentanomial model). Pairs are what the match plays; the pentanomial model
// counts each pair as one sample, so the colour and the opening, which both
// games of a pair share, do not add to the variance as they would if the
// games were taken as independent.
//
// The test is the generalised SPRT: the log-likelihood ratio of the sample
// under the most likely distribution whose mean score is that of elo1
// against the most likely one whose mean is that of elo0.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace match {

// Score (points per game, 0..1) of a logistic Elo difference, and back.
// eloOfScore gives -inf and +inf at 0 and 1.
double scoreOfElo(double elo);
double eloOfScore(double score);

// Counts of outcomes, each with its score per game in 0..1.
struct Sample {
    std::vector<double> scores;
    std::vector<double> counts;

    double total() const;
    double mean() const;      // per game; 0.5 for an empty sample
    double variance() const;  // of one sample's score
};

struct EloEstimate {
    double elo = 0;     // of the mean score
    double margin = 0;  // half the width of the 95 % interval; +inf when unbounded
};

// The Elo of the sample's mean and the 95 % margin, from the normal
// approximation of the mean's distribution.
EloEstimate estimateElo(const Sample& sample);

// Log-likelihood ratio of the hypothesis elo1 against elo0.
double logLikelihoodRatio(const Sample& sample, double elo0, double elo1);

struct SprtBounds {
    double lower, upper;  // accept elo0 at or below lower, elo1 at or above upper
};
// alpha: the chance of accepting elo1 when elo0 holds; beta: of accepting elo0
// when elo1 holds.
SprtBounds sprtBounds(double alpha, double beta);

enum class Verdict { Continue, AcceptH0, AcceptH1 };
Verdict sprtVerdict(double llr, const SprtBounds& bounds);

// The running results of a match from one engine's side (the candidate's):
// games won, lost and drawn, and complete pairs by their points (0 to 2 in
// halves).
struct Tally {
    int wins = 0, losses = 0, draws = 0;
    std::array<int, 5> pairs = {0, 0, 0, 0, 0};

    // score: 0 lost, 0.5 drawn, 1 won.
    void addGame(double score);
    // Both games of a pair, each already added with addGame.
    void addPair(double first, double second);
    int games() const { return wins + losses + draws; }
    int pairCount() const;

    Sample trinomial() const;
    Sample pentanomial() const;
};

}  // namespace match
