// The staged move loop shared by the root and the node search: a node asks its
// picker for one move at a time and gets them stage by stage, most forcing
// first:
//
//   -1  forced: the other side has a five in reach; its block is the only move
//    0  the table's moves for this position, in the table's order
//    1  side's strong points           2  the open-four defence
//    3  the other side's strong points 4  side's fours and threes
//    5  the other side's fours and threes
//    6  the quiet moves (see quiet_moves.h)
//
// A stage is built only when the one before it is used up. Its moves are
// scored: a point already stamped at this level in this visit, a black
// forbidden point under Renju and (at the root) a masked point get SkipKey,
// every other point is stamped and keyed by its point scores, and it is
// counted as taken. Stages 1 to 6 are then sorted (stable, so ties keep the
// builder's row order and the skipped entries trail); stage 0 keeps the table's
// order with its skipped entries dropped. A stage that lists a move and ends
// the node (-1, 2 when it found a blockable open four, 6) is the last one.
//
// Each picker is a new visit of its level: making one bumps the level's visit
// counter, so the stamps of an earlier visit mean nothing to it.
//
// Work areas: the level's move list and the thread's sort scratch; nothing is
// allocated. The list must stay untouched while the picker is in use, which
// holds because every search the node starts works at deeper levels.
#pragma once

#include <cstdint>

#include "search/search_state.h"

namespace search {

constexpr int ForcedStage = -1;
constexpr int TableStage = 0;
constexpr int OpenFourDefenceStage = 2;
constexpr int BlockStage = 5;
constexpr int QuietStage = 6;

struct MovePickerSetup {
    int level = 0;
    int side = 1;
    bool forced = false;  // the other side has a five in reach: stage -1 only
    bool root = false;    // masked points are never taken; stage 6 is the root's, which never leaves it empty
    int tableDepth = 0;   // the node's T, which bounds the quiet stage below the root
};

struct PickedMove {
    int x, y;
    int moveNumber;   // its place among the moves the node took, from 0
    int stage;        // -1 to 6
    int stageNumber;  // the stage as late-move pruning weighs it (tuning.h)
    int stageIndex;   // its place in its stage's list, from 0
};

class MovePicker {
public:
    MovePicker(SearchState& searchState, const MovePickerSetup& setup);

    // The stamp of this visit.
    uint64_t visitStamp() const { return searchState.visitCounter[setup.level]; }

    // Lists stage 0 now rather than when the loop reaches it, so that a search
    // can deepen first when the table has nothing; a later call lists it
    // again. Whether the table gave a move.
    bool fetchTableMoves(int alpha, int beta);

    // The next move to search, or false when the node has none left. alpha and
    // beta are the node's current window, which the stages built from here on
    // look at.
    bool next(int alpha, int beta, PickedMove& move);

    // Whether fewer than `ahead` moves of its stage follow the last move given.
    bool stageEndsWithin(int ahead) const;

    // Moves taken so far, counting every move of each stage built.
    int taken() const { return takenCount; }

private:
    void buildStage(int alpha, int beta);

    SearchState& searchState;
    MoveEntry* list;
    MovePickerSetup setup;
    int stage;
    int stageNumber = 0;
    int count = 0;   // entries of the current stage's list
    int index = -1;  // the entry last given
    int takenBefore = 0;
    int takenCount = 0;
    bool endsNode = false;
    bool tableMovesFetched = false;
    int tableMoveCount = 0;
};

}  // namespace search
