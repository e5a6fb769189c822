// The small hash table of the continuous-four search: a bare value per
// position.
//
// Four sub-tables, indexed kind x 2 + (side - 1) where kind is the caller's
// 0 or 1, each of N buckets of two 16-byte entries. An entry is two atomic
// 64-bit words:
//
//   word  bits    field        type    meaning
//   0     0..31   check-low    uint32  key-low  XOR value
//   0     32..63  check-high   uint32  key-high XOR (all ones if value < 0, else 0)
//   1     0..31   value        int32   stored value (wins/losses depth-relative)
//   1     32..47  depth        int16   depth of the store
//   1     48..63  age          int16   age at the store
//
// Word 0 is thus the key XOR the value sign-extended to 64 bits. An entry
// matches a key when word 0 XOR the sign-extended value equals the key; an
// all-zero entry is empty and matches nothing. The depth is not compared on a
// probe; it only decides which of the two entries a store replaces.
#pragma once

#include <atomic>
#include <cstdint>

#include "search/table_values.h"

namespace search {

struct HashTables;

struct alignas(16) ValueCacheSlot {
    std::atomic<uint64_t> word[2];
};

struct alignas(32) ValueCacheBucket {
    ValueCacheSlot slot[2];
};

static_assert(sizeof(ValueCacheSlot) == 16);
static_assert(sizeof(ValueCacheBucket) == 32);

struct ValueCacheEntry {
    uint64_t check = 0;          // key XOR sign-extended value
    int32_t value = 0;
    int16_t depth = 0;
    int16_t age = 0;
};

struct ValueCache {
    ValueCacheBucket* buckets[4] = {};      // kind x 2 + side - 1
    std::atomic<int32_t> size{0};           // N they were allocated for; 0 = none
};


ValueCacheEntry loadValueCacheEntry(const ValueCacheSlot& slot);
void saveValueCacheEntry(ValueCacheSlot& slot, const ValueCacheEntry& entry);

// The stored value for the position (wins and losses read back relative to
// `depth`), or MissValue.
int probeValueCache(HashTables& tables, int kind, int depth, int side, uint64_t key);

void storeValueCache(HashTables& tables, int value, int depth, int kind, int side, uint64_t key);

// Asks the processor to bring a key's bucket into the cache ahead of its probe.
inline void prefetchValueCacheBucket(const ValueCache& cache, int kind, int side, uint64_t key) {
    const int32_t size = cache.size.load(std::memory_order_relaxed);
    if (size == 0) return;
    __builtin_prefetch(cache.buckets[kind * 2 + side - 1] + hashBucketIndex(key, size));
}

}  // namespace search
