// The analysis drivers run in-process: which points become candidates, the
// order they are ranked in, what a search does to the ranking, and that the
// position is left as it was found.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <regex>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>
#include <memory>

#include "board/board.h"
#include "control/engine.h"
#include "search/hash_tables.h"
#include "think/analysis.h"
#include "think/think.h"

using namespace think;
using Point = std::pair<int, int>;
using Points = std::set<Point>;

namespace {

// Lines an engine writes, kept for the test to read.
class Collected : public search::LineWriter {
public:
    void writeLine(const char* text) override { text_ += std::string(text) + "\n"; }
    std::string take() {
        std::string text;
        text.swap(text_);
        return text;
    }

private:
    std::string text_;
};

using Driver = ThinkResult (*)(Thinker&, const ThinkRequest&);

class AnalysisDriverTest : public ::testing::Test {
protected:
    void SetUp() override { reset(); }

    // A new engine of the test's own, with small tables.
    void reset() {
        engine = std::make_unique<control::Engine>(collected);
        engine->settings.hashSize = 4096;
    }

    // A board of width x height with the moves in the order played.
    void game(int width, int height, const std::vector<Point>& moves) {
        ASSERT_TRUE(control::setupBoard(*engine, width, height));
        for (const Point& m : moves) ASSERT_TRUE(control::addMove(engine->game, m.first, m.second));
        ASSERT_EQ(engine->game.moveCount, int(moves.size()));
    }

    // Builds the search board now (as a think would).
    void build() {
        int64_t start = 0;
        const ThinkRequest request = control::thinkRequest(*engine);
        followPosition(engine->thinker, request.position);
        applyRule(engine->thinker, request, start);
        collected.take();
    }

    // What a driver wrote.
    std::string output(Driver driver) {
        collected.take();
        const ThinkResult result = driver(engine->thinker, control::thinkRequest(*engine));
        engine->game.lastValue = result.lastValue;
        return collected.take();
    }

    static std::vector<std::string> lines(const std::string& text) {
        std::vector<std::string> result;
        size_t from = 0;
        for (size_t at; (at = text.find('\n', from)) != std::string::npos; from = at + 1)
            result.push_back(text.substr(from, at - from));
        EXPECT_EQ(from, text.size()) << "output ends inside a line";
        return result;
    }

    board::Board& board() { return engine->thinker.main->board; }
    NbestState& nbestState() { return *engine->thinker.nbest; }
    BalanceState& balanceState() { return *engine->thinker.balance; }
    bool isMasked(int x, int y) { return engine->blockMask.isMasked(x, y); }

    Points nbestPoints() {
        Points result;
        for (int i = 0; i < nbestState().count; ++i) result.emplace(nbestState().candidates[i].x, nbestState().candidates[i].y);
        EXPECT_EQ(result.size(), size_t(nbestState().count)) << "a point listed twice";
        return result;
    }

    Points balanceOnePoints() {
        Points result;
        for (int i = 0; i < balanceState().generated; ++i) result.emplace(balanceState().one[i].x, balanceState().one[i].y);
        EXPECT_EQ(result.size(), size_t(balanceState().generated)) << "a point listed twice";
        return result;
    }

    // Empty points of a width x height board (x below height) for which keep holds.
    template <typename Keep>
    Points pointsWhere(int width, int height, Keep keep) {
        Points result;
        for (int x = 0; x < height; ++x)
            for (int y = 0; y < width; ++y)
                if (board::cellAt(board(), x, y) == 0 && keep(x, y)) result.emplace(x, y);
        return result;
    }

    // Chebyshev distance.
    static int ring(int x1, int y1, int x2, int y2) { return std::max(std::abs(x1 - x2), std::abs(y1 - y2)); }

    // The n-best neighbourhood of one stone, written as "the 5 x 5 square, plus
    // the eight points three steps along the lines".
    static bool nbestNear(int x, int y, int sx, int sy) {
        const int dx = x - sx, dy = y - sy;
        if (ring(x, y, sx, sy) <= 2) return true;
        return (dx == 0 || std::abs(dx) == 3) && (dy == 0 || std::abs(dy) == 3);
    }

    struct Snapshot {
        int8_t cells[board::MaxSide][board::MaxSide];
        uint64_t hashKey;
        int32_t moveCount;
        board::Stone last;

        static Snapshot take(AnalysisDriverTest& t) {
            Snapshot s{};
            for (int x = 0; x < board::MaxSide; ++x)
                for (int y = 0; y < board::MaxSide; ++y) s.cells[x][y] = t.board().cells[x][y];
            s.hashKey = t.board().hashKey;
            s.moveCount = t.engine->game.moveCount;
            if (s.moveCount > 0) s.last = t.engine->game.moves[s.moveCount - 1];
            return s;
        }
        bool operator==(const Snapshot& o) const {
            return std::memcmp(cells, o.cells, sizeof cells) == 0 && hashKey == o.hashKey && moveCount == o.moveCount &&
                   (moveCount == 0 || (last.x == o.last.x && last.y == o.last.y && last.colour == o.last.colour));
        }
    };

    Collected collected;
    std::unique_ptr<control::Engine> engine;
};

}  // namespace

TEST(AnalysisStableSort, MatchesTheStandardStableSortWithManyTies) {
    struct Item {
        int key, order;
    };
    std::mt19937 random(12345);
    static Item items[5000], scratch[5000];
    for (int n : {0, 1, 2, 15, 16, 17, 33, 100, 1023, 5000}) {
        std::vector<Item> expected;
        for (int i = 0; i < n; ++i) {
            items[i] = Item{int(random() % 7), i};
            expected.push_back(items[i]);
        }
        const auto before = [](const Item& a, const Item& b) { return a.key < b.key; };
        stableSort(items, n, scratch, before);
        std::stable_sort(expected.begin(), expected.end(), before);
        for (int i = 0; i < n; ++i) {
            ASSERT_EQ(items[i].key, expected[i].key) << "n " << n << " at " << i;
            ASSERT_EQ(items[i].order, expected[i].order) << "n " << n << " at " << i;
        }
    }
}

TEST_F(AnalysisDriverTest, NeighbourhoodShapesAroundAStoneAndABlock) {
    game(15, 15, {{7, 7}});
    build();
    NeighbourhoodMap map;
    markNeighbourhood(board(), map, NeighbourShape::SquareAndLines);
    const auto marked = [&](int x, int y) { return map.marked[x][y] != 0; };
    EXPECT_EQ(pointsWhere(15, 15, marked), pointsWhere(15, 15, [this](int x, int y) { return nbestNear(x, y, 7, 7); }));
    EXPECT_EQ(pointsWhere(15, 15, marked).size(), 32u);
    markNeighbourhood(board(), map, NeighbourShape::FullSquare);
    EXPECT_EQ(pointsWhere(15, 15, marked), pointsWhere(15, 15, [this](int x, int y) { return ring(x, y, 7, 7) <= 3; }));
    EXPECT_EQ(pointsWhere(15, 15, marked).size(), 48u);

    // A block stone marks its surroundings like any stone; the stone's own
    // point is never marked.
    ASSERT_TRUE(control::addBlockStone(engine->game, 0, 14));
    build();
    markNeighbourhood(board(), map, NeighbourShape::FullSquare);
    EXPECT_EQ(pointsWhere(15, 15, marked), pointsWhere(15, 15, [this](int x, int y) {
                  return ring(x, y, 7, 7) <= 3 || ring(x, y, 0, 14) <= 3;
              }));
    EXPECT_EQ(map.marked[0][14], 0);
    EXPECT_EQ(map.marked[7][7], 0);
}

TEST_F(AnalysisDriverTest, NbestCandidatesAreThePointsNearStonesRankedBest) {
    engine->settings.maxDepth = 0;  // candidates only
    game(15, 15, {{7, 7}});
    output(nbestThink);
    EXPECT_EQ(nbestPoints(), pointsWhere(15, 15, [this](int x, int y) { return nbestNear(x, y, 7, 7); }));
    for (int i = 1; i < nbestState().count; ++i)
        EXPECT_GE(nbestState().candidates[i - 1].score, nbestState().candidates[i].score) << i;

    // In a corner the shape is cut by the edges; masked points are left out.
    reset();
    engine->settings.maxDepth = 0;
    game(15, 15, {{0, 0}});
    engine->blockMask.set(1, 1);
    output(nbestThink);
    EXPECT_EQ(nbestPoints(), (Points{{0, 1}, {0, 2}, {1, 0}, {1, 2}, {2, 0}, {2, 1}, {2, 2}, {0, 3}, {3, 0}, {3, 3}}));
}

TEST_F(AnalysisDriverTest, EmptyRecordMakesEveryUnmaskedPointACandidate) {
    engine->settings.maxDepth = 0;
    game(7, 5, {});
    engine->blockMask.set(2, 3);
    engine->blockMask.set(4, 6);
    output(nbestThink);
    const Points expected = pointsWhere(7, 5, [this](int x, int y) { return !isMasked(x, y); });
    EXPECT_EQ(expected.size(), 33u);
    EXPECT_EQ(nbestPoints(), expected);
    output(balanceOneThink);
    EXPECT_EQ(balanceOnePoints(), expected);
}

TEST_F(AnalysisDriverTest, BalanceOneCandidatesAndTheirDistances) {
    engine->settings.maxDepth = 0;
    engine->worker.balanceTarget = -7000;  // clamped to -2000
    game(15, 15, {{7, 7}, {0, 14}});
    output(balanceOneThink);
    EXPECT_EQ(balanceState().target, -2000);
    EXPECT_EQ(balanceOnePoints(), pointsWhere(15, 15, [this](int x, int y) {
                  return ring(x, y, 7, 7) <= 3 || ring(x, y, 0, 14) <= 3;
              }));
    EXPECT_EQ(balanceState().generated, 48 + 15);
    for (int i = 1; i < balanceState().generated; ++i)
        EXPECT_LE(balanceState().one[i - 1].distance, balanceState().one[i].distance) << i;
    // Values near an opening are small: every distance to -2000 is about 2000.
    for (int i = 0; i < balanceState().generated; ++i) {
        EXPECT_GT(balanceState().one[i].distance, 1000) << i;
        EXPECT_LT(balanceState().one[i].distance, 3000) << i;
    }
}

TEST_F(AnalysisDriverTest, BalanceTwoPairsOnAnEmptyBoardLieWithinThreeRowsAndColumns) {
    engine->settings.maxDepth = 0;
    game(7, 7, {});
    output(balanceTwoThink);
    // Per axis 4 + 5 + 6 + 7 + 6 + 5 + 4 = 37 positions within 3; less the
    // point itself.
    EXPECT_EQ(balanceState().generated, 37 * 37 - 49);
    std::set<std::tuple<int, int, int, int>> pairs;
    for (int i = 0; i < balanceState().generated; ++i) {
        const BalanceTwoEntry& e = balanceState().two[i];
        EXPECT_LE(ring(e.x1, e.y1, e.x2, e.y2), 3);
        EXPECT_NE(std::make_pair(e.x1, e.y1), std::make_pair(e.x2, e.y2));
        pairs.emplace(e.x1, e.y1, e.x2, e.y2);
        if (i > 0) {
            EXPECT_LE(balanceState().two[i - 1].distance, e.distance) << i;
        }
    }
    EXPECT_EQ(pairs.size(), size_t(balanceState().generated));
}

TEST_F(AnalysisDriverTest, BalanceTwoPairsNearAStone) {
    engine->settings.maxDepth = 0;
    game(11, 11, {{5, 5}, {1, 1}});
    engine->blockMask.set(5, 6);
    output(balanceTwoThink);
    // Two of: the second near the first, the second near a stone, the first
    // near a stone.
    build();
    const auto near = [this](int x, int y) { return ring(x, y, 5, 5) <= 3 || ring(x, y, 1, 1) <= 3; };
    std::set<std::tuple<int, int, int, int>> expected, got;
    const Points usable = pointsWhere(11, 11, [this](int x, int y) { return !isMasked(x, y); });
    for (const Point& a : usable)
        for (const Point& b : usable) {
            if (a == b) continue;
            const int holds = (ring(a.first, a.second, b.first, b.second) <= 3) + near(a.first, a.second) +
                              near(b.first, b.second);
            if (holds >= 2) expected.emplace(a.first, a.second, b.first, b.second);
        }
    for (int i = 0; i < balanceState().generated; ++i) {
        const BalanceTwoEntry& e = balanceState().two[i];
        got.emplace(e.x1, e.y1, e.x2, e.y2);
    }
    EXPECT_EQ(got.size(), size_t(balanceState().generated));
    EXPECT_EQ(got, expected);
}

TEST_F(AnalysisDriverTest, SearchesLeaveThePositionAsTheyFoundIt) {
    engine->settings.maxDepth = 3;
    game(11, 11, {{5, 5}, {5, 6}, {6, 6}, {4, 4}, {7, 7}});
    build();
    const Snapshot before = Snapshot::take(*this);
    engine->worker.nbestCount = 4;
    output(nbestThink);
    EXPECT_TRUE(Snapshot::take(*this) == before) << "n-best";
    output(balanceOneThink);
    EXPECT_TRUE(Snapshot::take(*this) == before) << "balance one";
    engine->settings.maxDepth = 1;
    output(balanceTwoThink);
    EXPECT_TRUE(Snapshot::take(*this) == before) << "balance two";
    EXPECT_EQ(engine->game.lastValue, 0);
}

TEST_F(AnalysisDriverTest, NbestPutsTheOnlyDefenceFirstAndTheLosingMovesBelow) {
    // Black has four in row 7 closed at (7, 6); white must take (7, 11).
    engine->settings.maxDepth = 3;
    engine->worker.nbestCount = 4;
    game(15, 15, {{7, 7}, {7, 6}, {7, 8}, {0, 0}, {7, 9}, {0, 2}, {7, 10}});
    const std::vector<std::string> out = lines(output(nbestThink));
    ASSERT_GE(nbestState().count, 5);
    EXPECT_EQ(nbestState().candidates[0].x, 7);
    EXPECT_EQ(nbestState().candidates[0].y, 11);
    EXPECT_GT(nbestState().candidates[0].score, -search::MateThreshold);
    for (int i = 1; i < 4; ++i) {
        EXPECT_LE(nbestState().candidates[i].score, -search::MateThreshold) << i;
        EXPECT_GE(nbestState().candidates[i - 1].score, nbestState().candidates[i].score) << i;
    }
    // The final lines: (NBEST) with the defence, then four numbered lines
    // whose lines begin with their candidate's move.
    // Rule line, three iteration lines (no numbered ones below depth 5), then
    // the final lines.
    ASSERT_EQ(out.size(), 1u + 3u + 5u) << ::testing::PrintToString(out);
    EXPECT_TRUE(std::regex_match(out[4], std::regex(R"(MESSAGE DETAIL \(NBEST\) DEPTH:4-\d+ VAL:-?\d+ TIME:\d+ms NODE:0m \[8,L\])")))
        << out[4];
    for (int i = 0; i < 4; ++i) {
        const NbestCandidate& c = nbestState().candidates[i];
        char head[64];
        std::snprintf(head, sizeof head, "MESSAGE (%d) VAL:%d [%d,%c]", i, c.score, 15 - c.x, 'A' + c.y);
        EXPECT_EQ(out[5 + i].rfind(head, 0), 0u) << out[5 + i] << " / " << head;
        EXPECT_LE(nbestState().lines[nbestState().lineOf[i]].count, 4);
    }
}

TEST_F(AnalysisDriverTest, NoCandidatesGiveAFinalLineWithoutAPoint) {
    engine->settings.maxDepth = 3;
    engine->worker.balanceTarget = 100;
    // A full 3 x 3 board.
    std::vector<Point> all;
    for (int x = 0; x < 3; ++x)
        for (int y = 0; y < 3; ++y) all.emplace_back(x, y);
    game(3, 3, all);
    const std::regex nbest(R"(MESSAGE DETAIL \(NBEST\) DEPTH:0-0 VAL:0 TIME:\d+ms NODE:0m)");
    const std::regex balance(R"(MESSAGE DETAIL \(BALANCE\) DEPTH:0-0 \|VAL-100\|:10000 TIME:\d+ms NODE:0m)");
    std::vector<std::string> out = lines(output(nbestThink));
    ASSERT_FALSE(out.empty());
    EXPECT_TRUE(std::regex_match(out.back(), nbest)) << out.back();
    EXPECT_EQ(nbestState().count, 0);
    out = lines(output(balanceOneThink));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_TRUE(std::regex_match(out[0], balance)) << out[0];
    out = lines(output(balanceTwoThink));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_TRUE(std::regex_match(out[0], balance)) << out[0];

    // Every point masked on an empty record.
    reset();
    engine->worker.balanceTarget = 100;
    game(3, 3, {});
    for (const Point& p : all) engine->blockMask.set(p.first, p.second);
    out = lines(output(nbestThink));
    ASSERT_FALSE(out.empty());
    EXPECT_TRUE(std::regex_match(out.back(), nbest)) << out.back();
    out = lines(output(balanceTwoThink));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_TRUE(std::regex_match(out[0], balance)) << out[0];
}

TEST_F(AnalysisDriverTest, StopRequestCutsBalanceTwoGenerationShort) {
    // Every empty point of a 24 x 24 board lies near one of these stones:
    // some 300000 pairs, seconds of generation that a stop must not wait for.
    std::vector<Point> spread;
    for (int a : {2, 8, 14, 20})
        for (int b : {2, 8, 14, 20}) spread.emplace_back(a, b);
    game(24, 24, spread);
    build();
    const Snapshot before = Snapshot::take(*this);
    engine->worker.stopRequested.store(1);
    const std::vector<std::string> out = lines(output(balanceTwoThink));
    engine->worker.stopRequested.store(0);
    EXPECT_EQ(balanceState().generated, 0);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_TRUE(std::regex_match(out[0], std::regex(R"(MESSAGE DETAIL \(BALANCE\) DEPTH:0-0 \|VAL\+0\|:10000 TIME:\d+ms NODE:0m)")))
        << out[0];
    EXPECT_TRUE(Snapshot::take(*this) == before);

    // Without the stop the same position lists them all.
    engine->settings.maxDepth = 0;
    engine->settings.maxNode = -1;
    output(balanceTwoThink);
    EXPECT_EQ(balanceState().generated, 560 * 559);
}
