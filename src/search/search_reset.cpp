#include "search/search_reset.h"

namespace search {

// The search subsystem has no per-game tables yet; the hash tables and the
// search's own per-game state are resized and cleared here once they exist.
void resetSearchState() {}

}  // namespace search
