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
// Written by the main thread only while the worker is idle.
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
};

extern Geometry geometry;

// Whether (x, y) lies inside the playing rectangle.
inline bool onBoard(int x, int y) {
    return x >= 0 && x < geometry.boardHeight && y >= 0 && y < geometry.boardWidth;
}

}  // namespace board
