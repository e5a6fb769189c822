// Victory by continuous fours: the attacker plays only fours, the defender only
// the blocks of the five they threaten, until a five is in reach or the
// attacker runs out of useful fours.
//
// A win found at ply p of the chain (p = 0 where the node search asks) is worth
// WinScore + 576 - p for the side that wins; every other result is 0 (or the
// negation of a win for a defender whose blocks all lose, or who has none:
// under Renju a white four whose five points are all forbidden to black wins,
// however little else it does). Results are cached in
// the value cache, kind 0 for attacker nodes and 1 for defender nodes. Stones
// are placed with the board's light make, so the strong-point sets are never
// read here.
#pragma once

#include "search/search_state.h"

namespace search {

// WinScore + g when side wins with its next move, else 0. The board is unchanged.
int immediateWinCheck(SearchState& searchState, int g, int side);

// Searches the chain of fours for side with role 0 (side attacks) or 1 (side
// must block the five that the other side has just threatened). 0 when aborted.
int vcfSearch(SearchState& searchState, int remainingDepth, int side, int role, int ply);

}  // namespace search
