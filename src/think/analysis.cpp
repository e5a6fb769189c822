#include "think/analysis.h"

#include <cstring>

#include "search/clock.h"
#include "search/hash_tables.h"
#include "search/search_state.h"

namespace think {

void markNeighbourhood(const board::Board& board, NeighbourhoodMap& map, NeighbourShape shape) {
    std::memset(map.marked, 0, sizeof map.marked);
    const board::Geometry& geometry = board.geometry;
    const int height = geometry.boardHeight, width = geometry.boardWidth;
    for (int x = 0; x < height; ++x)
        for (int y = 0; y < width; ++y) {
            if (board::cellAt(board, x, y) == 0) continue;
            for (int dx = -3; dx <= 3; ++dx)
                for (int dy = -3; dy <= 3; ++dy) {
                    const int ax = dx < 0 ? -dx : dx, ay = dy < 0 ? -dy : dy;
                    // Off the lines at distance 3: (3, 1), (3, 2) and their mirrors.
                    if (shape == NeighbourShape::SquareAndLines &&
                        ((ax == 3 && (ay == 1 || ay == 2)) || (ay == 3 && (ax == 1 || ax == 2))))
                        continue;
                    const int px = x + dx, py = y + dy;
                    if (geometry.onBoard(px, py) && board::cellAt(board, px, py) == 0) map.marked[px][py] = 1;
                }
        }
}

void beginAnalysisThink(Thinker& thinker, const ThinkRequest& request) {
    search::SearchState& st = *thinker.main;
    followPosition(thinker, request.position);
    setSearchLimits(thinker, request);
    st.nodeCount = st.interiorNodeCount = st.threatNodeCount = 0;
    st.searchedMoveSum = 0;
    st.selectiveDepth = 0;
    const int32_t timeoutTurn = request.settings.timeoutTurn, timeLeft = request.settings.timeLeft;
    st.turnTimeLimit = timeoutTurn < timeLeft / 16 ? timeoutTurn : timeLeft / 16;
    st.thinkStartTime = search::nowMs();
    st.searchAborted = false;
    applyRule(thinker, request, st.thinkStartTime);
    applyHashSize(thinker, request);
    search::setHashAge(thinker.hashTables, request.position.moveCount);
    st.iterationDepth = 0;
}

bool analysisDeepeningStops(Thinker& thinker, const ThinkRequest& request, int d, bool clockCounts) {
    const search::SearchState& st = *thinker.main;
    const int32_t maxNode = request.nodeBudget();
    const int64_t elapsed = search::nowMs() - st.thinkStartTime;
    const int64_t area = request.position.geometry.area();
    const bool stop = request.stopRequested();
    const bool limit =
        (clockCounts && elapsed * 4 >= st.turnTimeLimit) || request.position.moveCount + 2 + d > area || stop;
    if (limit) {
        // Without a node budget only a stop request ends the deepening.
        if (maxNode != -1 || stop) return true;
    } else if (maxNode != -1 && maxNode < 1000000000 && (st.nodeCount / 1024) * 4 >= maxNode) {
        return true;
    }
    return d > request.settings.maxDepth;
}

}  // namespace think
