#include "think/analysis.h"

#include <cstring>

#include "board/board.h"
#include "control/game_record.h"
#include "control/worker.h"
#include "protocol/settings.h"
#include "search/clock.h"
#include "search/hash_tables.h"
#include "search/search_state.h"
#include "think/think_state.h"

namespace think {

using board::geometry;
using protocol::setting;
using protocol::settings;
using search::searchState;

void markNeighbourhood(NeighbourhoodMap& map, NeighbourShape shape) {
    std::memset(map.marked, 0, sizeof map.marked);
    const int height = geometry.boardHeight, width = geometry.boardWidth;
    for (int x = 0; x < height; ++x)
        for (int y = 0; y < width; ++y) {
            if (board::cellAt(x, y) == 0) continue;
            for (int dx = -3; dx <= 3; ++dx)
                for (int dy = -3; dy <= 3; ++dy) {
                    const int ax = dx < 0 ? -dx : dx, ay = dy < 0 ? -dy : dy;
                    // Off the lines at distance 3: (3, 1), (3, 2) and their mirrors.
                    if (shape == NeighbourShape::SquareAndLines &&
                        ((ax == 3 && (ay == 1 || ay == 2)) || (ay == 3 && (ax == 1 || ax == 2))))
                        continue;
                    const int px = x + dx, py = y + dy;
                    if (board::onBoard(px, py) && board::cellAt(px, py) == 0) map.marked[px][py] = 1;
                }
        }
}

void beginAnalysisThink() {
    search::SearchState& st = searchState;
    st.nodeCount = st.interiorNodeCount = st.threatNodeCount = 0;
    st.searchedMoveSum = 0;
    st.selectiveDepth = 0;
    const int32_t timeoutTurn = setting(settings.timeoutTurn), timeLeft = setting(settings.timeLeft);
    st.turnTimeLimit = timeoutTurn < timeLeft / 16 ? timeoutTurn : timeLeft / 16;
    st.thinkStartTime = search::nowMs();
    st.searchAborted = false;
    control::applyRule(st.thinkStartTime);
    applyHashSize();
    search::setHashAge(control::game.moveCount);
    st.iterationDepth = 0;
}

bool analysisDeepeningStops(int d, bool clockCounts) {
    const search::SearchState& st = searchState;
    const int32_t maxNode = setting(settings.maxNode);
    const int64_t elapsed = search::nowMs() - st.thinkStartTime;
    const int64_t area = int64_t(geometry.boardWidth) * geometry.boardHeight;
    const bool stop = control::stopIsRequested();
    const bool limit =
        (clockCounts && elapsed * 4 >= st.turnTimeLimit) || control::game.moveCount + 2 + d > area || stop;
    if (limit) {
        // Without a node budget only a stop request ends the deepening.
        if (maxNode != -1 || stop) return true;
    } else if (maxNode != -1 && maxNode < 1000000000 && (st.nodeCount / 1024) * 4 >= maxNode) {
        return true;
    }
    return d > setting(settings.maxDepth);
}

}  // namespace think
