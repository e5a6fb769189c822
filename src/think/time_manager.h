// The soft limit of a think's time or node budget: between two iterations of
// the deepening, whether another one is worth starting.
//
// The hard limit (the turn's time, or the node budget) is the search's own and
// is never passed;
// this decides only when to stop starting iterations. No new iteration starts
// once a share of the budget is spent: BaseTimeShare normally, more when the
// last iteration changed its mind (a new best move, or a value that fell below
// the one of the iteration of the same parity before it, since the side to
// move's tempo makes odd and even depths differ), less once the best move has
// held for several iterations without falling. Iterations shallower than
// SettlingDepth only count towards the history: they change their minds for
// little.
#pragma once

#include <cstdint>

namespace think {

constexpr double BaseTimeShare = 0.5;        // no new iteration after this share of the budget...
constexpr double UnsettledTimeShare = 0.75;  // ...or this one after a new best move or a falling value,
constexpr double SettledTimeShare = 0.3;     // ...or this one when the move has held SettledIterations
constexpr int SettledIterations = 4;         // iterations in a row with the same best move
constexpr int ValueDropMargin = 50;          // a value lower than its parity's last one by more than this falls
constexpr int SettlingDepth = 5;             // the least depth whose change of mind counts

class TimeManager {
public:
    // Notes a finished iteration: its depth, best move and value.
    void iterationDone(int depth, int x, int y, int value);

    // The share of the budget after which no new iteration starts.
    double share() const;

    // Whether a new iteration may start after elapsedMs of budgetMs.
    bool mayStart(int64_t elapsedMs, int64_t budgetMs) const { return double(elapsedMs) < share() * double(budgetMs); }

private:
    int lastX_ = -1, lastY_ = -1;
    int values_[2] = {0, 0};      // the last value of an odd and of an even depth
    bool haveValue_[2] = {false, false};
    int held_ = 0;                // iterations in a row that kept the best move
    bool unsettled_ = false;
};

}  // namespace think
