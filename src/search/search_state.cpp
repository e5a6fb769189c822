#include "search/search_state.h"

#include <cstring>

namespace search {

void resetSearchWorkAreas(SearchState& searchState) {
    std::memset(searchState.visitCounter, 0, sizeof searchState.visitCounter);
    std::memset(searchState.visitStamp, 0, sizeof searchState.visitStamp);
    searchState.evaluationCounter = 0;
    std::memset(searchState.evaluationStamp, 0, sizeof searchState.evaluationStamp);
}

}  // namespace search
