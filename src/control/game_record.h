// The game as the manager told it, and the link to the search board.
//
// The record is the truth; the search board is a cache of it. builtRule is the
// rule the search board was last built for, or -1 when the board does not
// reflect the record (after START/RESTART); the next think or ovshowforbid
// rebuilds it. Colours go by parity: entry i has colour (i mod 2) + 1.
// Block stones (stones of neither side, from BOARD bodies) are part of the
// position: a rebuild puts them on the board before the moves, so that taking
// moves back always undoes the latest stone first.
//
// Invariants: 0 <= moveCount <= MaxMoves; 0 <= blockCount <= MaxMoves; every
// recorded point is on the board and no point is recorded twice, as a move or
// a block; when builtRule != -1 the board holds exactly the recorded stones.
//
// blockMask marks points the engine must never move to. It is written by the
// main thread while a think may run (ovblock, ovblockreset), so its flags are
// relaxed atomics; nothing but those two commands changes it.
#pragma once

#include <atomic>
#include <cstdint>

#include "board/geometry.h"
#include "control/position_body.h"

namespace control {

constexpr int MaxMoves = board::MaxPoints;

struct RecordedMove {
    int32_t x, y, colour;
};

struct BlockPoint {
    int32_t x, y;
};

struct GameRecord {
    RecordedMove moves[MaxMoves] = {};
    int32_t moveCount = 0;
    BlockPoint blocks[MaxMoves] = {};
    int32_t blockCount = 0;
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

// Whether the position has a block stone on (x, y).
bool hasBlockStone(int x, int y);
void clearBlockMask();

// START/RECTSTART with a board of width x height. A side outside 1..24 is
// refused with "ERROR size of the board" and the previous dimensions stay.
// Otherwise: empty record, board not built, hash tables sized and emptied (the
// protocol does not count this time against any move), greeting and "OK".
bool setupBoard(int32_t width, int32_t height);

// RESTART: as setupBoard with the current dimensions.
void restartGame();

// Appends a move of the engine (PLAY) or of the opponent (TURN). An occupied
// point or a full record draws the move's error line, changes nothing and
// returns false.
bool addOwnMove(int x, int y);
bool addOpponentMove(int x, int y);

// Adds a block stone to the position (and to the board when it is built). An
// occupied or off-board point draws "ERROR board-block move [x,y]".
void addBlockStone(int x, int y);

// What replacePosition made of a body.
struct PositionResult {
    bool accepted;
    int32_t own, opponent;  // the body's stone counts of each side
};

// BOARD and ovboard: the body becomes the whole position (record and block
// stones); dimensions, rule, settings and the mask stay. Colours follow the
// fields: when the lines are not in an order whose parity matches them, each
// side's stones keep their own order and are interleaved, black first. The
// engine is the side to move, so a game has as many own stones as opponent's
// (the engine is black) or one opponent's stone more (white); other counts
// are refused and change nothing. A body that only adds the opponent's reply
// to the record keeps the last think's value, as TURN does; the built board
// follows by taking back and making moves, without a rebuild.
PositionResult replacePosition(const PositionBody& body);

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
