// Renju forbidden points of the first player.
//
// A first-player stone is forbidden where it makes no five but an overline, two
// fours or two threes. A four counts when a further stone would make exactly
// five; a three counts when a further stone, itself not forbidden, would make an
// open four (both five points exact). The test reads the stored first-player
// codes, settles most points from them alone and otherwise places the stone with
// the light make, recursing at the points that would complete a three.
//
// The board is left as found, apart from first visits of points that still held
// their reset values (see board.h).
#pragma once

#include "board/board.h"

namespace board {

// 1 when a first-player stone at (x, y) is forbidden, else 0. Any point of the
// working square may be asked; an occupied point answers 0.
int isForbidden(Board& board, int x, int y);

}  // namespace board
