// One iteration of the search at the root, for the normal think.
//
// The root differs from an inner node: a fixed window, no table cutoff and no
// threat search of its own position, no late-move pruning, masked points never
// played, a wider quiet stage that always leaves a candidate, partial results
// after a stop, and (with show_detail, from depth 8) MESSAGE REALTIME lines for
// front ends that show the analysis live.
//
// Results: the return value for side; searchState.bestMove, pvLines[0] and
// singleCandidateFlag. With searchAborted set, a result of 0 means nothing of
// this iteration is usable; any other result is the best of the completed moves.
#pragma once

#include "search/search_state.h"

namespace search {

int rootSearch(SearchState& searchState, int side);

}  // namespace search
