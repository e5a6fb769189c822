// The main hash table: per position an upper and a lower bound of its value,
// the depth they were found at and up to three good moves.
//
// Two sub-tables, one per side to move (index side - 1), each of N buckets of
// four 32-byte entries. An entry is four atomic 64-bit words:
//
//   word  bits    field        type    meaning
//   0     0..31   check-low    uint32  key-low  XOR digest-low
//   0     32..63  check-high   uint32  key-high XOR digest-high
//   1     0..31   upper        int32   the value is at most this (flag bit 0)
//   1     32..63  lower        int32   the value is at least this (flag bit 1)
//   2     0..15   depth        int16   depth of the store that set the bounds
//   2     16..31  age          int16   age of the last store that found it
//   2     32..39  flags        int8    0 empty, 1 upper, 2 lower, 3 both
//   2     40..47  move count   int8    filled move slots (0..3)
//   2     48..55  move 1 x     int8    best move; 0xFF (-1) = empty slot
//   2     56..63  move 1 y     int8
//   3     0..15   move 2 x, y  int8 x2
//   3     16..31  move 3 x, y  int8 x2
//   3     32..63  unused, always 0
//
// digest = ((((upper << 28) ^ lower) << 6 ^ depth) << 2) ^ flags, every field
// sign-extended to 64 bits first, bits shifted past 64 dropped. An entry
// matches a key when its flags are not 0 and check XOR digest equals the key,
// so a torn entry (some words cleared, some not) reads as a miss. Moves, age
// and move count are outside the check: users take a move only when its x is
// not -1 and its point is empty. An all-zero entry is empty.
//
// Bound values of wins and losses are stored relative to the depth of the
// store (see valueToTable).
#pragma once

#include <atomic>
#include <cstdint>

#include "search/table_values.h"

namespace search {

struct HashTables;

constexpr int UpperBound = 1;
constexpr int LowerBound = 2;
constexpr int ExactBound = 3;
constexpr int NoMove = -1;

struct alignas(32) TranspositionSlot {
    std::atomic<uint64_t> word[4];
};

struct alignas(64) TranspositionBucket {
    TranspositionSlot slot[4];
};

static_assert(std::atomic<uint64_t>::is_always_lock_free);
static_assert(sizeof(TranspositionSlot) == 32);
static_assert(sizeof(TranspositionBucket) == 128);

// An entry decoded from its four words; all work is done on this copy.
struct TranspositionEntry {
    uint64_t check = 0;          // key XOR digest
    int32_t upper = 0;
    int32_t lower = 0;
    int16_t depth = 0;
    int16_t age = 0;
    int8_t flags = 0;
    int8_t moveCount = 0;
    int8_t moveX[3] = {-1, -1, -1};
    int8_t moveY[3] = {-1, -1, -1};
};

struct TranspositionTable {
    TranspositionBucket* buckets[2] = {};   // per side to move
    std::atomic<int32_t> size{0};           // N they were allocated for; 0 = none
};


uint64_t transpositionDigest(const TranspositionEntry& entry);
TranspositionEntry loadTranspositionEntry(const TranspositionSlot& slot);
void saveTranspositionEntry(TranspositionSlot& slot, const TranspositionEntry& entry);

// Returns a value that settles the node for the window (alpha, beta) at the
// required depth, or MissValue. Copies the first `wanted` (1..3) stored moves
// into moveX/moveY when the value is usable, or when the entry is deep enough
// (or both its bounds are wins or losses) even though the value is not.
int probeTranspositionTable(HashTables& tables, int depth, int alpha, int beta, int side, uint64_t key,
                            int* moveX, int* moveY, int wanted);

// Asks the processor to bring a key's bucket into the cache, ahead of the
// probe or store of a node that is about to be searched.
inline void prefetchTranspositionBucket(const TranspositionTable& table, int side, uint64_t key) {
    const int32_t size = table.size.load(std::memory_order_relaxed);
    if (size == 0) return;
    const TranspositionBucket* bucket = table.buckets[side - 1] + hashBucketIndex(key, size);
    __builtin_prefetch(bucket);
    __builtin_prefetch(reinterpret_cast<const char*>(bucket) + 64);
}

// Stores a bound (flag 1 upper, 2 lower, 3 exact) found at `depth` with up to
// three moves, best first (x = -1 or 0xFF: no move).
void storeTranspositionTable(HashTables& tables, int depth, int value, int flag, int side, uint64_t key,
                             int x1, int y1, int x2, int y2, int x3, int y3);

}  // namespace search
