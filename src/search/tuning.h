// The search's tuning numbers, in one place: the values of wins and losses, the
// weights of the static evaluation, the classes and bonuses of moves, the
// extensions, reductions and pruning, and the thresholds of the move stages.
//
// Every one of them shapes the tree, so changing any changes the bench's node
// total (the search's signature, tools/bench_signature.txt) as well.
//
// Point scores: a side's pointScore at a point is the sum of codeScore over its
// four direction codes (board/pattern_tables.h): 7 a split two, 23 a dead
// three, 158 a split three, 256 a four. The score thresholds below read so.
#pragma once

namespace search {

// ---------------------------------------------------------------------------
// Values of wins and losses. A five in reach with d plies left is worth
// d + WinScore, so a nearer win is worth more; the threat search's wins carry
// their distance the same way.

constexpr int WinScore = 10000000;             // a five in reach at remaining depth 0
constexpr int MateThreshold = 9998848;         // values at or beyond this bound (either sign) are wins or losses
constexpr int RootValueCap = WinScore - 1;     // the root's values stay within depth + this, either sign
constexpr int NoMoveLoss = WinScore - 2;       // a node with no move to try (board not full) is worth -(this + d)
constexpr int FourThreeValue = WinScore - 6;   // the static value of a free-style four-three that no four answers
constexpr int RootWindow = 100000000;          // the root's window, wider than every value

// ---------------------------------------------------------------------------
// Static evaluation (evaluation.cpp): weights of the four and three points.

constexpr int ThreatPointWeight = 20;      // x pointWeight x (k - c) / 32 per four or three point
constexpr int ForcedBlockWeight = 50;      // x pointWeight / 32 at the opponent's first five or open-four point
constexpr int OpponentThreatBonus = 100;   // when the opponent has any four or three point
constexpr int ForbiddenPointBonus = 200;   // a white threat point that black may not take
constexpr int ForbiddenThreeBonus = 120;   // the same where black would make a three or more there
constexpr int DirectionSpreadBonus = 200;  // five / open-four points in two or more directions
constexpr int ToMoveBonus = 60;            // the move in hand

}  // namespace search
