// The staged move loop: what each stage gives, in what order, and the
// bookkeeping both searches rely on (move numbers, stage ends, taken counts).
#include <gtest/gtest.h>

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
