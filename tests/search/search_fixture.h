// Shared set-up for the search tests: a game on the real board with small hash
// tables, the per-think counters of a search, and an independent brute-force
// solver (its own grid, its own five test) to cross-check verdicts.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "board/board.h"
#include "board/board_check.h"
#include "board/board_fixture.h"
#include "board/geometry.h"
#include "board/pattern_tables.h"
#include "search/clock.h"
#include "search/hash_tables.h"
#include "search/limits.h"
#include "search/reporter.h"
#include "search/search_state.h"
#include "search/transposition_table.h"
#include "search/value_cache.h"

namespace searchtest {

using Points = std::vector<std::pair<int, int>>;

constexpr int SmallHash = 1024;

inline bool isWin(int v) { return v >= search::MateThreshold && v < search::MissValue; }
inline bool isLoss(int v) { return v <= -search::MateThreshold; }

// Report lines a search writes, kept for the test to read.
class CapturedLines : public search::LineWriter {
public:
    void writeLine(const char* text) override { lines.emplace_back(text); }

    // Every line so far, each ended by a line feed, and none kept.
    std::string take() {
        std::string text;
        for (const std::string& line : lines) text += line + "\n";
        lines.clear();
        return text;
    }

    std::vector<std::string> lines;
};

// Holds the search thread state first, so that the board base can refer to it.
struct OwnedSearchState {
    std::unique_ptr<search::SearchState> ownedState = std::make_unique<search::SearchState>();
};

// Test base: a search thread of the test's own (its board is the board of the
// board helpers), small hash tables, a mask, a stop flag and a node budget.
class SearchTest : private OwnedSearchState, public boardtest::BoardTest {
protected:
    SearchTest() : boardtest::BoardTest(ownedState->board), searchState(*ownedState) {}

    // A fresh width x height game under rule, empty tables, no limits.
    void newGame(int width, int height, int rule) {
        setUpGame(width, height, rule);
        ASSERT_TRUE(search::resizeHashTables(tables, SmallHash));
        search::clearHashTables(tables);
        search::setHashAge(tables, 0);
        mask.clear();
        stop.store(0);
        maxNode.store(-1);
        search::resetSearchWorkAreas(searchState);
        searchState.hashTables = &tables;
        searchState.reporter = &captured;
        searchState.limits = search::SearchLimits{};
        searchState.limits.stop = &stop;
        searchState.limits.maxNode = &maxNode;
        searchState.limits.blockMask = &mask;
        moveCount = 0;
        prepare(1);
    }

    // The per-think state of a search of iteration depth `depth`.
    void prepare(int depth) {
        search::SearchState& st = searchState;
        st.iterationDepth = depth;
        st.nodeCount = 0;
        st.interiorNodeCount = 0;
        st.threatNodeCount = 0;
        st.searchedMoveSum = 0;
        st.selectiveDepth = 0;
        st.searchAborted = false;
        st.turnTimeLimit = int64_t(1) << 40;
        st.thinkStartTime = search::nowMs();
        st.singleCandidateFlag = 0;
        st.limits.moveCount = moveCount;
    }

    // Stones (and blocks) along direction d from (x, y), as in placeLine; every
    // stone counts as a move of the game.
    void stones(int x, int y, int d, const std::string& pattern) {
        for (size_t i = 0; i < pattern.size(); ++i) {
            const int cell = boardtest::cellOfChar(pattern[i]);
            if (cell == 0) continue;
            const int k = static_cast<int>(i);
            stone(x + k * board::directionDelta[d][0], y + k * board::directionDelta[d][1], cell);
        }
    }
    void stone(int x, int y, int cell) {
        board::makeMove(board, x, y, cell);
        if (cell != 3) ++moveCount;
        searchState.limits.moveCount = moveCount;
    }

    // Visits every line of the board once, so that later makes and unmakes
    // restore the board bit for bit (no point keeps a never-visited reset value).
    void visitAll() {
        for (int x = 0; x < board.geometry.boardHeight; ++x)
            for (int y = 0; y < board.geometry.boardWidth; ++y)
                if (board.cells[x][y] == 0) {
                    board::makeMove(board, x, y, 1);
                    board::unmakeMove(board, x, y, 1);
                }
    }

    // Fills the board with alternating stones, first player first, until
    // `empties` points are left, never completing a five. False when it got
    // stuck.
    bool fillWithoutFive(boardtest::Random& random, int empties);

    // Whether the main table holds an entry for key with side to move.
    bool hasMainEntry(int side, uint64_t key) {
        const int32_t size = search::hashTableSize(tables);
        auto& bucket = tables.transposition.buckets[side - 1][search::hashBucketIndex(key, size)];
        for (auto& slot : bucket.slot) {
            search::TranspositionEntry e = search::loadTranspositionEntry(slot);
            if (e.flags != 0 && (e.check ^ search::transpositionDigest(e)) == key) return true;
        }
        return false;
    }

    // Whether the value cache holds an entry of kind for key with side to move.
    bool hasCacheEntry(int kind, int side, uint64_t key) {
        const int32_t size = search::hashTableSize(tables);
        auto& bucket = tables.cache.buckets[kind * 2 + side - 1][search::hashBucketIndex(key, size)];
        for (auto& slot : bucket.slot) {
            search::ValueCacheEntry e = search::loadValueCacheEntry(slot);
            const uint64_t sign = e.value < 0 ? ~uint64_t(0) << 32 : 0;
            const uint64_t expanded = sign | uint32_t(e.value);
            if (e.check != 0 && (e.check ^ expanded) == key) return true;
        }
        return false;
    }

    bool anyCacheEntry() {
        const int32_t size = search::hashTableSize(tables);
        for (int t = 0; t < 4; ++t)
            for (int32_t i = 0; i < size; ++i)
                for (auto& slot : tables.cache.buckets[t][i].slot)
                    if (slot.word[0].load() != 0 || slot.word[1].load() != 0) return true;
        return false;
    }

    search::SearchState& searchState;
    search::HashTables tables;
    search::BlockMask mask;
    std::atomic<int32_t> stop{0};
    std::atomic<int32_t> maxNode{-1};
    CapturedLines captured;
    int moveCount = 0;  // moves of the game (stones of either side)
};

// ---------------------------------------------------------------------------
// Independent reference: a plain grid of the playing rectangle with its own
// five test. Free-style: five or more in a row wins; standard: exactly five.
// It knows nothing of the board's incremental state.
struct Grid {
    int height = 0, width = 0, rule = 0;
    std::vector<int> cell;  // 0 empty, 1, 2, 3 block

    static Grid fromBoard(const board::Board& board) {
        Grid g;
        g.height = board.geometry.boardHeight;
        g.width = board.geometry.boardWidth;
        g.rule = board.rule;
        g.cell.assign(g.height * g.width, 0);
        for (int x = 0; x < g.height; ++x)
            for (int y = 0; y < g.width; ++y) g.cell[x * g.width + y] = board.cells[x][y];
        return g;
    }
    int at(int x, int y) const {
        if (x < 0 || x >= height || y < 0 || y >= width) return 3;
        return cell[x * width + y];
    }
    int& ref(int x, int y) { return cell[x * width + y]; }

    // Length of the run of colour c through (x, y) along (dx, dy), counting
    // (x, y) as c.
    int run(int x, int y, int dx, int dy, int c) const {
        int n = 1;
        for (int k = 1; at(x + k * dx, y + k * dy) == c; ++k) ++n;
        for (int k = 1; at(x - k * dx, y - k * dy) == c; ++k) ++n;
        return n;
    }
    // Whether a stone of c at empty (x, y) wins.
    bool makesFive(int x, int y, int c) const {
        static const int dirs[4][2] = {{0, 1}, {1, 0}, {-1, 1}, {1, 1}};
        for (const auto& d : dirs) {
            const int n = run(x, y, d[0], d[1], c);
            if (rule == board::FreeStyle ? n >= 5 : n == 5) return true;
        }
        return false;
    }
    bool hasFiveOnBoard() const {
        static const int dirs[4][2] = {{0, 1}, {1, 0}, {-1, 1}, {1, 1}};
        for (int x = 0; x < height; ++x)
            for (int y = 0; y < width; ++y) {
                const int c = at(x, y);
                if (c != 1 && c != 2) continue;
                for (const auto& d : dirs) {
                    int n = 1;
                    while (at(x + n * d[0], y + n * d[1]) == c) ++n;
                    if (n >= 5) return true;
                }
            }
        return false;
    }
    Points fivePoints(int c) const {
        Points p;
        for (int x = 0; x < height; ++x)
            for (int y = 0; y < width; ++y)
                if (at(x, y) == 0 && makesFive(x, y, c)) p.emplace_back(x, y);
        return p;
    }
    Points empties() const {
        Points p;
        for (int x = 0; x < height; ++x)
            for (int y = 0; y < width; ++y)
                if (at(x, y) == 0) p.emplace_back(x, y);
        return p;
    }
};

// Victory by continuous fours for attacker a: every attacker move makes at
// least one five point, the defender must take it (or wins with a five point
// of its own), two five points win. Plain exhaustive search.
inline bool bruteVcf(Grid& g, int a) {
    const int o = 3 - a;
    if (!g.fivePoints(a).empty()) return true;
    if (!g.fivePoints(o).empty()) {
        // The attacker may still win with a four that also blocks; try them below.
    }
    for (auto [x, y] : g.empties()) {
        g.ref(x, y) = a;
        const Points fives = g.fivePoints(a);
        bool win = false;
        if (!fives.empty() && g.fivePoints(o).empty()) {
            if (fives.size() >= 2) {
                win = true;
            } else {
                auto [bx, by] = fives[0];
                g.ref(bx, by) = o;
                win = bruteVcf(g, a);
                g.ref(bx, by) = 0;
            }
        }
        g.ref(x, y) = 0;
        if (win) return true;
    }
    return false;
}

// Exact game value for the side to move over every empty point: 1 win,
// -1 loss, 0 draw (board full without five). Memoised on the empties' contents.
struct BruteSolver {
    Grid g;
    Points empties;
    std::unordered_map<uint64_t, int> memo;

    explicit BruteSolver(const Grid& grid) : g(grid), empties(grid.empties()) {}

    uint64_t code() const {
        uint64_t c = 0;
        for (auto [x, y] : empties) c = c * 3 + uint64_t(g.at(x, y));
        return c;
    }
    int solve(int side) {
        const uint64_t key = code() * 2 + uint64_t(side - 1);
        auto it = memo.find(key);
        if (it != memo.end()) return it->second;
        int best = -2;
        bool any = false;
        for (auto [x, y] : empties) {
            if (g.at(x, y) != 0) continue;
            any = true;
            if (g.makesFive(x, y, side)) {
                best = 1;
                break;
            }
        }
        if (best != 1) {
            for (auto [x, y] : empties) {
                if (g.at(x, y) != 0) continue;
                g.ref(x, y) = side;
                const int v = -solve(3 - side);
                g.ref(x, y) = 0;
                if (v > best) best = v;
                if (best == 1) break;
            }
        }
        if (!any) best = 0;
        memo[key] = best;
        return best;
    }
};

inline bool SearchTest::fillWithoutFive(boardtest::Random& random, int empties) {
    const int points = board.geometry.boardHeight * board.geometry.boardWidth;
    int placed = 0;
    for (int attempts = 0; placed < points - empties; ++attempts) {
        if (attempts > 20 * points) return false;
        const int x = random.below(board.geometry.boardHeight), y = random.below(board.geometry.boardWidth);
        const int c = 1 + placed % 2;
        if (board.cells[x][y] != 0) continue;
        Grid g = Grid::fromBoard(board);
        g.rule = board::FreeStyle;  // no row of five or more at all
        if (g.makesFive(x, y, c)) continue;
        stone(x, y, c);
        ++placed;
    }
    return true;
}

}  // namespace searchtest
