// Shared set-up for the board tests: geometry, table builds and positions
// written as strings.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

#include "board/board.h"
#include "board/board_check.h"
#include "board/geometry.h"
#include "board/pattern_tables.h"
#include "protocol/settings.h"

namespace boardtest {

// Rule and square size the tables were last built for by setUpGame (-1: unknown).
inline int builtRule = -1;
inline int builtSize = -1;

// A width x height game under rule: geometry set, tables built (reused when the
// rule and the square are unchanged), board reset. The board's reset also
// empties the search's hash tables; the smallest size keeps that cheap.
inline void setUpGame(int width, int height, int rule) {
    protocol::settings.hashSize.store(1);
    board::geometry.boardWidth = width;
    board::geometry.boardHeight = height;
    board::geometry.boardSize = std::max(width, height);
    board::geometry.winLengthParam = rule == board::FreeStyle ? 4 : 5;
    if (builtRule != rule || builtSize != board::geometry.boardSize || board::tables.rule != rule) {
        board::buildPatternTables(rule);
        builtRule = rule;
        builtSize = board::geometry.boardSize;
    }
    board::resetBoard();
}

inline int cellOfChar(char c) {
    switch (c) {
        case 'X': return 1;
        case 'O': return 2;
        case '#': return 3;
        default: return 0;
    }
}

// Places the stones of pattern from (x, y) along direction d: 'X' first player,
// 'O' second player, '#' block; any other character leaves the point empty.
inline void placeLine(int x, int y, int d, const std::string& pattern) {
    for (size_t i = 0; i < pattern.size(); ++i) {
        const int cell = cellOfChar(pattern[i]);
        const int k = static_cast<int>(i);
        if (cell != 0) board::makeMove(x + k * board::directionDelta[d][0], y + k * board::directionDelta[d][1], cell);
    }
}

// Line key of nine cells written left to right (cell 0 first), same characters.
inline uint32_t keyOf(const std::string& cells) {
    uint32_t key = 0;
    for (int i = 0; i < 9; ++i) key |= static_cast<uint32_t>(cellOfChar(cells[i])) << (2 * i);
    return key;
}

inline int code(int d, int x, int y, int side) { return board::board.directionCode[d][x][y][side]; }

inline bool inSet(int cls, int side, int x, int y) {
    return (board::board.threats[cls].rowMask[side][x] >> y & 1) != 0;
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

}  // namespace boardtest
