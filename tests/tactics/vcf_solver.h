// An exhaustive solver of wins by continuous fours (VCF), on the match
// referee's rules rather than the engine's, to check the tactics set's
// answers by other code than the one they test.
#pragma once

#include <set>
#include <utility>

#include "match/referee.h"

namespace tactics {

using Point = std::pair<int, int>;

// The points where colour would make five at once (for black under Renju:
// exactly five).
std::set<Point> fivePoints(match::Referee& board, int colour);

// The first moves with which attacker, to move, wins by continuous fours:
// every move makes a four (or five), and every forced block of the defender,
// including one that makes a four of its own, is answered. Black under Renju
// may not play forbidden points, and loses a four it cannot block because the
// only blocking point is forbidden to it. Lines longer than maxFours fours
// are not looked at.
std::set<Point> vcfWinningMoves(match::Referee& board, int attacker, int maxFours = 20);

}  // namespace tactics
