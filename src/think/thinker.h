// The think layer's object: what one engine keeps from think to think (its
// search threads with their boards, the position its main board holds, the
// principal variation last taken, the analysis work areas), and what each
// think is handed (ThinkRequest) and gives back (ThinkResult).
//
// The main search thread owns the board the drivers work on. Between thinks it
// keeps the position of the last think (builtStones, for builtRule); a think
// brings it to the position it is asked about by taking back the stones that
// differ and making the new ones, or rebuilds it for a new game, rule or
// geometry. Helper threads copy the main board when a search starts.
//
// A think reads the settings once, when it starts (ThinkSettings); only the
// stop request and the node budget are read live, through pointers.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "board/board.h"
#include "search/hash_tables.h"
#include "search/limits.h"
#include "search/reporter.h"
#include "search/search_state.h"

namespace think {

struct NbestState;
struct BalanceState;

// The position a think is about: the moves in played order (colours 1 and 2)
// and the block stones.
struct Position {
    board::Geometry geometry;
    const board::Stone* moves = nullptr;
    int32_t moveCount = 0;
    const board::Stone* blocks = nullptr;
    int32_t blockCount = 0;
};

struct ThinkSettings {
    int32_t timeoutTurn = 30000;
    int32_t timeLeft = 1000000000;
    int32_t maxDepth = 576;
    int32_t cautionFactor = 1;
    int32_t showDetail = 0;
    int32_t hashSize = search::DefaultHashBuckets;
    int32_t maxMemory = 0;
    int32_t rule = 0;
    int32_t threadCount = 1;                        // search threads, at least 1
    const std::atomic<int32_t>* maxNode = nullptr;  // read live; none: no budget
};

struct ThinkRequest {
    Position position;
    ThinkSettings settings;
    int32_t lastValue = 0;          // the value of the last think of this game
    int32_t nbestCount = 1;         // ovnbest's n
    int32_t balanceTarget = 0;      // ovbalanceone/two's target
    uint64_t swap2Seed = 0;         // where a Swap2 proposal's random choices start
    const std::atomic<int32_t>* stop = nullptr;  // > 0: stop at once
    const search::BlockMask* blockMask = nullptr;
    search::LineWriter* out = nullptr;           // every line the think writes

    bool stopRequested() const { return stop != nullptr && stop->load(std::memory_order_relaxed) > 0; }
    bool isMasked(int x, int y) const { return blockMask != nullptr && blockMask->isMasked(x, y); }
    int32_t nodeBudget() const {
        return settings.maxNode == nullptr ? 2000000000 : settings.maxNode->load(std::memory_order_relaxed);
    }
};

struct ThinkResult {
    bool hasMove = false;  // a normal think that found a point to play
    int32_t x = -1, y = -1;
    int32_t lastValue = 0;  // the value to keep for the next think of the game
};

// Most search threads a think may run, whatever the machine.
constexpr int MaxSearchThreads = 64;

// What each helper thread adds to the process: its search work areas and the
// stack the system gives a thread (8 MiB on Linux, mapped even if unused).
constexpr int64_t HelperMemoryBytes = int64_t{sizeof(search::SearchState)} + (int64_t{8} << 20);

// The threads a thread_num setting gives: at least 1, at most the hardware's
// threads (and MaxSearchThreads).
int searchThreadsFor(int32_t requested);

// Buckets of the hash tables for hash_size under a max_memory limit (0: none)
// when the engine searches on `threads` threads: the helpers' work areas come
// out of the limit first.
int32_t tableBuckets(int32_t hashSize, int32_t maxMemory, int threads);

class Thinker {
public:
    explicit Thinker(search::HashTables& tables);
    ~Thinker();
    Thinker(const Thinker&) = delete;
    Thinker& operator=(const Thinker&) = delete;

    // A new game: the board is rebuilt at the next search, and the tables are
    // sized (hash_size under max_memory, for `threads` search threads) and
    // emptied now.
    void newGame(int32_t hashSize, int32_t maxMemory, int threads);

    // The Renju forbidden points of the position, in row order (x, then y,
    // over the board's square); the board is built for Renju when it is not,
    // and then *rebuilt is set (the last think's value no longer holds).
    int forbiddenPoints(const Position& position, board::Stone* points, bool* rebuilt);

    search::HashTables& hashTables;
    std::unique_ptr<search::SearchState> main;
    std::vector<std::unique_ptr<search::SearchState>> helpers;
    search::BusyNodes busyNodes;  // the marks of a parallel think's threads
    board::KeyGenerator keys;

    // The position the main board holds, valid when builtRule is not -1.
    int32_t builtRule = -1;
    board::Stone builtMoves[board::MaxPoints];
    int32_t builtMoveCount = 0;
    board::Stone builtBlocks[board::MaxPoints];
    int32_t builtBlockCount = 0;

    bool firstBuild = true;        // cleared by the first rebuild in a think
    search::PvLine savedLine = {};  // the principal variation a driver took last
    int32_t requestedHashSize = 0;  // the size the tables were last sized for at a think
    std::unique_ptr<NbestState> nbest;
    std::unique_ptr<BalanceState> balance;
};

// Brings the main board to the request's position when it is built (taking
// back and making stones); a board not built stays so.
void followPosition(Thinker& thinker, const Position& position);

// Makes the main board match the rule and the position, rebuilding it (with
// the "MESSAGE Rule ..." line) when the rule changed or it was not built.
// The process's first rebuild charges 200 ms to the think by moving
// thinkStartTime back. True when it rebuilt.
bool applyRule(Thinker& thinker, const ThinkRequest& request, int64_t& thinkStartTime);

// Brings the hash tables to the request's size when it changed.
void applyHashSize(Thinker& thinker, const ThinkRequest& request);

// Fills the main search thread's limits from the request.
void setSearchLimits(Thinker& thinker, const ThinkRequest& request);

// The value as printed: wins and losses without their distance term, clamped.
int displayValue(int value, int depth);

// Copies the root's principal variation into savedLine.
void saveLine(Thinker& thinker);

}  // namespace think
