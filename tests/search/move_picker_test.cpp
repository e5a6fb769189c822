// The staged move loop: what each stage gives, in what order, and the
// bookkeeping both searches rely on (move numbers, stage ends, taken counts).
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

#include "board/forbidden.h"
#include "search/move_picker.h"
#include "search/node_search.h"
#include "search/search_fixture.h"
#include "search/transposition_table.h"

using namespace search;
using namespace searchtest;

namespace {

constexpr int Inf = RootWindow;

struct Given {
    PickedMove move;
    bool stageEnds;  // stageEndsWithin(1) right after the move was given
};

class MovePickerTest : public SearchTest {
protected:
    // Every move a picker of the given kind gives for side at level 0.
    std::vector<Given> pickAll(int side, bool root, int& taken) {
        prepare(4);
        const bool forced = board.threats[board::FivePoint].summary[2 - side] != 0;
        MovePicker picker(searchState, {.level = 0, .side = side, .forced = forced, .root = root, .tableDepth = 4});
        std::vector<Given> given;
        PickedMove move;
        while (picker.next(-Inf, Inf, move)) given.push_back({move, picker.stageEndsWithin(1)});
        taken = picker.taken();
        return given;
    }

    static std::pair<int, int> point(const Given& g) { return {g.move.x, g.move.y}; }
};

TEST_F(MovePickerTest, ForcedNodeGivesOnlyTheBlock) {
    newGame(15, 15, board::FreeStyle);
    stones(7, 3, 0, "XOOOO");  // white five point (7,8)
    stones(3, 3, 0, "XX.X");
    int taken = 0;
    const std::vector<Given> given = pickAll(1, false, taken);
    ASSERT_EQ(given.size(), 1u);
    EXPECT_EQ(point(given[0]), std::pair(7, 8));
    EXPECT_EQ(given[0].move.stage, -1);
    EXPECT_EQ(given[0].move.stageNumber, 12);
    EXPECT_EQ(given[0].move.moveNumber, 0);
    EXPECT_EQ(taken, 1);
}

TEST_F(MovePickerTest, TableMovesComeFirstInTheTablesOrderAndOnlyOnce) {
    newGame(15, 15, board::FreeStyle);
    stones(7, 5, 0, "XXX");
    stones(6, 5, 0, "OO");
    // (7,5) is occupied: the table's move there is passed over.
    storeTranspositionTable(tables, 1, 0, UpperBound, 1, board.hashKey, 9, 9, 7, 5, 7, 8);
    int taken = 0;
    const std::vector<Given> given = pickAll(1, false, taken);
    ASSERT_GE(given.size(), 3u);
    EXPECT_EQ(point(given[0]), std::pair(9, 9));
    EXPECT_EQ(point(given[1]), std::pair(7, 8));
    EXPECT_EQ(given[0].move.stage, 0);
    EXPECT_EQ(given[1].move.stage, 0);
    EXPECT_TRUE(given[1].stageEnds);
    EXPECT_NE(given[2].move.stage, 0);
    for (size_t i = 2; i < given.size(); ++i) {
        EXPECT_NE(point(given[i]), std::pair(9, 9));
        EXPECT_NE(point(given[i]), std::pair(7, 8));
    }
}

TEST_F(MovePickerTest, StagesKeepTheirOrderAndNumberTheMovesInTurn) {
    for (int rule : {board::FreeStyle, board::Standard, board::Renju})
        for (uint64_t seed = 1; seed <= 6; ++seed) {
            SCOPED_TRACE(testing::Message() << "rule " << rule << " seed " << seed);
            newGame(15, 15, rule);
            boardtest::Random random(seed);
            ASSERT_TRUE(fillWithoutFive(random, 225 - 24));
            const int side = 1 + int(seed % 2);
            for (bool root : {false, true}) {
                int taken = 0;
                const std::vector<Given> given = pickAll(side, root, taken);
                EXPECT_EQ(taken, int(given.size()));
                std::set<std::pair<int, int>> seen;
                for (size_t i = 0; i < given.size(); ++i) {
                    const PickedMove& m = given[i].move;
                    EXPECT_EQ(m.moveNumber, int(i));
                    EXPECT_EQ(board.cells[m.x][m.y], 0);
                    EXPECT_TRUE(seen.insert({m.x, m.y}).second) << "given twice: " << m.x << "," << m.y;
                    if (rule == board::Renju && side == 1) {
                        EXPECT_FALSE(board::isForbidden(board, m.x, m.y));
                    }
                    const bool last = i + 1 == given.size();
                    if (!last) {
                        EXPECT_LE(m.stage, given[i + 1].move.stage);
                    }
                    EXPECT_EQ(given[i].stageEnds, last || given[i + 1].move.stage != m.stage);
                    const bool first = i == 0 || given[i - 1].move.stage != m.stage;
                    EXPECT_EQ(m.stageIndex, first ? 0 : given[i - 1].move.stageIndex + 1);
                }
            }
        }
}

TEST_F(MovePickerTest, RootSkipsMaskedPointsButNeverRunsDry) {
    newGame(15, 15, board::FreeStyle);
    stones(7, 6, 0, "XOX");
    stones(8, 6, 0, "O");
    // Everything masked but one corner, far from every stone.
    for (int x = 0; x < 15; ++x)
        for (int y = 0; y < 15; ++y)
            if (board.cells[x][y] == 0 && !(x == 0 && y == 0)) mask.set(x, y);
    int taken = 0;
    const std::vector<Given> atRoot = pickAll(1, true, taken);
    ASSERT_EQ(atRoot.size(), 1u);
    EXPECT_EQ(point(atRoot[0]), std::pair(0, 0));
    EXPECT_EQ(atRoot[0].move.stage, 6);

    // Below the root the mask means nothing, and the corner is too far away.
    const std::vector<Given> below = pickAll(1, false, taken);
    EXPECT_GT(below.size(), 1u);
    for (const Given& g : below) EXPECT_NE(point(g), std::pair(0, 0));
}

}  // namespace

// Quiet moves: a quiet cutoff makes its move the level's first killer, tried
// before every other quiet move there (the killer before it second); history
// credit earned elsewhere puts a move ahead of one with the same point scores;
// a new think forgets both.
TEST_F(MovePickerTest, KillersAndHistoryOrderTheQuietMoves) {
    newGame(15, 15, board::FreeStyle);
    stones(7, 7, 0, "X.O");
    stones(8, 6, 1, "XO");
    auto quietMoves = [&] {
        int taken = 0;
        std::vector<std::pair<int, int>> quiet;
        for (const Given& g : pickAll(1, false, taken))
            if (g.move.stage == QuietStage) quiet.push_back(point(g));
        return quiet;
    };
    const std::vector<std::pair<int, int>> plain = quietMoves();
    ASSERT_GE(plain.size(), 4u);

    const auto last = plain.back(), third = plain[2];
    noteQuietCutoff(searchState, 0, 1, last.first, last.second, 3);
    EXPECT_EQ(quietMoves().front(), last);
    noteQuietCutoff(searchState, 0, 1, third.first, third.second, 3);
    const std::vector<std::pair<int, int>> killed = quietMoves();
    EXPECT_EQ(killed[0], third);
    EXPECT_EQ(killed[1], last);
    EXPECT_EQ(killed.size(), plain.size());

    // Two neighbours in the plain order with the same point scores.
    clearMoveHistory(searchState);
    EXPECT_EQ(quietMoves(), plain);
    auto key = [&](std::pair<int, int> p) {
        return board.points[p.first][p.second].score[1] / 2 + board.points[p.first][p.second].score[0];
    };
    size_t i = 0;
    while (i + 1 < plain.size() && key(plain[i]) != key(plain[i + 1])) ++i;
    ASSERT_LT(i + 1, plain.size()) << "no two quiet moves with the same scores";
    const auto later = plain[i + 1];
    noteQuietCutoff(searchState, 5, 1, later.first, later.second, 4);  // another level: history only
    const std::vector<std::pair<int, int>> ordered = quietMoves();
    const auto at = [&](std::pair<int, int> p) { return std::find(ordered.begin(), ordered.end(), p) - ordered.begin(); };
    EXPECT_LT(at(later), at(plain[i]));
    // White's history is white's own.
    clearMoveHistory(searchState);
    noteQuietCutoff(searchState, 5, 2, later.first, later.second, 4);
    EXPECT_EQ(quietMoves(), plain);
}
