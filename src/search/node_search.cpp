#include "search/node_search.h"

#include <iterator>

#include "board/board.h"
#include "board/forbidden.h"
#include "search/busy_nodes.h"
#include "search/evaluation.h"
#include "search/hash_tables.h"
#include "search/limits.h"
#include "search/move_picker.h"
#include "search/threat_search.h"
#include "search/transposition_table.h"
#include "search/tuning.h"

namespace search {


void BestThree::insert(int g, int mx, int my) {
    int place = g > value[0] ? 0 : g > value[1] ? 1 : g > value[2] ? 2 : 3;
    if (place == 3) return;
    for (int i = 2; i > place; --i) {
        value[i] = value[i - 1];
        x[i] = x[i - 1];
        y[i] = y[i - 1];
    }
    value[place] = g;
    x[place] = mx;
    y[place] = my;
}

void firstThreatPoint(const board::Board& board, int threatClass, int side, int& x, int& y) {
    const board::ThreatPointSet& set = board.threats[threatClass];
    const uint32_t rows = set.summary[side - 1];
    x = board::bitIndex(rows & (0u - rows));
    const uint32_t columns = set.rowMask[side - 1][x];
    y = board::bitIndex(columns & (0u - columns));
}

int countDirectionsAtLeast(const board::Board& board, int x, int y, int sideIndex, int code) {
    int n = 0;
    for (int d = 0; d < 4; ++d) n += board.points[x][y].code[d][sideIndex] >= code;
    return n;
}

int edgeWeight(const board::Board& board, int x, int y) {
    int i = x < board.geometry.boardHeight - 1 - x ? x : board.geometry.boardHeight - 1 - x;
    int j = y < board.geometry.boardWidth - 1 - y ? y : board.geometry.boardWidth - 1 - y;
    int m = i < j ? i : j;
    const int last = int(std::size(EdgeWeightByDistance)) - 1;
    return EdgeWeightByDistance[m < last ? m : last];
}

namespace {

// The bonus factor from the static value e of the node: confident positions
// penalise weak moves less.
double bonusFactorFor(const board::Board& board, int e, int side) {
    double f = LowestBonusFactor;
    for (const BonusFactorStep& step : BonusFactorLadder)
        if (e >= step.value) {
            f = step.factor;
            break;
        }
    if (e < CrampedBonusValue && board.roomSum[side - 1] <= board.roomSum[2 - side]) f += CrampedBonusExtra;
    return f;
}

}  // namespace

MoveClass classifyMove(SearchState& searchState, int x, int y, int side, int d, bool nullWindow, BonusFactor& bonusFactor) {
    board::Board& board = searchState.board;
    const int s = side - 1;
    const int score = board.points[x][y].score[s];
    MoveClass result{0, 0};
    if (score < ClassifiedScore) return result;

    const int k = countThreatsNear(board, x, y, side);
    const int n = countDirectionsAtLeast(board, x, y, s, board::WideTwo);
    int c;
    if (score < FourScore) {
        c = 1;
        if (n >= ClassTwoLines && k >= ThreeClassTwoThreats) {
            c = 2;
            if ((n >= ClassThreeLines && k >= ThreeClassThreeThreats) || k >= ThreeClassThreeAnyThreats) {
                c = 3;
                if ((n >= ClassThreeLines && k >= ThreeClassFourThreats) || (n == 4 && k >= ThreeClassFourAllThreats)) c = 4;
            }
        }
    } else {
        c = 1;
        if (score >= FourClassTwoScore || k >= FourClassThreats) {
            c = 2;
            if (score >= FourClassThreeScore && k >= FourClassThreats) {
                c = 3;
                if ((n == 4 && k >= FourClassFourAllThreats) || (n >= ClassThreeLines && k >= FourClassFourThreats)) c = 4;
            }
        }
    }
    // Base penalty: a lone four or three with little around it is a weak move.
    int e = 0;
    if (countDirectionsAtLeast(board, x, y, s, board::DeadFour) > 0)
        e = c == 1 ? LoneFourPenalty : c == 2 ? ClassTwoFourPenalty : 0;
    else if (countDirectionsAtLeast(board, x, y, s, board::SplitThree) > 0)
        e = c == 1 ? LoneThreePenalty : c == 2 ? ClassTwoThreePenalty : 0;
    if (!nullWindow) c = c + 1 < MaxMoveClass ? c + 1 : MaxMoveClass;

    const int z = edgeWeight(board, x, y);
    int w = z * e / PenaltyEdgeScale;
    if (w != 0 && z > RoomScaledEdgeWeight) {
        const int p = board.points[x][y].weight[s];
        if (p < NarrowRoom) w = int(w * NarrowRoomFactor);
        if (p < NarrowerRoom) w = int(w * NarrowerRoomFactor);
        if (p < NarrowestRoom) w = int(w * NarrowestRoomFactor);
        if (p > WideRoom) w = int(w * WideRoomFactor);
        if (bonusFactor.factor == 1000.0) bonusFactor.factor = bonusFactorFor(board, evaluateLeaf(searchState, d - 1, side), side);
        w = int(w * bonusFactor.factor);
    }
    result.extension = c;
    result.bonus = w;
    return result;
}

void updatePv(SearchState& searchState, int level, int x, int y) {
    PvLine& line = searchState.pvLines[level];
    const PvLine& child = searchState.pvLines[level + 1];
    int length = child.length;
    if (length > board::MaxPoints - 1) length = board::MaxPoints - 1;
    line.moves[0] = MoveEntry{0, int16_t(x), int16_t(y)};
    for (int i = 0; i < length; ++i) line.moves[i + 1] = child.moves[i];
    line.length = length + 1;
}

namespace {

// Late-move pruning: whether a failed-low move ends a null-window node.
bool lateMoveEndsNode(int tableDepth, int stage, int moveNumber) {
    if (tableDepth > LateMoveDepths) return false;
    const LateMoveRule* rules = LateMoveRules[tableDepth <= 1 ? 0 : tableDepth - 1];
    for (int i = 0; i < LateMoveRulesPerDepth; ++i)
        if (stage > rules[i].stageAbove && moveNumber > rules[i].moveAbove) return true;
    return false;
}

}  // namespace

int lateMoveReduction(const PickedMove& move, int d, int ownScore, int otherScore, int extension, bool nullWindow) {
    if (d < ReductionMinDepth || ownScore >= ClassifiedScore || extension > (nullWindow ? 0 : 1)) return 0;
    if (move.stage == QuietStage && move.stageIndex >= ReductionFirstMove && otherScore < ClassifiedScore)
        return d >= ReductionDeepDepth && move.stageIndex >= ReductionDeepMove ? 2 : 1;
    if (move.stage == BlockStage && move.stageIndex >= ReductionFirstBlock) return 1;
    return 0;
}

int alphaBetaSearch(SearchState& searchState, int d, int alpha, int beta, int side, int c) {
    board::Board& board = searchState.board;
    SearchState& st = searchState;
    const int other = 3 - side;
    const int s = side - 1, o = other - 1;
    const int level = st.iterationDepth - d;
    const int tableDepth = d + c / 2;
    const uint64_t key = board.hashKey;

    // A line longer than the work areas can hold is judged where it stands.
    if (level < 0 || level >= MaxLevels - 2) return evaluateLeaf(searchState, d, side);

    // 1. Fresh line, best-three list, bound flag and bonus factor.
    PvLine& pv = st.pvLines[level];
    pv.length = 0;
    pv.moves[0] = MoveEntry{0, -1, -1};
    BestThree bestThree;
    int flag = UpperBound;
    BonusFactor bonusFactor;

    // 2. Count the node; test the limits every 1024 nodes.
    if (countNodeAndTestLimits(searchState)) return 0;

    // 3. A five in reach wins.
    const auto& fives = board.threats[board::FivePoint];
    if (fives.summary[s]) return d + WinScore;

    // 4. The other side's five must be blocked: a single forced move.
    const bool forced = fives.summary[o] != 0;
    if (!forced) {
        // 5. An open four wins (for black under Renju only on a legal first point).
        const auto& openFours = board.threats[board::OpenFourPoint];
        if (openFours.summary[s]) {
            if (board.rule != board::Renju || side != 1) return d + WinScore;
            int fx, fy;
            firstThreatPoint(board, board::OpenFourPoint, side, fx, fy);
            if (!board::isForbidden(board, fx, fy)) return d + WinScore;
        }

        // 6. Table cutoff in null-window nodes.
        if (beta == alpha + 1) {
            int mx[3] = {-1, -1, -1}, my[3] = {-1, -1, -1};
            int v = probeTranspositionTable(*searchState.hashTables, tableDepth, alpha, beta, side, key, mx, my, 1);
            if (v != MissValue) return v;
            if (mx[0] != -1) {
                bestThree.x[0] = mx[0];
                bestThree.y[0] = my[0];
            }
        }

        // 7. A win by continuous fours is final.
        int m = vcfSearch(searchState, d, side, 0, 0);
        if (st.searchAborted) return 0;
        if (m > 0) {
            int v = d + m - board::MaxPoints;
            storeTranspositionTable(*searchState.hashTables, tableDepth, v, ExactBound, side, key, -1, -1, -1, -1, -1, -1);
            return v;
        }

        // 8. Horizon: the credit counts in whole multiples of four half plies.
        if (d + (HorizonCreditStep / 2) * (c / HorizonCreditStep) < 1) {
            int v = evaluateLeaf(searchState, d, side);
            storeTranspositionTable(*searchState.hashTables, tableDepth, v, ExactBound, side, key, -1, -1, -1, -1, -1, -1);
            return v;
        }
    }

    // 9. Interior node: a new visit; the table's moves come first.
    ++st.interiorNodeCount;
    MovePicker picker(searchState, {.level = level, .side = side, .forced = forced, .root = false, .tableDepth = tableDepth});
    const bool nullWindow = beta == alpha + 1;
    const int deepeningDepth = nullWindow ? NullWindowDeepeningDepth : DeepeningDepth;
    if (!forced && !picker.fetchTableMoves(alpha, beta) && tableDepth >= deepeningDepth) {
        // 10. Internal deepening finds a move to try first.
        const int r = nullWindow ? tableDepth / NullWindowDeepeningDivisor : DeepeningReduction;
        int v = alphaBetaSearch(searchState, d - r - DeepeningBaseReduction, alpha, beta, side, c);
        if (st.searchAborted) return 0;
        if (v >= beta && v > MateThreshold) {
            storeTranspositionTable(*searchState.hashTables, tableDepth, v, ExactBound, side, key, -1, -1, -1, -1, -1, -1);
            return v;
        }
        picker.fetchTableMoves(alpha, beta);
    }

    // 11. The moves, stage by stage. In a parallel search a later move whose
    // node another thread is in waits for the end of the list.
    const BusyMark mark(tableDepth >= BusyMarkDepth ? st.limits.busy : nullptr, key);
    BusyNodes* const busy = tableDepth > BusyMarkDepth && !forced ? st.limits.busy : nullptr;
    PickedMove deferred[MaxDeferredMoves];
    int deferredCount = 0, nextDeferred = 0;
    bool listEnded = false;
    int best = NotSet;
    PickedMove move;
    for (;;) {
        if (!listEnded && picker.next(alpha, beta, move)) {
            if (busy != nullptr && move.moveNumber > 0 && deferredCount < MaxDeferredMoves &&
                busy->has(key ^ board.zobristKeys[move.x][move.y][s])) {
                deferred[deferredCount++] = move;
                continue;
            }
        } else if (nextDeferred < deferredCount) {
            listEnded = true;
            move = deferred[nextDeferred++];
        } else {
            break;
        }
        const int x = move.x, y = move.y;
        const int moveNumber = move.moveNumber;
        const bool nullWindowNow = beta == alpha + 1;
        MoveClass mc = classifyMove(searchState, x, y, side, d, nullWindowNow, bonusFactor);
        const int score = board.points[x][y].score[s];
        const int otherScore = board.points[x][y].score[o];

        // The child's table buckets load while the board is updated.
        const uint64_t childKey = board.hashKey ^ board.zobristKeys[x][y][s];
        prefetchTranspositionBucket(searchState.hashTables->transposition, other, childKey);
        prefetchValueCacheBucket(searchState.hashTables->cache, 0, other, childKey);
        board::makeMove(board, x, y, side);
        // A move that leaves side a winning chain of fours earns an extension.
        if (!nullWindowNow && d >= -ChainCheckReach * st.iterationDepth / 2 && score >= ChainCheckMinScore &&
            score <= ChainCheckMaxScore) {
            int m = vcfSearch(searchState, d - 1, side, 0, 0);
            if (st.searchAborted) {
                board::unmakeMove(board, x, y, side);
                return 0;
            }
            if (m > 0) {
                mc.extension += score >= ChainStrongScore ? ChainStrongExtension : ChainExtension;
                if (mc.extension > MaxExtension) mc.extension = MaxExtension;
            }
        }
        const int w = mc.bonus, credit = c + mc.extension;
        int r;
        const int reduction = lateMoveReduction(move, d, score, otherScore, mc.extension, nullWindowNow);
        if (reduction > 0) {
            // A reduced move that fails high is searched again at full depth,
            // with a null window first outside null windows.
            r = w - alphaBetaSearch(searchState, d - 1 - reduction, w - alpha - 1, w - alpha, other, credit);
            if (!st.searchAborted && r > alpha) {
                r = w - alphaBetaSearch(searchState, d - 1, w - alpha - 1, w - alpha, other, credit);
                if (!st.searchAborted && !nullWindowNow && alpha < r && r < beta)
                    r = w - alphaBetaSearch(searchState, d - 1, w - beta, w - alpha, other, credit);
            }
        } else if (moveNumber == 0 || nullWindowNow) {
            r = w - alphaBetaSearch(searchState, d - 1, w - beta, w - alpha, other, credit);
        } else {
            r = w - alphaBetaSearch(searchState, d - 1, w - alpha - 1, w - alpha, other, credit);
            if (!st.searchAborted && alpha < r && r < beta)
                r = w - alphaBetaSearch(searchState, d - 1, w - beta, w - alpha, other, credit);
        }
        board::unmakeMove(board, x, y, side);
        if (st.searchAborted) return 0;

        if (r > best) best = r;
        bestThree.insert(isMateLike(r) ? r : (alpha > r ? alpha : r), x, y);
        if (r >= beta) {
            if (move.stage == QuietStage) noteQuietCutoff(searchState, level, side, x, y, d);
            storeTranspositionTable(*searchState.hashTables, tableDepth, r, LowerBound, side, key, bestThree.x[0], bestThree.y[0],
                                    bestThree.x[1], bestThree.y[1], bestThree.x[2], bestThree.y[2]);
            st.searchedMoveSum += moveNumber + 1;
            return r;
        }
        if (r > alpha) {
            flag = ExactBound;
            updatePv(searchState, level, x, y);
            alpha = r;
        } else if (searchState.limits.cautionFactor <= LateMoveMaxCaution && level >= LateMoveMinLevel &&
                   best >= -(MateThreshold - 1) && beta == alpha + 1 && mc.extension <= LateMoveMaxClass &&
                   lateMoveEndsNode(tableDepth, move.stageNumber, moveNumber)) {
            // The list ends here; moves put off before this point still count.
            listEnded = true;
        }
    }

    // 12. Node end.
    const int taken = picker.taken();
    if (taken == 0) {
        // No move at all: a draw on a full board, else a loss. That value is
        // exact and is what the table keeps; alpha (what "no move searched"
        // would leave) can lie below it and would poison later probes.
        const bool full = searchState.limits.moveCount + level >= board.geometry.boardHeight * board.geometry.boardWidth;
        const int exact = full ? 0 : -NoMoveLoss - d;
        storeTranspositionTable(*searchState.hashTables, tableDepth, exact, ExactBound, side, key, -1, -1, -1, -1, -1, -1);
        if (full) return 0;
        return alpha > exact ? alpha : exact;
    }
    const int v = best != NotSet ? best : alpha;
    storeTranspositionTable(*searchState.hashTables, tableDepth, v, flag, side, key, bestThree.x[0], bestThree.y[0], bestThree.x[1],
                            bestThree.y[1], bestThree.x[2], bestThree.y[2]);
    st.searchedMoveSum += taken;
    return v;
}

}  // namespace search
