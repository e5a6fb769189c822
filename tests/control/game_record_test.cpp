#include <array>
#include <gtest/gtest.h>
#include <initializer_list>
#include <string>

#include "board/board.h"
#include "board/board_check.h"
#include "control/game_record.h"

using namespace control;
using board::geometry;

namespace {

class GameRecordTest : public ::testing::Test {
protected:
    void SetUp() override { resetGame(); }
    void TearDown() override { resetGame(); }

    // Runs f and returns what it wrote to standard output.
    template <typename F>
    std::string output(F f) {
        ::testing::internal::CaptureStdout();
        f();
        return ::testing::internal::GetCapturedStdout();
    }
};

const std::string Greeting = "MESSAGE Olvar 2015 Kernal 0.4.49 :-)\nOK\n";

}  // namespace

TEST_F(GameRecordTest, SetupStoresDimensionsAndGreets) {
    EXPECT_EQ(output([] { setupBoard(20, 15); }), Greeting);
    EXPECT_EQ(geometry.boardWidth, 20);
    EXPECT_EQ(geometry.boardHeight, 15);
    EXPECT_EQ(geometry.boardSize, 20);
    EXPECT_TRUE(board::onBoard(14, 19));
    EXPECT_FALSE(board::onBoard(19, 14));
    EXPECT_FALSE(board::onBoard(-1, 0));
}

TEST_F(GameRecordTest, RefusedSizeKeepsPreviousGame) {
    output([] { setupBoard(15, 15); });
    output([] { addOpponentMove(7, 7); });
    for (auto size : {std::pair{25, 25}, {-3, -3}, {15, 0}, {0, 15}, {2147483647, 5}}) {
        EXPECT_EQ(output([&] { EXPECT_FALSE(setupBoard(size.first, size.second)); }),
                  "ERROR size of the board\n");
    }
    EXPECT_EQ(geometry.boardWidth, 15);
    EXPECT_EQ(geometry.boardHeight, 15);
    EXPECT_EQ(geometry.boardSize, 15);
    EXPECT_EQ(game.moveCount, 1);
}

TEST_F(GameRecordTest, ColoursFollowParityNotWho) {
    output([] { setupBoard(15, 15); });
    output([] {
        addOpponentMove(7, 7);
        addOpponentMove(7, 8);
        addOwnMove(7, 9);
        addOwnMove(8, 8);
    });
    ASSERT_EQ(game.moveCount, 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(game.moves[i].colour, i % 2 + 1);
    EXPECT_EQ(game.moves[2].x, 7);
    EXPECT_EQ(game.moves[2].y, 9);
}

TEST_F(GameRecordTest, PointRecordedTwiceIsRefusedWithTheMoveText) {
    output([] { setupBoard(15, 15); });
    output([] { addOpponentMove(7, 7); });
    EXPECT_EQ(output([] { addOwnMove(7, 7); }), "ERROR my move [7,7]\n");
    EXPECT_EQ(output([] { addOpponentMove(7, 7); }), "ERROR opponents's move [7,7]\n");
    EXPECT_EQ(output([] { addOpponentMove(15, 3); }), "ERROR opponents's move [15,3]\n");
    EXPECT_EQ(game.moveCount, 1);
}

TEST_F(GameRecordTest, RecordNeverPassesTheWholeBoard) {
    output([] { setupBoard(24, 24); });
    output([] {
        for (int x = 0; x < 24; ++x)
            for (int y = 0; y < 24; ++y) addOwnMove(x, y);
    });
    EXPECT_EQ(game.moveCount, MaxMoves);
    EXPECT_EQ(output([] { addOwnMove(0, 0); }), "ERROR my move [0,0]\n");
    EXPECT_EQ(game.moveCount, MaxMoves);
}

TEST_F(GameRecordTest, TakeBackOnlyTheLastMove) {
    output([] { setupBoard(15, 15); });
    EXPECT_EQ(takeBack(7, 7), 2);  // empty record
    output([] {
        addOpponentMove(7, 7);
        addOwnMove(8, 8);
    });
    game.lastValue = 123;
    EXPECT_EQ(takeBack(7, 7), 2);  // not the last move
    EXPECT_EQ(takeBack(20, 20), 2);
    EXPECT_EQ(game.moveCount, 2);
    EXPECT_EQ(game.lastValue, 123);
    EXPECT_EQ(takeBack(8, 8), 0);
    EXPECT_EQ(game.moveCount, 1);
    EXPECT_EQ(game.lastValue, 0);
    EXPECT_EQ(takeBack(7, 7), 0);
    EXPECT_EQ(game.moveCount, 0);
    EXPECT_EQ(takeBack(7, 7), 2);
    EXPECT_EQ(game.moveCount, 0);
    // The point taken back is free again.
    output([] { addOpponentMove(8, 8); });
    EXPECT_EQ(game.moveCount, 1);
}

TEST_F(GameRecordTest, RestartEmptiesRecordButKeepsSizeAndMask) {
    output([] { setupBoard(20, 15); });
    setMasked(3, 4);
    output([] { addOpponentMove(7, 7); });
    game.lastValue = 55;
    EXPECT_EQ(output([] { restartGame(); }), Greeting);
    EXPECT_EQ(game.moveCount, 0);
    EXPECT_EQ(game.lastValue, 0);
    EXPECT_EQ(game.builtRule, -1);
    EXPECT_EQ(geometry.boardWidth, 20);
    EXPECT_EQ(geometry.boardHeight, 15);
    EXPECT_TRUE(isMasked(3, 4));
    output([] { setupBoard(15, 15); });
    EXPECT_TRUE(isMasked(3, 4));
    clearBlockMask();
    EXPECT_FALSE(isMasked(3, 4));
}

TEST_F(GameRecordTest, BlockStonesArePartOfThePositionBeforeTheBuild) {
    output([] { setupBoard(15, 15); });
    EXPECT_EQ(output([] { addBlockStone(3, 3); }), "");
    EXPECT_EQ(game.blockCount, 1);
    EXPECT_EQ(game.moveCount, 0);
    EXPECT_TRUE(hasBlockStone(3, 3));
    // A move onto it is refused as onto any stone, and so is a second block.
    EXPECT_EQ(output([] { EXPECT_FALSE(addOpponentMove(3, 3)); }), "ERROR opponents's move [3,3]\n");
    EXPECT_EQ(output([] { addBlockStone(3, 3); }), "ERROR board-block move [3,3]\n");
    EXPECT_EQ(game.moveCount, 0);
    EXPECT_EQ(game.blockCount, 1);
    // A new game starts without it.
    output([] { restartGame(); });
    EXPECT_FALSE(hasBlockStone(3, 3));
    EXPECT_TRUE(output([] { EXPECT_TRUE(addOpponentMove(3, 3)); }).empty());
}

namespace {

// A body from "x,y,who" triples.
PositionBody bodyOf(std::initializer_list<std::array<int, 3>> stones) {
    PositionBody body;
    for (const auto& s : stones) EXPECT_TRUE(body.add(s[0], s[1], static_cast<StoneField>(s[2])));
    return body;
}

// Whether every point of the board holds what the record says: its moves with
// their colours, its block stones, nothing else.
bool boardMatchesRecord() {
    int expected[board::MaxSide][board::MaxSide] = {};
    for (int i = 0; i < game.moveCount; ++i) expected[game.moves[i].x][game.moves[i].y] = game.moves[i].colour;
    for (int i = 0; i < game.blockCount; ++i) expected[game.blocks[i].x][game.blocks[i].y] = 3;
    for (int x = 0; x < geometry.boardHeight; ++x)
        for (int y = 0; y < geometry.boardWidth; ++y)
            if (board::cellAt(x, y) != expected[x][y]) return false;
    return true;
}

}  // namespace

TEST_F(GameRecordTest, ReplacedPositionsKeepTheBuiltBoardInStep) {
    output([] { setupBoard(15, 15); });
    ASSERT_TRUE(replacePosition(bodyOf({{7, 7, 1}, {7, 8, 2}, {8, 8, 1}, {9, 9, 2}})).accepted);
    int64_t clock = 1000;
    output([&] { applyRule(clock); });
    ASSERT_NE(game.builtRule, -1);
    game.lastValue = 77;
    // 1. The opponent's reply added: a continuation keeps the last value.
    ASSERT_TRUE(replacePosition(bodyOf({{7, 7, 2}, {7, 8, 1}, {8, 8, 2}, {9, 9, 1}, {6, 6, 2}})).accepted);
    EXPECT_EQ(game.moveCount, 5);
    EXPECT_EQ(game.lastValue, 77);
    EXPECT_TRUE(boardMatchesRecord());
    // 2. Another game sharing the first two moves, listed out of order.
    ASSERT_TRUE(replacePosition(bodyOf({{7, 7, 1}, {3, 3, 1}, {7, 8, 2}, {3, 4, 2}})).accepted);
    EXPECT_EQ(game.lastValue, 0);
    ASSERT_EQ(game.moveCount, 4);
    EXPECT_EQ(game.moves[2].x, 3);
    EXPECT_EQ(game.moves[2].y, 3);
    EXPECT_EQ(game.moves[2].colour, 1);
    EXPECT_TRUE(boardMatchesRecord());
    std::string why;
    EXPECT_TRUE(board::checkBoard(&why)) << why;
    // 3. Block stones come and go with their positions.
    ASSERT_TRUE(replacePosition(bodyOf({{5, 5, 3}, {7, 7, 1}, {0, 0, 3}, {7, 8, 2}})).accepted);
    EXPECT_EQ(game.blockCount, 2);
    EXPECT_TRUE(boardMatchesRecord());
    ASSERT_TRUE(replacePosition(bodyOf({{0, 0, 3}, {7, 8, 2}})).accepted);
    EXPECT_EQ(game.blockCount, 1);
    EXPECT_EQ(game.moveCount, 1);
    EXPECT_TRUE(boardMatchesRecord());
    EXPECT_TRUE(board::checkBoard(&why)) << why;
    // 4. A refused body changes nothing.
    const PositionResult refused = replacePosition(bodyOf({{1, 1, 1}, {2, 2, 1}}));
    EXPECT_FALSE(refused.accepted);
    EXPECT_EQ(refused.own, 2);
    EXPECT_EQ(refused.opponent, 0);
    EXPECT_EQ(game.moveCount, 1);
    EXPECT_EQ(game.blockCount, 1);
    EXPECT_TRUE(boardMatchesRecord());
    // 5. A rebuild from the record gives the same board.
    game.builtRule = -1;
    output([&] { applyRule(clock); });
    EXPECT_TRUE(boardMatchesRecord());
}
