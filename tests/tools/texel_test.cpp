// The evaluation tuner: reading record lines, choosing positions, and a fit
// that finds weights planted in the targets.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "tuning/texel.h"

namespace {

TEST(TexelRecord, ReadsResultsAndMovesAndRefusesWhatIsNotARecord) {
    tuning::RecordedGame game;
    std::string why;
    ASSERT_TRUE(tuning::parseRecordLine("white 7,7 7,8 8,8", game, why)) << why;
    EXPECT_EQ(game.blackScore, 0.0);
    ASSERT_EQ(game.moves.size(), 3u);
    EXPECT_EQ(game.moves[2], std::make_pair(8, 8));
    ASSERT_TRUE(tuning::parseRecordLine("draw 0,14", game, why));
    EXPECT_EQ(game.blackScore, 0.5);
    EXPECT_EQ(game.moves.size(), 1u) << "the moves of an earlier line are gone";
    ASSERT_TRUE(tuning::parseRecordLine("black 1,2", game, why));
    EXPECT_EQ(game.blackScore, 1.0);

    for (const char* bad : {"", "won 7,7", "black", "black 7,7 8", "black 7;7", "black 7,x", "black -1,3", "black 7,7,1",
                            "black ,7"}) {
        why.clear();
        EXPECT_FALSE(tuning::parseRecordLine(bad, game, why)) << bad;
        EXPECT_FALSE(why.empty()) << bad;
    }
}

TEST(TexelPositions, TakesThePositionsAfterTheOpeningThatTheGameHasNotDecided) {
    tuning::PositionSet set(15, 2);
    tuning::RecordedGame game;
    std::string why;
    // Black makes five in row 7 with its fifth stone; white answers in row 9.
    ASSERT_TRUE(tuning::parseRecordLine("black 7,3 9,3 7,4 9,4 7,5 9,5 7,6 9,9 7,7", game, why));
    ASSERT_TRUE(set.addGame(game, 0, why)) << why;
    // Positions after 0 and 1 moves are the opening's. After 6 moves black has
    // an open four point; after 7 it has a five in reach (white must block);
    // after 8 it is black's move with the five in reach. Left: after 2 to 5.
    EXPECT_EQ(set.positionCount(), 4u);

    const char* refused[] = {
        "black 7,3 9,3 7,4 9,4 7,5 9,5 7,6 9,9 7,7 1,1",  // a move after the five
        "white 7,7 7,7",                                   // a taken point
        "white 7,7 15,0",                                  // off a 15 x 15 board
    };
    for (const char* line : refused) {
        ASSERT_TRUE(tuning::parseRecordLine(line, game, why)) << line;
        why.clear();
        EXPECT_FALSE(set.addGame(game, 0, why)) << line;
        EXPECT_FALSE(why.empty()) << line;
    }
    EXPECT_EQ(set.positionCount(), 4u) << "a refused game adds nothing";
}

// Random games on a 15 x 15 board: stones near the centre, alternately,
// until one makes five or the game has `length` moves.
tuning::RecordedGame randomGame(uint32_t& seed, int length) {
    auto next = [&seed](int below) {
        seed = seed * 1103515245u + 12345u;
        return int(seed >> 16) % below;
    };
    int grid[15][15] = {};
    auto fiveThrough = [&grid](int x, int y) {
        static constexpr int steps[4][2] = {{0, 1}, {1, 0}, {1, 1}, {1, -1}};
        for (const auto& step : steps) {
            int count = 1;
            for (int sign : {1, -1})
                for (int i = 1; i < 5; ++i) {
                    const int px = x + sign * i * step[0], py = y + sign * i * step[1];
                    if (px < 0 || py < 0 || px >= 15 || py >= 15 || grid[px][py] != grid[x][y]) break;
                    ++count;
                }
            if (count >= 5) return true;
        }
        return false;
    };
    tuning::RecordedGame game;
    while (int(game.moves.size()) < length) {
        const int x = 3 + next(9), y = 3 + next(9);
        if (grid[x][y] != 0) continue;
        grid[x][y] = 1 + int(game.moves.size() % 2);
        game.moves.emplace_back(x, y);
        if (fiveThrough(x, y)) break;
    }
    return game;
}

TEST(TexelFit, FindsWeightsPlantedInTheTargets) {
    // Targets made by other weights than the defaults: the fit must bring the
    // error near zero and the weights near the planted ones.
    tuning::PositionSet set(15, 4);
    uint32_t seed = 5;
    std::string why;
    for (int i = 0; i < 30; ++i) ASSERT_TRUE(set.addGame(randomGame(seed, 36), i / 10, why)) << why;
    ASSERT_GT(set.positionCount(), 500u);

    search::EvaluationWeights planted;
    planted.contribution = 44;
    planted.toMove = 150;
    const double k = 1.0;
    set.relabel(planted, k);
    EXPECT_LT(set.meanError(planted, k), 1e-12) << "the planted weights predict their own targets";

    const search::EvaluationWeights start{};
    const double before = set.meanError(start, k);
    ASSERT_GT(before, 1e-4);
    const search::EvaluationWeights fitted = set.fitWeights(start, k, 60);
    EXPECT_LT(set.meanError(fitted, k), before / 20);
    EXPECT_NEAR(fitted.contribution, 44, 3);
    EXPECT_NEAR(fitted.toMove, 150, 20);
}

TEST(TexelFit, ScaleFitsTheSpreadOfTheTargets) {
    tuning::PositionSet set(15, 4);
    uint32_t seed = 9;
    std::string why;
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(set.addGame(randomGame(seed, 30), 0, why)) << why;
    const search::EvaluationWeights weights{};
    set.relabel(weights, 0.6);
    EXPECT_NEAR(set.fitScale(weights), 0.6, 0.01);
    EXPECT_NEAR(tuning::predictedScore(0, 0.6), 0.5, 1e-12);
    EXPECT_NEAR(tuning::predictedScore(400, 1.0), 10.0 / 11.0, 1e-12);
}

}  // namespace
