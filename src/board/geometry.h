// Board geometry: the dimensions of the game the manager set up.
//
// boardWidth  first number of START/RECTSTART, bounds the second coordinate y
// boardHeight second number, bounds the first coordinate x
// boardSize   larger of the two; the search board is a boardSize square,
//             with block stones outside the playing rectangle
// winLengthParam  update radius of the incremental board: 4 free-style, 5 otherwise
//
// Invariant: 0 <= boardHeight, boardWidth <= MaxSide and boardSize <= MaxSide, so
// every point that passes onBoard() indexes the fixed 24 x 24 arrays safely.
#pragma once

#include <cstdint>

namespace board {

constexpr int MaxSide = 24;
constexpr int MaxPoints = MaxSide * MaxSide;

struct Geometry {
    int32_t boardWidth = 0;   // 0 until the first START: no board size given yet
    int32_t boardHeight = 0;
    int32_t boardSize = 15;
    int32_t winLengthParam = 4;

    // Whether (x, y) lies inside the playing rectangle.
    bool onBoard(int x, int y) const { return x >= 0 && x < boardHeight && y >= 0 && y < boardWidth; }
    int area() const { return boardWidth * boardHeight; }
};

// A stone of the game: colour 1 (first player), 2 (second player) or 3 (a
// block stone, of neither side).
struct Stone {
    int32_t x, y, colour;
};

}  // namespace board
