// A Swap2 opening as the body of SWAP2BOARD gives it: points in the order they
// were played, black first, and whether the body can be an opening at all.
//
// An opening has no stone (the engine proposes three), three or five, on
// distinct points of the board. The record becomes the opening before the
// engine thinks, and the points of its answer are added to it, so that a TURN
// or PLAY that follows goes on from there; a BOARD replaces it as ever.
//
// Invariants: count <= MaxPoints; the stones are distinct points of the board
// of the moment they were added; taken marks exactly them.
#pragma once

#include <cstdint>

#include "board/geometry.h"
#include "control/game_record.h"

namespace control {

struct Swap2Body {
    board::Stone stones[board::MaxPoints];
    int32_t count = 0;
    int32_t badLines = 0;  // lines that named no point of the board
    bool repeated = false;  // some point was given twice; the first is below
    int32_t repeatedX = -1, repeatedY = -1;
    bool taken[board::MaxSide][board::MaxSide];

    Swap2Body() { clear(); }

    void clear() {
        count = badLines = 0;
        repeated = false;
        repeatedX = repeatedY = -1;
        for (auto& row : taken)
            for (bool& t : row) t = false;
    }

    // Adds a point of the board; a point already given is only noted.
    void add(int x, int y) {
        if (taken[x][y]) {
            if (!repeated) {
                repeated = true;
                repeatedX = x;
                repeatedY = y;
            }
            return;
        }
        taken[x][y] = true;
        stones[count] = {x, y, count % 2 + 1};
        ++count;
    }
};

enum class Swap2Verdict { Opening, BadLines, RepeatedPoint, WrongCount };

// Whether the number of stones is one the engine answers: 0, 3 or 5.
bool isSwap2StoneCount(int32_t count);

// Judges the body; an opening replaces the record (moves in the body's order,
// no block stones, no last value). Any other verdict changes nothing.
Swap2Verdict startSwap2Opening(GameRecord& game, const Swap2Body& body);

}  // namespace control
