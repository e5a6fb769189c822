// Move lists built from the board's threat point sets.
//
// The board keeps, per side, the empty points sorted into classes (five, open
// four, four, three, strong); each builder appends one MoveEntry per point of a
// class, writing x and y only (the caller fills the key), and returns how many
// it wrote. Points come out row by row, lowest x first, then lowest y, so no
// list needs sorting by position. Nothing here scans the board.
#pragma once

#include <cstdint>

#include "board/board.h"
#include "search/search_state.h"

namespace search {

// side is the colour, 1 or 2.
int listFivePoints(const board::Board& board, MoveEntry* place, int side);
int listOpenFourPoints(const board::Board& board, MoveEntry* place, int side);
int listFourPoints(const board::Board& board, MoveEntry* place, int side);
int listThreePoints(const board::Board& board, MoveEntry* place, int side);
int listStrongPoints(const board::Board& board, MoveEntry* place, int side);

// Points that are a four or a three point and not a strong point, each once.
int listFourAndThreePoints(const board::Board& board, MoveEntry* place, int side);

// For an open-four point (x, y) of side: writes the two defence points besides
// (x, y) itself against the straight four side would make there and returns 2,
// or writes nothing and returns 0 when the open-four point at the other end
// already covers the threat.
int openFourEnds(board::Board& board, MoveEntry* place, int side, int x, int y);

// Whether a stone or block lies in the 5 x 5 square centred on (x, y).
bool hasStoneNear(const board::Board& board, int x, int y);

}  // namespace search
