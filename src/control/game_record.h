// The game as the manager told it: the board dimensions, the moves in the
// order they were played, the block stones, and the value of the last think.
//
// The record is the truth; the think layer's search board follows it at the
// start of every think. Colours go by parity: move i has colour (i mod 2) + 1.
// Block stones (stones of neither side, from BOARD bodies) are part of the
// position; the search board puts them on before the moves.
//
// Invariants: 0 <= moveCount <= MaxMoves; 0 <= blockCount <= MaxMoves; every
// recorded point is on the board and no point is recorded twice, as a move or
// a block. Operations report refusals in their results; the protocol layer
// writes the replies.
#pragma once

#include <cstdint>

#include "board/geometry.h"
#include "control/position_body.h"

namespace control {

constexpr int MaxMoves = board::MaxPoints;

struct GameRecord {
    board::Geometry geometry;
    board::Stone moves[MaxMoves] = {};
    int32_t moveCount = 0;
    board::Stone blocks[MaxMoves] = {};
    int32_t blockCount = 0;
    int32_t lastValue = 0;  // value of the last think of this game
};

// Whether a side fits the board (1..24).
bool sizeAccepted(int32_t width, int32_t height);

// A new game on a board of width x height (already accepted): empty record.
void startGame(GameRecord& game, int32_t width, int32_t height);

// A new game on the same board.
void restartGame(GameRecord& game);

// Whether a new stone may go on (x, y): on the board and free.
bool pointIsFree(const GameRecord& game, int x, int y);

// Whether the position has a block stone on (x, y).
bool hasBlockStone(const GameRecord& game, int x, int y);

// Appends a move; false (and nothing changes) on an occupied or off-board
// point or a full record.
bool addMove(GameRecord& game, int x, int y);

// Adds a block stone; false on an occupied or off-board point.
bool addBlockStone(GameRecord& game, int x, int y);

// Takes back the last recorded move, which must be (x, y): false when it is
// not (nothing changes then).
bool takeBack(GameRecord& game, int x, int y);

// What replacePosition made of a body.
struct PositionResult {
    bool accepted;
    int32_t own, opponent;  // the body's stone counts of each side
};

// BOARD and ovboard: the body becomes the whole position (moves and block
// stones); dimensions, rule, settings and the mask stay. Colours follow the
// fields: when the lines are not in an order whose parity matches them, each
// side's stones keep their own order and are interleaved, black first. The
// engine is the side to move, so a game has as many own stones as opponent's
// (the engine is black) or one opponent's stone more (white); other counts
// are refused and change nothing. A body that only adds the opponent's reply
// to the record keeps the last think's value, as TURN does.
PositionResult replacePosition(GameRecord& game, const PositionBody& body);

}  // namespace control
