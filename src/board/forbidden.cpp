#include "board/forbidden.h"

#include "board/board.h"

namespace board {

namespace {

struct Point {
    int x, y;
};

// First point from (x, y) along direction d (step +1 or -1) that does not hold
// a first-player stone.
Point walkEnd(const Board& board, int x, int y, int d, int step) {
    const int dx = directionDelta[d][0] * step, dy = directionDelta[d][1] * step;
    do {
        x += dx, y += dy;
    } while (board.cells[x][y] == 1);
    return {x, y};
}

inline int firstPlayerCode(const Board& board, Point p, int d) { return board.points[p.x][p.y].code[d][0]; }

// With (x, y) still empty: whether both ends of the first player's run through
// it along d could also complete a four there, so that the line may hold two.
bool bothEndsMayFour(const Board& board, int x, int y, int d) {
    const Point forward = walkEnd(board, x, y, d, 1);
    if (!board.geometry.onBoard(forward.x, forward.y) || firstPlayerCode(board, forward, d) < DeadFour) return false;
    const Point backward = walkEnd(board, x, y, d, -1);
    return board.geometry.onBoard(backward.x, backward.y) && firstPlayerCode(board, backward, d) >= DeadFour;
}

// Whether the end point p completes the pattern (code wanted in direction d)
// with a stone the first player may play.
bool completesWith(Board& board, Point p, int d, int wanted) {
    return board.geometry.onBoard(p.x, p.y) && firstPlayerCode(board, p, d) == wanted && isForbidden(board, p.x, p.y) == 0;
}

}  // namespace

int isForbidden(Board& board, int x, int y) {
    int codes[4];
    int threatDirections = 0, first = -1, last = -1;
    bool overline = false;
    for (int d = 0; d < 4; ++d) {
        const int code = codes[d] = board.points[x][y].code[d][0];
        if (code == Five) return 0;
        if (code == Overline) overline = true;
        if (code >= SplitThree && code <= OpenFour) {
            ++threatDirections;
            if (first < 0) first = d;
            last = d;
        }
    }
    if (overline) return 1;
    if (threatDirections == 0) return 0;

    if (threatDirections == 1) {
        const int code = codes[first];
        if (code < DeadFour || code == OpenFour) return 0;
        if (!bothEndsMayFour(board, x, y, first)) return 0;
    } else if (threatDirections == 2) {
        const bool firstIsFour = codes[first] >= DeadFour, lastIsFour = codes[last] >= DeadFour;
        if (firstIsFour != lastIsFour && !bothEndsMayFour(board, x, y, firstIsFour ? first : last)) return 0;
    }

    makeMoveLight(board, x, y, 1);
    int threes = 0, fours = 0;
    for (int d = first; d <= last; ++d) {
        const int code = codes[d];
        if (code == SplitThree || code == StraightThree) {
            if (completesWith(board, walkEnd(board, x, y, d, 1), d, OpenFour) || completesWith(board, walkEnd(board, x, y, d, -1), d, OpenFour))
                ++threes;
        } else if (code >= DeadFour && code <= OpenFour) {
            const bool forwardFour = completesWith(board, walkEnd(board, x, y, d, 1), d, Five);
            fours += forwardFour;
            if (!(forwardFour && code == OpenFour)) fours += completesWith(board, walkEnd(board, x, y, d, -1), d, Five);
        }
    }
    unmakeMoveLight(board, x, y, 1);
    return threes >= 2 || fours >= 2 ? 1 : 0;
}

}  // namespace board
