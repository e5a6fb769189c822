// Consistency check of the search board, for tests and debugging.
//
// checkBoard recomputes every field of the board from its cells alone (plus the
// record of which (point, direction) pairs have been visited since the reset,
// which decides whether a point should still hold its reset values) and
// compares with the incrementally kept state. BoardSnapshot holds a raw copy of
// the board's state (not its undo scratch) for bit-for-bit comparisons after a
// take-back.
#pragma once

#include <string>

#include "board/board.h"

namespace board {

// True when every field agrees with a recomputation from the cells. With
// withStrongPoints false the strongPoints sets are not compared (between a light
// make and its unmake). On failure *why, if given, names the first mismatch.
bool checkBoard(const Board& board, std::string* why = nullptr, bool withStrongPoints = true);

struct BoardSnapshot {
    alignas(Board) unsigned char bytes[BoardStateBytes];
};

void takeSnapshot(const Board& board, BoardSnapshot& snapshot);

// True when the board equals the snapshot byte for byte; otherwise *why, if
// given, names the first differing field.
bool matchesSnapshot(const Board& board, const BoardSnapshot& snapshot, std::string* why = nullptr);

}  // namespace board
