// The transposition table and the value cache as one object, HashTables,
// shared by every search thread of an engine: the age stamp of stores, and the
// (re)allocation and clearing of both tables.
//
// Both tables have N buckets per sub-table (N = hash_size, at least 1, not
// rounded to a power of two); a key's bucket is key-low AND (N - 1), so with an
// N that is not a power of two only the buckets whose index bits are a subset
// of the bits of N - 1 are ever used.
//
// Every table word is a std::atomic<uint64_t> read and written with relaxed
// order only: the search threads probe and store at once, and the main thread
// may clear the tables (ovhashclear) meanwhile. An entry that is half cleared
// or half written (two threads storing into one slot) fails its key check and
// reads as a miss.
//
// Invariants:
// - Both tables always have the same N; hashTableSize() is 0 until the first
//   successful allocation and the tables are then never without buffers.
// - All six sub-tables live in one block of N x 384 bytes (two main sub-tables
//   of N x 128, then four cache sub-tables of N x 32), allocated in one piece
//   so that the system refuses a size it cannot hold as a whole. It is zeroed
//   (and so every page made present) when allocated, which the engine does
//   when a game starts, off every turn's clock; entries are 8-byte words whose
//   all-zero bit pattern is the empty state. The block is allocated only by
//   resizeHashTables() and freed with the object (the engine's never is: its
//   worker may still be running when the process ends).
// - Resize and clear serialise on one mutex; probes and stores take no lock.
//   Resizes happen only while no search thread runs (a think's set-up, before
//   its helpers start, or between thinks).
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "search/table_values.h"
#include "search/transposition_table.h"
#include "search/value_cache.h"

namespace search {

struct HashTableControl {
    std::mutex allocationLock;       // held by resize and clear
    std::atomic<int16_t> age{0};     // moves in the game record; stamped on stores
    void* storage = nullptr;         // the block as allocated (freed on the next resize)
    // True while the tables hold nothing but the zeros of a fresh allocation;
    // any store clears it. Lets a rebuild skip zeroing untouched memory.
    std::atomic<bool> untouched{false};
};

// Both tables and what governs them: one object, shared by every search
// thread of the engine.
struct HashTables {
    HashTables() = default;
    HashTables(const HashTables&) = delete;
    HashTables& operator=(const HashTables&) = delete;
    ~HashTables();

    TranspositionTable transposition;
    ValueCache cache;
    HashTableControl control;
};

// Brings both tables to `buckets` buckets per sub-table (values below 1 give
// 1). Returns true when that size is now in force. When it cannot be allocated
// the previous tables stay in force; when there were none, the default size is
// allocated (or half of it, and so on, until an allocation succeeds). Entries
// are left as they are: callers clear.
bool resizeHashTables(HashTables& tables, int32_t buckets);

// Zeroes every entry of both tables; safe while the worker probes and stores.
void clearHashTables(HashTables& tables);

// Clear for the searching thread itself (or while it is idle): skips the work
// when nothing was stored since the tables were allocated or last cleared.
void clearHashTablesIfUsed(HashTables& tables);

// What the tables take per bucket of every sub-table.
constexpr int64_t HashBytesPerBucket = 384;
// What the process needs besides the tables: code, the static search and
// analysis work areas (about 26 MiB), the worker's stack and the C library's
// heap, with room to spare. A max_memory limit is met by giving the tables
// what is left of it.
constexpr int64_t MemoryReserveBytes = int64_t{40} << 20;

// Buckets per sub-table for the hash_size setting under a max_memory limit in
// bytes (0 or less: no limit): hash_size when it fits, else the largest power
// of two whose tables fit in max_memory - MemoryReserveBytes, at least 1.
int32_t bucketsWithinMemory(int32_t hashSize, int64_t maxMemory);

// Brings the tables to `buckets` and empties them, so that the next think has
// nothing to clear. For the searching thread or while it is idle (a new game).
void prepareHashTables(HashTables& tables, int32_t buckets);

// Marks the tables as written; every store calls it.
inline void noteHashStore(HashTables& tables) {
    if (tables.control.untouched.load(std::memory_order_relaxed))
        tables.control.untouched.store(false, std::memory_order_relaxed);
}

inline void setHashAge(HashTables& tables, int moveCount) {
    tables.control.age.store(static_cast<int16_t>(moveCount), std::memory_order_relaxed);
}
inline int16_t hashAge(const HashTables& tables) { return tables.control.age.load(std::memory_order_relaxed); }

// N currently in force; 0 when nothing was ever allocated.
inline int32_t hashTableSize(const HashTables& tables) {
    return tables.transposition.size.load(std::memory_order_relaxed);
}

}  // namespace search
