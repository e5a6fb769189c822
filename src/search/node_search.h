// The alpha-beta node search and what it shares with the root search.
//
// Negamax principal-variation search. Depth is whole plies d plus an extension
// credit c in half plies; the table depth is T = d + c / 2. Each node first asks
// the threat search for a win by continuous fours, then generates moves in
// stages from the board's threat point sets (most forcing first), stamping each
// point it takes so no point is searched twice at one node.
//
// Values: d + WinScore for a five in reach; -9999998 - d with no move to try
// (0 on a full board); 0 with searchAborted set when a limit stopped the search.
#pragma once

#include <cstdint>

#include "search/search_state.h"

namespace search {

constexpr int RootWindow = 100000000;

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

// PvLine[level] = (x, y) followed by PvLine[level + 1].
void updatePv(SearchState& searchState, int level, int x, int y);

// The edge table: how far (x, y) lies from the nearest board edge, as a weight.
int edgeWeight(const board::Board& board, int x, int y);

// Scores list[0..n) for side at level: SkipKey for stamped points (and black's
// forbidden points under Renju, and masked points when maskRoot is set),
// otherwise stamps the point and keys it by its scores. Returns how many it took.
int scoreMoves(SearchState& searchState, MoveEntry* list, int n, int side, int level, bool maskRoot);

// Moves the entries of an unsorted list that are to be searched to its front,
// keeping their order, and returns how many there are. The table moves are
// searched in the order the table gives them, so an unsearchable one (occupied
// by a duplicate, forbidden, masked) must not hide the moves behind it: those
// are stamped already and would never be searched at this node.
int dropSkippedMoves(MoveEntry* list, int n);

// Builds stage 2's list: the other side's open-four points with the extra
// defence points of the chosen one, then side's fours. Sets allForbidden when
// (Renju, white to move) every open-four point of black is forbidden.
int buildOpenFourDefence(SearchState& searchState, MoveEntry* list, int side, bool& allForbidden);

// Stages 1 to 5, shared by the root and the nodes: side's strong points, the
// open-four defence (which ends the node: endsNode), the other side's strong
// points, then the fours and threes of side and of the other side.
int buildThreatStage(SearchState& searchState, int stage, MoveEntry* list, int side, bool& endsNode);

// Table moves kept for stage 0: on the board and empty.
int keepTableMoves(const board::Board& board, MoveEntry* list, const int* mx, const int* my);

// The first point (lowest row, then column) of a non-empty threat class of side.
void firstThreatPoint(const board::Board& board, int threatClass, int side, int& x, int& y);

// How many of the four direction codes of side index s at (x, y) are code or more.
int countDirectionsAtLeast(const board::Board& board, int x, int y, int sideIndex, int code);

}  // namespace search
