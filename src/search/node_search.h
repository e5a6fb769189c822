// The alpha-beta node search and what it shares with the root search.
//
// Negamax principal-variation search. Depth is whole plies d plus an extension
// credit c in half plies; the table depth is T = d + c / 2. Each node first asks
// the threat search for a win by continuous fours, then takes its moves from a
// move picker (move_picker.h), stage by stage from the board's threat point
// sets, most forcing first; no point is searched twice at one node. Late
// moves that build nothing are searched shallower first (late-move
// reductions) and at full depth only when they fail high.
//
// Values (tuning.h): d + WinScore for a five in reach; -(NoMoveLoss + d) with no
// move to try (0 on a full board); 0 with searchAborted set when a limit
// stopped the search.
#pragma once

#include <cstdint>

#include "search/move_picker.h"
#include "search/search_state.h"
#include "search/tuning.h"

namespace search {

// Value of d plies with credit c for side to move, within (alpha, beta).
int alphaBetaSearch(SearchState& searchState, int d, int alpha, int beta, int side, int c);

// The three best moves of a node with their ranking values, best first.
struct BestThree {
    int value[3] = {NotSet, NotSet, NotSet};
    int x[3] = {-1, -1, -1};
    int y[3] = {-1, -1, -1};

    // Inserts a move ranked g; an equal value does not displace.
    void insert(int g, int mx, int my);
};

// Ordering key and class of a move, computed before it is played.
struct MoveClass {
    int extension;  // class C, extension credit in half plies (0..4)
    int bonus;      // w, added to the move's negamax score
};

// Per-node cache of the bonus factor F (1000 = not computed yet).
struct BonusFactor {
    double factor = 1000.0;
};

// Class and bonus of (x, y) for side at a node of remaining depth d.
MoveClass classifyMove(SearchState& searchState, int x, int y, int side, int d, bool nullWindow, BonusFactor& bonusFactor);

// Plies by which a move is searched shallower first (0: not reduced), from
// its stage and place, the node's d, side's and the other side's point scores
// at it before it is played, its class and the node's window. Late quiet
// moves that make and stop no three, and late blocks of the other side's
// fours and threes that make none of side's, are reduced; the killers, threat
// moves, moves earning extension credit and nodes near the horizon never are.
int lateMoveReduction(const PickedMove& move, int d, int ownScore, int otherScore, int extension, bool nullWindow);

// PvLine[level] = (x, y) followed by PvLine[level + 1].
void updatePv(SearchState& searchState, int level, int x, int y);

// The edge table: how far (x, y) lies from the nearest board edge, as a weight.
int edgeWeight(const board::Board& board, int x, int y);

// The first point (lowest row, then column) of a non-empty threat class of side.
void firstThreatPoint(const board::Board& board, int threatClass, int side, int& x, int& y);

// How many of the four direction codes of side index s at (x, y) are code or more.
int countDirectionsAtLeast(const board::Board& board, int x, int y, int sideIndex, int code);

}  // namespace search
