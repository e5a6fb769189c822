// Move-list builders, openFourEnds and the neighbourhood test.
//
// Positions are set up on the real board; expected lists come either from a
// hand analysis of the shapes or from a scan of the point codes and scores over
// the whole board, which does not use the threat point sets at all.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "board/board.h"
#include "board/board_fixture.h"
#include "search/search_fixture.h"
#include "board/forbidden.h"
#include "board/pattern_tables.h"
#include "search/move_generation.h"
#include "search/search_state.h"

using namespace search;
using searchtest::Points;
using boardtest::Picture;

namespace {

constexpr int16_t Marker = -77;

// A buffer pre-filled with markers, so that writes beyond the returned count
// and writes to the key are visible.
struct Buffer {
    std::array<MoveEntry, MoveListCapacity> entries;
    Buffer() {
        for (MoveEntry& e : entries) e = {12345, Marker, Marker};
    }
    Points points(int count) const {
        Points result;
        for (int i = 0; i < count; ++i) result.emplace_back(entries[i].x, entries[i].y);
        return result;
    }
    // Nothing but x and y of the first count entries was written.
    bool untouchedBeyond(int count) const {
        for (int i = 0; i < MoveListCapacity; ++i) {
            if (entries[i].key != 12345) return false;
            if (i >= count && (entries[i].x != Marker || entries[i].y != Marker)) return false;
        }
        return true;
    }
};

using Builder = int (*)(const board::Board&, MoveEntry*, int);

}  // namespace


class BuilderTest : public searchtest::SearchTest {
protected:
    Points run(Builder builder, int side, bool* clean = nullptr) {
        Buffer buffer;
        const int count = builder(board, buffer.entries.data(), side);
        if (clean != nullptr) *clean = buffer.untouchedBeyond(count);
        return buffer.points(count);
    }

    // Stones clustered round the centre, both colours, a few blocks.
    void playRandomPosition(boardtest::Random& random, int stones) {
        const int h = board.geometry.boardHeight, w = board.geometry.boardWidth;
        int placed = 0;
        for (int attempt = 0; placed < stones && attempt < 20 * stones; ++attempt) {
            const int spread = 3 + random.below(5);
            const int x = h / 2 + random.below(2 * spread + 1) - spread;
            const int y = w / 2 + random.below(2 * spread + 1) - spread;
            if (!board.geometry.onBoard(x, y) || board.cells[x][y] != 0) continue;
            const int cell = random.below(25) == 0 ? 3 : 1 + placed % 2;
            board::makeMove(board, x, y, cell);
            ++placed;
        }
    }

};

class ListBuilders : public BuilderTest {};
class OpenFourEnds : public BuilderTest {};
class NearbyStone : public BuilderTest {};

TEST_F(ListBuilders, EmptySetsWriteNothing) {
    for (int rule : {board::FreeStyle, board::Standard, board::Renju}) {
        setUpGame(15, 15, rule);
        for (int side : {1, 2}) {
            for (Builder builder : {listFivePoints, listOpenFourPoints, listFourPoints, listThreePoints,
                                    listStrongPoints, listFourAndThreePoints}) {
                bool clean = false;
                EXPECT_TRUE(run(builder, side, &clean).empty());
                EXPECT_TRUE(clean);
            }
        }
        // One stone makes no three anywhere, for either side.
        board::makeMove(board, 7, 7, 1);
        for (int side : {1, 2}) {
            EXPECT_TRUE(run(listThreePoints, side).empty());
            EXPECT_TRUE(run(listFourAndThreePoints, side).empty());
        }
    }
}

TEST_F(ListBuilders, OpenThreeGivesHandDerivedLists) {
    // _ _ X X X _ _ on row 7: the two adjacent ends are open-four points, the
    // next cells out four points (X . X X X), nothing is a three or a five.
    for (int rule : {board::FreeStyle, board::Standard, board::Renju}) {
        setUpGame(15, 15, rule);
        board::makeMove(board, 7, 5, 1);
        board::makeMove(board, 7, 6, 1);
        board::makeMove(board, 7, 7, 1);
        EXPECT_EQ(run(listOpenFourPoints, 1), (Points{{7, 4}, {7, 8}}));
        EXPECT_EQ(run(listFourPoints, 1), (Points{{7, 3}, {7, 9}}));
        EXPECT_TRUE(run(listFivePoints, 1).empty());
        EXPECT_TRUE(run(listThreePoints, 1).empty());
        EXPECT_EQ(run(listFourAndThreePoints, 1), (Points{{7, 3}, {7, 9}}));
        for (Builder builder : {listFivePoints, listOpenFourPoints, listFourPoints, listThreePoints})
            EXPECT_TRUE(run(builder, 2).empty());
    }
}

TEST_F(ListBuilders, FourThreePointIsStrongAndLeftOutOfFourAndThree) {
    // Row 7: # X X X . . #  -> (7,6) and (7,7) are four points.
    // Column 6, rows 4..9 open between blocks, X at rows 5 and 6 -> (7,6) and
    // (8,6) are three points. (7,6) scores a four plus a three (>= 316): strong.
    // (7,7) and (8,6) have one threat each and stay below 316.
    const std::array<const char*, 15> rows = {
        "###############", "###############", "###############", "###############",
        "######.########", "######X########", "######X########", "###XXX..#######",
        "######.########", "######.########", "###############", "###############",
        "###############", "###############", "###############"};
    for (int rule : {board::FreeStyle, board::Standard, board::Renju}) {
        setUpPicture(rule, rows);
        EXPECT_EQ(run(listFourPoints, 1), (Points{{7, 6}, {7, 7}}));
        EXPECT_EQ(run(listThreePoints, 1), (Points{{7, 6}, {8, 6}}));
        EXPECT_EQ(run(listStrongPoints, 1), (Points{{7, 6}}));
        EXPECT_EQ(run(listFourAndThreePoints, 1), (Points{{7, 7}, {8, 6}}));
        EXPECT_TRUE(run(listFourAndThreePoints, 2).empty());
        EXPECT_TRUE(run(listStrongPoints, 2).empty());
    }
}

TEST_F(ListBuilders, MatchBoardScanOnRandomPositions) {
    struct Game {
        int width, height, rule;
    };
    const Game games[] = {{15, 15, board::FreeStyle}, {15, 15, board::Standard}, {15, 15, board::Renju},
                          {20, 20, board::Renju},     {10, 16, board::FreeStyle}, {24, 24, board::Standard},
                          {24, 13, board::Renju}};
    boardtest::Random random(4505);
    int nonEmptyLists = 0;
    for (const Game& game : games) {
        for (int trial = 0; trial < 12; ++trial) {
            setUpGame(game.width, game.height, game.rule);
            playRandomPosition(random, 10 + random.below(50));
            for (int side : {1, 2}) {
                const int s = side - 1;
                const auto isFour = [&](int x, int y) { return codeIn(x, y, s, board::DeadFour, board::Four); };
                const auto isThree = [&](int x, int y) {
                    return codeIn(x, y, s, board::SplitThree, board::StraightThree);
                };
                const auto isStrong = [&](int x, int y) { return board.points[x][y].score[s] >= 316; };
                const Points expected[6] = {
                    scan([&](int x, int y) { return codeIn(x, y, s, board::Five, board::Five); }),
                    scan([&](int x, int y) { return codeIn(x, y, s, board::OpenFour, board::OpenFour); }),
                    scan(isFour),
                    scan(isThree),
                    scan(isStrong),
                    scan([&](int x, int y) { return (isFour(x, y) || isThree(x, y)) && !isStrong(x, y); }),
                };
                const Builder builders[6] = {listFivePoints,  listOpenFourPoints, listFourPoints,
                                             listThreePoints, listStrongPoints,   listFourAndThreePoints};
                for (int i = 0; i < 6; ++i) {
                    bool clean = false;
                    EXPECT_EQ(run(builders[i], side, &clean), expected[i])
                        << "builder " << i << " side " << side << " rule " << game.rule;
                    EXPECT_TRUE(clean);
                    nonEmptyLists += !expected[i].empty();
                }
            }
        }
    }
    EXPECT_GT(nonEmptyLists, 100);  // the positions do exercise the builders
}

TEST_F(OpenFourEnds, BothEndsPlayableCoverTheThreat) {
    // X X X on row 7 with open ends: (7,4) and (7,8) are open-four points in
    // direction 0, each the other's p + 4d.
    for (int rule : {board::FreeStyle, board::Standard, board::Renju}) {
        setUpGame(15, 15, rule);
        for (int y : {5, 6, 7}) board::makeMove(board, 7, y, 1);
        for (int y : {4, 8}) {
            ASSERT_EQ(board.points[7][y].code[0][0], board::OpenFour);
            Buffer buffer;
            EXPECT_EQ(openFourEnds(board, buffer.entries.data(), 1, 7, y), 0);
            EXPECT_TRUE(buffer.untouchedBeyond(0));
        }
    }
}

TEST_F(OpenFourEnds, WritesFarEndThenNearEndWhenPartnerIsNoOpenFour) {
    // X X X at (7,5..7), second player at (7,9): (7,4) makes the straight four
    // 4..7 with ends (7,3) and (7,8); (7,8) itself only makes a four closed by
    // (7,9), so the pair (p + 4d, p - d) = ((7,8), (7,3)) is written.
    for (int rule : {board::FreeStyle, board::Standard, board::Renju}) {
        setUpGame(15, 15, rule);
        for (int y : {5, 6, 7}) board::makeMove(board, 7, y, 2);
        board::makeMove(board, 7, 9, 1);
        ASSERT_EQ(board.points[7][4].code[0][1], board::OpenFour);
        ASSERT_NE(board.points[7][8].code[0][1], board::OpenFour);
        Buffer buffer;
        ASSERT_EQ(openFourEnds(board, buffer.entries.data(), 2, 7, 4), 2);
        EXPECT_EQ(buffer.points(2), (Points{{7, 8}, {7, 3}}));
        EXPECT_TRUE(buffer.untouchedBeyond(2));
    }
    // Mirrored: the open-four point has the stones on its -d side, so d turns
    // round: blocker at (7,3), p = (7,8), ends (7,4) = p + 4d and (7,9) = p - d.
    setUpGame(15, 15, board::Standard);
    for (int y : {5, 6, 7}) board::makeMove(board, 7, y, 1);
    board::makeMove(board, 7, 3, 2);
    ASSERT_EQ(board.points[7][8].code[0][0], board::OpenFour);
    Buffer buffer;
    ASSERT_EQ(openFourEnds(board, buffer.entries.data(), 1, 7, 8), 2);
    EXPECT_EQ(buffer.points(2), (Points{{7, 4}, {7, 9}}));
}

TEST_F(OpenFourEnds, DiagonalDirectionsStepCorrectly) {
    // Anti-diagonal (direction 2, step (-1, +1)): X at (9,4), (8,5), (7,6),
    // second player at (5,8). p = (10,3) makes the four (10,3)..(7,6) with ends
    // (11,2) and (6,7); (6,7) is closed by (5,8).
    setUpGame(15, 15, board::FreeStyle);
    board::makeMove(board, 9, 4, 1);
    board::makeMove(board, 8, 5, 1);
    board::makeMove(board, 7, 6, 1);
    board::makeMove(board, 5, 8, 2);
    ASSERT_EQ(board.points[10][3].code[2][0], board::OpenFour);
    Buffer buffer;
    ASSERT_EQ(openFourEnds(board, buffer.entries.data(), 1, 10, 3), 2);
    EXPECT_EQ(buffer.points(2), (Points{{6, 7}, {11, 2}}));

    // Diagonal (direction 3, step (+1, +1)), split four: X at (3,3), (5,5),
    // (6,6); p = (4,4) lies inside, so the ends are the first empty cells
    // each way, +d side first.
    setUpGame(15, 15, board::Renju);
    board::makeMove(board, 3, 3, 1);
    board::makeMove(board, 5, 5, 1);
    board::makeMove(board, 6, 6, 1);
    ASSERT_EQ(board.points[4][4].code[3][0], board::OpenFour);
    Buffer split;
    ASSERT_EQ(openFourEnds(board, split.entries.data(), 1, 4, 4), 2);
    EXPECT_EQ(split.points(2), (Points{{7, 7}, {2, 2}}));
}

TEST_F(OpenFourEnds, UsesTheOpenFourDirectionNotAnEarlierFour) {
    // (7,7): a four closed by O along row 7 (direction 0) and an open four down
    // column 7 (direction 1, X at rows 8..10, O at (12,7) closing the partner
    // end). The column's ends are (11,7) = p + 4d and (6,7) = p - d.
    for (int rule : {board::FreeStyle, board::Standard, board::Renju}) {
        setUpGame(15, 15, rule);
        board::makeMove(board, 7, 3, 2);
        for (int y : {4, 5, 6}) board::makeMove(board, 7, y, 1);
        for (int x : {8, 9, 10}) board::makeMove(board, x, 7, 1);
        board::makeMove(board, 12, 7, 2);
        ASSERT_EQ(board.points[7][7].code[0][0], board::DeadFour);
        ASSERT_EQ(board.points[7][7].code[1][0], board::OpenFour);
        Buffer buffer;
        ASSERT_EQ(openFourEnds(board, buffer.entries.data(), 1, 7, 7), 2);
        EXPECT_EQ(buffer.points(2), (Points{{11, 7}, {6, 7}}));
    }
}

TEST_F(OpenFourEnds, SplitFourWalksToTheEmptyEnds) {
    // X . X X and X X . X on row 7: the gap is the open-four point.
    for (int rule : {board::FreeStyle, board::Standard, board::Renju}) {
        for (int gap : {6, 7}) {
            setUpGame(15, 15, rule);
            for (int y = 5; y <= 8; ++y)
                if (y != gap) board::makeMove(board, 7, y, 1);
            ASSERT_EQ(board.points[7][gap].code[0][0], board::OpenFour);
            Buffer buffer;
            ASSERT_EQ(openFourEnds(board, buffer.entries.data(), 1, 7, gap), 2);
            EXPECT_EQ(buffer.points(2), (Points{{7, 9}, {7, 4}}));
            EXPECT_TRUE(buffer.untouchedBeyond(2));
        }
    }
}

TEST_F(OpenFourEnds, RenjuForbiddenPartnerEndIsWritten) {
    // Black X X X at (7,5..7); black also at (4,8), (5,8), (6,8), so that black
    // at (7,8) would make a straight four along the row and a four down column
    // 8: a double four, forbidden under Renju. (7,4)'s partner end no longer
    // covers the threat for black.
    for (int rule : {board::FreeStyle, board::Renju}) {
        setUpGame(15, 15, rule);
        for (int y : {5, 6, 7}) board::makeMove(board, 7, y, 1);
        for (int x : {4, 5, 6}) board::makeMove(board, x, 8, 1);
        ASSERT_EQ(board.points[7][4].code[0][0], board::OpenFour);
        ASSERT_EQ(board.points[7][8].code[0][0], board::OpenFour);
        Buffer buffer;
        const int written = openFourEnds(board, buffer.entries.data(), 1, 7, 4);
        if (rule == board::Renju) {
            ASSERT_EQ(board::isForbidden(board, 7, 8), 1);
            ASSERT_EQ(written, 2);
            EXPECT_EQ(buffer.points(2), (Points{{7, 8}, {7, 3}}));
        } else {
            EXPECT_EQ(written, 0);
        }
        std::string why;
        EXPECT_TRUE(board::checkBoard(board, &why)) << why;
    }
    // White is never restricted: the same shape in white keeps returning 0.
    setUpGame(15, 15, board::Renju);
    for (int y : {5, 6, 7}) board::makeMove(board, 7, y, 2);
    for (int x : {4, 5, 6}) board::makeMove(board, x, 8, 2);
    Buffer buffer;
    EXPECT_EQ(openFourEnds(board, buffer.entries.data(), 2, 7, 4), 0);
}

TEST_F(OpenFourEnds, PointWithoutOpenFourWritesNothing) {
    setUpGame(15, 15, board::FreeStyle);
    board::makeMove(board, 7, 7, 1);
    board::makeMove(board, 7, 8, 1);
    Buffer buffer;
    EXPECT_EQ(openFourEnds(board, buffer.entries.data(), 1, 7, 9), 0);
    EXPECT_EQ(openFourEnds(board, buffer.entries.data(), 1, 0, 0), 0);
    EXPECT_EQ(openFourEnds(board, buffer.entries.data(), 1, -1, 30), 0);
    EXPECT_TRUE(buffer.untouchedBeyond(0));
}

TEST_F(NearbyStone, SquareAroundEachPointMatchesBruteForce) {
    struct Game {
        int width, height;
    };
    boardtest::Random random(77);
    for (Game game : {Game{15, 15}, Game{20, 12}, Game{12, 20}, Game{24, 24}}) {
        setUpGame(game.width, game.height, board::Standard);
        for (int x = 0; x < game.height; ++x)
            for (int y = 0; y < game.width; ++y) EXPECT_FALSE(hasStoneNear(board, x, y)) << x << "," << y;
        // A stone, a block and an opponent stone; one of them near a corner.
        const int stones[3][3] = {{random.below(game.height), random.below(game.width), 1},
                                  {random.below(game.height), random.below(game.width), 3},
                                  {game.height - 1, 0, 2}};
        for (const auto& s : stones)
            if (board.cells[s[0]][s[1]] == 0) board::makeMove(board, s[0], s[1], s[2]);
        for (int x = 0; x < game.height; ++x) {
            for (int y = 0; y < game.width; ++y) {
                bool expected = false;
                for (int dx = -2; dx <= 2; ++dx)
                    for (int dy = -2; dy <= 2; ++dy)
                        if (board.geometry.onBoard(x + dx, y + dy) && board.cells[x + dx][y + dy] != 0)
                            expected = true;
                EXPECT_EQ(hasStoneNear(board, x, y), expected) << x << "," << y;
            }
        }
    }
}

// The candidate masks at every reach the quiet stage uses, against a brute-force
// scan of the square, through makes and take-backs.
TEST_F(NearbyStone, MasksAtEveryReachMatchBruteForce) {
    boardtest::Random random(91);
    for (int rule : {board::FreeStyle, board::Renju}) {
        setUpGame(20, 13, rule);
        std::vector<std::array<int, 3>> played;
        for (int step = 0; step < 120; ++step) {
            if (played.size() > 12 && random.below(3) == 0) {
                const auto m = played.back();
                played.pop_back();
                board::unmakeMove(board, m[0], m[1], m[2]);
            } else {
                const int x = random.below(13), y = random.below(20);
                if (board.cells[x][y] != 0) continue;
                const int cell = 1 + random.below(3);
                board::makeMove(board, x, y, cell);
                played.push_back({x, y, cell});
            }
            for (int reach : {1, 2, 3, 4})
                for (int x = 0; x < 13; ++x) {
                    uint32_t expected = 0;
                    for (int y = 0; y < 20; ++y)
                        for (int dx = -reach; dx <= reach; ++dx)
                            for (int dy = -reach; dy <= reach; ++dy)
                                if (board.geometry.onBoard(x + dx, y + dy) && board.cells[x + dx][y + dy] != 0)
                                    expected |= 1u << y;
                    ASSERT_EQ(board::pointsNearStones(board, x, reach), expected)
                        << "row " << x << " reach " << reach << " step " << step;
                    ASSERT_EQ(board::emptyPointsNearStones(board, x, reach) & board.stoneRows[x], 0u);
                }
        }
    }
}

TEST_F(NearbyStone, LineSentinelsAndOuterBlocksAreNotStones) {
    // The row word's closed ends (position -1 and position boardSize) hold 3
    // but lie outside the board's columns.
    setUpGame(15, 15, board::Renju);
    for (int x = 0; x < 15; ++x) EXPECT_EQ(board::pointsNearStones(board, x, 4), 0u) << x;
    // Width 10 on a 15 square: columns 10..14 of every row are blocks outside
    // the rectangle, rows 10.. of the square likewise; neither counts.
    setUpGame(10, 15, board::Standard);
    ASSERT_EQ(board.cells[3][10], 3);
    EXPECT_EQ(board::pointsNearStones(board, 3, 4), 0u);
    EXPECT_FALSE(hasStoneNear(board, 3, 9));
    EXPECT_FALSE(hasStoneNear(board, 14, 9));
    setUpGame(15, 10, board::Standard);
    ASSERT_EQ(board.cells[10][3], 3);
    EXPECT_FALSE(hasStoneNear(board, 9, 3));
    // A block placed inside the rectangle counts like a stone.
    board::makeMove(board, 9, 5, 3);
    EXPECT_TRUE(hasStoneNear(board, 7, 3));
    EXPECT_FALSE(hasStoneNear(board, 6, 3));
}
