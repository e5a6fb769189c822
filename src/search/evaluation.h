// Static evaluation at the horizon, and the threat count shared by the move
// orderings.
//
// Neither function searches. The board keeps per side the running total of
// every point's contribution (contributionSum) and the threat point sets;
// evaluateLeaf starts from the difference of the two totals and corrects it by
// the four and three points of both sides, each weighed by the five and
// open-four points around it. Values are seen from the side to move.
//
// Window of a point (x, y): the 5 x 5 square around it plus (x, y +- 3) and the
// six points (x +- 3, y - 3), (x +- 3, y), (x +- 3, y + 3):
//
//   row x-3   X . . X . . X
//   row x-2   . X X X X X .
//   row x-1   . X X X X X .
//   row x     X X X X X X X
//   row x+1   . X X X X X .
//   row x+2   . X X X X X .
//   row x+3   X . . X . . X
//
// State: searchState.evaluationCounter (bumped once per evaluation) and
// evaluationStamp (a point whose stamp equals the counter was already met in
// the current evaluation). Both are zeroed with the board, never in between.
#pragma once

#include "search/search_state.h"
#include "search/tuning.h"

namespace search {

// The weights of the static evaluation. The search always uses the defaults
// (tuning.h); other sets are for the tuning tool, which fits them to game
// results.
struct EvaluationWeights {
    int contribution = ContributionScale;        // x (own - other contribution total) / 32
    int threatPoint = ThreatPointWeight;
    int forcedBlock = ForcedBlockWeight;
    int opponentThreat = OpponentThreatBonus;
    int forbiddenPoint = ForbiddenPointBonus;
    int forbiddenThree = ForbiddenThreeBonus;
    int directionSpread = DirectionSpreadBonus;
    int toMove = ToMoveBonus;
};

// Static value of the board for side (colour 1 or 2), the side to move. The
// level iterationDepth - remainingDepth of the move lists is overwritten as
// scratch space. The board is left unchanged.
int evaluateLeaf(SearchState& searchState, int remainingDepth, int side);

// The same with other weights.
int evaluateLeafWith(SearchState& searchState, int remainingDepth, int side, const EvaluationWeights& weights);

// Number of five and open-four points of side in the window of (x, y).
int countThreatsNear(const board::Board& board, int x, int y, int side);

}  // namespace search
