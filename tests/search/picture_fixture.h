// Positions drawn as pictures, and scans of the board, for the move-list and
// evaluation tests.
#pragma once

#include <array>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

#include "board/board.h"
#include "board/board_fixture.h"

namespace picturetest {

using Points = std::vector<std::pair<int, int>>;
using Picture = std::array<const char*, 15>;

// A 15 x 15 board drawn row by row (x), one character per column (y):
// 'X' first player, 'O' second player, '#' block, anything else empty.
inline void setUpPicture(int rule, const Picture& rows) {
    boardtest::setUpGame(15, 15, rule);
    for (int x = 0; x < 15; ++x) {
        ASSERT_EQ(std::string(rows[x]).size(), 15u) << "row " << x;
        for (int y = 0; y < 15; ++y) {
            const int cell = boardtest::cellOfChar(rows[x][y]);
            if (cell != 0) board::makeMove(x, y, cell);
        }
    }
}

// Whether some direction code of side index s at (x, y) lies in low..high.
inline bool codeIn(int x, int y, int s, int low, int high) {
    for (int d = 0; d < 4; ++d) {
        const int c = board::board.directionCode[d][x][y][s];
        if (c >= low && c <= high) return true;
    }
    return false;
}

// Row-major scan of the playing rectangle for the points passing test.
template <typename Test>
Points scan(Test test) {
    Points result;
    for (int x = 0; x < board::geometry.boardHeight; ++x)
        for (int y = 0; y < board::geometry.boardWidth; ++y)
            if (test(x, y)) result.emplace_back(x, y);
    return result;
}

}  // namespace picturetest
