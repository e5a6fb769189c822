// Self-play referee and match runner: plays engine 1 (the base) against
// engine 2 (the candidate) through the protocol only, as a tournament manager
// does, judges every move itself, and reports the candidate's Elo and, with
// --sprt, a sequential test of it. The options are in match/options.cpp
// (selfplay --help).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "match/game_log.h"
#include "match/game_runner.h"
#include "match/options.h"
#include "match/statistics.h"

using namespace match;

namespace {

bool isExecutableFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

std::string eloText(const EloEstimate& e) {
    char text[96];
    const double elo = std::fabs(e.elo) < 0.05 ? 0 : e.elo;  // no "-0.0"
    if (std::isinf(e.elo)) std::snprintf(text, sizeof text, "%sinf", e.elo > 0 ? "+" : "-");
    else if (std::isinf(e.margin) || std::isnan(e.margin)) std::snprintf(text, sizeof text, "%+.1f +- inf", elo);
    else std::snprintf(text, sizeof text, "%+.1f +- %.1f", elo, e.margin);
    return text;
}

// The games of a match, handed out a pair at a time to the concurrent
// runners, and the candidate's running results.
class Schedule {
public:
    Schedule(const Options& o, std::vector<Moves> openings) : o_(o), openings_(std::move(openings)) {
        pairs_ = (o.games + 1) / 2;
    }

    // The next pair to play, or -1 when there is none (all handed out, or the
    // test has decided).
    int takePair() {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopped_ || verdict_ != Verdict::Continue || next_ >= pairs_) return -1;
        return next_++;
    }

    // An engine that does not start will not start in the next game either.
    void stop() {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!stopped_) std::printf("an engine did not start: no more games\n");
        stopped_ = true;
    }

    const Moves& opening(int pair) const {
        static const Moves none;
        return openings_.empty() ? none : openings_[size_t(pair) % openings_.size()];
    }

    int gamesOf(int pair) const { return std::min(2, o_.games - 2 * pair); }

    // Records the results of a pair (winner's engine index, Draw or NoGame
    // for each game played) and prints the running state.
    void record(const std::vector<int>& results) {
        std::lock_guard<std::mutex> lock(mutex_);
        std::vector<double> scores;
        for (int r : results) {
            if (r == NoGame) continue;
            const double score = r == 1 ? 1 : r == 0 ? 0 : 0.5;
            tally_.addGame(score);
            scores.push_back(score);
        }
        if (scores.size() == 2) tally_.addPair(scores[0], scores[1]);
        ++pairsDone_;
        const bool decidedNow = verdict_ == Verdict::Continue && o_.sprt && updateVerdict();
        std::printf("%s\n", progress().c_str());
        if (decidedNow) std::printf("SPRT: %s\n", verdictText().c_str());
        std::fflush(stdout);
    }

    // The verdict line of an SPRT; returns its exit status.
    int finish() {
        std::lock_guard<std::mutex> lock(mutex_);
        if (o_.sprt) {
            std::printf("SPRT: %s\n", verdict_ == Verdict::Continue ? "inconclusive (neither bound reached)"
                                                                     : verdictText().c_str());
        }
        return verdict_ == Verdict::AcceptH1 ? 0 : verdict_ == Verdict::AcceptH0 ? 1 : 3;
    }

private:
    const Options& o_;
    std::vector<Moves> openings_;
    std::mutex mutex_;
    int pairs_ = 0, next_ = 0, pairsDone_ = 0;
    bool stopped_ = false;
    Tally tally_;
    Verdict verdict_ = Verdict::Continue;
    double llrAtVerdict_ = 0;
    int gamesAtVerdict_ = 0;

    Sample sample() const { return o_.model == SprtModel::Pentanomial ? tally_.pentanomial() : tally_.trinomial(); }

    bool updateVerdict() {
        const double llr = logLikelihoodRatio(sample(), o_.elo0, o_.elo1);
        verdict_ = sprtVerdict(llr, sprtBounds(o_.alpha, o_.beta));
        llrAtVerdict_ = llr;
        gamesAtVerdict_ = tally_.games();
        return verdict_ != Verdict::Continue;
    }

    std::string verdictText() const {
        char text[160];
        std::snprintf(text, sizeof text, "%s accepted (LLR %.2f after %d games)",
                      verdict_ == Verdict::AcceptH1 ? "H1 (elo1)" : "H0 (elo0)", llrAtVerdict_, gamesAtVerdict_);
        return text;
    }

    // "games 12: W 5 L 4 D 3 | pairs scoring 0,1/2,1,3/2,2: 0 1 3 1 1 | Elo +29.0 +- 95.1 | LLR 0.12 [-2.94, 2.94]"
    std::string progress() const {
        char text[320];
        const std::array<int, 5>& p = tally_.pairs;
        const int n = std::snprintf(text, sizeof text,
                                    "games %d: W %d L %d D %d | pairs scoring 0,1/2,1,3/2,2: %d %d %d %d %d",
                                    tally_.games(), tally_.wins, tally_.losses, tally_.draws, p[0], p[1], p[2], p[3],
                                    p[4]);
        std::string s(text, size_t(n));
        s += " | Elo " + eloText(estimateElo(sample()));
        if (o_.sprt) {
            const SprtBounds b = sprtBounds(o_.alpha, o_.beta);
            std::snprintf(text, sizeof text, " | LLR %.2f [%.2f, %.2f]",
                          logLikelihoodRatio(sample(), o_.elo0, o_.elo1), b.lower, b.upper);
            s += text;
        }
        return s;
    }
};

// One concurrent game at a time: takes pairs until none is left. The engine
// that is black (or proposes) first alternates from pair to pair on each
// runner. A kept process draws new hash keys for every game, so the first and
// second games of a pair are played under different keys; were the order
// fixed, any difference between those two games would count for one engine.
void runGames(const Options& o, Schedule& schedule, Totals& totals, Swap2Tally& swap2, GameLog& log) {
    GameRunner runner(o, totals);
    for (int pair, played = 0; (pair = schedule.takePair()) >= 0; ++played) {
        std::vector<int> results;
        for (int k = 0; k < schedule.gamesOf(pair); ++k) {
            const int game = 2 * pair + k + 1, first = (k + played) % 2;
            const int winner = o.swap2 ? runner.playSwap2Game(game, first, swap2)
                                       : runner.playGame(game, first, schedule.opening(pair));
            std::printf(o.swap2 ? "game %d (engine %d proposed): %s\n" : "game %d (engine %d black): %s\n", game,
                        first + 1,
                        winner == Draw     ? "draw"
                        : winner == NoGame ? "no game"
                        : winner == 0      ? "engine 1 wins"
                                           : "engine 2 wins");
            std::fflush(stdout);
            log.write(runner.lastWinningColour(), runner.lastMoves());
            results.push_back(winner);
            if (winner >= 0) ++totals.wins[winner];
            else if (winner == Draw) ++totals.draws;
            if (winner == NoGame) {
                schedule.stop();
                break;
            }
        }
        schedule.record(results);
    }
    runner.close();
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    std::string error;
    bool help = false;
    if (!parseOptions(argc, argv, o, error, help)) {
        std::fprintf(stderr, "selfplay: %s (selfplay --help lists the options)\n", error.c_str());
        return 2;
    }
    if (help) {
        std::fputs(Usage, stdout);
        return 0;
    }
    // Through a runner (wine) the path is the runner's to check.
    for (int i = 0; i < 2; ++i)
        if (testing_support::engineRunner().empty() && !isExecutableFile(o.engine[i])) {
            std::fprintf(stderr, "selfplay: engine %d, %s, is not an executable file\n", i + 1, o.engine[i].c_str());
            return 2;
        }
    std::vector<Moves> openings;
    if (!o.openingsFile.empty() && !loadOpenings(o.openingsFile, o, openings, error)) {
        std::fprintf(stderr, "selfplay: %s\n", error.c_str());
        return 2;
    }
    if (o.shuffleSeed >= 0) std::shuffle(openings.begin(), openings.end(), std::mt19937(uint32_t(o.shuffleSeed)));

    if (o.sprt) {
        const SprtBounds b = sprtBounds(o.alpha, o.beta);
        std::printf("SPRT of engine 2 against engine 1: H0 elo %g, H1 elo %g, alpha %g, beta %g, "
                    "LLR bounds [%.2f, %.2f], %s model, at most %d games\n",
                    o.elo0, o.elo1, o.alpha, o.beta, b.lower, b.upper,
                    o.model == SprtModel::Pentanomial ? "pentanomial" : "trinomial", o.games);
        std::fflush(stdout);
    }
    GameLog log;
    if (!o.recordFile.empty() && !log.open(o.recordFile, error)) {
        std::fprintf(stderr, "selfplay: %s\n", error.c_str());
        return 2;
    }
    Schedule schedule(o, std::move(openings));
    std::vector<Totals> totals(size_t(o.concurrency));
    std::vector<Swap2Tally> swap2(size_t(o.concurrency));
    std::vector<std::thread> workers;
    for (int w = 1; w < o.concurrency; ++w)
        workers.emplace_back(runGames, std::cref(o), std::ref(schedule), std::ref(totals[size_t(w)]),
                             std::ref(swap2[size_t(w)]), std::ref(log));
    runGames(o, schedule, totals[0], swap2[0], log);
    for (std::thread& worker : workers) worker.join();

    Totals all;
    for (const Totals& t : totals) all.merge(t);
    const int sprtStatus = schedule.finish();
    std::printf("%s\n", summary(o, all).c_str());
    if (o.swap2) {
        Swap2Tally swap2All;
        for (const Swap2Tally& t : swap2) swap2All.merge(t);
        std::printf("%s\n", swap2All.summary().c_str());
    }
    if (o.sprt) return sprtStatus;
    return all.anyFault() ? 1 : 0;
}
