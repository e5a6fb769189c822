// The game as the manager told it, and the link to the search board.
//
// The record is the truth; the search board is a cache of it. builtRule is the
// rule the search board was last built for, or -1 when the board does not
// reflect the record (after START/RESTART); the next think or ovshowforbid
// rebuilds it. Colours go by parity: entry i has colour (i mod 2) + 1.
//
// Invariants: 0 <= moveCount <= MaxMoves; every recorded point is on the board
// and no point is recorded twice; when builtRule != -1 the board holds exactly
// the recorded stones (plus block stones placed since the build).
//
// blockMask marks points the engine must never move to. It is written by the
// main thread while a think may run (ovblock, ovblockreset), so its flags are
// relaxed atomics; nothing but those two commands changes it.
#pragma once

#include <atomic>
#include <cstdint>

#include "board/geometry.h"

namespace control {

constexpr int MaxMoves = board::MaxPoints;

struct RecordedMove {
    int32_t x, y, colour;
};

struct GameRecord {
    RecordedMove moves[MaxMoves] = {};
    int32_t moveCount = 0;
    int32_t builtRule = -1;
    bool firstBuild = true;   // cleared by the process's first rebuild in a think
    int32_t lastValue = 0;    // value of the last think
};

struct BlockMask {
    std::atomic<int32_t> flags[board::MaxSide][board::MaxSide];
};

extern GameRecord game;
extern BlockMask blockMask;

inline bool isMasked(int x, int y) {
    return blockMask.flags[x][y].load(std::memory_order_relaxed) != 0;
}
void setMasked(int x, int y);
void clearBlockMask();

// START/RECTSTART with a board of width x height. A side outside 1..24 is
// refused with "ERROR size of the board" and the previous dimensions stay.
// Otherwise: empty record, board not built, greeting and "OK".
bool setupBoard(int32_t width, int32_t height);

// RESTART: empty record, board not built, greeting and "OK".
void restartGame();

// Appends a move of the engine (PLAY, BOARD who 1) or of the opponent (TURN,
// BOARD who 2). An occupied point or a full record draws the move's error line
// and changes nothing.
void addOwnMove(int x, int y);
void addOpponentMove(int x, int y);

// Puts a block stone on the built board (dropped while it is not built).
void addBlockStone(int x, int y);

// Takes back the last recorded move, which must be (x, y): 0 on success, 2 when
// the point is not the last move (nothing changes then).
int takeBack(int x, int y);

// Makes the search board match the rule setting and the record. Run by the
// think drivers; the first rebuild of the process charges 200 ms to the think
// by moving thinkStartTime (milliseconds) back.
void applyRule(int64_t& thinkStartTime);

// ovshowforbid: the FORBID line under Renju, nothing under other rules.
void showForbidden();

// Back to the state at process start (tests run several sessions in one process).
void resetGame();

}  // namespace control
