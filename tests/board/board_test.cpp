#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "board_fixture.h"

using namespace board;

namespace {

int diagonalLength(int d, int x, int y, int n) {
    if (d == 3) return n - std::abs(x - y);
    return std::min(x + y, 2 * n - 2 - x - y) + 1;
}

#define EXPECT_BOARD_CONSISTENT()                  \
    do {                                           \
        std::string why;                           \
        EXPECT_TRUE(checkBoard(board, &why)) << why;      \
    } while (0)

}  // namespace

class ResetBoard : public boardtest::BoardTest {};
class MakeMove : public boardtest::BoardTest {};
class ExactFive : public boardtest::BoardTest {};
class BoardCheck : public boardtest::BoardTest {};
class RandomPlay : public boardtest::BoardTest {};

TEST_F(ResetBoard, EmptySquareBoardHoldsResetCodes) {
    for (int rule : {FreeStyle, Standard, Renju}) {
        setUpGame(15, 15, rule);
        for (int x = 0; x < 15; ++x)
            for (int y = 0; y < 15; ++y)
                for (int s = 0; s < 2; ++s) {
                    const bool edge = x == 0 || y == 0 || x == 14 || y == 14;
                    if (!edge) {
                        EXPECT_EQ(code(0, x, y, s), One);
                        EXPECT_EQ(code(1, x, y, s), One);
                        for (int d : {2, 3}) {
                            EXPECT_EQ(code(d, x, y, s), diagonalLength(d, x, y, 15) < 6 ? None : One)
                                << d << " " << x << "," << y;
                        }
                    } else if ((x == 0 || x == 14) && (y == 0 || y == 14)) {
                        // Corners are line ends in every direction.
                        for (int d = 0; d < 4; ++d) EXPECT_EQ(code(d, x, y, s), None);
                    }
                }
        EXPECT_EQ(board.points[7][7].room[0][0], 8);
        EXPECT_EQ(board.points[0][0].room[0][1], 4);
        EXPECT_EQ(board.points[0][0].room[2][0], 0);  // a diagonal of one point
        EXPECT_EQ(board.points[7][2].room[0][0], 6);
        // The empty line's table entry is None: the reset state is not the table state.
        EXPECT_EQ(board.rules->lineEntry(boardtest::keyOf(".........")).code[0], None);
        EXPECT_NE(board.contributionSum[0], 0);
        EXPECT_EQ(board.roomSum[0], 0);
        EXPECT_EQ(board.hashKey, 0u);
        EXPECT_BOARD_CONSISTENT();
    }
}

TEST_F(ResetBoard, RectangularBoardsBlockTheRestOfTheSquare) {
    struct Shape {
        int width, height;
    };
    for (Shape shape : {Shape{20, 15}, Shape{10, 24}, Shape{1, 6}}) {
        setUpGame(shape.width, shape.height, Standard);
        const int n = board.geometry.boardSize;
        uint64_t key = 0;
        for (int x = 0; x < n; ++x)
            for (int y = 0; y < n; ++y) {
                const bool inside = x < shape.height && y < shape.width;
                EXPECT_EQ(cellAt(board, x, y), inside ? 0 : 3) << x << "," << y;
                if (!inside) key ^= board.zobristKeys[x][y][2];
            }
        EXPECT_NE(board.hashKey, 0u);
        EXPECT_EQ(board.hashKey, key);
        EXPECT_BOARD_CONSISTENT();
    }
    // Points outside the rectangle keep their reset entries; the rectangle's
    // edge sees the blocks as a closed end.
    setUpGame(20, 15, Standard);
    EXPECT_EQ(code(0, 16, 5, 0), One);
    EXPECT_EQ(code(1, 14, 5, 0), None);
    EXPECT_EQ(board.points[14][5].room[1][0], 4);
    EXPECT_EQ(board.points[7][5].room[1][0], 8);
    for (int cls = 0; cls < 4; ++cls) EXPECT_EQ(board.threats[cls].summary[0] | board.threats[cls].summary[1], 0u);
}

TEST_F(ResetBoard, ReadsBeyondTheSquareSeeClosedCellsAndNoCodes) {
    setUpGame(15, 15, Renju);
    placeLine(7, 10, 0, "XXXX");
    for (int k = 1; k <= Margin; ++k) {
        EXPECT_EQ(cellAt(board, 7, 14 + k), 3);
        EXPECT_EQ(cellAt(board, -k, 3), 3);
        EXPECT_EQ(cellAt(board, 20, 15 + k), 3);  // inside the arrays, outside the square
        for (int d = 0; d < 4; ++d) {
            EXPECT_EQ(board.points[7][14 + k].code[d][0], 0);
            EXPECT_EQ(board.points[-k][-k].room[d][1], 0);
        }
    }
}

TEST_F(MakeMove, OwnPointLeavesEverySet) {
    for (int rule : {FreeStyle, Standard, Renju}) {
        setUpGame(15, 15, rule);
        placeLine(7, 3, 0, "XXXX");
        placeLine(3, 8, 1, "OOO");
        ASSERT_TRUE(inSet(FivePoint, 0, 7, 7));
        ASSERT_TRUE(inSet(OpenFourPoint, 1, 6, 8));
        makeMove(board, 7, 7, 2);
        makeMove(board, 6, 8, 1);
        for (int s = 0; s < 2; ++s)
            for (auto [x, y] : {std::pair{7, 7}, std::pair{6, 8}}) {
                for (int d = 0; d < 4; ++d) {
                    EXPECT_EQ(code(d, x, y, s), None);
                    EXPECT_EQ(board.points[x][y].room[d][s], 0);
                }
                for (int cls = 0; cls < 4; ++cls) EXPECT_FALSE(inSet(cls, s, x, y));
                EXPECT_EQ(board.points[x][y].score[s], 0);
                EXPECT_EQ(board.points[x][y].contribution[s], 0);
            }
        EXPECT_BOARD_CONSISTENT();
    }
}

TEST_F(MakeMove, CodesChangeOnlyWithinTheRadius) {
    // On the empty board the stone's reach is visible as the end of the reset codes.
    for (int rule : {FreeStyle, Standard}) {
        setUpGame(15, 15, rule);
        const int radius = board.geometry.winLengthParam;
        makeMove(board, 7, 7, 1);
        EXPECT_EQ(code(0, 7, 7 - radius, 1), None);
        EXPECT_EQ(code(0, 7, 7 - radius - 1, 1), One);
        EXPECT_EQ(code(1, 7 + radius, 7, 1), None);
        EXPECT_EQ(code(1, 7 + radius + 1, 7, 1), One);
        EXPECT_EQ(code(3, 7 + radius + 1, 7 + radius + 1, 0), One);
        EXPECT_BOARD_CONSISTENT();
    }
    // In crowded positions every changed entry lies on one of the stone's lines within the radius.
    auto before = std::make_unique<Board>();
    for (int rule : {FreeStyle, Standard, Renju}) {
        setUpGame(15, 15, rule);
        const int radius = board.geometry.winLengthParam;
        boardtest::Random random(rule + 100);
        for (int move = 0; move < 120; ++move) {
            int x, y;
            do {
                x = random.below(15), y = random.below(15);
            } while (cellAt(board, x, y) != 0);
            std::memcpy(before.get(), &board, sizeof(Board));
            makeMove(board, x, y, 1 + move % 2);
            for (int d = 0; d < 4; ++d)
                for (int qx = 0; qx < 15; ++qx)
                    for (int qy = 0; qy < 15; ++qy)
                        for (int s = 0; s < 2; ++s) {
                            if (board.points[qx][qy].code[d][s] == before->points[qx][qy].code[d][s] &&
                                board.points[qx][qy].room[d][s] == before->points[qx][qy].room[d][s])
                                continue;
                            bool reached = false;
                            for (int k = -radius; k <= radius; ++k)
                                reached |= qx == x + k * directionDelta[d][0] && qy == y + k * directionDelta[d][1];
                            ASSERT_TRUE(reached) << "move " << x << "," << y << " changed " << qx << "," << qy
                                                 << " direction " << d;
                        }
        }
        EXPECT_BOARD_CONSISTENT();
    }
}

TEST_F(ExactFive, OverlineFivePointUnderEachRule) {
    // Six first-player stones (7,0)..(7,5): (7,1) lies outside the key of (7,6).
    struct Case {
        int rule, side, expected;
    };
    for (Case c : {Case{Standard, 0, Overline}, Case{FreeStyle, 0, Five}, Case{Renju, 0, Overline},
                   Case{Standard, 1, Overline}, Case{Renju, 1, Five}, Case{FreeStyle, 1, Five}}) {
        setUpGame(15, 15, c.rule);
        placeLine(7, 0, 0, std::string(6, c.side == 0 ? 'X' : 'O'));
        EXPECT_EQ(board.rules->lineEntry((board.rowLines[7] >> 12) & LineKeyMask).code[c.side], Five);
        EXPECT_EQ(code(0, 7, 6, c.side), c.expected) << "rule " << c.rule << " side " << c.side;
        EXPECT_EQ(inSet(FivePoint, c.side, 7, 6), c.expected == Five);
        EXPECT_BOARD_CONSISTENT();
        // Take back the stone that made the row six long: the point makes an exact five again.
        unmakeMove(board, 7, 1, c.side + 1);
        EXPECT_EQ(code(0, 7, 6, c.side), Five);
        EXPECT_TRUE(inSet(FivePoint, c.side, 7, 6));
        EXPECT_BOARD_CONSISTENT();
    }
}

TEST_F(ExactFive, OpenFourThatWouldJoinASixthStone) {
    struct Case {
        int rule, side, expected;
    };
    for (Case c : {Case{Standard, 0, DeadFour}, Case{FreeStyle, 0, OpenFour}, Case{Renju, 0, DeadFour},
                   Case{Standard, 1, DeadFour}, Case{Renju, 1, OpenFour}}) {
        setUpGame(15, 15, c.rule);
        const char stone = c.side == 0 ? 'X' : 'O';
        placeLine(10, 1, 0, std::string{stone, '.', stone, stone, stone});
        EXPECT_EQ(code(0, 10, 6, c.side), c.expected) << "rule " << c.rule << " side " << c.side;
        EXPECT_EQ(inSet(OpenFourPoint, c.side, 10, 6), c.expected == OpenFour);
        EXPECT_EQ(inSet(FourPoint, c.side, 10, 6), c.expected == DeadFour);
        EXPECT_BOARD_CONSISTENT();
        // A stone of the other side far along the line revisits the point; the
        // correction must hold through the update.
        makeMove(board, 10, 10, 2 - c.side);
        EXPECT_EQ(code(0, 10, 6, c.side), c.expected);
        unmakeMove(board, 10, 1, c.side + 1);
        EXPECT_EQ(code(0, 10, 6, c.side), OpenFour);
        EXPECT_BOARD_CONSISTENT();
    }
}

TEST_F(BoardCheck, DetectsCorruptedFields) {
    setUpGame(15, 15, Standard);
    placeLine(7, 5, 0, "XX.X");
    placeLine(4, 4, 3, "OO");
    ASSERT_TRUE(checkBoard(board));
    BoardSnapshot snapshot;
    takeSnapshot(board, snapshot);
    auto corrupt = [&](auto mutate, const char* what) {
        mutate();
        std::string why;
        EXPECT_FALSE(checkBoard(board, &why)) << what;
        EXPECT_FALSE(matchesSnapshot(board, snapshot)) << what;
        std::memcpy(static_cast<void*>(&board), snapshot.bytes, BoardStateBytes);
        EXPECT_TRUE(checkBoard(board));
    };
    corrupt([&] { board.points[7][9].code[0][0] = Four; }, "code");
    corrupt([&] { board.points[3][3].room[2][1] += 1; }, "room");
    corrupt([&] { board.points[7][4].value[0] += 1; }, "value");
    corrupt([&] { board.contributionSum[1] -= 1; }, "sum");
    corrupt([&] { board.roomSum[0] += 25; }, "room sum");
    corrupt([&] { board.threats[ThreePoint].rowMask[0][7] ^= 1u << 12; }, "set");
    corrupt([&] { board.strongPoints.summary[1] ^= 1; }, "strong");
    corrupt([&] { board.hashKey ^= 1; }, "key");
    corrupt([&] { board.rowLines[3] |= 1ull << 20; }, "line word");
    corrupt([&] { board.visitedLines[0][7] = 0; }, "visited");
    corrupt([&] { board.cells[7][6] = 2; }, "cell");
    corrupt([&] { board.points[20][3].code[1][0] = 1; }, "outside the square");
}

namespace {

struct PlayedMove {
    int x, y, cell;
    bool light;
};

// Plays a random move next to the stones already on the board (or anywhere).
bool randomMove(Board& board, boardtest::Random& random, const std::vector<PlayedMove>& stack, bool light, PlayedMove& move) {
    for (int attempt = 0; attempt < 50; ++attempt) {
        int x, y;
        if (!stack.empty() && random.below(4) != 0) {
            const PlayedMove& near = stack[random.below(static_cast<int>(stack.size()))];
            x = near.x + random.below(5) - 2, y = near.y + random.below(5) - 2;
        } else {
            x = random.below(board.geometry.boardHeight), y = random.below(board.geometry.boardWidth);
        }
        if (!board.geometry.onBoard(x, y) || cellAt(board, x, y) != 0) continue;
        const int roll = random.below(20);
        move = {x, y, roll == 0 ? 3 : 1 + roll % 2, light};
        return true;
    }
    return false;
}

void play(Board& board, const PlayedMove& move) {
    if (move.light)
        makeMoveLight(board, move.x, move.y, move.cell);
    else
        makeMove(board, move.x, move.y, move.cell);
}

void takeBack(Board& board, const PlayedMove& move) {
    if (move.light)
        unmakeMoveLight(board, move.x, move.y, move.cell);
    else
        unmakeMove(board, move.x, move.y, move.cell);
}

struct BoardShape {
    int width, height;
};

const BoardShape randomGeometries[] = {{6, 6}, {15, 15}, {20, 20}, {24, 24}, {20, 15}, {10, 24}, {4, 4}, {24, 2}};

}  // namespace

// Random makes and take-backs, full and light, with the consistency check after every step.
TEST_F(RandomPlay, EveryStepStaysConsistent) {
    for (int rule : {FreeStyle, Standard, Renju})
        for (BoardShape shape : randomGeometries) {
            setUpGame(shape.width, shape.height, rule);
            boardtest::Random random(rule * 31 + shape.width * 7 + shape.height);
            std::vector<PlayedMove> stack;
            int lightDepth = 0;
            const int capacity = shape.width * shape.height * 2 / 3;
            for (int step = 0; step < 2000; ++step) {
                const bool grow = stack.empty() || (static_cast<int>(stack.size()) < capacity && random.below(100) < 58);
                if (grow) {
                    PlayedMove move;
                    const bool light = lightDepth > 0 || random.below(10) < 3;
                    if (!randomMove(board, random, stack, light, move)) continue;
                    play(board, move);
                    stack.push_back(move);
                    lightDepth += move.light;
                } else {
                    takeBack(board, stack.back());
                    lightDepth -= stack.back().light;
                    stack.pop_back();
                }
                std::string why;
                ASSERT_TRUE(checkBoard(board, &why, lightDepth == 0))
                    << why << " (rule " << rule << ", " << shape.width << "x" << shape.height << ", step " << step
                    << ")";
            }
        }
}

// A board reset with tables of the caller's values its points from them and
// keeps every invariant; the contribution totals differ from the engine's.
TEST_F(RandomPlay, TablesOfTheCallersShapeValues) {
    for (int rule : {FreeStyle, Standard, Renju}) {
        auto tables = std::make_unique<RuleTables>(ruleTables(rule));
        ShapeValues values = defaultShapeValues();
        for (int c = One; c <= Five; ++c) values.comboBase[c] /= 2;
        fillShapeTable(*tables, rule, values);
        auto owner = std::make_unique<Board>();
        Board& other = *owner;
        Geometry geometry;
        geometry.boardWidth = geometry.boardHeight = geometry.boardSize = 15;
        KeyGenerator otherKeys;
        resetBoard(other, *tables, geometry, otherKeys);
        setUpGame(15, 15, rule);
        EXPECT_EQ(other.rules, tables.get());
        EXPECT_EQ(other.rule, rule);
        boardtest::Random random(rule + 3);
        std::vector<PlayedMove> stack;
        for (int step = 0; step < 60; ++step) {
            PlayedMove move;
            if (!randomMove(board, random, stack, false, move)) break;
            play(board, move);
            play(other, move);
            stack.push_back(move);
            std::string why;
            ASSERT_TRUE(checkBoard(other, &why)) << why << " (rule " << rule << ", step " << step << ")";
            for (int x = 0; x < 15; ++x)
                for (int y = 0; y < 15; ++y)
                    for (int s = 0; s < 2; ++s)
                        ASSERT_EQ(other.points[x][y].score[s], board.points[x][y].score[s]) << "scores are the codes'";
        }
        EXPECT_NE(other.contributionSum[0], board.contributionSum[0]);
    }
}

namespace {

// Plays `count` random moves (light from some point on) beyond the moves in
// `sequence`, appending them.
void extendRandomly(Board& board, boardtest::Random& random, std::vector<PlayedMove>& sequence, int count) {
    const int lightFrom = random.below(count + 1);
    for (int i = 0; i < count; ++i) {
        PlayedMove move;
        if (!randomMove(board, random, sequence, i >= lightFrom, move)) break;
        play(board, move);
        sequence.push_back(move);
    }
}

void takeBackTo(Board& board, std::vector<PlayedMove>& sequence, size_t size) {
    while (sequence.size() > size) {
        takeBack(board, sequence.back());
        sequence.pop_back();
    }
}

}  // namespace

// A sequence and its take-back restore the board bit for bit. On a fresh board
// the first visit of a point replaces its reset entries for good, so there the
// comparison is with the board after a first pass of the same sequence.
TEST_F(RandomPlay, TakeBackRestoresEveryBit) {
    auto snapshot = std::make_unique<BoardSnapshot>();
    for (int rule : {FreeStyle, Standard, Renju})
        for (BoardShape shape : randomGeometries) {
            setUpGame(shape.width, shape.height, rule);
            boardtest::Random random(rule * 131 + shape.width * 17 + shape.height);
            const std::string where =
                "rule " + std::to_string(rule) + ", " + std::to_string(shape.width) + "x" + std::to_string(shape.height);

            std::vector<PlayedMove> sequence;
            extendRandomly(board, random, sequence, 30);
            takeBackTo(board, sequence, 0);
            std::string why;
            ASSERT_TRUE(checkBoard(board, &why)) << why << " " << where;
            takeSnapshot(board, *snapshot);
            std::vector<PlayedMove> replay = sequence;
            for (const PlayedMove& move : replay) play(board, move);
            for (size_t i = replay.size(); i > 0; --i) takeBack(board, replay[i - 1]);
            ASSERT_TRUE(matchesSnapshot(board, *snapshot, &why)) << why << " " << where;

            // Visit every point, then every take-back must be exact.
            for (int x = 0; x < shape.height; ++x)
                for (int y = 0; y < shape.width; ++y) makeMove(board, x, y, 1), unmakeMove(board, x, y, 1);
            ASSERT_TRUE(checkBoard(board, &why)) << why << " " << where;
            std::vector<PlayedMove> base;
            for (int round = 0; round < 16; ++round) {
                for (int i = 0; i < 5; ++i) {
                    PlayedMove move;
                    if (static_cast<int>(base.size()) * 2 < shape.width * shape.height &&
                        randomMove(board, random, base, false, move)) {
                        play(board, move);
                        base.push_back(move);
                    }
                }
                takeSnapshot(board, *snapshot);
                sequence = base;
                extendRandomly(board, random, sequence, 12);
                takeBackTo(board, sequence, base.size());
                ASSERT_TRUE(matchesSnapshot(board, *snapshot, &why)) << why << " " << where << ", round " << round;
            }
        }
}

namespace {

// The board an unmake would leave if it re-read the line tables: the same
// moves made on a twin board whose frames have all lost their logs.
void dropLogs(Board& board) { board.undoLoggedFrom = board.undoFrameCount; }

}  // namespace

// Restoring from the undo log must end exactly where re-reading ends, also
// when an inner make settles points that an outer frame logged before, with
// the whole board in open frames, and on a copy of the board.
TEST_F(RandomPlay, UndoLogAgreesWithRereading) {
    auto twin = std::make_unique<Board>();
    auto snapshot = std::make_unique<BoardSnapshot>();
    std::string why;

    // 6 x 6: the first stones settle points under the outer frames' logs.
    setUpGame(6, 6, FreeStyle);
    std::memcpy(static_cast<void*>(twin.get()), &board, sizeof(Board));
    const PlayedMove nested[] = {{4, 5, 1, false}, {2, 3, 2, false}, {4, 3, 1, true}, {0, 0, 2, false}};
    for (const PlayedMove& move : nested) {
        play(board, move);
        play(*twin, move);
        dropLogs(*twin);
    }
    for (int i = 3; i >= 0; --i) {
        takeBack(board, nested[i]);
        takeBack(*twin, nested[i]);
        takeSnapshot(*twin, *snapshot);
        ASSERT_TRUE(matchesSnapshot(board, *snapshot, &why)) << why << " after taking back move " << i;
    }
    ASSERT_TRUE(checkBoard(board, &why)) << why;

    // 24 x 24 filled to the last point, every frame open at once: every
    // take-back keeps the board consistent, and the empty board comes back bit
    // for bit.
    setUpGame(24, 24, Standard);
    for (int x = 0; x < 24; ++x)
        for (int y = 0; y < 24; ++y) makeMove(board, x, y, 1), unmakeMove(board, x, y, 1);
    takeSnapshot(board, *snapshot);
    boardtest::Random random(7);
    std::vector<PlayedMove> all;
    for (int x = 0; x < 24; ++x)
        for (int y = 0; y < 24; ++y) all.push_back({x, y, 1 + random.below(2), false});
    for (size_t i = all.size() - 1; i > 0; --i) std::swap(all[i], all[size_t(random.below(int(i + 1)))]);
    for (const PlayedMove& move : all) play(board, move);
    EXPECT_EQ(board.undoFrameCount, 24 * 24);
    ASSERT_TRUE(checkBoard(board, &why)) << why;
    for (size_t i = all.size(); i > 0; --i) {
        takeBack(board, all[i - 1]);
        if (i % 48 == 0) {
            ASSERT_TRUE(checkBoard(board, &why)) << why << " with " << i - 1 << " stones";
        }
    }
    ASSERT_TRUE(matchesSnapshot(board, *snapshot, &why)) << why;

    // A copy carries the open frames: its take-backs restore by the log too.
    for (int i = 0; i < 40; ++i) play(board, all[size_t(i)]);
    takeSnapshot(board, *snapshot);
    std::memcpy(static_cast<void*>(twin.get()), &board, sizeof(Board));
    for (int i = 40; i < 60; ++i) play(*twin, all[size_t(i)]);
    for (int i = 60; i > 40; --i) takeBack(*twin, all[size_t(i - 1)]);
    ASSERT_TRUE(matchesSnapshot(*twin, *snapshot, &why)) << why;
}
