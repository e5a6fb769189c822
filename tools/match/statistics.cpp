#include "match/statistics.h"

#include <cmath>
#include <limits>

namespace match {

namespace {

constexpr double Infinity = std::numeric_limits<double>::infinity();

// The two-sided 95 % quantile of the normal distribution.
constexpr double Z95 = 1.959963984540054;

// Added to every outcome never seen when the observed outcomes cannot have
// the hypothesis' mean (all wins, say): a most likely distribution then
// exists, and it stays close to what was seen.
constexpr double PseudoCount = 1e-3;

// The most likely distribution with mean m, for counts n_i of outcomes a_i,
// is p_i = (n_i / N) / (1 + lambda (a_i - m)), where lambda solves
// sum n_i (a_i - m) / (1 + lambda (a_i - m)) = 0. The sum falls as lambda
// rises, from +inf to -inf over the lambdas that keep every p_i positive, so
// bisection finds it. Needs m strictly between the least and the greatest
// observed outcome.
double lagrangeMultiplier(const Sample& s, double m) {
    double lowest = Infinity, highest = -Infinity;
    for (size_t i = 0; i < s.scores.size(); ++i)
        if (s.counts[i] > 0) {
            lowest = std::fmin(lowest, s.scores[i] - m);
            highest = std::fmax(highest, s.scores[i] - m);
        }
    double lo = -1 / highest, hi = -1 / lowest;
    for (int step = 0; step < 200; ++step) {
        const double mid = (lo + hi) / 2;
        if (mid <= lo || mid >= hi) break;
        double sum = 0;
        for (size_t i = 0; i < s.scores.size(); ++i) {
            const double d = s.scores[i] - m;
            sum += s.counts[i] * d / (1 + mid * d);
        }
        (sum > 0 ? lo : hi) = mid;
    }
    return (lo + hi) / 2;
}

bool meanReachable(const Sample& s, double m) {
    bool below = false, above = false;
    for (size_t i = 0; i < s.scores.size(); ++i)
        if (s.counts[i] > 0) {
            below = below || s.scores[i] < m;
            above = above || s.scores[i] > m;
        }
    return below && above;
}

}  // namespace

double scoreOfElo(double elo) { return 1 / (1 + std::pow(10.0, -elo / 400)); }

double eloOfScore(double score) {
    if (score <= 0) return -Infinity;
    if (score >= 1) return Infinity;
    return -400 * std::log10(1 / score - 1);
}

double Sample::total() const {
    double n = 0;
    for (double c : counts) n += c;
    return n;
}

double Sample::mean() const {
    const double n = total();
    if (n <= 0) return 0.5;
    double sum = 0;
    for (size_t i = 0; i < scores.size(); ++i) sum += counts[i] * scores[i];
    return sum / n;
}

double Sample::variance() const {
    const double n = total();
    if (n <= 0) return 0;
    const double m = mean();
    double sum = 0;
    for (size_t i = 0; i < scores.size(); ++i) sum += counts[i] * (scores[i] - m) * (scores[i] - m);
    return sum / n;
}

EloEstimate estimateElo(const Sample& sample) {
    EloEstimate e;
    const double n = sample.total();
    e.elo = eloOfScore(sample.mean());
    if (n <= 0) {
        e.margin = Infinity;
        return e;
    }
    const double spread = Z95 * std::sqrt(sample.variance() / n);
    const double lower = eloOfScore(sample.mean() - spread), upper = eloOfScore(sample.mean() + spread);
    e.margin = (upper - lower) / 2;
    return e;
}

double logLikelihoodRatio(const Sample& sample, double elo0, double elo1) {
    if (sample.total() <= 0) return 0;
    const double s0 = scoreOfElo(elo0), s1 = scoreOfElo(elo1);
    Sample s = sample;
    if (!meanReachable(s, s0) || !meanReachable(s, s1))
        for (double& c : s.counts)
            if (c <= 0) c = PseudoCount;
    const double lambda0 = lagrangeMultiplier(s, s0), lambda1 = lagrangeMultiplier(s, s1);
    // sum n_i log(p1_i / p0_i), where the observed frequencies cancel.
    double llr = 0;
    for (size_t i = 0; i < s.scores.size(); ++i)
        if (s.counts[i] > 0)
            llr += s.counts[i] * (std::log1p(lambda0 * (s.scores[i] - s0)) - std::log1p(lambda1 * (s.scores[i] - s1)));
    return llr;
}

SprtBounds sprtBounds(double alpha, double beta) {
    return {std::log(beta / (1 - alpha)), std::log((1 - beta) / alpha)};
}

Verdict sprtVerdict(double llr, const SprtBounds& bounds) {
    if (llr >= bounds.upper) return Verdict::AcceptH1;
    if (llr <= bounds.lower) return Verdict::AcceptH0;
    return Verdict::Continue;
}

void Tally::addGame(double score) {
    if (score >= 1) ++wins;
    else if (score <= 0) ++losses;
    else ++draws;
}

void Tally::addPair(double first, double second) { ++pairs[size_t(std::lround((first + second) * 2))]; }

int Tally::pairCount() const {
    int n = 0;
    for (int c : pairs) n += c;
    return n;
}

Sample Tally::trinomial() const { return {{0, 0.5, 1}, {double(losses), double(draws), double(wins)}}; }

Sample Tally::pentanomial() const {
    Sample s;
    for (size_t i = 0; i < pairs.size(); ++i) {
        s.scores.push_back(double(i) / 4);
        s.counts.push_back(double(pairs[i]));
    }
    return s;
}

}  // namespace match
