// Sorting of move lists by ascending key. Stable and allocation-free, so a
// search visits moves in the same order on every platform and build, which
// keeps node counts (the bench signature) reproducible.
#pragma once

#include "search/search_state.h"

namespace search {

void sortMoves(MoveEntry* moves, int count, MoveEntry* scratch);

}  // namespace search
