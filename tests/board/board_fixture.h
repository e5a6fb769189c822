// Shared set-up for the board tests: a board of the test's own, games of any
// shape and rule, positions written as strings or drawn as pictures.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "board/board.h"
#include "board/board_check.h"
#include "board/geometry.h"
#include "board/pattern_tables.h"

namespace boardtest {

using Points = std::vector<std::pair<int, int>>;
using Picture = std::array<const char*, 15>;

inline int cellOfChar(char c) {
    switch (c) {
        case 'X': return 1;
        case 'O': return 2;
        case '#': return 3;
        default: return 0;
    }
}

// Line key of nine cells written left to right (cell 0 first), same characters.
inline uint32_t keyOf(const std::string& cells) {
    uint32_t key = 0;
    for (int i = 0; i < 9; ++i) key |= static_cast<uint32_t>(cellOfChar(cells[i])) << (2 * i);
    return key;
}

// Small deterministic generator for the randomised tests.
struct Random {
    uint64_t state;
    explicit Random(uint64_t seed) : state(seed * 0x9E3779B97F4A7C15ull + 1) {}
    uint32_t next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return static_cast<uint32_t>(state >> 11);
    }
    int below(int n) { return static_cast<int>(next() % static_cast<uint32_t>(n)); }
};

// Base of the tests that work on a board: the board (its own, or one that a
// derived fixture owns) and the keys its builds draw from.
class BoardTest : public ::testing::Test {
protected:
    BoardTest() : owned_(std::make_unique<board::Board>()), board(*owned_) {}
    explicit BoardTest(board::Board& other) : board(other) {}

    // A width x height game under rule: the board reset for it.
    void setUpGame(int width, int height, int rule) {
        board::Geometry geometry;
        geometry.boardWidth = width;
        geometry.boardHeight = height;
        geometry.boardSize = std::max(width, height);
        board::resetBoard(board, rule, geometry, keys);
    }

    // Places the stones of pattern from (x, y) along direction d: 'X' first
    // player, 'O' second player, '#' block; any other character leaves the
    // point empty.
    void placeLine(int x, int y, int d, const std::string& pattern) {
        for (size_t i = 0; i < pattern.size(); ++i) {
            const int cell = cellOfChar(pattern[i]);
            const int k = static_cast<int>(i);
            if (cell != 0)
                board::makeMove(board, x + k * board::directionDelta[d][0], y + k * board::directionDelta[d][1], cell);
        }
    }

    // A 15 x 15 board drawn row by row (x), one character per column (y):
    // 'X' first player, 'O' second player, '#' block, anything else empty.
    void setUpPicture(int rule, const Picture& rows) {
        setUpGame(15, 15, rule);
        for (int x = 0; x < 15; ++x) {
            ASSERT_EQ(std::string(rows[x]).size(), 15u) << "row " << x;
            for (int y = 0; y < 15; ++y) {
                const int cell = cellOfChar(rows[x][y]);
                if (cell != 0) board::makeMove(board, x, y, cell);
            }
        }
    }

    int code(int d, int x, int y, int side) const { return board.points[x][y].code[d][side]; }

    bool inSet(int cls, int side, int x, int y) const { return (board.threats[cls].rowMask[side][x] >> y & 1) != 0; }

    // Whether some direction code of side index s at (x, y) lies in low..high.
    bool codeIn(int x, int y, int s, int low, int high) const {
        for (int d = 0; d < 4; ++d) {
            const int c = board.points[x][y].code[d][s];
            if (c >= low && c <= high) return true;
        }
        return false;
    }

    // Row-major scan of the playing rectangle for the points passing test.
    template <typename Test>
    Points scan(Test test) const {
        Points result;
        for (int x = 0; x < board.geometry.boardHeight; ++x)
            for (int y = 0; y < board.geometry.boardWidth; ++y)
                if (test(x, y)) result.emplace_back(x, y);
        return result;
    }

    std::string boardProblem() const {
        std::string why;
        return board::checkBoard(board, &why) ? std::string() : why;
    }

private:
    std::unique_ptr<board::Board> owned_;

protected:
    board::Board& board;
    board::KeyGenerator keys;
};

}  // namespace boardtest
