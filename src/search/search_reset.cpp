#include "search/search_reset.h"

#include "protocol/settings.h"
#include "search/hash_tables.h"
#include "search/search_state.h"

namespace search {

// A rebuilt board has new position keys: no stored entry may survive it, and
// the visit stamps start again from zero.
void resetSearchState() {
    resizeHashTables(bucketsWithinMemory(protocol::setting(protocol::settings.hashSize),
                                         protocol::setting(protocol::settings.maxMemory)));
    clearHashTablesIfUsed();
    resetSearchWorkAreas();
}

}  // namespace search
