#include "search/threat_search.h"

#include "board/board.h"
#include "board/forbidden.h"
#include "search/evaluation.h"
#include "search/hash_tables.h"
#include "search/limits.h"
#include "search/move_generation.h"
#include "search/move_sort.h"
#include "search/node_search.h"
#include "search/search_state.h"
#include "search/tuning.h"
#include "search/value_cache.h"

namespace search {

namespace {


constexpr int BoardPoints = board::MaxPoints;  // 576: the ply value of the chain's first node

// Black under Renju can be forbidden a point only where it would make two
// threes or fours, or a longer row; a white stone elsewhere only takes such
// shapes away.
bool mayBeForbiddenToBlack(const board::PointState& point) {
    int lines = 0;
    for (int d = 0; d < 4; ++d) {
        const int code = point.code[d][0];
        if (code == board::Overline) return true;
        if (code >= board::SplitThree && code <= board::OpenFour) ++lines;
    }
    return lines >= 2;
}

// Renju: whether white's four at (x, y) wins at once because every five point
// it makes is forbidden to black, so that black has no block. Most fours are
// settled by the codes alone, without a move.
bool whiteFourUnblockable(board::Board& board, int x, int y) {
    int fourLines[4], lineCount = 0;
    bool candidate = false;
    for (int d = 0; d < 4; ++d) {
        const int code = board.points[x][y].code[d][1];
        if (code < board::DeadFour || code > board::OpenFour) continue;
        fourLines[lineCount++] = d;
        const int dx = board::directionDelta[d][0], dy = board::directionDelta[d][1];
        for (int k = -4; k <= 4 && !candidate; ++k) {
            const int px = x + k * dx, py = y + k * dy;
            if (k != 0 && board.geometry.onBoard(px, py) && board.cells[px][py] == 0)
                candidate = mayBeForbiddenToBlack(board.points[px][py]);
        }
    }
    if (!candidate) return false;
    board::makeMoveLight(board, x, y, 2);
    int fivePoints = 0;
    bool allForbidden = true;
    for (int i = 0; i < lineCount && allForbidden; ++i) {
        const int d = fourLines[i];
        const int dx = board::directionDelta[d][0], dy = board::directionDelta[d][1];
        for (int k = -4; k <= 4 && allForbidden; ++k) {
            const int px = x + k * dx, py = y + k * dy;
            if (k == 0 || !board.geometry.onBoard(px, py) || board.cells[px][py] != 0 ||
                board.points[px][py].code[d][1] != board::Five)
                continue;
            ++fivePoints;
            if (!board::isForbidden(board, px, py)) allForbidden = false;
        }
    }
    board::unmakeMoveLight(board, x, y, 2);
    return fivePoints > 0 && allForbidden;
}

}  // namespace

int immediateWinCheck(SearchState& searchState, int g, int side) {
    board::Board& board = searchState.board;
    const int s = side - 1, o = 2 - side;
    const auto& fives = board.threats[board::FivePoint];
    const auto& openFours = board.threats[board::OpenFourPoint];
    if (fives.summary[s]) return WinScore + g;
    if (fives.summary[o]) return 0;
    if (!openFours.summary[s]) return 0;
    if (board.rule != board::Renju || side == 2) return WinScore + g;
    // Black under Renju: only the first open-four point is tried.
    int x, y;
    firstThreatPoint(board, board::OpenFourPoint, side, x, y);
    return board::isForbidden(board, x, y) ? 0 : WinScore + g;
}

int vcfSearch(SearchState& searchState, int remainingDepth, int side, int role, int ply) {
    board::Board& board = searchState.board;
    SearchState& st = searchState;
    const int other = 3 - side;
    const int s = side - 1, o = other - 1;
    const int g = BoardPoints - ply;
    const int childG = g - 1;  // the ply value the child node uses for the same position

    // 1-2. Count the node, keep the statistics, test the limits.
    ++st.threatNodeCount;
    if (remainingDepth < st.selectiveDepth) st.selectiveDepth = remainingDepth;
    if (countNodeAndTestLimits(searchState)) return 0;

    // 3-4. A win on the next move, or a cached result.
    int v = immediateWinCheck(searchState, g, side);
    if (v != 0) return v;
    v = probeValueCache(*searchState.hashTables, role, g, side, board.hashKey);
    if (v != MissValue) return v;

    const int level = st.iterationDepth - remainingDepth;
    if (level < 0 || level >= MaxLevels) return 0;  // deeper than the work areas reach
    MoveEntry* list = moveListAt(searchState, level);
    const bool blackUnderRenju = board.rule == board::Renju && side == 1;
    const bool whiteUnderRenju = board.rule == board::Renju && side == 2;

    if (role == 0) {
        // 5. Attacker: every four of side, ordered by the threats it leaves near.
        int n = listFourPoints(board, list, side);
        for (int i = 0; i < n; ++i)
            prefetchValueCacheBucket(searchState.hashTables->cache, 1, other,
                                     board.hashKey ^ board.zobristKeys[list[i].x][list[i].y][s]);
        for (int i = 0; i < n; ++i) {
            const int x = list[i].x, y = list[i].y;
            const int score = board.points[x][y].score[s];
            bool useless = score < VcfPlainFourScore &&
                           countDirectionsAtLeast(board, x, y, o, board::WideTwo) < VcfCrossingLines &&
                           board.points[x][y].score[o] < VcfDefenderScore;
            if (blackUnderRenju && !useless && board::isForbidden(board, x, y)) {
                list[i].key = SkipKey;
                continue;
            }
            const int threats = useless ? 0 : countThreatsNear(board, x, y, side);
            useless = useless || (threats <= VcfLoneFourThreats && score < VcfLoneFourScore);
            if (useless) {
                // A white four black cannot block is a win however little it
                // does besides: white makes five two plies on.
                if (whiteUnderRenju && whiteFourUnblockable(board, x, y)) {
                    storeValueCache(*searchState.hashTables, WinScore + g - 2, g, 0, side, board.hashKey);
                    return WinScore + g - 2;
                }
                list[i].key = SkipKey;
                continue;
            }
            // A transposition one ply ahead settles this node without a move.
            int ahead = probeValueCache(*searchState.hashTables, 1, childG, other, board.hashKey ^ board.zobristKeys[x][y][s]);
            if (ahead != MissValue && -ahead > 0) {
                storeValueCache(*searchState.hashTables, -ahead, g, 0, side, board.hashKey);
                return -ahead;
            }
            list[i].key = -(VcfThreatOrderWeight * threats + (board.points[x][y].score[o] >> 1) + score);
        }
        sortMoves(list, n, searchState.sortScratch.moves);
        for (int i = 0; i < n && list[i].key != SkipKey; ++i) {
            const int x = list[i].x, y = list[i].y;
            board::makeMoveLight(board, x, y, side);
            v = -vcfSearch(searchState, remainingDepth - 1, other, 1, ply + 1);
            board::unmakeMoveLight(board, x, y, side);
            if (st.searchAborted) return 0;
            if (v > 0) {
                storeValueCache(*searchState.hashTables, v, g, 0, side, board.hashKey);
                return v;
            }
        }
        storeValueCache(*searchState.hashTables, 0, g, 0, side, board.hashKey);
        return 0;
    }

    // 6. Defender: the blocks of the other side's five points.
    int n = listFivePoints(board, list, other);
    const int fivePoints = n;
    for (int i = 0; i < n; ++i)
        prefetchValueCacheBucket(searchState.hashTables->cache, 0, other,
                                 board.hashKey ^ board.zobristKeys[list[i].x][list[i].y][s]);
    for (int i = 0; i < n;) {
        const int x = list[i].x, y = list[i].y;
        if (blackUnderRenju && board::isForbidden(board, x, y)) {
            list[i] = list[--n];
            continue;
        }
        int ahead = probeValueCache(*searchState.hashTables, 0, childG, other, board.hashKey ^ board.zobristKeys[x][y][s]);
        if (ahead != MissValue && -ahead >= 0) {
            storeValueCache(*searchState.hashTables, -ahead, g, 1, side, board.hashKey);
            return -ahead;
        }
        const int c1 = board.points[x][y].contribution[0], c2 = board.points[x][y].contribution[1];
        const int larger = c1 > c2 ? c1 : c2, smaller = c1 > c2 ? c2 : c1;
        list[i].key = -(larger + smaller / 2);
        ++i;
    }
    // Under Renju a white four whose every five point is forbidden to black
    // cannot be blocked: white makes five next. (A "four" can also leave no
    // five point at all, where its five would be a longer row beyond the
    // line table's reach under standard rules: nothing to block, nothing lost.)
    if (n == 0 && fivePoints > 0) {
        storeValueCache(*searchState.hashTables, -(WinScore + childG), g, 1, side, board.hashKey);
        return -(WinScore + childG);
    }
    sortMoves(list, n, searchState.sortScratch.moves);
    int result = 0;
    for (int i = 0; i < n; ++i) {
        const int x = list[i].x, y = list[i].y;
        board::makeMoveLight(board, x, y, side);
        result = -vcfSearch(searchState, remainingDepth - 1, other, 0, ply + 1);
        board::unmakeMoveLight(board, x, y, side);
        if (st.searchAborted) return 0;
        if (result >= 0) break;
    }
    storeValueCache(*searchState.hashTables, result, g, 1, side, board.hashKey);
    return result;
}

}  // namespace search
