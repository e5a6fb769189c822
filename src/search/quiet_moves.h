// Stage 6 of the move loop: the quiet moves, the points no threat point set
// names. Unlike the threat stages these scan the whole board, so they run last
// and only when every forcing move has failed to end the node.
//
// Both builders append plain (x, y) entries (key 0) to list and leave out the
// occupied points and the points already stamped at their level in this visit;
// scoring, stamping and sorting are the move picker's. The root's builder also
// leaves out the masked points and always lists something while one empty,
// unmasked point is left; the one below the root lists fewer points the more
// the node looks like a null-window node deep in the tree.
#pragma once

#include <cstdint>

#include "search/search_state.h"

namespace search {

// An empty point of the root that is neither stamped (stamp: the root's visit)
// nor masked.
bool rootCandidate(SearchState& searchState, int x, int y, uint64_t stamp);

// The root's quiet moves for side; taken is how many moves earlier stages took.
int buildRootQuietMoves(SearchState& searchState, MoveEntry* list, int side, int taken);

// The quiet moves of a node at level for side: alpha and nullWindow as the
// stage begins, tableDepth the node's T, taken as above.
int buildQuietMoves(SearchState& searchState, MoveEntry* list, int side, int level, int alpha, bool nullWindow,
                    int tableDepth, int taken);

}  // namespace search
