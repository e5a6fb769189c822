// Static evaluation and the threat count near a point.
//
// Hand cases use "carved" boards: a 15 x 15 board filled with blocks except
// for a few open lines, so that the threat points of both sides can be worked
// out by hand and the expected value written as a sum over them, with only the
// contribution totals and point weights read from the board. Random positions
// are checked against a second evaluator written here, which scans the board's
// direction codes instead of using the threat point sets.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "board/board.h"
#include "board/board_check.h"
#include "board/board_fixture.h"
#include "search/search_fixture.h"
#include "board/forbidden.h"
#include "board/pattern_tables.h"
#include "search/evaluation.h"
#include "search/move_generation.h"
#include "search/search_state.h"
#include "search/tuning.h"

using namespace search;
using searchtest::Points;
using boardtest::Picture;


class EvaluationTest : public searchtest::SearchTest {
protected:
    Points listed(int (*builder)(const board::Board&, MoveEntry*, int), int side) {
        static MoveEntry buffer[MoveListCapacity];
        const int count = builder(board, buffer, side);
        Points result;
        for (int i = 0; i < count; ++i) result.emplace_back(buffer[i].x, buffer[i].y);
        return result;
    }

    int weight(int x, int y, int side) { return board.points[x][y].weight[side - 1]; }
    // The contribution totals' term: their difference, scaled.
    int totals(int side) {
        return (board.contributionSum[side - 1] - board.contributionSum[2 - side]) * ContributionScale / 32;
    }

    // The term of one four or three point: weight x (k - c) x ThreatPointWeight / 32, towards zero.
    int threatTerm(int w, int k, int c) { return w * (k - c) * ThreatPointWeight / 32; }

    // The term of the opponent's point to take first.
    int forcedBlock(int w) { return w * ForcedBlockWeight / 32; }

    bool inWindow(int dx, int dy) {
        const int ax = dx < 0 ? -dx : dx, ay = dy < 0 ? -dy : dy;
        if (ax <= 2 && ay <= 2) return true;
        if (dx == 0) return ay == 3;
        return ax == 3 && (dy == 0 || ay == 3);
    }

    bool isFiveOrOpenFour(int x, int y, int s) { return codeIn(x, y, s, board::OpenFour, board::Five); }

    // Five and open-four points of side index s in the window of (x, y), except
    // those in excluded.
    int windowThreats(int x, int y, int s, const Points& excluded) {
        int count = 0;
        for (int dx = -3; dx <= 3; ++dx)
            for (int dy = -3; dy <= 3; ++dy) {
                const int qx = x + dx, qy = y + dy;
                if (!inWindow(dx, dy) || !board.geometry.onBoard(qx, qy) || !isFiveOrOpenFour(qx, qy, s)) continue;
                bool skip = false;
                for (const auto& p : excluded) skip |= p.first == qx && p.second == qy;
                count += !skip;
            }
        return count;
    }

    bool contains(const Points& points, int x, int y) {
        for (const auto& p : points)
            if (p.first == x && p.second == y) return true;
        return false;
    }

    // The evaluation recomputed from direction codes, scores and weights.
    int referenceEvaluation(int side) {
        const int s = side - 1, o = 2 - side, opponent = 3 - side;
        const bool renju = board.rule == board::Renju;
        const auto foursOf = [this](int t) { return scan([this, t](int x, int y) { return codeIn(x, y, t, 9, 10); }); };
        const auto threesOf = [this](int t) { return scan([this, t](int x, int y) { return codeIn(x, y, t, 7, 8); }); };
        const auto classOf = [this](int t, int code) {
            return scan([this, t, code](int x, int y) { return codeIn(x, y, t, code, code); });
        };
        const Points ownFours = foursOf(s), ownThrees = threesOf(s);
        const Points oppFours = foursOf(o), oppThrees = threesOf(o);
        const bool opponentQuiet =
            classOf(o, board::Five).empty() && classOf(o, board::OpenFour).empty() && oppFours.empty();
        if (board.rule == board::FreeStyle && opponentQuiet)
            for (const auto& p : ownFours)
                if (contains(ownThrees, p.first, p.second)) return FourThreeValue;

        int value = totals(side);
        Points own = ownFours;
        own.insert(own.end(), ownThrees.begin(), ownThrees.end());
        Points masked;
        if (renju && side == 1)
            for (const auto& p : own)
                if (board::isForbidden(board, p.first, p.second)) masked.push_back(p);
        for (const auto& [x, y] : own) {
            const int c = contains(ownFours, x, y) ? 1 : 2;
            if (!contains(masked, x, y)) value += threatTerm(weight(x, y, side), windowThreats(x, y, s, masked), c);
            if (renju && side == 2 && board::isForbidden(board, x, y))
                value += board.points[x][y].score[0] < 158 ? ForbiddenPointBonus : ForbiddenThreeBonus;
        }

        Points theirs = oppFours;
        theirs.insert(theirs.end(), oppThrees.begin(), oppThrees.end());
        if (!theirs.empty()) value += OpponentThreatBonus;
        masked.clear();
        if (renju && side == 2) {
            for (const auto& p : theirs)
                if (board::isForbidden(board, p.first, p.second)) masked.push_back(p);
            if (!theirs.empty() && masked.size() == theirs.size()) value -= OpponentThreatBonus;
        }
        for (const auto& [x, y] : theirs) {
            const int c = contains(oppFours, x, y) ? 1 : 2;
            if (!contains(masked, x, y))
                value -= threatTerm(weight(x, y, opponent), windowThreats(x, y, o, masked), c);
            if (renju && side == 1 && board::isForbidden(board, x, y))
                value -= board.points[x][y].score[0] < 158 ? ForbiddenPointBonus : ForbiddenThreeBonus;
        }

        Points first = classOf(o, board::Five);
        if (first.empty()) first = classOf(o, board::OpenFour);
        if (!first.empty()) value += forcedBlock(weight(first[0].first, first[0].second, opponent));

        const auto spread = [this](int t) {
            int bits = 0;
            for (int x = 0; x < board.geometry.boardHeight; ++x)
                for (int y = 0; y < board.geometry.boardWidth; ++y)
                    for (int d = 0; d < 4; ++d) {
                        const int c = board.points[x][y].code[d][t];
                        if (c == board::Five || c == board::OpenFour) bits |= 1 << d;
                    }
            return __builtin_popcount(bits) >= 2;
        };
        if (spread(o)) value -= DirectionSpreadBonus;
        if (spread(s)) value += DirectionSpreadBonus;
        return value + ToMoveBonus;
    }

    void playRandomPosition(boardtest::Random& random, int stones) {
        const int h = board.geometry.boardHeight, w = board.geometry.boardWidth;
        int placed = 0;
        for (int attempt = 0; placed < stones && attempt < 20 * stones; ++attempt) {
            const int spread = 2 + random.below(5);
            const int x = h / 2 + random.below(2 * spread + 1) - spread;
            const int y = w / 2 + random.below(2 * spread + 1) - spread;
            if (!board.geometry.onBoard(x, y) || board.cells[x][y] != 0) continue;
            const int cell = random.below(30) == 0 ? 3 : 1 + placed % 2;
            board::makeMove(board, x, y, cell);
            ++placed;
        }
    }

    // Under Renju the forbidden-point test places and removes trial stones, and the
    // first visit of a point since the reset replaces its reset code for good (see
    // board.h), which can move contributionSum. A first evaluation lets those
    // visits happen; from then on evaluations leave the board byte for byte, so the
    // value and the board fields of an expected sum agree whatever their order.
    int settledValue(int side) {
        evaluateLeaf(searchState, 0, 1);
        evaluateLeaf(searchState, 0, 2);
        return evaluateLeaf(searchState, 0, side);
    }

    #define EXPECT_VALUE(side, expected)               \
        do {                                           \
            const int value_ = settledValue(side);     \
            EXPECT_EQ(value_, (expected));             \
        } while (0)

    #define EXPECT_SNAPSHOT(snapshot)                                         \
        do {                                                                  \
            std::string why;                                                  \
            EXPECT_TRUE(board::matchesSnapshot(board, snapshot, &why)) << why;       \
        } while (0)

    // Carved boards (see the file comment); every other cell is a block.

    // Row 7: # X X X . . #  -> (7,6), (7,7) four points of X.
    // Column 6: rows 4..9 open, X at 5 and 6 -> (7,6), (8,6) three points of X.
    const Picture FourThree = {"###############", "###############", "###############", "###############",
                               "######.########", "######X########", "######X########", "###XXX..#######",
                               "######.########", "######.########", "###############", "###############",
                               "###############", "###############", "###############"};

    // Rows 6 and 7: X X . X X X between blocks: each gap would make six in a row.
    // Column 7: rows 5..10 open, X at 8 and 9 -> the gaps (6,7), (7,7) are X's
    // only three points, and both are overlines for X along their rows.
    const Picture BlackThreesAllOverlines = {
        "###############", "###############", "###############", "###############",
        "###############", "#######.#######", "#####XX.XXX####", "#####XX.XXX####",
        "#######X#######", "#######X#######", "#######.#######", "###############",
        "###############", "###############", "###############"};

    // Row 7: X X . X X X (the gap is an overline for X). Column 7: O at 8..10,
    // block at 11 and 5 -> O's four points (6,7) and (7,7).
    const Picture WhiteFourOnBlackOverline = {
        "###############", "###############", "###############", "###############",
        "###############", "###############", "#######.#######", "#####XX.XXX####",
        "#######O#######", "#######O#######", "#######O#######", "###############",
        "###############", "###############", "###############"};

    // As above plus a diagonal (5,5)..(10,10) with X at (6,6), (9,9): X's three
    // points (7,7) and (8,8), both split threes (codeScore 158); (7,7) is still an
    // overline gap for X.
    const Picture WhiteFourOnBlackThree = {
        "###############", "###############", "###############", "###############",
        "###############", "#####.#########", "######X.#######", "#####XX.XXX####",
        "#######O.######", "#######O#X#####", "#######O##.####", "###############",
        "###############", "###############", "###############"};

    // Row 3: X X X X . between blocks -> five point (3,6), direction 0.
    // Anti-diagonal (13,0)..(7,6): . . X X X . . -> open-four points (12,1) and
    // (8,5) in direction 2, four points (13,0) and (7,6).
    const Picture FiveAndOpenFour = {"###############", "###############", "###############", "##XXXX.########",
                                     "###############", "###############", "###############", "######.########",
                                     "#####.#########", "####X##########", "###X###########", "##X############",
                                     "#.#############", ".##############", "###############"};

};

class EvaluateLeaf : public EvaluationTest {};
class CountThreatsNear : public EvaluationTest {};

TEST_F(EvaluateLeaf, NoThreatPointsGiveTotalsAndTheMoveInHand) {
    struct Game {
        int width, height;
    };
    for (int rule : {board::FreeStyle, board::Standard, board::Renju}) {
        for (Game game : {Game{15, 15}, Game{20, 11}}) {
            setUpGame(game.width, game.height, rule);
            for (int side : {1, 2}) EXPECT_VALUE(side, totals(side) + ToMoveBonus);
            // Scattered single stones make no threat point.
            board::makeMove(board, 2, 2, 1);
            board::makeMove(board, 8, 9, 2);
            board::makeMove(board, 5, 3, 3);
            for (int t : {0, 1})
                for (int cls = 0; cls < 4; ++cls) ASSERT_EQ(board.threats[cls].summary[t], 0u);
            for (int side : {1, 2}) EXPECT_VALUE(side, totals(side) + ToMoveBonus);
        }
    }
}

TEST_F(EvaluateLeaf, TwoStonesGiveHandDerivedThreeTerms) {
    // X at (7,6), (7,7): X's three points are (7,4), (7,5), (7,8), (7,9), none
    // a four, no five or open-four point anywhere, so k = 0 and c = 2.
    for (int rule : {board::FreeStyle, board::Standard, board::Renju}) {
        setUpGame(15, 15, rule);
        board::makeMove(board, 7, 6, 1);
        board::makeMove(board, 7, 7, 1);
        const Points threes = {{7, 4}, {7, 5}, {7, 8}, {7, 9}};
        ASSERT_EQ(listed(listThreePoints, 1), threes);
        ASSERT_TRUE(listed(listFourPoints, 1).empty());
        const int forBlack = settledValue(1), forWhite = settledValue(2);
        int terms = 0;
        for (const auto& [x, y] : threes) terms += threatTerm(weight(x, y, 1), 0, 2);
        ASSERT_LT(terms, 0);
        EXPECT_EQ(forBlack, totals(1) + terms + ToMoveBonus);
        EXPECT_EQ(forWhite, totals(2) + OpponentThreatBonus - terms + ToMoveBonus);
        // Not a zero-sum value: the move in hand for each side and the threat bonus for the threes.
        EXPECT_EQ(forBlack + forWhite, 2 * ToMoveBonus + OpponentThreatBonus);
    }
}

TEST_F(EvaluateLeaf, OpenThreeCountsNearbyOpenFoursAndBlocksTheFirst) {
    // X X X at (7,5..7): open-four points (7,4), (7,8); four points (7,3) and
    // (7,9), each with one open-four point in its window (k = 1 = c).
    for (int rule : {board::FreeStyle, board::Standard, board::Renju}) {
        setUpGame(15, 15, rule);
        for (int y : {5, 6, 7}) board::makeMove(board, 7, y, 1);
        ASSERT_EQ(countThreatsNear(board, 7, 3, 1), 1);
        ASSERT_EQ(countThreatsNear(board, 7, 9, 1), 1);
        EXPECT_VALUE(1, totals(1) + ToMoveBonus);
        // White to move: the threat bonus for black's fours, the terms are 0, and black's
        // first open-four point (7,4) must be taken.
        EXPECT_VALUE(2, totals(2) + OpponentThreatBonus + forcedBlock(weight(7, 4, 1)) + ToMoveBonus);
    }
}

TEST_F(EvaluateLeaf, FreeStyleFourThreeWinsOnlyWhenOpponentHasNoFour) {
    setUpPicture(board::FreeStyle, FourThree);
    ASSERT_EQ(listed(listFourPoints, 1), (Points{{7, 6}, {7, 7}}));
    ASSERT_EQ(listed(listThreePoints, 1), (Points{{7, 6}, {8, 6}}));
    EXPECT_VALUE(1, FourThreeValue);

    // The list in order: (7,6) four, (7,7) four, (7,6) again (still c = 1, it
    // is a four point), (8,6) three; no five or open-four point, so k = 0.
    const auto blackTerms = [&] {
        return threatTerm(weight(7, 6, 1), 0, 1) + threatTerm(weight(7, 7, 1), 0, 1) +
               threatTerm(weight(7, 6, 1), 0, 1) + threatTerm(weight(8, 6, 1), 0, 2);
    };
    EXPECT_VALUE(2, totals(2) + OpponentThreatBonus - blackTerms() + ToMoveBonus);

    // Under standard and Renju the repeat means nothing.
    for (int rule : {board::Standard, board::Renju}) {
        setUpPicture(rule, FourThree);
        ASSERT_EQ(board::isForbidden(board, 7, 6), 0);
        EXPECT_VALUE(1, totals(1) + blackTerms() + ToMoveBonus);
        EXPECT_VALUE(2, totals(2) + OpponentThreatBonus - blackTerms() + ToMoveBonus);
    }

    // A white four anywhere lets white answer: no early value.
    Picture withWhiteFour = FourThree;
    withWhiteFour[12] = "###OOO..#######";
    setUpPicture(board::FreeStyle, withWhiteFour);
    ASSERT_EQ(listed(listFourPoints, 2), (Points{{12, 6}, {12, 7}}));
    const int value = settledValue(1);
    EXPECT_LT(value, 9998848);  // below every proven-win value
    EXPECT_EQ(value, referenceEvaluation(1));
    // A white three (without a four) does not stop it.
    Picture withWhiteThree = FourThree;
    withWhiteThree[12] = "##..OO..#######";
    setUpPicture(board::FreeStyle, withWhiteThree);
    ASSERT_TRUE(listed(listFourPoints, 2).empty());
    ASSERT_FALSE(listed(listThreePoints, 2).empty());
    EXPECT_VALUE(1, FourThreeValue);
}

TEST_F(EvaluateLeaf, RenjuBlackPointsAllForbiddenCancelTheThreatBonus) {
    setUpPicture(board::Renju, BlackThreesAllOverlines);
    const Points blackThrees = {{6, 7}, {7, 7}};
    ASSERT_EQ(listed(listThreePoints, 1), blackThrees);
    ASSERT_TRUE(listed(listFourPoints, 1).empty());
    ASSERT_TRUE(listed(listFivePoints, 1).empty());
    for (const auto& [x, y] : blackThrees) {
        ASSERT_EQ(board.points[x][y].code[0][0], board::Overline);
        ASSERT_EQ(board::isForbidden(board, x, y), 1);
    }
    // White to move: the threat bonus and its cancellation, and no term for the forbidden points.
    EXPECT_VALUE(2, totals(2) + ToMoveBonus);
    // Black to move: its own forbidden points add nothing either.
    EXPECT_VALUE(1, totals(1) + ToMoveBonus);

    // Standard: the same points are ordinary threes (k = 0, c = 2).
    setUpPicture(board::Standard, BlackThreesAllOverlines);
    ASSERT_EQ(listed(listThreePoints, 1), blackThrees);
    const int terms = threatTerm(weight(6, 7, 1), 0, 2) + threatTerm(weight(7, 7, 1), 0, 2);
    EXPECT_VALUE(2, totals(2) + OpponentThreatBonus - terms + ToMoveBonus);
    EXPECT_VALUE(1, totals(1) + terms + ToMoveBonus);
}

TEST_F(EvaluateLeaf, RenjuWhiteFourOnBlackForbiddenPoint) {
    // (7,7): white four point, black overline there (black point score < 158): the forbidden-point bonus.
    setUpPicture(board::Renju, WhiteFourOnBlackOverline);
    ASSERT_EQ(listed(listFourPoints, 2), (Points{{6, 7}, {7, 7}}));
    ASSERT_TRUE(listed(listThreePoints, 2).empty());
    ASSERT_TRUE(listed(listFourPoints, 1).empty());
    ASSERT_TRUE(listed(listThreePoints, 1).empty());
    ASSERT_EQ(board::isForbidden(board, 7, 7), 1);
    ASSERT_EQ(board::isForbidden(board, 6, 7), 0);
    ASSERT_LT(board.points[7][7].score[0], 158);
    const auto whiteTerms = [&] { return threatTerm(weight(6, 7, 2), 0, 1) + threatTerm(weight(7, 7, 2), 0, 1); };
    EXPECT_VALUE(2, totals(2) + whiteTerms() + ForbiddenPointBonus + ToMoveBonus);
    // Black to move pays the same bonus on white's point.
    EXPECT_VALUE(1, totals(1) + OpponentThreatBonus - whiteTerms() - ForbiddenPointBonus + ToMoveBonus);
    setUpPicture(board::Standard, WhiteFourOnBlackOverline);
    EXPECT_VALUE(2, totals(2) + whiteTerms() + ToMoveBonus);

    // (7,7) now also completes a black split three on the diagonal: black's
    // the point score there is exactly 158, the least that gives the forbidden-three bonus. Black's three
    // (8,8) is playable and scored; its three (7,7) is forbidden and left out.
    setUpPicture(board::Renju, WhiteFourOnBlackThree);
    ASSERT_EQ(listed(listFourPoints, 2), (Points{{6, 7}, {7, 7}}));
    ASSERT_EQ(listed(listThreePoints, 1), (Points{{7, 7}, {8, 8}}));
    ASSERT_TRUE(listed(listFourPoints, 1).empty());
    ASSERT_EQ(board::isForbidden(board, 7, 7), 1);
    ASSERT_EQ(board::isForbidden(board, 8, 8), 0);
    ASSERT_EQ(board.points[7][7].score[0], 158);
    EXPECT_VALUE(2,
              totals(2) + whiteTerms() + ForbiddenThreeBonus + OpponentThreatBonus - threatTerm(weight(8, 8, 1), 0, 2) + ToMoveBonus);
}

TEST_F(EvaluateLeaf, ThreatsInTwoDirectionsAddTheSpreadBonus) {
    for (int rule : {board::FreeStyle, board::Standard, board::Renju}) {
        setUpPicture(rule, FiveAndOpenFour);
        ASSERT_EQ(listed(listFivePoints, 1), (Points{{3, 6}}));
        ASSERT_EQ(listed(listOpenFourPoints, 1), (Points{{8, 5}, {12, 1}}));
        ASSERT_EQ(listed(listFourPoints, 1), (Points{{7, 6}, {13, 0}}));
        ASSERT_TRUE(listed(listThreePoints, 1).empty());
        ASSERT_EQ(board.threats[board::FivePoint].directionBits[0][3][6], 1u);
        ASSERT_EQ(board.threats[board::OpenFourPoint].directionBits[0][8][5], 4u);
        // Each four point has one open-four point in its window: k = c = 1.
        ASSERT_EQ(countThreatsNear(board, 7, 6, 1), 1);
        ASSERT_EQ(countThreatsNear(board, 13, 0, 1), 1);
        EXPECT_VALUE(1, totals(1) + DirectionSpreadBonus + ToMoveBonus);
        EXPECT_VALUE(2, totals(2) + OpponentThreatBonus + forcedBlock(weight(3, 6, 1)) - DirectionSpreadBonus + ToMoveBonus);
    }
}

TEST_F(EvaluateLeaf, MatchesReferenceOnRandomPositions) {
    struct Game {
        int width, height, rule;
    };
    const Game games[] = {{15, 15, board::FreeStyle}, {15, 15, board::Standard}, {15, 15, board::Renju},
                          {20, 20, board::Renju},     {12, 18, board::FreeStyle}, {18, 12, board::Renju}};
    boardtest::Random random(46);
    int nonTrivial = 0;
    for (const Game& game : games) {
        for (int trial = 0; trial < 40; ++trial) {
            setUpGame(game.width, game.height, game.rule);
            playRandomPosition(random, 8 + random.below(45));
            for (int side : {1, 2}) {
                // The first call lets the forbidden-point test visit what it
                // visits; after that the board must stay byte for byte.
                evaluateLeaf(searchState, 0, side);
                board::BoardSnapshot snapshot;
                board::takeSnapshot(board, snapshot);
                const int expected = referenceEvaluation(side);
                const int value = evaluateLeaf(searchState, 0, side);
                EXPECT_EQ(value, expected) << "rule " << game.rule << " side " << side << " trial " << trial;
                EXPECT_SNAPSHOT(snapshot);
                nonTrivial += value != totals(side) + ToMoveBonus;
            }
        }
    }
    EXPECT_GT(nonTrivial, 200);
}

TEST_F(EvaluateLeaf, LeavesTheBoardUnchanged) {
    boardtest::Random random(9);
    for (int rule : {board::FreeStyle, board::Standard, board::Renju}) {
        for (int trial = 0; trial < 10; ++trial) {
            setUpGame(15, 15, rule);
            playRandomPosition(random, 20 + random.below(30));
            board::BoardSnapshot snapshot;
            board::takeSnapshot(board, snapshot);
            for (int side : {1, 2}) evaluateLeaf(searchState, 0, side);
            std::string why;
            EXPECT_TRUE(board::checkBoard(board, &why)) << why;
            // Without the forbidden-point test nothing at all may change. Under
            // Renju its trial stones may replace reset values of points they
            // visit first (settledValue); cells, threat sets and key stay.
            if (rule != board::Renju) {
                EXPECT_SNAPSHOT(snapshot);
            } else {
                const board::Board& before = *reinterpret_cast<const board::Board*>(snapshot.bytes);
                EXPECT_EQ(std::memcmp(&before.cells, &board.cells, sizeof before.cells), 0);
                EXPECT_EQ(std::memcmp(&before.threats, &board.threats, sizeof before.threats), 0);
                EXPECT_EQ(before.hashKey, board.hashKey);
            }
        }
    }
}

TEST_F(EvaluateLeaf, UsesOnlyItsOwnLevelAsScratch) {
    setUpGame(15, 15, board::Standard);
    board::makeMove(board, 7, 6, 1);
    board::makeMove(board, 7, 7, 1);
    board::makeMove(board, 9, 9, 2);
    board::makeMove(board, 9, 10, 2);
    const int savedDepth = searchState.iterationDepth;
    searchState.iterationDepth = 5;
    for (int level : {2, 4})
        for (int i = 0; i < 16; ++i) moveListAt(searchState, level)[i] = {7, -1, -1};
    const int value = evaluateLeaf(searchState, 2, 1);
    for (int level : {2, 4})
        for (int i = 0; i < 16; ++i) {
            EXPECT_EQ(moveListAt(searchState, level)[i].key, 7);
            EXPECT_EQ(moveListAt(searchState, level)[i].x, -1);
        }
    // Levels outside the lists are clamped, not indexed.
    EXPECT_EQ(evaluateLeaf(searchState, -100000, 1), value);
    EXPECT_EQ(evaluateLeaf(searchState, 100000, 1), value);
    searchState.iterationDepth = savedDepth;
}

TEST_F(CountThreatsNear, MatchesWindowScanOnRandomPositions) {
    struct Game {
        int width, height, rule;
    };
    const Game games[] = {{15, 15, board::FreeStyle}, {15, 15, board::Renju}, {24, 24, board::Standard},
                          {10, 17, board::FreeStyle}, {17, 10, board::Standard}};
    boardtest::Random random(3);
    int positive = 0;
    for (const Game& game : games) {
        for (int trial = 0; trial < 10; ++trial) {
            setUpGame(game.width, game.height, game.rule);
            playRandomPosition(random, 15 + random.below(40));
            for (int side : {1, 2})
                for (int x = 0; x < game.height; ++x)
                    for (int y = 0; y < game.width; ++y) {
                        const int expected = windowThreats(x, y, side - 1, {});
                        EXPECT_EQ(countThreatsNear(board, x, y, side), expected) << x << "," << y;
                        positive += expected > 0;
                    }
        }
    }
    EXPECT_GT(positive, 500);
}

TEST_F(CountThreatsNear, WindowShapeAndBoardEdges) {
    // Two open-four points, (7,4) and (7,8) of X X X at (7,5..7). Asked from
    // every point of the board and of a ring round it, each is counted exactly
    // where the window reaches it.
    setUpGame(15, 15, board::FreeStyle);
    for (int y : {5, 6, 7}) board::makeMove(board, 7, y, 1);
    for (int x = -4; x < 19; ++x)
        for (int y = -4; y < 19; ++y) {
            const int expected = inWindow(7 - x, 4 - y) + inWindow(7 - x, 8 - y);
            EXPECT_EQ(countThreatsNear(board, x, y, 1), expected) << x << "," << y;
            EXPECT_EQ(countThreatsNear(board, x, y, 2), 0);
        }
    // The corners of the window: (x - 3, y + 3) and (x + 3, y - 3) reach; a
    // point three rows away on none of the three columns does not.
    EXPECT_EQ(countThreatsNear(board, 10, 1, 1), 1);
    EXPECT_EQ(countThreatsNear(board, 4, 11, 1), 1);
    EXPECT_EQ(countThreatsNear(board, 9, 5, 1), 1);
    EXPECT_EQ(countThreatsNear(board, 10, 6, 1), 0);
    EXPECT_EQ(countThreatsNear(board, -50, -50, 1), 0);
    EXPECT_EQ(countThreatsNear(board, 40, 90, 1), 0);
    EXPECT_EQ(countThreatsNear(board, 7, 1000, 1), 0);
}
