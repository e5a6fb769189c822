#include "search/root_search.h"

#include <cstdio>

#include "board/board.h"
#include "board/forbidden.h"
#include "search/evaluation.h"
#include "search/hash_tables.h"
#include "search/limits.h"
#include "search/move_picker.h"
#include "search/node_search.h"
#include "search/quiet_moves.h"
#include "search/threat_search.h"
#include "search/transposition_table.h"
#include "search/tuning.h"

namespace search {

namespace {

constexpr int ReportingDepth = 8;      // with show_detail, iterations from this depth write REALTIME lines
constexpr int ShownValueLimit = 10000;  // REALTIME VAL shows values within this bound, either sign

int clampDisplay(int v) { return v > ShownValueLimit ? ShownValueLimit : v < -ShownValueLimit ? -ShownValueLimit : v; }

// Whether a stone (not a block) lies at an on-board offset of (x, y) counted by
// the filter.
template <typename Filter>
bool stoneAround(SearchState& searchState, int x, int y, int reach, Filter counted) {
    board::Board& board = searchState.board;
    for (int dx = -reach; dx <= reach; ++dx)
        for (int dy = -reach; dy <= reach; ++dy) {
            if (!counted(dx, dy) || !board.geometry.onBoard(x + dx, y + dy)) continue;
            int cell = board.cells[x + dx][y + dy];
            if (cell == 1 || cell == 2) return true;
        }
    return false;
}

int absolute(int v) { return v < 0 ? -v : v; }

// Marks for the front end the points near stones that the root will not search.
void sweepUnsearched(SearchState& searchState, int index, bool lastPart, uint64_t stamp) {
    board::Board& board = searchState.board;
    const int reach = searchState.limits.cautionFactor >= 2 ? 3 : 2;
    for (int x = 0; x < board.geometry.boardHeight; ++x)
        for (int y = 0; y < board.geometry.boardWidth; ++y) {
            if (!rootCandidate(searchState, x, y, stamp)) continue;
            bool near = stoneAround(searchState, x, y, reach, [&](int dx, int dy) {
                if (index == 0) return true;
                int distance = absolute(dx) + absolute(dy);
                return lastPart ? distance > 3 : distance <= 3;
            });
            if (near) {
                writeLine(searchState.reporter, "MESSAGE REALTIME POS %d,%d", x, y);
                writeLine(searchState.reporter, "MESSAGE REALTIME DONE %d,%d", x, y);
            }
        }
}

void reportPv(SearchState& searchState, int depth) {
    const board::Board& board = searchState.board;
    char line[16 + 8 * board::MaxPoints];
    int used = std::snprintf(line, sizeof line, "MESSAGE REALTIME PV");
    const PvLine& pv = searchState.pvLines[0];
    const int count = pv.length < depth ? pv.length : depth;
    for (int i = 0; i < count && used < int(sizeof line) - 8; ++i)
        used += std::snprintf(line + used, sizeof line - used, " [%d%c]", board.geometry.boardHeight - pv.moves[i].x,
                              'A' + pv.moves[i].y);
    writeLine(searchState.reporter, "%s", line);
}

int clampWin(int v, int depth) {
    const int high = depth + RootValueCap, low = -RootValueCap - depth;
    return v > high ? high : v < low ? low : v;
}

}  // namespace

int rootSearch(SearchState& searchState, int side) {
    board::Board& board = searchState.board;
    SearchState& st = searchState;
    const int other = 3 - side;
    const int s = side - 1, o = other - 1;
    const int depth = st.iterationDepth;
    const int beta = RootWindow;
    const uint64_t key = board.hashKey;

    // 1. Fresh line; count the node and test the limits.
    PvLine& pv = st.pvLines[0];
    pv.length = 0;
    pv.moves[0] = MoveEntry{0, -1, -1};
    if (countNodeAndTestLimits(searchState)) return 0;

    // 2-4. Fives and open fours decide at once; the other side's five is blocked.
    const auto& fives = board.threats[board::FivePoint];
    if (fives.summary[s]) return depth + WinScore;
    const bool forced = fives.summary[o] != 0;
    if (!forced) {
        if (board.threats[board::OpenFourPoint].summary[s]) {
            int fx, fy;
            firstThreatPoint(board, board::OpenFourPoint, side, fx, fy);
            if (board.rule != board::Renju || side != 1 || !board::isForbidden(board, fx, fy)) return depth + WinScore;
        }
        if (depth < 1) {
            int v = evaluateLeaf(searchState, depth, side);
            storeTranspositionTable(*searchState.hashTables, depth, v, ExactBound, side, key, -1, -1, -1, -1, -1, -1);
            return v;
        }
    }

    // 5. A new visit; the table's moves come first, and with none a shallower
    // search finds one.
    ++st.interiorNodeCount;
    int alpha = -RootWindow;
    MovePicker picker(searchState, {.level = 0, .side = side, .forced = forced, .root = true, .tableDepth = depth});
    const uint64_t stamp = picker.visitStamp();
    if (!forced && !picker.fetchTableMoves(alpha, beta) && depth >= DeepeningDepth) {
        alphaBetaSearch(searchState, depth - DeepeningReduction - DeepeningBaseReduction, alpha, beta, side, 0);
        if (st.searchAborted) return 0;
        picker.fetchTableMoves(alpha, beta);
    }

    // 6. The moves, stage by stage.
    const bool reporting = depth >= ReportingDepth && searchState.limits.showDetail;
    int best = NotSet;
    BestThree bestThree;
    int flag = UpperBound;
    BonusFactor bonusFactor;
    int nonLosing = 0;
    PickedMove move;
    while (picker.next(alpha, beta, move)) {
        const int x = move.x, y = move.y;
        const int moveNumber = move.moveNumber;
        MoveClass mc = classifyMove(searchState, x, y, side, depth, false, bonusFactor);
        const int score = board.points[x][y].score[s];

        // Reports before the move's search.
        if (reporting) {
            if (bestThree.x[0] == -1) {
                writeLine(searchState.reporter, "MESSAGE REALTIME BEST %d,%d", x, y);
                writeLine(searchState.reporter, "MESSAGE REALTIME REFRESH");
            }
            if (move.stage == QuietStage) {
                const bool last = picker.stageEndsWithin(1);
                const bool nearLast = last || picker.stageEndsWithin(2);
                if (nearLast) sweepUnsearched(searchState, move.stageIndex, last, stamp);
            }
            writeLine(searchState.reporter, "MESSAGE REALTIME POS %d,%d", x, y);
        }

        board::makeMove(board, x, y, side);
        if (score >= ChainCheckMinScore && score <= ChainCheckMaxScore) {
            int m = vcfSearch(searchState, depth - 1, side, 0, 0);
            if (!st.searchAborted && m > 0) {
                mc.extension += score >= ChainStrongScore ? ChainStrongExtension : ChainExtension;
                if (mc.extension > MaxExtension) mc.extension = MaxExtension;
            }
        }
        const int w = mc.bonus;
        int r = 0;
        if (!st.searchAborted) {
            if (moveNumber == 0) {
                r = w - alphaBetaSearch(searchState, depth - 1, w - beta, w - alpha, other, mc.extension);
            } else {
                r = w - alphaBetaSearch(searchState, depth - 1, w - alpha - 1, w - alpha, other, mc.extension);
                if (!st.searchAborted && alpha < r && r < beta)
                    r = w - alphaBetaSearch(searchState, depth - 1, w - beta, w - alpha, other, mc.extension);
            }
        }
        board::unmakeMove(board, x, y, side);
        if (reporting) writeLine(searchState.reporter, "MESSAGE REALTIME DONE %d,%d", x, y);

        // A stop: the best of the completed moves, from the third move on.
        if (st.searchAborted) {
            if (moveNumber < PartialResultMoves) return 0;
            st.bestMoveX = bestThree.x[0];
            st.bestMoveY = bestThree.y[0];
            int partialAlpha = alpha < depth + RootValueCap ? alpha : depth + RootValueCap;
            if (partialAlpha == 0) partialAlpha = 1;
            if (best == NotSet) return partialAlpha;
            int partialBest = clampWin(best, depth);
            return partialBest == 0 ? 1 : partialBest;
        }

        if (reporting && r > best) {
            writeLine(searchState.reporter, "MESSAGE REALTIME BEST %d,%d", x, y);
            writeLine(searchState.reporter, "MESSAGE REALTIME VAL %d", clampDisplay(r));
        }
        if (reporting && r < -MateThreshold) writeLine(searchState.reporter, "MESSAGE REALTIME LOSE %d,%d", x, y);
        if (r > -MateThreshold) ++nonLosing;
        if (r > best) best = r;
        bestThree.insert(isMateLike(r) ? r : (alpha > r ? alpha : r), x, y);

        if (r >= beta) {
            storeTranspositionTable(*searchState.hashTables, depth, r, LowerBound, side, key, bestThree.x[0], bestThree.y[0],
                                    bestThree.x[1], bestThree.y[1], bestThree.x[2], bestThree.y[2]);
            st.searchedMoveSum += moveNumber + 1;
            return depth + RootValueCap < beta ? depth + RootValueCap : beta;
        }
        if (r > alpha) {
            flag = ExactBound;
            updatePv(searchState, 0, x, y);
            alpha = r;
            if (reporting) reportPv(searchState, depth);
        }
    }

    // 7. Root end.
    const int taken = picker.taken();
    st.singleCandidateFlag = nonLosing == 1 ? 1 : 0;
    st.bestMoveX = bestThree.x[0];
    st.bestMoveY = bestThree.y[0];
    if (reporting && best != NotSet && best < -MateThreshold) {
        // Every searched move loses: so does every point near the stones.
        for (int x = 0; x < board.geometry.boardHeight; ++x)
            for (int y = 0; y < board.geometry.boardWidth; ++y)
                if (rootCandidate(searchState, x, y, stamp) && stoneAround(searchState, x, y, 3, [](int, int) { return true; }))
                    writeLine(searchState.reporter, "MESSAGE REALTIME LOSE %d,%d", x, y);
    }
    // With no move taken, alpha is the bare window bound, not a bound on the
    // position's value (the points may only be masked): keep it out of the
    // table. A full board is simply a draw.
    const bool full = searchState.limits.moveCount >= board.geometry.boardHeight * board.geometry.boardWidth;
    if (taken > 0)
        storeTranspositionTable(*searchState.hashTables, depth, best != NotSet ? best : alpha, flag, side, key, bestThree.x[0],
                                bestThree.y[0], bestThree.x[1], bestThree.y[1], bestThree.x[2], bestThree.y[2]);
    else if (full)
        storeTranspositionTable(*searchState.hashTables, depth, 0, ExactBound, side, key, -1, -1, -1, -1, -1, -1);
    st.searchedMoveSum += taken;
    if (alpha > depth + RootValueCap) alpha = depth + RootValueCap;
    if (best != NotSet) best = clampWin(best, depth);
    if (taken == 0) {
        if (full) return 0;
        const int loss = -NoMoveLoss - depth;
        return alpha > loss ? alpha : loss;
    }
    return best != NotSet ? best : alpha;
}

}  // namespace search
