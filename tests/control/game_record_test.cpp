#include <array>
#include <gtest/gtest.h>
#include <initializer_list>
#include <memory>
#include <string>

#include "board/board.h"
#include "board/board_check.h"
#include "control/engine.h"
#include "control/game_record.h"
#include "think/thinker.h"

using namespace control;

namespace {

class Silent : public search::LineWriter {
public:
    void writeLine(const char*) override {}
};

class GameRecordTest : public ::testing::Test {
protected:
    void SetUp() override { startGame(game, 15, 15); }

    GameRecord game;
};

// An engine of the test's own, for what involves more than the record.
class EngineRecordTest : public ::testing::Test {
protected:
    Silent silent;
    std::unique_ptr<Engine> engine = std::make_unique<Engine>(silent);
};

}  // namespace

TEST_F(GameRecordTest, StartStoresDimensions) {
    startGame(game, 20, 15);
    EXPECT_EQ(game.geometry.boardWidth, 20);
    EXPECT_EQ(game.geometry.boardHeight, 15);
    EXPECT_EQ(game.geometry.boardSize, 20);
    EXPECT_TRUE(game.geometry.onBoard(14, 19));
    EXPECT_FALSE(game.geometry.onBoard(19, 14));
    EXPECT_FALSE(game.geometry.onBoard(-1, 0));
    EXPECT_EQ(game.moveCount, 0);
}

TEST_F(EngineRecordTest, RefusedSizeKeepsPreviousGame) {
    ASSERT_TRUE(setupBoard(*engine, 15, 15));
    ASSERT_TRUE(addMove(engine->game, 7, 7));
    for (auto size : {std::pair{25, 25}, {-3, -3}, {15, 0}, {0, 15}, {2147483647, 5}}) {
        EXPECT_FALSE(sizeAccepted(size.first, size.second));
        EXPECT_FALSE(setupBoard(*engine, size.first, size.second));
    }
    EXPECT_EQ(engine->game.geometry.boardWidth, 15);
    EXPECT_EQ(engine->game.geometry.boardHeight, 15);
    EXPECT_EQ(engine->game.geometry.boardSize, 15);
    EXPECT_EQ(engine->game.moveCount, 1);
}

TEST_F(GameRecordTest, ColoursFollowParity) {
    for (auto [x, y] : {std::pair{7, 7}, {7, 8}, {7, 9}, {8, 8}}) ASSERT_TRUE(addMove(game, x, y));
    ASSERT_EQ(game.moveCount, 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(game.moves[i].colour, i % 2 + 1);
    EXPECT_EQ(game.moves[2].x, 7);
    EXPECT_EQ(game.moves[2].y, 9);
}

TEST_F(GameRecordTest, PointRecordedTwiceOrOffTheBoardIsRefused) {
    ASSERT_TRUE(addMove(game, 7, 7));
    EXPECT_FALSE(addMove(game, 7, 7));
    EXPECT_FALSE(addMove(game, 15, 3));
    EXPECT_FALSE(addMove(game, -1, 3));
    EXPECT_EQ(game.moveCount, 1);
}

TEST_F(GameRecordTest, RecordNeverPassesTheWholeBoard) {
    startGame(game, 24, 24);
    for (int x = 0; x < 24; ++x)
        for (int y = 0; y < 24; ++y) ASSERT_TRUE(addMove(game, x, y));
    EXPECT_EQ(game.moveCount, MaxMoves);
    EXPECT_FALSE(addMove(game, 0, 0));
    EXPECT_EQ(game.moveCount, MaxMoves);
}

TEST_F(GameRecordTest, TakeBackOnlyTheLastMove) {
    EXPECT_FALSE(takeBack(game, 7, 7));  // empty record
    ASSERT_TRUE(addMove(game, 7, 7));
    ASSERT_TRUE(addMove(game, 8, 8));
    game.lastValue = 123;
    EXPECT_FALSE(takeBack(game, 7, 7));  // not the last move
    EXPECT_FALSE(takeBack(game, 20, 20));
    EXPECT_EQ(game.moveCount, 2);
    EXPECT_EQ(game.lastValue, 123);
    EXPECT_TRUE(takeBack(game, 8, 8));
    EXPECT_EQ(game.moveCount, 1);
    EXPECT_EQ(game.lastValue, 0);
    EXPECT_TRUE(takeBack(game, 7, 7));
    EXPECT_EQ(game.moveCount, 0);
    EXPECT_FALSE(takeBack(game, 7, 7));
    EXPECT_EQ(game.moveCount, 0);
    // The point taken back is free again.
    EXPECT_TRUE(addMove(game, 8, 8));
    EXPECT_EQ(game.moveCount, 1);
}

TEST_F(EngineRecordTest, RestartEmptiesRecordButKeepsSizeAndMask) {
    ASSERT_TRUE(setupBoard(*engine, 20, 15));
    engine->blockMask.set(3, 4);
    ASSERT_TRUE(addMove(engine->game, 7, 7));
    ASSERT_TRUE(addBlockStone(engine->game, 2, 2));
    engine->game.lastValue = 55;
    restartGame(*engine);
    EXPECT_EQ(engine->game.moveCount, 0);
    EXPECT_EQ(engine->game.blockCount, 0);
    EXPECT_EQ(engine->game.lastValue, 0);
    EXPECT_EQ(engine->thinker.builtRule, -1);
    EXPECT_EQ(engine->game.geometry.boardWidth, 20);
    EXPECT_EQ(engine->game.geometry.boardHeight, 15);
    EXPECT_TRUE(engine->blockMask.isMasked(3, 4));
    ASSERT_TRUE(setupBoard(*engine, 15, 15));
    EXPECT_TRUE(engine->blockMask.isMasked(3, 4));
    engine->blockMask.clear();
    EXPECT_FALSE(engine->blockMask.isMasked(3, 4));
}

TEST_F(GameRecordTest, BlockStonesArePartOfThePosition) {
    EXPECT_TRUE(addBlockStone(game, 3, 3));
    EXPECT_EQ(game.blockCount, 1);
    EXPECT_EQ(game.moveCount, 0);
    EXPECT_TRUE(hasBlockStone(game, 3, 3));
    // A move onto it is refused as onto any stone, and so is a second block.
    EXPECT_FALSE(addMove(game, 3, 3));
    EXPECT_FALSE(addBlockStone(game, 3, 3));
    EXPECT_EQ(game.moveCount, 0);
    EXPECT_EQ(game.blockCount, 1);
    // A new game starts without it.
    restartGame(game);
    EXPECT_FALSE(hasBlockStone(game, 3, 3));
    EXPECT_TRUE(addMove(game, 3, 3));
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
bool boardMatchesRecord(const board::Board& board, const GameRecord& game) {
    int expected[board::MaxSide][board::MaxSide] = {};
    for (int i = 0; i < game.moveCount; ++i) expected[game.moves[i].x][game.moves[i].y] = game.moves[i].colour;
    for (int i = 0; i < game.blockCount; ++i) expected[game.blocks[i].x][game.blocks[i].y] = 3;
    for (int x = 0; x < game.geometry.boardHeight; ++x)
        for (int y = 0; y < game.geometry.boardWidth; ++y)
            if (board::cellAt(board, x, y) != expected[x][y]) return false;
    return true;
}

}  // namespace

TEST_F(EngineRecordTest, ReplacedPositionsAndTheBoardThatFollowsThem) {
    GameRecord& game = engine->game;
    think::Thinker& thinker = engine->thinker;
    const board::Board& board = thinker.main->board;
    ASSERT_TRUE(setupBoard(*engine, 15, 15));
    ASSERT_TRUE(replacePosition(game, bodyOf({{7, 7, 1}, {7, 8, 2}, {8, 8, 1}, {9, 9, 2}})).accepted);
    int64_t clock = 1000;
    think::applyRule(thinker, thinkRequest(*engine), clock);
    ASSERT_NE(thinker.builtRule, -1);
    EXPECT_TRUE(boardMatchesRecord(board, game));
    auto follow = [&] { think::followPosition(thinker, thinkRequest(*engine).position); };
    game.lastValue = 77;
    // 1. The opponent's reply added: a continuation keeps the last value.
    ASSERT_TRUE(replacePosition(game, bodyOf({{7, 7, 2}, {7, 8, 1}, {8, 8, 2}, {9, 9, 1}, {6, 6, 2}})).accepted);
    EXPECT_EQ(game.moveCount, 5);
    EXPECT_EQ(game.lastValue, 77);
    follow();
    EXPECT_TRUE(boardMatchesRecord(board, game));
    // 2. Another game sharing the first two moves, listed out of order.
    ASSERT_TRUE(replacePosition(game, bodyOf({{7, 7, 1}, {3, 3, 1}, {7, 8, 2}, {3, 4, 2}})).accepted);
    EXPECT_EQ(game.lastValue, 0);
    ASSERT_EQ(game.moveCount, 4);
    EXPECT_EQ(game.moves[2].x, 3);
    EXPECT_EQ(game.moves[2].y, 3);
    EXPECT_EQ(game.moves[2].colour, 1);
    follow();
    EXPECT_TRUE(boardMatchesRecord(board, game));
    std::string why;
    EXPECT_TRUE(board::checkBoard(board, &why)) << why;
    // 3. Block stones come and go with their positions.
    ASSERT_TRUE(replacePosition(game, bodyOf({{5, 5, 3}, {7, 7, 1}, {0, 0, 3}, {7, 8, 2}})).accepted);
    EXPECT_EQ(game.blockCount, 2);
    follow();
    EXPECT_TRUE(boardMatchesRecord(board, game));
    ASSERT_TRUE(replacePosition(game, bodyOf({{0, 0, 3}, {7, 8, 2}})).accepted);
    EXPECT_EQ(game.blockCount, 1);
    EXPECT_EQ(game.moveCount, 1);
    follow();
    EXPECT_TRUE(boardMatchesRecord(board, game));
    EXPECT_TRUE(board::checkBoard(board, &why)) << why;
    // 4. A refused body changes nothing.
    const PositionResult refused = replacePosition(game, bodyOf({{1, 1, 1}, {2, 2, 1}}));
    EXPECT_FALSE(refused.accepted);
    EXPECT_EQ(refused.own, 2);
    EXPECT_EQ(refused.opponent, 0);
    EXPECT_EQ(game.moveCount, 1);
    EXPECT_EQ(game.blockCount, 1);
    // 5. A rebuild from the record gives the same board.
    thinker.builtRule = -1;
    think::applyRule(thinker, thinkRequest(*engine), clock);
    EXPECT_TRUE(boardMatchesRecord(board, game));
}
