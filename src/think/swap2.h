// Swap2 openings: the engine's answers to SWAP2BOARD, as one think.
//
// The position of the request is the opening so far, black first: no stone
// (the engine proposes the first three), three stones or five (the engine,
// with white to move, chooses). Values are those of the engine's own
// searches, for the side to move:
//
// - No stone: black's first stone near the centre and white's within two
//   points of it, both drawn from the seed, then black's second stone from the
//   balance search (one stone of the side to move whose value is nearest 0,
//   within BalancingStoneReach of the others), so that white, to move, has a
//   value as near 0 as the search finds.
// - Three stones: the normal think's value v for white, to move. Black clearly
//   better (v < -ClearAdvantage): SWAP. White clearly better
//   (v > ClearAdvantage): the think's move, as white's 4th stone. Neither: two
//   stones, the think's move for white and a black stone from the balance
//   search that brings white's value back near 0, so that either colour is
//   fine to the engine and the other side chooses. When no black stone
//   does that within ClearAdvantage, the better of the first two answers.
// - Five stones: the normal think's value v for white, to move. SWAP when
//   black is better by more than FinalSwapMargin (v < -FinalSwapMargin, so
//   any lead of black's), the think's move as white's 6th stone otherwise.
//
// SWAP always means: the engine does not want to be the side to move and
// takes black. Answered points are empty, on the board, not masked, and for
// black never Renju-forbidden (with at most three black stones no point can
// be forbidden, but the answer is checked all the same).
//
// The answer keeps to the time of a move, min(timeout_turn, time_left / 16):
// in the three-stone case the value search takes ValueShareOfTurn of it and
// the balance search the rest.
#pragma once

#include <cstdint>

#include "board/geometry.h"
#include "think/thinker.h"

namespace think {

// A colour is clearly better in the three-stone choice when the value for the
// side to move is beyond this, one way or the other. A bit above what a
// short search's value of an ordinary opening moves by from one depth to the
// next, and a fifth of the value the engine shows as a clear lead (500).
constexpr int ClearAdvantage = 100;

// In the five-stone choice there is no neutral answer: the engine takes the
// colour its value prefers, SWAP as soon as black is ahead at all. A margin
// for keeping white was tried and lost: in self-play at 250 ms a move, games
// where white kept the move with black ahead by less than 20 were won by
// black every time, and black won most of the others too.
constexpr int FinalSwapMargin = 0;

// Share of the answer's time the value search gets when a balance search may
// follow (three-stone case).
constexpr double ValueShareOfTurn = 0.5;

// Black's first stone of a proposal lies within this many points of the
// centre (each way), white's first within this many points of black's.
constexpr int FirstStoneSpread = 1;
constexpr int SecondStoneSpread = 2;

// A stone placed by the balance search (black's second, black's in a pair)
// lies within this many points of a stone already there. The search looks a
// little farther, but a stone that stands apart plays little part in the
// fight, and an opening balanced by a stone that does nothing is not one
// worth giving.
constexpr int BalancingStoneReach = 2;

enum class Swap2Kind {
    NoAnswer,  // the think wrote an ERROR line instead (no room on the board)
    Swap,      // "SWAP"
    Stones,    // one to three points, in the order they are played
};

struct Swap2Answer {
    Swap2Kind kind = Swap2Kind::NoAnswer;
    int32_t count = 0;
    board::Stone stones[3] = {};
};

// The answer to the opening in request.position (0, 3 or 5 moves; any other
// count gets NoAnswer without a think). Proposals are drawn from
// request.swap2Seed: the same seed, settings and position give the same
// proposal when the search is bounded by depth or nodes.
Swap2Answer swap2Think(Thinker& thinker, const ThinkRequest& request);

}  // namespace think
