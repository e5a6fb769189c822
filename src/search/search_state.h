// One search thread: its own board, its work areas, its per-think counters,
// and what it was handed (the shared hash tables, the limits, the writer of
// report lines). The main thread's search and every helper thread each own
// one; nothing in it is shared.
//
// Levels: a node at remaining depth d of an iteration of depth D works at level
// D - d (0 at the root); the threat search carries on past the horizon. Each
// level owns one MoveList, one PvLine and one visit counter, so nothing is
// allocated while searching. Nodes refuse to go deeper than MaxLevels - 1.
//
// MoveEntry (8 bytes): key (int32, ordering key, ascending = better; SkipKey
// marks an entry not to search), x and y (int16).
//
// Visit stamps: entering a node that generates moves bumps visitCounter[level];
// a point whose visitStamp equals it has already been listed at this node. Both
// are zeroed only when the board is reset, so they never need clearing between
// nodes.
#pragma once

#include <atomic>
#include <cstdint>

#include "board/board.h"
#include "search/limits.h"
#include "search/reporter.h"

namespace search {

constexpr int NotSet = -1000000000;     // a value not set yet
constexpr int SkipKey = 1000000000;     // ordering key of an entry that must not be searched
constexpr int MaxLevels = 640;
constexpr int HistoryLimit = 1 << 20;   // a point's history credit stops growing here

// A node can append several builders' lists (and a point may be listed more
// than once), so a level's list has room for three times the board.
constexpr int MoveListCapacity = 3 * board::MaxPoints + 8;

struct MoveEntry {
    int32_t key;
    int16_t x, y;
};
static_assert(sizeof(MoveEntry) == 8);

struct MoveList {
    MoveEntry moves[MoveListCapacity];
};

struct PvLine {
    int32_t length;
    MoveEntry moves[board::MaxPoints];
};

struct HashTables;

struct SearchState {
    board::Board board;
    HashTables* hashTables = nullptr;
    SearchLimits limits;
    LineWriter* reporter = nullptr;  // none on helper threads

    MoveList moveLists[MaxLevels];
    MoveList sortScratch;  // the merge passes of sortMoves
    PvLine pvLines[MaxLevels];
    uint64_t visitCounter[MaxLevels];
    uint64_t visitStamp[MaxLevels][board::MaxSide][board::MaxSide];

    // Static evaluation's own stamps (one evaluation per counter value).
    uint64_t evaluationCounter;
    uint64_t evaluationStamp[board::MaxSide][board::MaxSide];

    // Quiet-move ordering learnt during a think (cleared when it starts): the
    // last two quiet moves that failed high at each level, and for each side
    // and point the credit its quiet cutoffs earned (d x d per cutoff).
    MoveEntry killers[MaxLevels][2];
    int32_t history[2][board::MaxSide][board::MaxSide];

    // Per think, reset by the think drivers.
    int32_t iterationDepth;
    int64_t nodeCount;
    int64_t interiorNodeCount;
    int64_t threatNodeCount;
    double searchedMoveSum;
    int32_t selectiveDepth;     // lowest remaining depth the threat search reached (<= 0)
    bool searchAborted;
    int64_t turnTimeLimit = 10000;  // ms
    int64_t thinkStartTime;          // clock at the start of the search, ms
    int32_t bestMoveX = -1, bestMoveY = -1;
    int32_t singleCandidateFlag;

    // A helper thread's deepest finished iteration (0: none yet), for the main
    // thread to weigh against its own when the think ends.
    int32_t completedDepth = 0;
    int32_t completedValue = 0;
    PvLine completedLine = {};
};

inline MoveEntry* moveListAt(SearchState& searchState, int level) { return searchState.moveLists[level].moves; }

// Clears the per-game work areas (stamps and counters); due with every reset of
// the board.
void resetSearchWorkAreas(SearchState& searchState);

// Forgets the killers and history of the last think.
void clearMoveHistory(SearchState& searchState);

// Credits a quiet move of side that failed high with d plies left at level.
void noteQuietCutoff(SearchState& searchState, int level, int side, int x, int y, int d);

// Counts one node; true (with searchAborted set) when a limit stops the search.
inline bool countNodeAndTestLimits(SearchState& s) {
    if (++s.nodeCount % 1024 != 0) return false;
    bool stop = s.limits.stopRequested();
    const int32_t maxNode = s.limits.nodeBudget();
    if (!stop && maxNode != -1)
        stop = s.nodeCount / 1024 > maxNode || nowMs() - s.thinkStartTime + TimeMarginMs >= s.turnTimeLimit;
    if (stop) s.searchAborted = true;
    return stop;
}

}  // namespace search
