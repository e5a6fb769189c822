// A position as the body of BOARD or ovboard gives it: the stones in the order
// of their lines, each with its field (1 the engine's own stone, 2 the
// opponent's, 3 a stone of neither side).
//
// Invariants: every stone lies on the board of the moment it was added and no
// point holds two stones, so count never exceeds MaxPoints; taken marks
// exactly the points of the stones.
#pragma once

#include <cstdint>

#include "board/geometry.h"

namespace control {

enum StoneField : int8_t { OwnStone = 1, OpponentStone = 2, BlockStone = 3 };

struct BodyStone {
    int8_t x, y, field;
};

struct PositionBody {
    BodyStone stones[board::MaxPoints];
    int32_t count = 0;
    bool taken[board::MaxSide][board::MaxSide];

    PositionBody() { clear(); }

    void clear() {
        count = 0;
        for (auto& row : taken)
            for (bool& t : row) t = false;
    }

    // Adds a stone on a board point; false (and nothing added) when the body
    // already put a stone there.
    bool add(int x, int y, StoneField field) {
        if (taken[x][y]) return false;
        taken[x][y] = true;
        stones[count++] = {static_cast<int8_t>(x), static_cast<int8_t>(y), field};
        return true;
    }
};

}  // namespace control
