// Continuous-four search and the next-move win test.
//
// Positions are set up by hand with a known chain of fours (or none); the
// expected values follow from the length of the chain: a win found at ply p of
// the chain is worth WinScore + 576 - p. A plain exhaustive solver of its own
// (search_fixture.h) confirms the hand analysis where the rule has no
// forbidden points.
#include <gtest/gtest.h>

#include <string>

#include "board/forbidden.h"
#include "search/hash_tables.h"
#include "search/threat_search.h"
#include "search/search_fixture.h"

using namespace search;
using namespace searchtest;

namespace {

constexpr int W = WinScore;

class ThreatSearchTest : public SearchTest {
protected:
    // vcfSearch from the top of a chain, as the node search asks it.
    int vcf(int side, int ply = 0) {
        prepare(4);
        return vcfSearch(searchState, 4, side, 0, ply);
    }
    bool bruteWins(int side) {
        Grid g = Grid::fromBoard(board);
        return bruteVcf(g, side);
    }

    // A chain of two fours for a, then an open four:
    //   a plays (2,5): four in row 2 (block (2,6)) and a dead three in column 5;
    //   a plays (5,5): four in column 5 (block (6,5)) and an open three with
    //   (6,4) and (7,3) on the anti-diagonal;
    //   the open three gives an open-four point, a win on the next move (ply 4).
    // Every other four fails at once, so the chain is unique: WinScore + 572.
    void chainPosition(int a, bool withDiagonalTwo = true) {
        const char A = a == 1 ? 'X' : 'O', D = a == 1 ? 'O' : 'X';
        stones(2, 1, 0, std::string{D, A, A, A});   // (2,1) .. (2,4)
        stones(1, 5, 1, std::string{D, '.', A, A});  // (1,5), (3,5), (4,5)
        if (withDiagonalTwo) stones(7, 3, 2, std::string{A, A});  // (7,3), (6,4)
        // Far stones of the defender keep the stone counts plausible.
        stones(14, 0, 0, std::string{D, '.', '.', D});
    }
};

// ---------------------------------------------------------------------------
// immediateWinCheck

TEST_F(ThreatSearchTest, ImmediateWinCheckFivesAndOpenFours) {
    for (int rule : {board::FreeStyle, board::Standard, board::Renju}) {
        SCOPED_TRACE(rule);
        newGame(15, 15, rule);
        EXPECT_EQ(immediateWinCheck(searchState, 576, 1), 0);
        EXPECT_EQ(immediateWinCheck(searchState, 576, 2), 0);

        // White open three: white wins next move (open-four point), black does not.
        stones(10, 6, 0, "OOO");
        EXPECT_EQ(immediateWinCheck(searchState, 300, 2), W + 300);
        EXPECT_EQ(immediateWinCheck(searchState, 300, 1), 0);

        // Black four with a five point: black wins, white (who must block) gets 0
        // even though white has an open-four point.
        stones(4, 4, 0, "OXXXX");
        EXPECT_EQ(immediateWinCheck(searchState, 576, 1), W + 576);
        EXPECT_EQ(immediateWinCheck(searchState, 7, 1), W + 7);
        EXPECT_EQ(immediateWinCheck(searchState, 576, 2), 0);
    }
}

TEST_F(ThreatSearchTest, RenjuBlackOpenFourCountsOnlyOnTheFirstPoint) {
    // Black open three in row 7: open-four points (7,4) and (7,8). Column 4
    // holds a black three blocked at (3,4), so (7,4) would make two fours: a
    // forbidden double four. (7,4) comes first (same row, lower column).
    newGame(15, 15, board::Renju);
    stones(7, 5, 0, "XXX");
    stones(3, 4, 1, "OXXX");
    stones(12, 12, 0, "O.O");
    ASSERT_EQ(board::isForbidden(board, 7, 4), 1);
    ASSERT_EQ(board::isForbidden(board, 7, 8), 0);
    EXPECT_EQ(immediateWinCheck(searchState, 500, 1), 0) << "the legal (7,8) is not tried";

    // The same shape with the blocked three on column 8 instead: the first
    // point (7,4) is legal, and that is all that is asked.
    newGame(15, 15, board::Renju);
    stones(7, 5, 0, "XXX");
    stones(3, 8, 1, "OXXX");
    stones(12, 12, 0, "O.O");
    ASSERT_EQ(board::isForbidden(board, 7, 4), 0);
    ASSERT_EQ(board::isForbidden(board, 7, 8), 1);
    EXPECT_EQ(immediateWinCheck(searchState, 500, 1), W + 500);

    // White never has forbidden points.
    newGame(15, 15, board::Renju);
    stones(7, 5, 0, "OOO");
    stones(3, 4, 1, "XOOO");
    stones(12, 12, 0, "X.X");
    EXPECT_EQ(immediateWinCheck(searchState, 500, 2), W + 500);

    // Under free-style the first shape is simply a win.
    newGame(15, 15, board::FreeStyle);
    stones(7, 5, 0, "XXX");
    stones(3, 4, 1, "OXXX");
    EXPECT_EQ(immediateWinCheck(searchState, 500, 1), W + 500);
}

// ---------------------------------------------------------------------------
// vcfSearch: wins, their values, refusals

TEST_F(ThreatSearchTest, FindsTheChainOfFoursUnderEveryRuleAndColour) {
    for (int rule : {board::FreeStyle, board::Standard, board::Renju})
        for (int a : {1, 2}) {
            SCOPED_TRACE(testing::Message() << "rule " << rule << " attacker " << a);
            newGame(15, 15, rule);
            chainPosition(a);
            if (rule != board::Renju) {
                ASSERT_TRUE(bruteWins(a));
            }
            const uint64_t key = board.hashKey;
            EXPECT_EQ(vcf(a), W + 572);
            EXPECT_EQ(board.hashKey, key);
            EXPECT_EQ(boardProblem(), "");
            // The defender has no chain of its own.
            EXPECT_EQ(vcf(3 - a), 0);

            // Deeper in a chain the same win is worth less, from a cold and from
            // a warm cache alike (the cache keeps wins relative to the ply).
            EXPECT_EQ(vcf(a, 3), W + 569);
            search::clearHashTables(tables);
            EXPECT_EQ(vcf(a, 3), W + 569);
            EXPECT_EQ(vcf(a, 0), W + 572);
        }
}

TEST_F(ThreatSearchTest, RefusesWhatIsNoWin) {
    for (int rule : {board::FreeStyle, board::Standard, board::Renju}) {
        SCOPED_TRACE(rule);
        // Without the two stones of row 5 the second four has nothing behind it.
        newGame(15, 15, rule);
        chainPosition(1, false);
        if (rule != board::Renju) {
            ASSERT_FALSE(bruteWins(1));
        }
        EXPECT_EQ(vcf(1), 0);

        // Empty board, lone stones: nothing at all.
        newGame(15, 15, rule);
        stones(7, 7, 0, "X.O");
        EXPECT_EQ(vcf(1), 0);
        EXPECT_EQ(vcf(2), 0);
    }
}

TEST_F(ThreatSearchTest, DefenderFivePointRefutesTheFoursThatIgnoreIt) {
    for (int rule : {board::FreeStyle, board::Standard}) {
        SCOPED_TRACE(rule);
        // White has a four on a diagonal far from the chain: every black four
        // leaves white its five, so there is no chain for black.
        newGame(15, 15, rule);
        chainPosition(1);
        stones(7, 8, 3, "XOOOO");  // (7,8) black, white (8,9) .. (11,12); five point (12,13)
        ASSERT_FALSE(bruteWins(1));
        EXPECT_EQ(immediateWinCheck(searchState, 576, 1), 0);
        EXPECT_EQ(vcf(1), 0);

        // White's four aims at (2,5), the first four of the chain: playing it
        // blocks and attacks at once, and the chain wins as before.
        newGame(15, 15, rule);
        chainPosition(1);
        stones(3, 6, 3, "OOOOX");  // white (3,6) .. (6,9), black (7,10); five point (2,5)
        ASSERT_TRUE(bruteWins(1));
        EXPECT_EQ(vcf(1), W + 572);
    }
}

TEST_F(ThreatSearchTest, RenjuBlackNeverPlaysAFourOnAForbiddenPoint) {
    // (7,7) makes a four in row 7 and open threes in column 7 and on the
    // diagonal: a four-three-three, forbidden for black. Without the rule it
    // wins at once: after the forced block at (7,8) the two threes give two
    // open-four points (win at ply 2).
    auto setUp = [&](int rule, int a) {
        const char A = a == 1 ? 'X' : 'O', D = a == 1 ? 'O' : 'X';
        newGame(15, 15, rule);
        stones(7, 3, 0, std::string{D, A, A, A});
        stones(8, 7, 1, std::string{A, A});
        stones(8, 8, 3, std::string{A, A});
        stones(0, 0, 0, std::string{D, '.', D, '.', D});
    };
    setUp(board::FreeStyle, 1);
    ASSERT_TRUE(bruteWins(1));
    EXPECT_EQ(vcf(1), W + 574);
    setUp(board::Standard, 1);
    EXPECT_EQ(vcf(1), W + 574);
    setUp(board::Renju, 2);
    EXPECT_EQ(vcf(2), W + 574);

    setUp(board::Renju, 1);
    ASSERT_EQ(board::isForbidden(board, 7, 7), 1);
    EXPECT_EQ(vcf(1), 0);
    // (7,8), black's other four point, is a plain four that is filtered out, so
    // no move at all was tried.
    EXPECT_EQ(searchState.threatNodeCount, 1);
}

TEST_F(ThreatSearchTest, RenjuBlackBlockOnAForbiddenPointIsDropped) {
    // White's diagonal (3,0) .. (6,3) has its only five point at (7,4); white
    // also has an open three in row 10. Black defends at ply 1.
    auto setUp = [&](bool forbiddenBlock) {
        newGame(15, 15, board::Renju);
        stones(3, 0, 3, "OOOO");
        stones(10, 10, 0, "OOO");
        if (forbiddenBlock) {
            // Black twos on column 4 and row 7 make (7,4) a double three.
            stones(5, 4, 1, "XX");
            stones(7, 5, 0, "XX");
        } else {
            stones(0, 14, 1, "X.X.X");
        }
    };
    setUp(true);
    ASSERT_EQ(board::isForbidden(board, 7, 4), 1);
    prepare(1);
    const uint64_t key = board.hashKey;
    // No block is left: white makes five at ply 2, the same value as a block
    // that loses to the open three (below), and kept as such.
    EXPECT_EQ(vcfSearch(searchState, 1, 1, 1, 1), -(W + 574));
    EXPECT_TRUE(hasCacheEntry(1, 1, key));
    EXPECT_EQ(board.hashKey, key);

    // A four of white whose five would be a six under standard rules leaves
    // black nothing to block, and black has lost nothing.
    newGame(15, 15, board::Standard);
    stones(7, 0, 0, "OOOO.O");
    stones(0, 14, 1, "X.X.X");
    prepare(1);
    EXPECT_EQ(vcfSearch(searchState, 1, 1, 1, 1), 0);

    // With a legal block black takes (7,4), and white's open three then gives
    // white an open-four point: a win for white at ply 2.
    setUp(false);
    ASSERT_EQ(board::isForbidden(board, 7, 4), 0);
    prepare(1);
    EXPECT_EQ(vcfSearch(searchState, 1, 1, 1, 1), -(W + 574));
}

TEST_F(ThreatSearchTest, RenjuWhiteFourOntoABlackForbiddenPointWins) {
    // White's diagonal three (3,0) .. (5,2): the four at (6,3) has its only
    // five point at (7,4). Black's twos on column 4 and row 7 make (7,4) a
    // double three, unless white's stone at (7,7) closes the row's three.
    // The four does nothing else for white, so only its forbidden block makes
    // it a win.
    auto setUp = [&](bool rowClosed) {
        newGame(15, 15, board::Renju);
        stones(3, 0, 3, "OOO");
        stones(5, 4, 1, "XX");
        stones(7, 5, 0, "XX");
        stones(0, 14, 1, "X.X");
        if (rowClosed) stones(7, 7, 0, "O");
        else stones(12, 14, 0, "O");
    };
    for (int ply : {0, 3}) {
        setUp(false);
        ASSERT_EQ(board::isForbidden(board, 7, 4), 1);
        const uint64_t key = board.hashKey;
        EXPECT_EQ(vcf(2, ply), W + 574 - ply) << "ply " << ply;
        EXPECT_TRUE(hasCacheEntry(0, 2, key));
        EXPECT_EQ(board.hashKey, key);
        EXPECT_EQ(boardProblem(), "");
    }
    // Black's forbidden point is no help to white's fours elsewhere.
    EXPECT_EQ(vcf(1), 0);

    setUp(true);
    ASSERT_EQ(board::isForbidden(board, 7, 4), 0);
    EXPECT_EQ(vcf(2), 0) << "black blocks at (7,4)";

    // Under standard rules black may block there.
    setUp(false);
    newGame(15, 15, board::Standard);
    stones(3, 0, 3, "OOO");
    stones(5, 4, 1, "XX");
    stones(7, 5, 0, "XX");
    EXPECT_EQ(vcf(2), 0);
}

TEST_F(ThreatSearchTest, UselessFoursAreNeverSearched) {
    for (int rule : {board::FreeStyle, board::Standard, board::Renju}) {
        SCOPED_TRACE(rule);
        // A lone blocked three: two plain four points, neither helping any other
        // line of black nor touching white's: not even tried.
        newGame(15, 15, rule);
        stones(7, 4, 0, "OXXX");
        stones(0, 0, 0, "O.O");
        EXPECT_EQ(vcf(1), 0);
        EXPECT_EQ(searchState.threatNodeCount, 1) << "only the node itself";

        // With a blocked two of black crossing (7,8) that four also makes a dead
        // three (point score 279 or more) and is searched, although it still
        // does not win.
        stones(4, 8, 1, "OXX");
        ASSERT_GE(board.points[7][8].score[0], 279);
        if (rule != board::Renju) {
            ASSERT_FALSE(bruteWins(1));
        }
        EXPECT_EQ(vcf(1), 0);
        EXPECT_GT(searchState.threatNodeCount, 1);
    }
}

// ---------------------------------------------------------------------------
// Aborts

TEST_F(ThreatSearchTest, AbortAnywhereLeavesBoardAndKeyAndStoresNothingOnItsPath) {
    for (int rule : {board::FreeStyle, board::Renju}) {
        SCOPED_TRACE(rule);
        newGame(15, 15, rule);
        chainPosition(1);
        stones(11, 5, 0, "OXX.X");  // more fours to try
        visitAll();
        prepare(4);
        const int full = vcfSearch(searchState, 4, 1, 0, 0);
        ASSERT_FALSE(searchState.searchAborted);
        const int64_t total = searchState.nodeCount;
        ASSERT_GE(total, 5);  // every ply of the chain
        board::BoardSnapshot snapshot;
        board::takeSnapshot(board, snapshot);
        const uint64_t key = board.hashKey;

        for (int64_t k = 1; k <= total; ++k) {
            search::clearHashTables(tables);
            prepare(4);
            searchState.nodeCount = 1024 - k;
            stop.store(1);
            const int v = vcfSearch(searchState, 4, 1, 0, 0);
            stop.store(0);
            ASSERT_TRUE(searchState.searchAborted) << k;
            EXPECT_EQ(v, 0) << k;
            std::string why;
            EXPECT_TRUE(board::matchesSnapshot(board, snapshot, &why)) << k << ": " << why;
            EXPECT_EQ(board.hashKey, key);
            EXPECT_FALSE(hasCacheEntry(0, 1, key)) << "the aborted top node stored, k = " << k;
            if (k == 1) {
                EXPECT_FALSE(anyCacheEntry());
            }
        }
        // Without the stop the same search is whole again.
        search::clearHashTables(tables);
        prepare(4);
        EXPECT_EQ(vcfSearch(searchState, 4, 1, 0, 0), full);
        EXPECT_TRUE(hasCacheEntry(0, 1, key));
    }
}

TEST_F(ThreatSearchTest, RandomPositionsAgreeWithTheExhaustiveChainSolver) {
    // Soundness: a chain the search reports always exists. Wins found by the
    // plain solver but not by the search are allowed (its filters prune).
    boardtest::Random random(17);
    int wins = 0, found = 0;
    for (int round = 0; round < 60; ++round) {
        const int rule = round % 2 == 0 ? board::FreeStyle : board::Standard;
        newGame(9, 9, rule);
        const int count = 14 + random.below(10);
        for (int i = 0; i < count; ++i) {
            int x = random.below(9), y = random.below(9);
            if (board.cells[x][y] == 0) stone(x, y, 1 + i % 2);
        }
        Grid g = Grid::fromBoard(board);
        if (g.hasFiveOnBoard()) continue;
        for (int side : {1, 2}) {
            const bool brute = bruteVcf(g, side);
            const uint64_t key = board.hashKey;
            const int v = vcf(side);
            EXPECT_EQ(board.hashKey, key);
            if (v > 0) {
                ++found;
                EXPECT_TRUE(brute) << "round " << round << " side " << side;
                EXPECT_LE(v, W + 576);
                EXPECT_GE(v, W);
            } else {
                EXPECT_EQ(v, 0);
            }
            wins += brute;
        }
        EXPECT_EQ(boardProblem(), "");
    }
    EXPECT_GT(found, 0);
    EXPECT_GE(wins, found);
}

}  // namespace
