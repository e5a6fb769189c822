#include "search/search_state.h"

#include <cstring>


namespace search {

void resetSearchWorkAreas(SearchState& searchState) {
    std::memset(searchState.visitCounter, 0, sizeof searchState.visitCounter);
    std::memset(searchState.visitStamp, 0, sizeof searchState.visitStamp);
    searchState.evaluationCounter = 0;
    std::memset(searchState.evaluationStamp, 0, sizeof searchState.evaluationStamp);
    clearMoveHistory(searchState);
}

void clearMoveHistory(SearchState& searchState) {
    for (auto& pair : searchState.killers) pair[0] = pair[1] = MoveEntry{0, -1, -1};
    std::memset(searchState.history, 0, sizeof searchState.history);
}

void noteQuietCutoff(SearchState& searchState, int level, int side, int x, int y, int d) {
    MoveEntry* killers = searchState.killers[level];
    if (killers[0].x != x || killers[0].y != y) {
        killers[1] = killers[0];
        killers[0] = MoveEntry{0, int16_t(x), int16_t(y)};
    }
    int32_t& credit = searchState.history[side - 1][x][y];
    const int gain = d > 0 ? d * d : 1;
    credit = credit + gain < HistoryLimit ? credit + gain : HistoryLimit;
}

}  // namespace search
