#include "search/quiet_moves.h"

#include "board/board.h"
#include "search/move_generation.h"
#include "search/node_search.h"
#include "search/table_values.h"
#include "search/tuning.h"

namespace search {

bool rootCandidate(SearchState& searchState, int x, int y, uint64_t stamp) {
    board::Board& board = searchState.board;
    return board.cells[x][y] == 0 && searchState.visitStamp[0][x][y] != stamp && !searchState.limits.isMasked(x, y);
}

int buildRootQuietMoves(SearchState& searchState, MoveEntry* list, int side, int taken) {
    board::Board& board = searchState.board;
    const uint64_t stamp = searchState.visitCounter[0];
    const int s = side - 1, o = 2 - side;
    const int caution = searchState.limits.cautionFactor;
    const int height = board.geometry.boardHeight, width = board.geometry.boardWidth;
    int n = 0;
    bool noted = false;

    // Pass 1: two lines of a wide two or more for either side (only points
    // within QuietLineReach of a stone can have them or be noted).
    for (int x = 0; x < height; ++x)
        for (uint32_t row = board::emptyPointsNearStones(board, x, QuietLineReach); row != 0; row &= row - 1) {
            const int y = __builtin_ctz(row);
            if (!rootCandidate(searchState, x, y, stamp)) continue;
            if (board.points[x][y].score[s] > QuietOwnScore || board.points[x][y].score[o] > QuietOtherScore) noted = true;
            if (countDirectionsAtLeast(board, x, y, s, board::WideTwo) >= QuietCrossingLines ||
                countDirectionsAtLeast(board, x, y, o, board::WideTwo) >= QuietCrossingLines)
                list[n++] = MoveEntry{0, int16_t(x), int16_t(y)};
        }
    // Pass 2: points that matter to either side.
    if (noted) {
        for (int x = 0; x < height; ++x)
            for (uint32_t row = board::emptyPointsNearStones(board, x, QuietLineReach); row != 0; row &= row - 1) {
                const int y = __builtin_ctz(row);
                if (!rootCandidate(searchState, x, y, stamp)) continue;
                if (board.points[x][y].score[s] <= QuietOwnScore && board.points[x][y].score[o] <= QuietOtherScore) continue;
                if (caution == 0 && !hasStoneNear(board, x, y)) continue;
                list[n++] = MoveEntry{0, int16_t(x), int16_t(y)};
            }
        if (n > 0 && caution == 0) return n;
    }
    // Pass 3: points near a stone or block; with caution also three steps away
    // along the lines while the root has few moves.
    const bool wide = caution != 0 && taken < RootFarMovesBelow;
    for (int x = 0; x < height; ++x)
        for (uint32_t row = board::emptyPointsNearStones(board, x, wide ? RootFarReach : NearStoneReach); row != 0;
             row &= row - 1) {
            const int y = __builtin_ctz(row);
            if (!rootCandidate(searchState, x, y, stamp)) continue;
            bool near = hasStoneNear(board, x, y);
            if (!near && wide) {
                static constexpr int far[8][2] = {{-3, -3}, {-3, 0}, {-3, 3}, {3, -3},
                                                  {3, 0},   {3, 3},  {0, -3}, {0, 3}};
                for (const auto& f : far) {
                    const int fx = x + f[0], fy = y + f[1];
                    // Only the playing rectangle counts, as for the 5 x 5 square: the
                    // blocks that fill a rectangular board's square are not neighbours.
                    if (board.geometry.onBoard(fx, fy) && board.cells[fx][fy] != 0) {
                        near = true;
                        break;
                    }
                }
            }
            if (near) list[n++] = MoveEntry{0, int16_t(x), int16_t(y)};
        }
    // Pass 4: nothing near anything: every remaining point.
    if (taken == 0 && n == 0)
        for (int x = 0; x < height; ++x)
            for (int y = 0; y < width; ++y)
                if (rootCandidate(searchState, x, y, stamp)) list[n++] = MoveEntry{0, int16_t(x), int16_t(y)};
    return n;
}

int buildQuietMoves(SearchState& searchState, MoveEntry* list, int side, int level, int alpha, bool nullWindow,
                    int tableDepth, int taken) {
    const SearchState& st = searchState;
    const board::Board& board = searchState.board;
    const uint64_t stamp = st.visitCounter[level];
    const int s = side - 1, o = 2 - side;
    const int caution = searchState.limits.cautionFactor;
    const int height = board.geometry.boardHeight;
    int n = 0;
    bool noted = false;

    // Pass 1: points where either side has two lines of a wide two or more.
    // Beyond QuietLineReach of every stone a point's codes are at most One and
    // its scores too small to be noted, so only the points within reach are
    // looked at, in the board's row order.
    for (int x = 0; x < height; ++x)
        for (uint32_t row = board::emptyPointsNearStones(board, x, QuietLineReach); row != 0; row &= row - 1) {
            const int y = __builtin_ctz(row);
            if (st.visitStamp[level][x][y] == stamp) continue;
            if (board.points[x][y].score[s] > QuietOwnScore || board.points[x][y].score[o] > QuietOtherScore) noted = true;
            if (countDirectionsAtLeast(board, x, y, s, board::WideTwo) >= QuietCrossingLines ||
                countDirectionsAtLeast(board, x, y, o, board::WideTwo) >= QuietCrossingLines)
                list[n++] = MoveEntry{0, int16_t(x), int16_t(y)};
        }
    if (n > 0 && level >= QuietNarrowLevel && alpha > -MateThreshold && nullWindow && caution < QuietWideCaution) return n;
    if (!(taken == 0 || level < QuietNarrowLevel || tableDepth > QuietNarrowMaxDepth || !nullWindow ||
          caution >= QuietWideCaution))
        return n;

    // Pass 2: points that matter to either side and lie near the stones.
    if (noted) {
        for (int x = 0; x < height; ++x)
            for (uint32_t row = board::emptyPointsNearStones(board, x, NearStoneReach); row != 0; row &= row - 1) {
                const int y = __builtin_ctz(row);
                if (st.visitStamp[level][x][y] == stamp) continue;
                if (board.points[x][y].score[s] > QuietOwnScore || board.points[x][y].score[o] > QuietOtherScore)
                    list[n++] = MoveEntry{0, int16_t(x), int16_t(y)};
            }
        if (n > 0 && (caution == 0 || level >= QuietNarrowLevel || (nullWindow && taken + n > QuietEnoughMovesNullWindow) ||
                      taken + n > QuietEnoughMoves))
            return n;
    }

    // Pass 3: every point near a stone or block.
    for (int x = 0; x < height; ++x)
        for (uint32_t row = board::emptyPointsNearStones(board, x, NearStoneReach); row != 0; row &= row - 1) {
            const int y = __builtin_ctz(row);
            if (st.visitStamp[level][x][y] != stamp) list[n++] = MoveEntry{0, int16_t(x), int16_t(y)};
        }
    return n;
}

}  // namespace search
