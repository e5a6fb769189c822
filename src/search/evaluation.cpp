#include "search/evaluation.h"

#include <cstdint>

#include "board/board.h"
#include "board/forbidden.h"
#include "board/pattern_tables.h"
#include "search/move_generation.h"
#include "search/search_state.h"
#include "search/tuning.h"

namespace search {

namespace {

constexpr int ThreeScore = board::codeScore[board::SplitThree];  // least point score of a three

// Bits of a row word that can hold a column.
constexpr uint32_t ColumnBits = (1u << board::MaxSide) - 1;

inline int sideIndex(int side) { return (side - 1) & 1; }

// Column mask of one window row: pattern with its bit `middle` moved to column y.
inline uint32_t windowColumns(uint32_t pattern, int middle, int y) {
    const int shift = y - middle;
    if (shift >= 32 || shift <= -32) return 0;
    const uint32_t moved = shift >= 0 ? pattern << shift : pattern >> -shift;
    return moved & ColumnBits;
}

// Five and open-four points of side index s in the window of (x, y), leaving
// out the points whose bit is set in excluded (one word per row), if given.
int threatsInWindow(const board::Board& board, int x, int y, int s, const uint32_t* excluded) {
    static constexpr uint32_t rowPattern[7] = {0x49, 0x1F, 0x1F, 0x7F, 0x1F, 0x1F, 0x49};
    static constexpr int rowMiddle[7] = {3, 2, 2, 3, 2, 2, 3};
    const board::ThreatPointSet& fiveSet = board.threats[board::FivePoint];
    const board::ThreatPointSet& openFourSet = board.threats[board::OpenFourPoint];
    // Only the rows of the window that hold such a point at all are looked at.
    const int top = x - 3;
    const uint32_t windowRows = top >= 32 || top <= -7 ? 0 : top >= 0 ? 0x7Fu << top : 0x7Fu >> -top;
    int rows = board.geometry.boardHeight;
    if (rows > board::MaxSide) rows = board::MaxSide;
    const uint32_t boardRows = (1u << rows) - 1;
    int count = 0;
    for (uint32_t busy = (fiveSet.summary[s] | openFourSet.summary[s]) & windowRows & boardRows; busy != 0;
         busy &= busy - 1) {
        const int r = __builtin_ctz(busy);
        const int i = r - x + 3;
        uint32_t points = (fiveSet.rowMask[s][r] | openFourSet.rowMask[s][r]) & windowColumns(rowPattern[i], rowMiddle[i], y);
        if (excluded != nullptr) points &= ~excluded[r];
        count += board::rowBitCount(points);
    }
    return count;
}

inline bool isFourPoint(const board::Board& board, int x, int y, int s) {
    return board.threats[board::FourPoint].directionBits[s][x][y] != 0;
}

inline bool maskHas(const uint32_t* mask, int x, int y) { return (mask[x] >> y & 1) != 0; }

inline int forbiddenPointBonus(const board::Board& board, int x, int y, const EvaluationWeights& w) {
    return board.points[x][y].score[0] < ThreeScore ? w.forbiddenPoint : w.forbiddenThree;
}

// The four and three points of side, fours first; a four-three point is listed twice.
int listFoursThenThrees(const board::Board& board, MoveEntry* place, int side) {
    const int fours = listFourPoints(board, place, side);
    return fours + listThreePoints(board, place + fours, side);
}

// OR of the direction bits of every five and open-four point of side index s.
uint32_t threatDirections(const board::Board& board, int s) {
    uint32_t directions = 0;
    for (board::ThreatClass threatClass : {board::FivePoint, board::OpenFourPoint}) {
        const board::ThreatPointSet& set = board.threats[threatClass];
        uint32_t rows = set.summary[s];
        while (rows != 0) {
            const int x = board::bitIndex(rows & (0u - rows));
            rows &= rows - 1;
            uint32_t columns = set.rowMask[s][x];
            while (columns != 0) {
                directions |= set.directionBits[s][x][board::bitIndex(columns & (0u - columns))];
                columns &= columns - 1;
            }
        }
    }
    return directions;
}

// First point of a set in list order, or false when the set is empty.
bool firstPoint(const board::ThreatPointSet& set, int s, int& x, int& y) {
    const uint32_t rows = set.summary[s];
    if (rows == 0) return false;
    x = board::bitIndex(rows & (0u - rows));
    const uint32_t columns = set.rowMask[s][x];
    if (columns == 0) return false;
    y = board::bitIndex(columns & (0u - columns));
    return true;
}

inline int scaled(int weight, int factor) { return weight * factor / 32; }

}  // namespace

int countThreatsNear(const board::Board& board, int x, int y, int side) {
    return threatsInWindow(board, x, y, sideIndex(side), nullptr);
}

namespace {

// The side to move's four and three points add value, the opponent's take it
// away; each is weighed by the room around it and by how many five and
// open-four points already stand in its window (k), less one for a four and two
// for a three (c). Under Renju, black points that black may not play are left
// out, and white points that black could not block are worth more to white.
inline int evaluate(SearchState& searchState, int remainingDepth, int side, const EvaluationWeights& w) {
    board::Board& board = searchState.board;
    const board::Board& b = board;
    const int s = sideIndex(side);
    const int o = 1 - s;
    side = s + 1;
    const int opponent = o + 1;
    const int rule = board.rule;
    const bool renju = rule == board::Renju;

    // 1. Start from the contribution totals.
    int value = (b.contributionSum[s] - b.contributionSum[o]) * w.contribution / 32;
    const uint64_t counter = ++searchState.evaluationCounter;

    int level = searchState.iterationDepth - remainingDepth;
    if (level < 0) level = 0;
    if (level > MaxLevels - 1) level = MaxLevels - 1;
    MoveEntry* list = moveListAt(searchState, level);
    uint32_t forbiddenMask[board::MaxSide] = {};

    // 2. The side to move's fours, then its threes.
    const int ownCount = listFoursThenThrees(board, list, side);

    // 3. Black's points it may not play.
    if (renju && side == 1) {
        for (int i = 0; i < ownCount; ++i)
            if (board::isForbidden(board, list[i].x, list[i].y) == 1) forbiddenMask[list[i].x] |= 1u << list[i].y;
    }

    // 4. Score them.
    const bool opponentHasNoFour = b.threats[board::FivePoint].summary[o] == 0 &&
                                   b.threats[board::OpenFourPoint].summary[o] == 0 &&
                                   b.threats[board::FourPoint].summary[o] == 0;
    for (int i = 0; i < ownCount; ++i) {
        const int x = list[i].x, y = list[i].y;
        if (opponentHasNoFour) {
            // Met twice: a four-three point the opponent cannot answer with a four.
            if (searchState.evaluationStamp[x][y] == counter && rule == board::FreeStyle) return FourThreeValue;
            searchState.evaluationStamp[x][y] = counter;
        }
        const int k = threatsInWindow(board, x, y, s, forbiddenMask);
        const int c = isFourPoint(board, x, y, s) ? 1 : 2;
        if (!(renju && side == 1 && maskHas(forbiddenMask, x, y)))
            value += scaled(b.points[x][y].weight[s] * (k - c), w.threatPoint);
        if (renju && side == 2 && board::isForbidden(board, x, y) == 1) value += forbiddenPointBonus(board, x, y, w);
    }

    // 5. The opponent's fours, then its threes.
    const int opponentCount = listFoursThenThrees(board, list, opponent);
    if (opponentCount > 0) value += w.opponentThreat;

    // 6. Black's points it may not play, when black is the opponent.
    if (renju) {
        for (uint32_t& word : forbiddenMask) word = 0;
        if (side == 2) {
            bool allForbidden = true;
            for (int i = 0; i < opponentCount; ++i) {
                if (board::isForbidden(board, list[i].x, list[i].y) == 1)
                    forbiddenMask[list[i].x] |= 1u << list[i].y;
                else
                    allForbidden = false;
            }
            if (opponentCount > 0 && allForbidden) value -= w.opponentThreat;
        }
    }

    // 7. Score the opponent's points.
    for (int i = 0; i < opponentCount; ++i) {
        const int x = list[i].x, y = list[i].y;
        const int k = threatsInWindow(board, x, y, o, forbiddenMask);
        const int c = isFourPoint(board, x, y, o) ? 1 : 2;
        if (!(renju && side == 2 && maskHas(forbiddenMask, x, y)))
            value -= scaled(b.points[x][y].weight[o] * (k - c), w.threatPoint);
        if (renju && side == 1 && board::isForbidden(board, x, y) == 1) value -= forbiddenPointBonus(board, x, y, w);
    }

    // 8. The point the side to move has to take first.
    int qx, qy;
    if (firstPoint(b.threats[board::FivePoint], o, qx, qy) || firstPoint(b.threats[board::OpenFourPoint], o, qx, qy))
        value += scaled(b.points[qx][qy].weight[o], w.forcedBlock);

    // 9. Threats in two or more directions cannot all be met by one stone.
    if (board::rowBitCount(threatDirections(board, o)) >= 2) value -= w.directionSpread;
    if (board::rowBitCount(threatDirections(board, s)) >= 2) value += w.directionSpread;

    // 10. The move in hand.
    return value + w.toMove;
}

}  // namespace

// The search's own calls see the default weights as constants, which the
// compiler folds into the inlined body.
int evaluateLeaf(SearchState& searchState, int remainingDepth, int side) {
    static constexpr EvaluationWeights defaults{};
    return evaluate(searchState, remainingDepth, side, defaults);
}

int evaluateLeafWith(SearchState& searchState, int remainingDepth, int side, const EvaluationWeights& weights) {
    return evaluate(searchState, remainingDepth, side, weights);
}

}  // namespace search
