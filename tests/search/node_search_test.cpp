// The alpha-beta node search: immediate wins and forced blocks, short forced
// wins and the only defence, the horizon with extension credit, late-move
// pruning and reductions, aborts, and agreement with an exhaustive solver on tiny boards.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "board/forbidden.h"
#include "search/busy_nodes.h"
#include "search/evaluation.h"
#include "search/hash_tables.h"
#include "search/node_search.h"
#include "search/search_fixture.h"
#include "search/threat_search.h"
#include "search/transposition_table.h"

using namespace search;
using namespace searchtest;

namespace {

constexpr int W = WinScore;
constexpr int Inf = RootWindow;

class NodeSearchTest : public SearchTest {
protected:
    // A search of remaining depth d as a node at `level` of its iteration.
    int search(int d, int alpha, int beta, int side, int c = 0, int level = 0) {
        prepare(d + level);
        return alphaBetaSearch(searchState, d, alpha, beta, side, c);
    }

    // Moves of the main table entry for the current position (-1 when empty).
    void tableMoves(int side, int* mx, int* my) {
        for (int i = 0; i < 3; ++i) mx[i] = my[i] = -1;
        probeTranspositionTable(tables, -100, -Inf, Inf, side, board.hashKey, mx, my, 3);
    }

    // Far stones that take no part in anything.
    void farStones(char c, int count) {
        static const int spots[6][2] = {{0, 0}, {0, 14}, {14, 0}, {14, 14}, {0, 7}, {14, 7}};
        for (int i = 0; i < count; ++i) stone(spots[i][0], spots[i][1], boardtest::cellOfChar(c));
    }
};

// ---------------------------------------------------------------------------
// Node entry

TEST_F(NodeSearchTest, FivePointWinsAtOnceWithoutTheTable) {
    for (int rule : {board::FreeStyle, board::Standard, board::Renju}) {
        SCOPED_TRACE(rule);
        newGame(15, 15, rule);
        stones(7, 3, 0, "OXXXX");  // black five point (7,8)
        farStones('O', 3);
        const uint64_t key = board.hashKey;
        EXPECT_EQ(search(2, 0, 1, 1), 2 + W);
        EXPECT_EQ(search(5, -Inf, Inf, 1, 3), 5 + W);
        EXPECT_FALSE(hasMainEntry(1, key)) << "nothing stored";
        EXPECT_FALSE(hasCacheEntry(0, 1, key)) << "no threat search";

        // A stored value for the position is not even looked at.
        storeTranspositionTable(tables, 50, 777, ExactBound, 1, key, -1, -1, -1, -1, -1, -1);
        EXPECT_EQ(search(2, 0, 1, 1), 2 + W);
        EXPECT_EQ(searchState.nodeCount, 1);
    }
}

TEST_F(NodeSearchTest, OpenFourWinsAtOnceButForRenjuBlackOnAForbiddenFirstPoint) {
    // Black open three in row 7 with open-four points (7,4) and (7,8); a black
    // three in column 4, blocked at (3,4), makes (7,4) a double four.
    auto setUp = [&](int rule, bool black) {
        newGame(15, 15, rule);
        const std::string row = black ? "XXX" : "OOO", column = black ? "OXXX" : "XOOO";
        stones(7, 5, 0, row);
        stones(3, 4, 1, column);
        farStones(black ? 'O' : 'X', 4);
    };
    setUp(board::FreeStyle, true);
    EXPECT_EQ(search(3, -Inf, Inf, 1), 3 + W);
    setUp(board::Renju, false);
    EXPECT_EQ(search(3, -Inf, Inf, 2), 3 + W);

    setUp(board::Renju, true);
    ASSERT_EQ(board::isForbidden(board, 7, 4), 1);
    ASSERT_EQ(board::isForbidden(board, 7, 8), 0);
    // Not claimed at once; black still wins by playing (7,8) (its five at
    // (7,4) is a five, not a forbidden move), found by searching.
    const int v = search(3, -Inf, Inf, 1);
    EXPECT_TRUE(isWin(v)) << v;
    EXPECT_LT(v, 3 + W);
}

TEST_F(NodeSearchTest, OpponentFiveOnlyTheBlockIsSearched) {
    for (int rule : {board::FreeStyle, board::Standard, board::Renju}) {
        SCOPED_TRACE(rule);
        newGame(15, 15, rule);
        stones(7, 3, 0, "XOOOO");   // white five point (7,8)
        stones(10, 2, 0, "XX.X");   // black has fours and threes of its own
        stones(3, 10, 1, "X.X");
        farStones('O', 1);
        const uint64_t key = board.hashKey;
        const int v = search(2, -Inf, Inf, 1);
        EXPECT_FALSE(isLoss(v)) << v;
        const PvLine& pv = searchState.pvLines[0];
        ASSERT_GE(pv.length, 1);
        EXPECT_EQ(pv.moves[0].x, 7);
        EXPECT_EQ(pv.moves[0].y, 8);
        int mx[3], my[3];
        tableMoves(1, mx, my);
        EXPECT_EQ(mx[0], 7);
        EXPECT_EQ(my[0], 8);
        EXPECT_EQ(mx[1], -1) << "a second move was searched";
        EXPECT_EQ(mx[2], -1);
        EXPECT_FALSE(hasCacheEntry(0, 1, key)) << "the forced node ran a threat search";
        EXPECT_EQ(boardProblem(), "");
    }
}

TEST_F(NodeSearchTest, RenjuForbiddenBlockLeavesBlackWithoutAMove) {
    // White's diagonal (3,0) .. (6,3) threatens five at (7,4), which black's
    // threes in column 4 and row 7 make a double four for black.
    newGame(15, 15, board::Renju);
    stones(3, 0, 3, "OOOO");
    stones(3, 4, 1, "OXXX");
    stones(7, 5, 0, "XXXO");
    ASSERT_EQ(board::isForbidden(board, 7, 4), 1);
    EXPECT_EQ(search(3, -Inf, Inf, 1), -9999998 - 3);
    EXPECT_EQ(search(1, -Inf, Inf, 1), -9999998 - 1);
    search::clearHashTables(tables);
    EXPECT_EQ(search(3, -500, 500, 1), -500) << "not below alpha";
    EXPECT_EQ(searchState.interiorNodeCount, 1);
    // The table keeps the node's own value, not the window bound.
    int mx[3], my[3];
    EXPECT_EQ(probeTranspositionTable(tables, 3, -Inf, Inf, 1, board.hashKey, mx, my, 1), -9999998 - 3);
    // White to move simply wins.
    EXPECT_EQ(search(3, -Inf, Inf, 2), 3 + W);
}

// ---------------------------------------------------------------------------
// Short forced wins and the only defence

TEST_F(NodeSearchTest, DoubleOpenThreeWinsAtDepthThreeNotAtDepthOne) {
    for (int rule : {board::FreeStyle, board::Standard, board::Renju}) {
        SCOPED_TRACE(rule);
        // White twos in row 7 and column 7 meet at (7,7): playing it makes two
        // open threes. White has no four anywhere, so this is no chain of
        // fours: black blocks one three, the other becomes an open four. White
        // is used so that Renju's double-three ban does not apply.
        newGame(15, 15, rule);
        stones(7, 5, 0, "OO");
        stones(5, 7, 1, "OO");
        farStones('X', 5);
        const uint64_t key = board.hashKey;
        prepare(4);
        EXPECT_EQ(vcfSearch(searchState, 4, 2, 0, 0), 0) << "not a chain of fours";

        search::clearHashTables(tables);
        const int shallow = search(1, -Inf, Inf, 2);
        EXPECT_FALSE(isWin(shallow)) << shallow;

        search::clearHashTables(tables);
        const int deep = search(3, -Inf, Inf, 2);
        EXPECT_TRUE(isWin(deep)) << deep;
        EXPECT_LT(deep, 3 + W);
        EXPECT_EQ(searchState.pvLines[0].moves[0].x, 7);
        EXPECT_EQ(searchState.pvLines[0].moves[0].y, 7);
        EXPECT_EQ(board.hashKey, key);
        EXPECT_EQ(boardProblem(), "");

        // Seen from black to move, the same position is safe: black takes (7,7).
        search::clearHashTables(tables);
        const int defended = search(3, -Inf, Inf, 1);
        EXPECT_FALSE(isLoss(defended)) << defended;
    }
}

TEST_F(NodeSearchTest, FindsTheOnlyDefenceAgainstTwoOpenThrees) {
    // White open threes in row 7 and column 8 share the open-four point (7,8);
    // black has nothing. Every black move but (7,8) lets white make an open
    // four.
    newGame(15, 15, board::FreeStyle);
    stones(7, 5, 0, "OOO");
    stones(4, 8, 1, "OOO");
    farStones('X', 6);
    const int v = search(3, -Inf, Inf, 1);
    EXPECT_FALSE(isLoss(v)) << v;
    EXPECT_EQ(searchState.pvLines[0].moves[0].x, 7);
    EXPECT_EQ(searchState.pvLines[0].moves[0].y, 8);

    // Any other black move loses.
    for (auto [x, y] : {std::pair{7, 4}, {3, 8}, {7, 9}, {8, 8}, {10, 10}}) {
        search::clearHashTables(tables);
        stone(x, y, 1);
        prepare(3);
        const int r = -alphaBetaSearch(searchState, 2, -Inf, Inf, 2, 0);
        board::unmakeMove(board, x, y, 1);
        --moveCount;
        EXPECT_TRUE(isLoss(r)) << x << "," << y << ": " << r;
    }
}

// ---------------------------------------------------------------------------
// Horizon and pruning

// A parallel search puts off a move whose node another thread is in: that
// changes the order of the moves, never which are searched. Black has one
// defence against two open threes; every other move loses alike, so the
// table's second and third moves are the first two losing moves searched.
TEST_F(NodeSearchTest, MovesPutOffForAnotherThreadAreStillSearched) {
    newGame(15, 15, board::FreeStyle);
    stones(7, 5, 0, "OOO");
    stones(4, 8, 1, "OOO");
    farStones('X', 6);
    visitAll();
    auto busy = std::make_unique<BusyNodes>();
    auto childKey = [this](int x, int y) { return board.hashKey ^ board.zobristKeys[x][y][0]; };
    int mx[3], my[3];
    auto searchWith = [&](BusyNodes* marks) {
        search::clearHashTables(tables);
        search::clearMoveHistory(searchState);
        searchState.limits.busy = marks;
        const int v = search(4, -Inf, Inf, 1);
        searchState.limits.busy = nullptr;
        tableMoves(1, mx, my);
        return v;
    };
    const int plain = searchWith(nullptr);
    ASSERT_EQ(mx[0], 7);
    ASSERT_EQ(my[0], 8);
    ASSERT_NE(mx[2], -1) << "two losing moves after the defence";
    const int ax = mx[1], ay = my[1], bx = mx[2], by = my[2];

    // The first losing move marked: it waits, and the next one comes first.
    busy->enter(childKey(ax, ay));
    EXPECT_EQ(searchWith(busy.get()), plain);
    EXPECT_EQ(std::make_pair(mx[0], my[0]), std::make_pair(7, 8));
    EXPECT_EQ(std::make_pair(mx[1], my[1]), std::make_pair(bx, by));
    EXPECT_TRUE(busy->has(childKey(ax, ay))) << "a search leaves others' marks alone";

    // Every move marked: all but the first wait, in their order, and are searched.
    for (int x = 0; x < 15; ++x)
        for (int y = 0; y < 15; ++y)
            if (board::cellAt(board, x, y) == 0) busy->enter(childKey(x, y));
    ASSERT_TRUE(busy->has(childKey(bx, by)));
    EXPECT_EQ(searchWith(busy.get()), plain);
    EXPECT_EQ(std::make_pair(mx[0], my[0]), std::make_pair(7, 8));
    EXPECT_EQ(std::make_pair(mx[1], my[1]), std::make_pair(ax, ay));
    EXPECT_EQ(std::make_pair(mx[2], my[2]), std::make_pair(bx, by));
}

TEST_F(NodeSearchTest, HorizonUsesTheCreditInWholeMultiplesOfFour) {
    newGame(15, 15, board::FreeStyle);
    stones(7, 6, 0, "XO");
    stones(8, 6, 0, "OX");
    const uint64_t key = board.hashKey;
    const int leaf = evaluateLeaf(searchState, 0, 1);

    // d = 0, c = 3: table depth 1, but 0 + 2 * (3 / 4) = 0 is the horizon.
    EXPECT_EQ(search(0, -Inf, Inf, 1, 3, 2), leaf);
    EXPECT_EQ(searchState.interiorNodeCount, 0);
    int mx[3], my[3];
    EXPECT_EQ(probeTranspositionTable(tables, 1, -Inf, Inf, 1, key, mx, my, 1), leaf) << "stored at table depth 1";
    EXPECT_EQ(probeTranspositionTable(tables, 2, -Inf, Inf, 1, key, mx, my, 1), MissValue);

    // d = 0, c = 4: 0 + 2 = 2, searched with table depth 2.
    search::clearHashTables(tables);
    search(0, -Inf, Inf, 1, 4, 2);
    EXPECT_GE(searchState.interiorNodeCount, 1);
    EXPECT_NE(probeTranspositionTable(tables, 2, -Inf, Inf, 1, key, mx, my, 1), MissValue);
    EXPECT_EQ(probeTranspositionTable(tables, 3, -Inf, Inf, 1, key, mx, my, 1), MissValue);
    EXPECT_EQ(boardProblem(), "");
}

TEST_F(NodeSearchTest, LateMovePruningFollowsTheCautionFactor) {
    // Stones of each colour five apart: no three, four or strong point for
    // either side, and no point with two lines of a two. A null-window node at
    // level 3 with table depth 1 whose every move fails low then takes its
    // quiet moves from the second pass alone (points that matter to a side
    // and lie near a stone), each of them a leaf.
    newGame(15, 15, board::FreeStyle);
    for (int x : {2, 7, 12})
        for (int y : {2, 7, 12}) stone(x, y, 1);
    for (int x : {4, 9})
        for (int y : {4, 9}) stone(x, y, 2);
    visitAll();  // scores as the searches will see them
    const auto& b = board;
    for (int c = 0; c < 4; ++c) ASSERT_EQ(b.threats[c].summary[0] | b.threats[c].summary[1], 0u) << c;
    ASSERT_EQ(b.strongPoints.summary[0] | b.strongPoints.summary[1], 0u);
    int listed = 0;
    for (int x = 0; x < 15; ++x)
        for (int y = 0; y < 15; ++y) {
            if (b.cells[x][y] != 0) continue;
            int wide[2] = {0, 0};
            for (int d = 0; d < 4; ++d)
                for (int s = 0; s < 2; ++s) wide[s] += b.points[x][y].code[d][s] >= board::WideTwo;
            ASSERT_TRUE(wide[0] < 2 && wide[1] < 2);
            bool near = false;
            for (int dx = -2; dx <= 2; ++dx)
                for (int dy = -2; dy <= 2; ++dy)
                    if (board.geometry.onBoard(x + dx, y + dy) && b.cells[x + dx][y + dy] != 0) near = true;
            if (near && (b.points[x][y].score[0] > 7 || b.points[x][y].score[1] > 8)) ++listed;
        }
    ASSERT_GT(listed, 7);

    auto childrenSearched = [&](int caution) {
        searchState.limits.cautionFactor = caution;
        search::clearHashTables(tables);
        const int v = search(1, 20000, 20001, 1, 0, 3);
        EXPECT_LE(v, 20000);
        return searchState.nodeCount - searchState.threatNodeCount - 1;
    };
    // Stage 6 at table depth 1: the node ends after the move numbered 6.
    EXPECT_EQ(childrenSearched(0), 7);
    EXPECT_EQ(childrenSearched(1), 7);
    EXPECT_EQ(childrenSearched(2), listed);
    // At level 2 the pruning never applies.
    searchState.limits.cautionFactor = 1;
    search::clearHashTables(tables);
    search(1, 20000, 20001, 1, 0, 2);
    EXPECT_EQ(searchState.nodeCount - searchState.threatNodeCount - 1, listed);
    // Nor in a node with an open window.
    search::clearHashTables(tables);
    search(1, 20000, 30000, 1, 0, 3);
    EXPECT_EQ(searchState.nodeCount - searchState.threatNodeCount - 1, listed);
}

TEST(LateMoveReduction, ReducesOnlyLateMovesThatBuildNothing) {
    auto quiet = [](int index) { return PickedMove{7, 7, 20 + index, QuietStage, QuietStage, index}; };
    auto block = [](int index) { return PickedMove{7, 7, 20 + index, BlockStage, BlockStage, index}; };
    const int low = ClassifiedScore - 1;  // no three at the point
    const int d = ReductionMinDepth, deep = ReductionDeepDepth;
    const int late = ReductionFirstMove, later = ReductionDeepMove;

    // A late quiet move of a deep enough node, in either window.
    EXPECT_EQ(lateMoveReduction(quiet(late), d, low, low, 0, true), 1);
    EXPECT_EQ(lateMoveReduction(quiet(late), d, low, low, 1, false), 1) << "the open window's class bump";
    EXPECT_EQ(lateMoveReduction(quiet(later), deep, low, low, 0, true), 2);
    EXPECT_EQ(lateMoveReduction(quiet(later - 1), deep, low, low, 0, true), 1);
    EXPECT_EQ(lateMoveReduction(quiet(later), deep - 1, low, low, 0, true), 1);

    // Never: near the horizon, the first quiet moves (the killers'), a move that
    // makes a three or stops one of the other side in the quiet stage, a move
    // with extension credit.
    EXPECT_EQ(lateMoveReduction(quiet(later), d - 1, low, low, 0, true), 0);
    EXPECT_EQ(lateMoveReduction(quiet(late - 1), deep, low, low, 0, true), 0);
    EXPECT_EQ(lateMoveReduction(quiet(later), deep, ClassifiedScore, low, 0, true), 0);
    EXPECT_EQ(lateMoveReduction(quiet(later), deep, low, ClassifiedScore, 0, true), 0);
    EXPECT_EQ(lateMoveReduction(quiet(later), deep, low, low, 1, true), 0);
    EXPECT_EQ(lateMoveReduction(quiet(later), deep, low, low, 2, false), 0);

    // Blocks of the other side's threes and fours: one ply after the first,
    // however strong the other side's point, unless side makes a three there.
    EXPECT_EQ(lateMoveReduction(block(ReductionFirstBlock), d, low, FourScore, 0, true), 1);
    EXPECT_EQ(lateMoveReduction(block(later), deep, low, FourScore, 0, true), 1);
    EXPECT_EQ(lateMoveReduction(block(ReductionFirstBlock - 1), deep, low, FourScore, 0, true), 0);
    EXPECT_EQ(lateMoveReduction(block(later), deep, ClassifiedScore, FourScore, 0, true), 0);

    // Table moves and the threat stages never.
    for (int stage : {ForcedStage, TableStage, 1, OpenFourDefenceStage, 3, 4})
        EXPECT_EQ(lateMoveReduction(PickedMove{7, 7, 30, stage, stage, later}, deep, 0, 0, 0, true), 0) << stage;
}

// ---------------------------------------------------------------------------
// Aborts

TEST_F(NodeSearchTest, AbortReturnsZeroLeavesTheBoardAndStoresNothingOnItsPath) {
    for (int rule : {board::FreeStyle, board::Renju}) {
        SCOPED_TRACE(rule);
        newGame(15, 15, rule);
        for (int x : {3, 7, 11})
            for (int y : {3, 7, 11}) stone(x, y, 1 + (x + y) / 2 % 2);
        stones(6, 6, 3, "X.O");
        stones(8, 5, 0, "O.X");
        visitAll();
        const uint64_t key = board.hashKey;
        const int full = search(3, -Inf, Inf, 1);
        ASSERT_FALSE(searchState.searchAborted);
        const int64_t total = searchState.nodeCount;
        ASSERT_GT(total, 50);
        board::BoardSnapshot snapshot;
        board::takeSnapshot(board, snapshot);

        maxNode.store(0);
        const int64_t step = total / 40 + 1;
        for (int64_t k = 1; k <= total; k += step) {
            search::clearHashTables(tables);
            prepare(3);
            searchState.nodeCount = 1024 - k;
            const int v = alphaBetaSearch(searchState, 3, -Inf, Inf, 1, 0);
            ASSERT_TRUE(searchState.searchAborted) << k;
            EXPECT_EQ(v, 0) << k;
            std::string why;
            EXPECT_TRUE(board::matchesSnapshot(board, snapshot, &why)) << k << ": " << why;
            EXPECT_EQ(board.hashKey, key);
            EXPECT_FALSE(hasMainEntry(1, key)) << "the aborted node stored, k = " << k;
        }
        // The stop request works the same way, and once lifted the search is whole.
        maxNode.store(-1);
        search::clearHashTables(tables);
        prepare(3);
        searchState.nodeCount = 1024 - total / 2;
        stop.store(1);
        EXPECT_EQ(alphaBetaSearch(searchState, 3, -Inf, Inf, 1, 0), 0);
        EXPECT_TRUE(searchState.searchAborted);
        stop.store(0);
        search::clearHashTables(tables);
        EXPECT_EQ(search(3, -Inf, Inf, 1), full);
        EXPECT_TRUE(hasMainEntry(1, key));
    }
}

// ---------------------------------------------------------------------------
// Exhaustive cross-check

TEST_F(NodeSearchTest, WinsAndLossesAgreeWithAnExhaustiveSolverOnTinyBoards) {
    // 6 x 6 boards with 7 to 9 empty points, searched to the end of the game.
    // With caution 3 and a full window no move that matters is left out, so a
    // win or loss claimed by the search must be real, and a real one must be
    // found.
    boardtest::Random random(2024);
    int decided = 0;
    for (int round = 0; round < 80; ++round) {
        const int rule = round % 2 == 0 ? board::FreeStyle : board::Standard;
        newGame(6, 6, rule);
        searchState.limits.cautionFactor = 3;
        const int empties = 7 + random.below(4);
        const int filled = 36 - empties;
        if (!fillWithoutFive(random, empties)) continue;
        Grid g = Grid::fromBoard(board);
        const int side = filled % 2 + 1;
        BruteSolver solver(g);
        const int exact = solver.solve(side);
        const int v = search(empties, -Inf, Inf, side);
        SCOPED_TRACE(testing::Message() << "round " << round << " value " << v << " exact " << exact);
        EXPECT_EQ(isWin(v), exact == 1);
        EXPECT_EQ(isLoss(v), exact == -1);
        EXPECT_EQ(boardProblem(), "");
        decided += exact != 0;
    }
    EXPECT_GT(decided, 5);
}

}  // namespace
