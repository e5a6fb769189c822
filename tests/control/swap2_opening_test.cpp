// The SWAP2BOARD body as the record sees it: which bodies are openings, and
// that an opening replaces the game while anything else leaves it alone.
#include <gtest/gtest.h>
#include <utility>
#include <vector>

#include "control/game_record.h"
#include "control/swap2_opening.h"

using namespace control;

namespace {

class Swap2OpeningTest : public ::testing::Test {
protected:
    void SetUp() override {
        startGame(game, 15, 15);
        // A game in progress, with a block stone: what a refused body must keep.
        ASSERT_TRUE(addMove(game, 1, 1));
        ASSERT_TRUE(addMove(game, 2, 2));
        ASSERT_TRUE(addBlockStone(game, 3, 3));
        game.lastValue = 77;
    }

    static Swap2Body body(const std::vector<std::pair<int, int>>& points) {
        Swap2Body b;
        for (const auto& p : points) b.add(p.first, p.second);
        return b;
    }

    void expectUntouched() {
        ASSERT_EQ(game.moveCount, 2);
        EXPECT_EQ(game.moves[1].x, 2);
        EXPECT_EQ(game.blockCount, 1);
        EXPECT_EQ(game.lastValue, 77);
    }

    GameRecord game;
};

}  // namespace

TEST_F(Swap2OpeningTest, OpeningsOfZeroThreeAndFiveStonesReplaceTheGame) {
    for (const auto& points : {std::vector<std::pair<int, int>>{},
                               std::vector<std::pair<int, int>>{{7, 7}, {7, 8}, {8, 9}},
                               std::vector<std::pair<int, int>>{{7, 7}, {7, 8}, {8, 9}, {0, 0}, {14, 14}}}) {
        SetUp();
        EXPECT_EQ(startSwap2Opening(game, body(points)), Swap2Verdict::Opening);
        ASSERT_EQ(game.moveCount, int(points.size()));
        EXPECT_EQ(game.blockCount, 0);
        EXPECT_EQ(game.lastValue, 0);
        for (size_t i = 0; i < points.size(); ++i) {
            EXPECT_EQ(game.moves[i].x, points[i].first);
            EXPECT_EQ(game.moves[i].y, points[i].second);
            EXPECT_EQ(game.moves[i].colour, int(i % 2) + 1) << i;  // black first
        }
    }
}

TEST_F(Swap2OpeningTest, OtherCountsRepeatsAndBadLinesChangeNothing) {
    for (const auto& points : {std::vector<std::pair<int, int>>{{7, 7}},
                               std::vector<std::pair<int, int>>{{7, 7}, {7, 8}},
                               std::vector<std::pair<int, int>>{{7, 7}, {7, 8}, {8, 9}, {9, 9}},
                               std::vector<std::pair<int, int>>{{7, 7}, {7, 8}, {8, 9}, {9, 9}, {1, 1}, {2, 2}}}) {
        EXPECT_EQ(startSwap2Opening(game, body(points)), Swap2Verdict::WrongCount) << points.size();
        expectUntouched();
    }
    // A repeated point counts once, so three lines with a repeat are two stones:
    // the repeat is what the answer names.
    Swap2Body repeated = body({{7, 7}, {7, 8}, {7, 7}, {6, 6}});
    EXPECT_EQ(repeated.count, 3);
    EXPECT_EQ(startSwap2Opening(game, repeated), Swap2Verdict::RepeatedPoint);
    EXPECT_EQ(repeated.repeatedX, 7);
    EXPECT_EQ(repeated.repeatedY, 7);
    expectUntouched();
    Swap2Body badLine = body({{7, 7}, {7, 8}, {8, 9}});
    badLine.badLines = 1;
    EXPECT_EQ(startSwap2Opening(game, badLine), Swap2Verdict::BadLines);
    expectUntouched();
}

TEST_F(Swap2OpeningTest, ClearForgetsTheLastBody) {
    Swap2Body b = body({{7, 7}, {7, 7}});
    b.badLines = 2;
    b.clear();
    EXPECT_EQ(b.count, 0);
    EXPECT_EQ(b.badLines, 0);
    EXPECT_FALSE(b.repeated);
    b.add(7, 7);
    EXPECT_EQ(b.count, 1);
    EXPECT_FALSE(b.repeated);
}
