// The root search: masked points, immediate wins, the single-candidate flag,
// partial results after a stop, the live-analysis lines, and a consistency
// sweep over random positions of every rule.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "board/forbidden.h"
#include "search/hash_tables.h"
#include "search/node_search.h"
#include "search/root_search.h"
#include "search/search_fixture.h"
#include "search/transposition_table.h"

using namespace search;
using namespace searchtest;

namespace {

constexpr int W = WinScore;

class RootSearchTest : public SearchTest {
protected:
    int root(int depth, int side) {
        prepare(depth);
        searchState.bestMoveX = searchState.bestMoveY = -7;
        return rootSearch(searchState, side);
    }
    std::pair<int, int> best() { return {searchState.bestMoveX, searchState.bestMoveY}; }

    std::vector<std::string> lines(const std::string& text) {
        std::vector<std::string> result;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) result.push_back(line);
        return result;
    }

    // Masks every empty point but the given ones.
    void maskAllBut(const Points& keep) {
        mask.clear();
        for (int x = 0; x < board.geometry.boardHeight; ++x)
            for (int y = 0; y < board.geometry.boardWidth; ++y)
                if (board.cells[x][y] == 0 &&
                    std::find(keep.begin(), keep.end(), std::pair{x, y}) == keep.end())
                    mask.set(x, y);
    }

    // White open threes in row 7 and column 8 sharing the open-four point
    // (7,8); black (to move) has only far stones. (7,8) is black's only move
    // that does not lose.
    void onlyDefencePosition() {
        stones(7, 5, 0, "OOO");
        stones(4, 8, 1, "OOO");
        for (auto [x, y] : {std::pair{0, 0}, {0, 14}, {14, 0}, {14, 14}, {0, 7}, {14, 7}}) stone(x, y, 1);
    }
};

// ---------------------------------------------------------------------------

TEST_F(RootSearchTest, MaskedPointsAreNeverPlayed) {
    // Everything blocked but (7,7) and (7,8).
    newGame(15, 15, board::FreeStyle);
    for (int x = 0; x < 15; ++x)
        for (int y = 0; y < 15; ++y)
            if (!(x == 7 && (y == 7 || y == 8))) board::makeMove(board, x, y, 3);
    const int free = root(2, 1);
    EXPECT_FALSE(isLoss(free));
    EXPECT_TRUE(best() == std::pair(7, 7) || best() == std::pair(7, 8));

    mask.set(7, 7);
    root(2, 1);
    EXPECT_EQ(best(), std::pair(7, 8));

    mask.set(7, 8);
    search::clearHashTables(tables);
    EXPECT_EQ(root(2, 1), -9999998 - 2) << "no move to take, board not full";
    EXPECT_FALSE(hasMainEntry(1, board.hashKey)) << "a masked root says nothing about the position";
    EXPECT_EQ(best(), std::pair(-1, -1));
    EXPECT_EQ(root(5, 1), -9999998 - 5);
    EXPECT_EQ(boardProblem(), "");

    // The only defence masked: the root takes a losing move instead.
    newGame(15, 15, board::FreeStyle);
    onlyDefencePosition();
    mask.set(7, 8);
    EXPECT_TRUE(isLoss(root(3, 1)));
    EXPECT_NE(best(), std::pair(7, 8));
    EXPECT_EQ(searchState.singleCandidateFlag, 0);
}

TEST_F(RootSearchTest, MaskedTableMoveDoesNotHideTheOthers) {
    // A table entry for the root lists a masked point first and the only
    // defence second: the defence must still be searched.
    newGame(15, 15, board::FreeStyle);
    onlyDefencePosition();
    mask.set(10, 10);
    storeTranspositionTable(tables, 1, 0, UpperBound, 1, board.hashKey, 10, 10, 7, 8, -1, -1);
    const int v = root(3, 1);
    EXPECT_FALSE(isLoss(v)) << v;
    EXPECT_EQ(best(), std::pair(7, 8));
    EXPECT_EQ(searchState.singleCandidateFlag, 1);
}

TEST_F(RootSearchTest, FivePointReturnsAtOnceAndKeepsBestMove) {
    for (int rule : {board::FreeStyle, board::Standard, board::Renju}) {
        SCOPED_TRACE(rule);
        newGame(15, 15, rule);
        stones(7, 3, 0, "OXXXX");
        stones(0, 0, 0, "O.O.O");
        searchState.limits.showDetail = 1;
        captured.lines.clear();
        EXPECT_EQ(root(8, 1), 8 + W);
        EXPECT_EQ(root(1, 1), 1 + W);
        EXPECT_EQ(captured.take(), "");
        EXPECT_EQ(best(), std::pair(-7, -7));
        EXPECT_EQ(searchState.interiorNodeCount, 0);
    }
}

TEST_F(RootSearchTest, SingleCandidateFlagCountsTheMovesThatDoNotLose) {
    newGame(15, 15, board::FreeStyle);
    onlyDefencePosition();
    const int v = root(3, 1);
    EXPECT_FALSE(isLoss(v)) << v;
    EXPECT_EQ(best(), std::pair(7, 8));
    EXPECT_EQ(searchState.singleCandidateFlag, 1);
    EXPECT_EQ(searchState.pvLines[0].moves[0].x, 7);
    EXPECT_EQ(searchState.pvLines[0].moves[0].y, 8);

    // Two open threes with no common point: every move loses.
    newGame(15, 15, board::FreeStyle);
    stones(7, 5, 0, "OOO");
    stones(2, 12, 1, "OOO");
    for (auto [x, y] : {std::pair{0, 0}, {14, 0}, {14, 14}, {0, 7}, {14, 7}, {12, 2}}) stone(x, y, 1);
    EXPECT_TRUE(isLoss(root(3, 1)));
    EXPECT_EQ(searchState.singleCandidateFlag, 0);
    EXPECT_TRUE(board.geometry.onBoard(best().first, best().second));

    // A quiet position: many moves hold.
    newGame(15, 15, board::FreeStyle);
    stones(7, 7, 0, "XO");
    stones(8, 7, 0, "O");
    EXPECT_FALSE(isLoss(root(2, 1)));
    EXPECT_EQ(searchState.singleCandidateFlag, 0);
}

TEST_F(RootSearchTest, StopDuringTheThirdMoveReturnsTheBetterOfTheFirstTwo) {
    // Black to move may only play A = (3,7), Q = (10,7) or C = (12,4):
    //  A, black's only strong point (two open threes), comes first and loses:
    //    white answers at Q with a double four;
    //  Q, white's strong point (the double four), comes second and holds at
    //    this depth;
    //  C, a quiet point, comes last and loses like A.
    newGame(15, 15, board::FreeStyle);
    stones(3, 5, 0, "XX");
    stones(1, 5, 3, "XX");
    stones(10, 3, 0, "XOOO");
    stones(6, 7, 1, "XOOO");
    const Points three = {{3, 7}, {10, 7}, {12, 4}};
    const int depth = 3;

    // Reference: the first two moves alone.
    maskAllBut({{3, 7}, {10, 7}});
    search::clearHashTables(tables);
    const int reference = root(depth, 1);
    ASSERT_FALSE(searchState.searchAborted);
    ASSERT_FALSE(isLoss(reference));
    ASSERT_EQ(best(), std::pair(10, 7));

    maskAllBut(three);
    search::clearHashTables(tables);
    const int whole = root(depth, 1);
    ASSERT_EQ(whole, reference) << "C does not change the result";
    const int64_t total = searchState.nodeCount;

    maxNode.store(0);
    auto stopAfter = [&](int64_t k) {
        search::clearHashTables(tables);
        prepare(depth);
        searchState.bestMoveX = searchState.bestMoveY = -7;
        searchState.nodeCount = 1024 - k;
        return rootSearch(searchState, 1);
    };
    // Find the first node of the third move: before it every stop gives 0.
    int64_t lo = 1, hi = total;
    ASSERT_EQ(stopAfter(1), 0);
    ASSERT_TRUE(searchState.searchAborted);
    ASSERT_NE(stopAfter(total), 0);
    while (hi - lo > 1) {
        const int64_t mid = (lo + hi) / 2;
        (stopAfter(mid) == 0 ? lo : hi) = mid;
    }
    const int expected = reference == 0 ? 1 : reference;
    for (int64_t k : {hi, (hi + total) / 2, total}) {
        const int v = stopAfter(k);
        ASSERT_TRUE(searchState.searchAborted) << k;
        EXPECT_EQ(v, expected) << k;
        EXPECT_EQ(best(), std::pair(10, 7)) << k;
        EXPECT_EQ(boardProblem(), "");
    }
    for (int64_t k : {lo, lo / 2 + 1}) {
        EXPECT_EQ(stopAfter(k), 0) << k;
        EXPECT_EQ(best(), std::pair(-7, -7)) << "bestMove changed by a stop in the first two moves";
    }
}

TEST_F(RootSearchTest, RealtimeLinesOnlyWithShowDetailFromDepthEight) {
    // Every black move loses: white has two open threes without a common point.
    auto setUp = [&]() {
        newGame(15, 15, board::FreeStyle);
        stones(7, 5, 0, "OOO");
        stones(2, 12, 1, "OOO");
        for (auto [x, y] : {std::pair{0, 0}, {14, 0}, {14, 14}, {0, 7}, {14, 7}, {12, 2}}) stone(x, y, 1);
        mask.set(7, 4);
        mask.set(6, 6);
    };
    setUp();
    captured.lines.clear();
    root(8, 1);
    searchState.limits.showDetail = 1;
    root(7, 1);
    EXPECT_EQ(captured.take(), "") << "show_detail 0 or depth below 8";

    setUp();
    searchState.limits.showDetail = 1;
    captured.lines.clear();
    const int v = root(8, 1);
    const std::vector<std::string> out = lines(captured.take());
    EXPECT_TRUE(isLoss(v));
    ASSERT_GE(out.size(), 4u);
    EXPECT_EQ(out[0].rfind("MESSAGE REALTIME BEST ", 0), 0u) << out[0];
    EXPECT_EQ(out[1], "MESSAGE REALTIME REFRESH");
    int vals = 0, loses = 0;
    for (const std::string& line : out) {
        EXPECT_EQ(line.rfind("MESSAGE REALTIME ", 0), 0u) << line;
        EXPECT_EQ(line.find(" 7,4"), std::string::npos) << "masked point reported: " << line;
        EXPECT_EQ(line.find(" 6,6"), std::string::npos) << "masked point reported: " << line;
        if (line.rfind("MESSAGE REALTIME VAL ", 0) == 0) {
            ++vals;
            EXPECT_EQ(line, "MESSAGE REALTIME VAL -10000") << "a loss is shown as -10000";
        }
        loses += line.rfind("MESSAGE REALTIME LOSE ", 0) == 0;
    }
    EXPECT_GE(vals, 1);
    EXPECT_GE(loses, 3);

    // A win is shown as 10000, and its line starts with the move:
    // (5,7) makes two fours for black.
    newGame(15, 15, board::FreeStyle);
    stones(5, 3, 0, "OXXX");
    stones(1, 7, 1, "OXXX");
    for (auto [x, y] : {std::pair{14, 0}, {14, 14}, {0, 14}, {10, 10}}) stone(x, y, 2);
    maskAllBut({{5, 7}, {5, 8}, {6, 7}});
    searchState.limits.showDetail = 1;
    captured.lines.clear();
    const int win = root(8, 1);
    const std::vector<std::string> won = lines(captured.take());
    EXPECT_TRUE(isWin(win));
    EXPECT_EQ(best(), std::pair(5, 7));
    EXPECT_NE(std::find(won.begin(), won.end(), "MESSAGE REALTIME VAL 10000"), won.end());
    bool pv = false;
    for (const std::string& line : won) {
        EXPECT_EQ(line.find("VAL 1000000"), std::string::npos) << line;
        if (line.rfind("MESSAGE REALTIME PV [10H]", 0) == 0) pv = true;
    }
    EXPECT_TRUE(pv) << "the line starts with (5,7), shown as 10H";
}

TEST_F(RootSearchTest, RandomPositionsKeepTheBoardAndChooseALegalMove) {
    boardtest::Random random(99);
    for (int round = 0; round < 24; ++round) {
        const int rule = round % 3;
        const int size = round % 4 == 0 ? 9 : 15;
        newGame(size, size, rule);
        const int count = 4 + random.below(18);
        for (int i = 0; i < count; ++i) {
            const int x = size / 2 - 3 + random.below(7), y = size / 2 - 3 + random.below(7);
            if (board.cells[x][y] == 0) stone(x, y, 1 + moveCount % 2);
        }
        if (Grid::fromBoard(board).hasFiveOnBoard()) continue;
        for (int i = 0; i < 3; ++i) mask.set(size / 2 - 2 + random.below(5), size / 2 - 2 + random.below(5));
        visitAll();
        board::BoardSnapshot snapshot;
        board::takeSnapshot(board, snapshot);
        const int side = moveCount % 2 + 1;
        for (int depth = 1; depth <= 4; ++depth) {
            SCOPED_TRACE(testing::Message() << "round " << round << " rule " << rule << " depth " << depth);
            const int v = root(depth, side);
            std::string why;
            ASSERT_TRUE(board::matchesSnapshot(board, snapshot, &why)) << why;
            ASSERT_EQ(boardProblem(), "");
            if (v == depth + W) continue;  // a five point: nothing chosen
            auto [x, y] = best();
            ASSERT_TRUE(board.geometry.onBoard(x, y)) << x << "," << y;
            EXPECT_EQ(board.cells[x][y], 0);
            EXPECT_FALSE(mask.isMasked(x, y));
            if (rule == board::Renju && side == 1) {
                EXPECT_EQ(board::isForbidden(board, x, y), 0);
            }
            EXPECT_EQ(searchState.pvLines[0].moves[0].x, x);
            EXPECT_EQ(searchState.pvLines[0].moves[0].y, y);
        }
    }
}

TEST_F(RootSearchTest, ChosenMoveAgreesWithAnExhaustiveSolverOnTinyBoards) {
    // 6 x 6 boards with 6 to 8 empty points, searched to the end of the game:
    // a won position must be reported won with a winning move, a lost one lost,
    // and otherwise the move must not lose.
    boardtest::Random random(7);
    int decided = 0;
    for (int round = 0; round < 80; ++round) {
        const int rule = round % 2 == 0 ? board::FreeStyle : board::Standard;
        newGame(6, 6, rule);
        searchState.limits.cautionFactor = 3;
        const int empties = 7 + random.below(4);
        if (!fillWithoutFive(random, empties)) continue;
        Grid g = Grid::fromBoard(board);
        const int side = (36 - empties) % 2 + 1;
        BruteSolver solver(g);
        const int exact = solver.solve(side);
        const int v = root(empties, side);
        SCOPED_TRACE(testing::Message() << "round " << round << " value " << v << " exact " << exact);
        EXPECT_EQ(isWin(v), exact == 1);
        EXPECT_EQ(isLoss(v), exact == -1);
        if (v == empties + W) continue;  // five point, no move chosen
        auto [x, y] = best();
        ASSERT_TRUE(board.geometry.onBoard(x, y));
        ASSERT_EQ(g.at(x, y), 0);
        // Value of the chosen move for the side to move.
        int moveValue;
        if (g.makesFive(x, y, side)) {
            moveValue = 1;
        } else {
            g.ref(x, y) = side;
            BruteSolver after(g);
            moveValue = -after.solve(3 - side);
            g.ref(x, y) = 0;
        }
        decided += exact != 0;
        if (exact >= 0) {
            EXPECT_EQ(moveValue, exact) << "chosen " << x << "," << y;
        }
    }
    EXPECT_GT(decided, 3);
}

}  // namespace
