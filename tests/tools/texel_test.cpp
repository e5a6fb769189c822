// The evaluation tuner: reading record lines, choosing positions, and a fit
// that finds weights planted in the targets.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "board/pattern_tables.h"
#include "search/tuning.h"
#include "tuning/search_judge.h"
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

// Weights other than the defaults, whatever these are, and within the fit's
// bounds (0 to four times the start).
tuning::EvaluationParameters plantedWeights() {
    tuning::EvaluationParameters planted;
    planted.weights.opponentThreat *= 2;
    planted.weights.toMove = planted.weights.toMove * 3 + 20;
    return planted;
}

tuning::PositionSet::FitOptions sixtyRounds() {
    tuning::PositionSet::FitOptions options;
    options.rounds = 60;
    return options;
}

TEST(TexelPositions, SearchValuesComeForBlackAndBecomeTargetsInTheSetsOrder) {
    // Each side in turn with an open three and the move: a win for it, which
    // the judge must give for black, whoever is to move.
    tuning::SearchJudge judge(15, 10);
    tuning::RecordedGame blackWins, whiteWins;
    std::string why;
    ASSERT_TRUE(tuning::parseRecordLine("black 7,5 0,0 7,6 0,14 7,7 14,0", blackWins, why));
    ASSERT_TRUE(tuning::parseRecordLine("white 0,0 7,5 0,14 7,6 14,0 7,7 14,14", whiteWins, why));
    EXPECT_GE(judge.valueForBlack(0, blackWins.moves, 6), search::MateThreshold);
    EXPECT_LE(judge.valueForBlack(0, whiteWins.moves, 7), -search::MateThreshold);
    // An even position after one move each: no win either way.
    const int early = judge.valueForBlack(0, blackWins.moves, 2);
    EXPECT_LT(early, search::MateThreshold);
    EXPECT_GT(early, -search::MateThreshold);

    tuning::PositionSet set(15, 2);
    ASSERT_TRUE(set.addGame(blackWins, 0, why)) << why;
    ASSERT_TRUE(set.addGame(whiteWins, 2, why)) << why;
    std::vector<std::pair<int, int>> seen;  // (rule, plies)
    set.forEachPlayed([&seen](int rule, const tuning::Moves& moves, int plies) {
        EXPECT_LE(size_t(plies), moves.size());
        seen.emplace_back(rule, plies);
    });
    ASSERT_EQ(seen.size(), set.positionCount());
    EXPECT_EQ(seen.front(), std::make_pair(0, 2));
    EXPECT_EQ(seen.back().first, 2);
    // Targets set by index: a set whose every target is its own evaluation's
    // prediction has no error, and one whose targets are the results has some.
    const tuning::EvaluationParameters defaults{};
    set.relabel(defaults, 1.0);
    const double none = set.meanError(defaults, 1.0);
    EXPECT_LT(none, 1e-12);
    std::vector<double> results;
    set.retarget([&results](size_t index, double result) {
        EXPECT_EQ(index, results.size());
        results.push_back(result);
        return result;
    });
    ASSERT_EQ(results.size(), set.positionCount());
    EXPECT_EQ(results.front(), 1.0);
    EXPECT_EQ(results.back(), 0.0);
    EXPECT_GT(set.meanError(defaults, 1.0), 1e-3);
}

TEST(TexelFit, FindsWeightsPlantedInTheTargets) {
    // Targets made by other weights than the defaults: the fit must bring the
    // error near zero and the weights near the planted ones.
    tuning::PositionSet set(15, 4);
    uint32_t seed = 5;
    std::string why;
    for (int i = 0; i < 30; ++i) ASSERT_TRUE(set.addGame(randomGame(seed, 36), i / 10, why)) << why;
    ASSERT_GT(set.positionCount(), 500u);

    // (The contribution scale is left alone: the shape values can stand in
    // for much of it, so the fit need not find it again.)
    const tuning::EvaluationParameters start{};
    const tuning::EvaluationParameters planted = plantedWeights();
    const double k = 1.0;
    set.relabel(planted, k);
    EXPECT_LT(set.meanError(planted, k), 1e-12) << "the planted weights predict their own targets";

    const double before = set.meanError(start, k);
    ASSERT_GT(before, 1e-4);
    const tuning::EvaluationParameters fitted = set.fit(start, k, sixtyRounds());
    EXPECT_LT(set.meanError(fitted, k), before / 20);
    EXPECT_NEAR(fitted.weights.opponentThreat, planted.weights.opponentThreat, planted.weights.opponentThreat / 5);
    EXPECT_NEAR(fitted.weights.toMove, planted.weights.toMove, 20);
}

TEST(TexelFit, FindsShapeValuesPlantedInTheTargets) {
    // The shape values reach the evaluation only through the board's point
    // values: targets made with other values must be told apart from the
    // defaults, and the fit must move towards them.
    tuning::PositionSet set(15, 4);
    uint32_t seed = 7;
    std::string why;
    for (int i = 0; i < 30; ++i) ASSERT_TRUE(set.addGame(randomGame(seed, 36), i / 10, why)) << why;

    tuning::EvaluationParameters planted;
    planted.shapes.comboBase[board::SplitTwo] = -20;
    planted.shapes.comboBase[board::DeadThree] = -60;
    const double k = 1.0;
    set.relabel(planted, k);
    EXPECT_LT(set.meanError(planted, k), 1e-12);

    const tuning::EvaluationParameters start{};
    const double before = set.meanError(start, k);
    ASSERT_GT(before, 1e-5) << "the shape values change the evaluation";
    const tuning::EvaluationParameters fitted = set.fit(start, k, sixtyRounds());
    EXPECT_LT(set.meanError(fitted, k), before / 10);
    EXPECT_NEAR(fitted.shapes.comboBase[board::DeadThree], -60, 15);
    // A fit of the weights alone leaves every shape value where it was, and
    // so cannot come as close.
    tuning::PositionSet::FitOptions weightsOnlyFit;
    weightsOnlyFit.rounds = 60;
    weightsOnlyFit.weightsOnly = true;
    const tuning::EvaluationParameters weightsOnly = set.fit(start, k, weightsOnlyFit);
    for (int c = 0; c < 16; ++c) {
        EXPECT_EQ(weightsOnly.shapes.comboBase[c], start.shapes.comboBase[c]) << c;
        EXPECT_EQ(weightsOnly.shapes.comboWeight[c], start.shapes.comboWeight[c]) << c;
    }
    EXPECT_GT(set.meanError(weightsOnly, k), set.meanError(fitted, k));
    // A fit leaves the engine's own tables alone.
    const board::RuleTables& engine = board::ruleTables(0);
    auto fresh = std::make_unique<board::RuleTables>(engine);
    board::fillShapeTable(*fresh, 0, board::defaultShapeValues());
    EXPECT_EQ(std::memcmp(fresh->shapeTable, engine.shapeTable, sizeof fresh->shapeTable), 0);
    const tuning::EvaluationParameters defaults{};
    set.relabel(defaults, k);
    EXPECT_LT(set.meanError(defaults, k), 1e-12) << "the set's tables follow the values back";
}

TEST(TexelFit, APullHoldsTheValuesNearTheirStart) {
    tuning::PositionSet set(15, 4);
    uint32_t seed = 13;
    std::string why;
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(set.addGame(randomGame(seed, 36), i % 3, why)) << why;
    const tuning::EvaluationParameters start{};
    const tuning::EvaluationParameters planted = plantedWeights();
    const double k = 1.0;
    set.relabel(planted, k);

    tuning::PositionSet::FitOptions options;
    options.rounds = 30;
    options.weightsOnly = true;
    const tuning::EvaluationParameters free = set.fit(start, k, options);
    options.pull = 1e-3;
    const tuning::EvaluationParameters held = set.fit(start, k, options);
    options.pull = 1e3;  // a step of 1 costs more than any error can save
    const tuning::EvaluationParameters stuck = set.fit(start, k, options);

    tuning::EvaluationParameters a = start, b = stuck;
    for (const tuning::ParameterField& f : tuning::parameterFields()) EXPECT_EQ(f.field(b), f.field(a)) << f.name;
    // The pull trades error for distance: a pulled fit ends nearer the start
    // and with more error than a free one, yet with less than the start's.
    auto distance = [&start](const tuning::EvaluationParameters& p) {
        return std::abs(p.weights.opponentThreat - start.weights.opponentThreat) +
               std::abs(p.weights.toMove - start.weights.toMove);
    };
    EXPECT_LT(distance(held), distance(free));
    EXPECT_GT(distance(held), 0);
    EXPECT_GT(set.meanError(held, k), set.meanError(free, k));
    EXPECT_LT(set.meanError(held, k), set.meanError(start, k));
}

TEST(TexelFit, EveryParameterKeepsItsSign) {
    // Each parameter starts somewhere and stays on the side of 0 it started on.
    tuning::PositionSet set(15, 4);
    uint32_t seed = 11;
    std::string why;
    for (int i = 0; i < 12; ++i) ASSERT_TRUE(set.addGame(randomGame(seed, 30), i % 3, why)) << why;
    // Targets that reward whatever the defaults call good ten times over push
    // every parameter to its bound.
    tuning::EvaluationParameters start{};
    set.relabel(start, 10.0);
    tuning::PositionSet::FitOptions eightRounds;
    eightRounds.rounds = 8;
    const tuning::EvaluationParameters fitted = set.fit(start, 1.0, eightRounds);
    for (const tuning::ParameterField& f : tuning::parameterFields()) {
        tuning::EvaluationParameters a = start, b = fitted;
        const int from = f.field(a), to = f.field(b);
        EXPECT_TRUE(from >= 0 ? to >= 0 && to <= 4 * from : to <= 0 && to >= 4 * from) << f.name << " " << to;
    }
}

TEST(TexelFit, ScaleFitsTheSpreadOfTheTargets) {
    tuning::PositionSet set(15, 4);
    uint32_t seed = 9;
    std::string why;
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(set.addGame(randomGame(seed, 30), 0, why)) << why;
    const tuning::EvaluationParameters weights{};
    set.relabel(weights, 0.6);
    EXPECT_NEAR(set.fitScale(weights), 0.6, 0.01);
    EXPECT_NEAR(tuning::predictedScore(0, 0.6), 0.5, 1e-12);
    EXPECT_NEAR(tuning::predictedScore(400, 1.0), 10.0 / 11.0, 1e-12);
}

}  // namespace
