#include <gtest/gtest.h>
#include <string>

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
