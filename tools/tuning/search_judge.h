// Search values of recorded positions, as targets for the tuner that are less
// noisy than the game's result: a position's game result says as much about
// the moves played after it as about the position, while a search of the
// position itself speaks of it alone.
//
// The judge is one engine of its own (one thread, its hash tables emptied for
// every position, so that a value does not depend on the positions before
// it), searching each position as a move of the engine would be searched at
// a node budget.
#pragma once

#include <memory>

#include "tuning/texel.h"

namespace tuning {

class SearchJudge {
public:
    // Searches of nodeBudget x 1024 nodes at most on size x size boards.
    SearchJudge(int size, int nodeBudget);
    ~SearchJudge();

    // The search's value of the position after the first `plies` moves, for
    // black (positive: black is better), in the evaluation's units; wins and
    // losses come as the search's win values.
    int valueForBlack(int rule, const Moves& moves, int plies);

private:
    struct Engine;
    std::unique_ptr<Engine> engine_;
    int size_, nodeBudget_;
};

}  // namespace tuning
