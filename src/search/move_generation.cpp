#include "search/move_generation.h"

#include "board/board.h"
#include "board/forbidden.h"
#include "board/pattern_tables.h"
#include "search/tuning.h"

namespace search {

namespace {

// Array index of a colour; any value stays inside the two-side arrays.
inline int sideIndex(int side) { return (side - 1) & 1; }

inline int lowestBitIndex(uint32_t word) { return board::bitIndex(word & (0u - word)); }

// Appends the points of a set given by its summary word and row masks.
int listRows(MoveEntry* place, uint32_t summary, const uint32_t* rowMask) {
    int count = 0;
    while (summary != 0) {
        const int x = lowestBitIndex(summary);
        summary &= summary - 1;
        uint32_t columns = rowMask[x];
        while (columns != 0) {
            place[count].x = static_cast<int16_t>(x);
            place[count].y = static_cast<int16_t>(lowestBitIndex(columns));
            ++count;
            columns &= columns - 1;
        }
    }
    return count;
}

int listClass(const board::Board& board, MoveEntry* place, int side, board::ThreatClass threatClass) {
    const board::ThreatPointSet& set = board.threats[threatClass];
    const int s = sideIndex(side);
    return listRows(place, set.summary[s], set.rowMask[s]);
}

inline bool holds(const board::Board& board, int x, int y, int side) { return board.cells[x][y] == side; }

}  // namespace

int listFivePoints(const board::Board& board, MoveEntry* place, int side) { return listClass(board, place, side, board::FivePoint); }

int listOpenFourPoints(const board::Board& board, MoveEntry* place, int side) { return listClass(board, place, side, board::OpenFourPoint); }

int listFourPoints(const board::Board& board, MoveEntry* place, int side) { return listClass(board, place, side, board::FourPoint); }

int listThreePoints(const board::Board& board, MoveEntry* place, int side) { return listClass(board, place, side, board::ThreePoint); }

int listStrongPoints(const board::Board& board, MoveEntry* place, int side) {
    const int s = sideIndex(side);
    return listRows(place, board.strongPoints.summary[s], board.strongPoints.rowMask[s]);
}

int listFourAndThreePoints(const board::Board& board, MoveEntry* place, int side) {
    const int s = sideIndex(side);
    const board::ThreatPointSet& fours = board.threats[board::FourPoint];
    const board::ThreatPointSet& threes = board.threats[board::ThreePoint];
    const uint32_t* strong = board.strongPoints.rowMask[s];
    uint32_t rows = fours.summary[s] | threes.summary[s];
    int count = 0;
    while (rows != 0) {
        const int x = lowestBitIndex(rows);
        rows &= rows - 1;
        uint32_t columns = (fours.rowMask[s][x] | threes.rowMask[s][x]) & ~strong[x];
        while (columns != 0) {
            place[count].x = static_cast<int16_t>(x);
            place[count].y = static_cast<int16_t>(lowestBitIndex(columns));
            ++count;
            columns &= columns - 1;
        }
    }
    return count;
}

// The straight four made at p along its open-four direction has two ends. When
// p sits inside the four (own stones on both sides) the ends are the first
// empty cells each way; otherwise p is one end and the four runs away from it,
// so the ends are p - d and p + 4d. If p + 4d is itself an open-four point in
// that direction that side may play, the caller's list of open-four points
// already holds both ends and nothing is added.
int openFourEnds(board::Board& board, MoveEntry* place, int side, int x, int y) {
    if (!board.geometry.onBoard(x, y)) return 0;
    const int s = sideIndex(side);
    side = s + 1;  // a stone colour, so the walks below end at the margin's blocks at the latest

    // 1. The first direction in which p is an open-four point.
    int direction = -1;
    for (int d = 0; d < 4; ++d) {
        if (board.points[x][y].code[d][s] == board::OpenFour) {
            direction = d;
            break;
        }
    }
    if (direction < 0) return 0;
    int dx = board::directionDelta[direction][0], dy = board::directionDelta[direction][1];

    // 2. p splits the four: walk over the stones to the empty end on each side.
    // The walks stop at the first cell that is not side's, so they stay within
    // four cells of p; a non-empty or off-board stop means p was no open-four
    // point after all.
    if (holds(board, x + dx, y + dy, side) && holds(board, x - dx, y - dy, side)) {
        int fx = x + dx, fy = y + dy;
        while (holds(board, fx, fy, side)) fx += dx, fy += dy;
        int bx = x - dx, by = y - dy;
        while (holds(board, bx, by, side)) bx -= dx, by -= dy;
        if (!board.geometry.onBoard(fx, fy) || !board.geometry.onBoard(bx, by)) return 0;
        if (board.cells[fx][fy] != 0 || board.cells[bx][by] != 0) return 0;
        place[0].x = static_cast<int16_t>(fx), place[0].y = static_cast<int16_t>(fy);
        place[1].x = static_cast<int16_t>(bx), place[1].y = static_cast<int16_t>(by);
        return 2;
    }

    // 3. Point d towards side's stones.
    if (holds(board, x - dx, y - dy, side)) dx = -dx, dy = -dy;

    // 4. The far end, when it is a playable open-four point itself, covers the threat.
    const int qx = x + 4 * dx, qy = y + 4 * dy;
    const int bx = x - dx, by = y - dy;
    if (!board.geometry.onBoard(qx, qy) || !board.geometry.onBoard(bx, by)) return 0;
    if (board.points[qx][qy].code[direction][s] == board::OpenFour &&
        !(board.rule == board::Renju && side == 1 && board::isForbidden(board, qx, qy) == 1))
        return 0;

    // 5. Both ends.
    place[0].x = static_cast<int16_t>(qx), place[0].y = static_cast<int16_t>(qy);
    place[1].x = static_cast<int16_t>(bx), place[1].y = static_cast<int16_t>(by);
    return 2;
}

bool hasStoneNear(const board::Board& board, int x, int y) {
    return (board::pointsNearStones(board, x, NearStoneReach) >> y & 1) != 0;
}

}  // namespace search
