// Per-game search state that must be emptied whenever the search board is reset
// (a rebuild for a rule, a new game): the hash tables and the search's per-game
// tables. The board's reset calls resetSearchState(); the search subsystem fills it.
#pragma once

namespace search {

void resetSearchState();

}  // namespace search
