#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "board/forbidden.h"
#include "board_fixture.h"

using namespace board;

class Forbidden : public boardtest::BoardTest {
protected:
    // isForbidden, also checking that the board is left as found. The first call
    // may visit points that still held reset entries, so the bit-for-bit comparison
    // is made on a second call.
    int askForbidden(int x, int y) {
        BoardSnapshot snapshot;
        const int first = isForbidden(board, x, y);
        takeSnapshot(board, snapshot);
        const int second = isForbidden(board, x, y);
        std::string why;
        EXPECT_TRUE(matchesSnapshot(board, snapshot, &why)) << why << " after isForbidden(board, " << x << "," << y << ")";
        EXPECT_EQ(first, second);
        EXPECT_TRUE(checkBoard(board, &why)) << why;
        return second;
    }

    // The point asked about in the hand-made positions.
    static constexpr int Px = 7, Py = 7;

    void freshRenjuBoard() { setUpGame(15, 15, Renju); }

    void columnThree() { placeLine(8, 7, 1, "XX"); }         // (8,7), (9,7): open three with the point
    void diagonalThree() { placeLine(8, 8, 3, "XX"); }       // (8,8), (9,9)
    void rowFive() { placeLine(7, 3, 0, "XXXX"); }           // the point completes (7,3)..(7,7)


    // A random crowded position: mostly first-player stones in a central area,
    // some second-player stones and a few blocks.
    void randomPosition(boardtest::Random& random, int width, int height) {
        setUpGame(width, height, Renju);
        const int stones = 12 + random.below(width * height / 3);
        const int marginX = height > 9 ? 2 : 0, marginY = width > 9 ? 2 : 0;
        for (int placed = 0, attempts = 0; placed < stones && attempts < 1000; ++attempts) {
            const int x = marginX + random.below(height - 2 * marginX);
            const int y = marginY + random.below(width - 2 * marginY);
            if (cellAt(board, x, y) != 0) continue;
            const int roll = random.below(100);
            makeMove(board, x, y, roll < 62 ? 1 : roll < 96 ? 2 : 3);
            ++placed;
        }
    }
};

TEST_F(Forbidden, FiveBeatsEverythingElse) {
    // Five plus two threes.
    freshRenjuBoard();
    columnThree();
    diagonalThree();
    EXPECT_EQ(askForbidden(Px, Py), 1);
    rowFive();
    EXPECT_EQ(askForbidden(Px, Py), 0);

    // Five plus an overline in another direction.
    freshRenjuBoard();
    placeLine(8, 7, 1, "XXXXX");
    EXPECT_EQ(askForbidden(Px, Py), 1);
    rowFive();
    EXPECT_EQ(askForbidden(Px, Py), 0);

    // Five plus two fours.
    freshRenjuBoard();
    placeLine(6, 7, 1, "O.XXX");
    placeLine(6, 6, 3, "O.XXX");
    EXPECT_EQ(askForbidden(Px, Py), 1);
    rowFive();
    EXPECT_EQ(askForbidden(Px, Py), 0);
}

TEST_F(Forbidden, Overline) {
    freshRenjuBoard();
    placeLine(7, 2, 0, "XXX.XX");  // the point (7,5) joins six
    EXPECT_EQ(code(0, 7, 5, 0), Overline);
    EXPECT_EQ(askForbidden(7, 5), 1);
    // The second player may make a longer row.
    freshRenjuBoard();
    placeLine(7, 2, 0, "OOO.OO");
    EXPECT_EQ(askForbidden(7, 5), 0);
}

TEST_F(Forbidden, DoubleThree) {
    freshRenjuBoard();
    placeLine(7, 8, 0, "XX");
    columnThree();
    EXPECT_EQ(askForbidden(Px, Py), 1);

    // A split three counts too.
    freshRenjuBoard();
    placeLine(7, 8, 0, "X.X");
    columnThree();
    EXPECT_EQ(askForbidden(Px, Py), 1);

    // A lone three is allowed; a three shut on both sides is no three.
    freshRenjuBoard();
    columnThree();
    EXPECT_EQ(askForbidden(Px, Py), 0);
    placeLine(7, 5, 0, "O..XXO");
    EXPECT_EQ(askForbidden(Px, Py), 0);
}

TEST_F(Forbidden, ThreeWhoseCompletingPointIsForbidden) {
    // Row: O at (7,5), stones (7,8), (7,9). With the point played, the open four
    // can only be made at (7,10); (7,6) is shut by the O.
    auto position = [&](bool overlineAtCompletion) {
        freshRenjuBoard();
        placeLine(7, 5, 0, "O..XX");
        columnThree();
        // Five stones on (7,10)'s diagonal: a stone there would make six.
        if (overlineAtCompletion) {
            placeLine(5, 8, 3, "XX");
            placeLine(8, 11, 3, "XXX");
        }
    };
    position(false);
    EXPECT_EQ(askForbidden(Px, Py), 1);  // the shut side does not stop the three
    position(true);
    makeMoveLight(board, Px, Py, 1);
    EXPECT_EQ(code(0, 7, 10, 0), OpenFour);
    EXPECT_EQ(isForbidden(board, 7, 10), 1);
    unmakeMoveLight(board, Px, Py, 1);
    EXPECT_EQ(askForbidden(Px, Py), 0);
}

TEST_F(Forbidden, FourAndThree) {
    // A four (shut at one end) and a three: allowed.
    freshRenjuBoard();
    placeLine(7, 6, 0, "O.XXX");
    columnThree();
    EXPECT_EQ(askForbidden(Px, Py), 0);

    // An open four and a three: allowed; an open four and a second four: two fours.
    freshRenjuBoard();
    placeLine(7, 8, 0, "XXX");
    columnThree();
    EXPECT_EQ(askForbidden(Px, Py), 0);
    placeLine(10, 7, 1, "X");
    EXPECT_EQ(askForbidden(Px, Py), 1);

    // A three and a four whose line holds a second four.
    freshRenjuBoard();
    placeLine(7, 4, 0, "X.X.X.X");
    columnThree();
    EXPECT_EQ(askForbidden(Px, Py), 1);
}

TEST_F(Forbidden, TwoFoursInOneLine) {
    freshRenjuBoard();
    placeLine(7, 4, 0, "X.X.X.X");  // both (7,5) and (7,9) become five points
    EXPECT_EQ(askForbidden(Px, Py), 1);

    freshRenjuBoard();
    placeLine(7, 3, 0, "XXX...XXX");
    EXPECT_EQ(askForbidden(Px, Py), 1);

    // One side would make six: only one four remains.
    freshRenjuBoard();
    placeLine(7, 3, 0, "XX.X.X.X");
    EXPECT_EQ(askForbidden(Px, Py), 0);

    // A lone four is allowed.
    freshRenjuBoard();
    placeLine(7, 4, 0, "X.X.");
    placeLine(7, 8, 0, "X");
    EXPECT_EQ(askForbidden(Px, Py), 0);
}

TEST_F(Forbidden, TwoFoursInTwoDirections) {
    freshRenjuBoard();
    placeLine(7, 6, 0, "O.XXX");
    placeLine(6, 7, 1, "O.XXX");
    EXPECT_EQ(askForbidden(Px, Py), 1);
}

TEST_F(Forbidden, OccupiedPointsAndBlocks) {
    for (int cell : {1, 2, 3}) {
        freshRenjuBoard();
        placeLine(7, 8, 0, "XX");
        columnThree();
        makeMove(board, Px, Py, cell);
        EXPECT_EQ(askForbidden(Px, Py), 0) << cell;
    }
    // Outside the rectangle of a rectangular board.
    setUpGame(12, 9, Renju);
    placeLine(8, 3, 0, "XX.XX");
    EXPECT_EQ(askForbidden(10, 5), 0);
    EXPECT_EQ(askForbidden(8, 5), 0);  // a five
}

namespace {

// Brute-force Renju judge working on a plain copy of the cells.
struct ReferenceJudge {
    int cell[MaxSide][MaxSide] = {};
    int width = 0, height = 0;
    int rejectedThrees = 0;  // threes discounted because their completing point was forbidden

    bool on(int x, int y) const { return x >= 0 && y >= 0 && x < height && y < width; }
    bool black(int x, int y) const { return on(x, y) && cell[x][y] == 1; }

    // Extent [low, high] (in steps along d from (x, y)) of the black run through (x, y).
    void run(int x, int y, int d, int& low, int& high) const {
        const int dx = directionDelta[d][0], dy = directionDelta[d][1];
        low = 0, high = 0;
        while (black(x + (high + 1) * dx, y + (high + 1) * dy)) ++high;
        while (black(x + (low - 1) * dx, y + (low - 1) * dy)) --low;
    }

    int runLength(int x, int y, int d) const {
        int low, high;
        run(x, y, d, low, high);
        return high - low + 1;
    }

    // Whether a black stone at the empty (x, y) makes exactly five along d.
    bool makesFive(int x, int y, int d) {
        cell[x][y] = 1;
        const bool five = runLength(x, y, d) == 5;
        cell[x][y] = 0;
        return five;
    }

    // Number of distinct fours through (x, y) (black) along d: for every empty
    // point that would make exactly five with it, the four stones of that five.
    int fours(int x, int y, int d) {
        const int dx = directionDelta[d][0], dy = directionDelta[d][1];
        std::vector<uint32_t> sets;
        for (int k = -4; k <= 4; ++k) {
            const int ex = x + k * dx, ey = y + k * dy;
            if (k == 0 || !on(ex, ey) || cell[ex][ey] != 0) continue;
            cell[ex][ey] = 1;
            int low, high;
            run(ex, ey, d, low, high);
            if (high - low + 1 == 5 && k + low <= 0 && 0 <= k + high) {
                uint32_t stones = 0;
                for (int j = k + low; j <= k + high; ++j)
                    if (j != k) stones |= 1u << (j + 8);
                if (std::find(sets.begin(), sets.end(), stones) == sets.end()) sets.push_back(stones);
            }
            cell[ex][ey] = 0;
        }
        return static_cast<int>(sets.size());
    }

    // Whether (x, y) (black) has a three along d: an empty point, itself not
    // forbidden, where black would make a straight four through (x, y) whose
    // both ends make exactly five.
    bool three(int x, int y, int d) {
        const int dx = directionDelta[d][0], dy = directionDelta[d][1];
        for (int k = -4; k <= 4; ++k) {
            const int ex = x + k * dx, ey = y + k * dy;
            if (k == 0 || !on(ex, ey) || cell[ex][ey] != 0) continue;
            cell[ex][ey] = 1;
            int low, high;
            run(ex, ey, d, low, high);
            bool straightFour = false;
            if (high - low + 1 == 4 && k + low <= 0 && 0 <= k + high) {
                const int ax = ex + (low - 1) * dx, ay = ey + (low - 1) * dy;
                const int bx = ex + (high + 1) * dx, by = ey + (high + 1) * dy;
                straightFour = on(ax, ay) && cell[ax][ay] == 0 && on(bx, by) && cell[bx][by] == 0 &&
                               makesFive(ax, ay, d) && makesFive(bx, by, d);
            }
            cell[ex][ey] = 0;
            if (straightFour) {
                if (forbidden(ex, ey) == 0) return true;
                ++rejectedThrees;
            }
        }
        return false;
    }

    // 0 allowed, 1 overline, 2 two fours, 3 two threes.
    int judge(int x, int y) {
        if (cell[x][y] != 0) return 0;
        cell[x][y] = 1;
        bool five = false, overline = false;
        for (int d = 0; d < 4; ++d) {
            const int length = runLength(x, y, d);
            five |= length == 5;
            overline |= length >= 6;
        }
        int result = 0;
        if (!five && overline) {
            result = 1;
        } else if (!five) {
            int fourCount = 0, threeCount = 0;
            for (int d = 0; d < 4; ++d) {
                fourCount += fours(x, y, d);
                threeCount += three(x, y, d);
            }
            result = fourCount >= 2 ? 2 : threeCount >= 2 ? 3 : 0;
        }
        cell[x][y] = 0;
        return result;
    }

    int forbidden(int x, int y) { return judge(x, y) != 0; }
};

}  // namespace

// The engine's test against the brute-force judge on many crowded positions.
TEST_F(Forbidden, AgreesWithBruteForceJudge) {
    struct Shape {
        int width, height, positions;
    };
    int verdicts[4] = {0, 0, 0, 0};
    int rejectedThrees = 0, points = 0;
    auto judge = std::make_unique<ReferenceJudge>();
    auto snapshot = std::make_unique<BoardSnapshot>();
    boardtest::Random random(2024);
    for (Shape shape : {Shape{15, 15, 500}, Shape{12, 9, 120}, Shape{7, 7, 120}, Shape{20, 20, 60}}) {
        for (int position = 0; position < shape.positions; ++position) {
            randomPosition(random, shape.width, shape.height);
            ReferenceJudge& reference = *judge;
            reference = ReferenceJudge{};
            reference.width = shape.width, reference.height = shape.height;
            for (int x = 0; x < shape.height; ++x)
                for (int y = 0; y < shape.width; ++y) reference.cell[x][y] = cellAt(board, x, y);

            int engine[MaxSide][MaxSide];
            for (int x = 0; x < shape.height; ++x)
                for (int y = 0; y < shape.width; ++y) {
                    engine[x][y] = isForbidden(board, x, y);
                    const int verdict = reference.judge(x, y);
                    ++verdicts[verdict];
                    ++points;
                    ASSERT_EQ(engine[x][y], verdict != 0 ? 1 : 0)
                        << "point " << x << "," << y << " (reference verdict " << verdict << ") in position "
                        << position << " of " << shape.width << "x" << shape.height;
                }
            rejectedThrees += reference.rejectedThrees;

            // Every point's neighbourhood has been visited now: asking again
            // must leave the board bit for bit as it was.
            std::string why;
            ASSERT_TRUE(checkBoard(board, &why)) << why;
            takeSnapshot(board, *snapshot);
            for (int x = 0; x < shape.height; ++x)
                for (int y = 0; y < shape.width; ++y) ASSERT_EQ(isForbidden(board, x, y), engine[x][y]);
            ASSERT_TRUE(matchesSnapshot(board, *snapshot, &why)) << why;
        }
    }
    // The positions must exercise every kind of verdict and the recursion.
    EXPECT_GT(verdicts[1], 50);
    EXPECT_GT(verdicts[2], 50);
    EXPECT_GT(verdicts[3], 50);
    EXPECT_GT(rejectedThrees, 50);
    EXPECT_GT(points, 100000);
}
