// Shared set-up for the hash table tests: small tables, emptied, age 0, and
// direct access to the slots a key falls into.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "search/hash_tables.h"
#include "search/transposition_table.h"
#include "search/value_cache.h"

namespace hash_test {

constexpr int32_t SmallSize = 8;
constexpr int Untouched = 99;   // pre-filled into probe outputs

class HashTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(search::resizeHashTables(SmallSize));
        search::clearHashTables();
        search::setHashAge(0);
    }
};

// A key with the given high word whose low word selects `bucket`.
inline uint64_t keyFor(uint32_t high, uint32_t bucket) {
    return static_cast<uint64_t>(high) << 32 | bucket;
}

inline search::TranspositionSlot& mainSlot(int side, uint64_t key, int slot) {
    int32_t size = search::hashTableSize();
    return search::transpositionTable.buckets[side - 1][search::hashBucketIndex(key, size)].slot[slot];
}

inline search::TranspositionEntry mainEntry(int side, uint64_t key, int slot) {
    return search::loadTranspositionEntry(mainSlot(side, key, slot));
}

inline search::ValueCacheSlot& cacheSlot(int kind, int side, uint64_t key, int slot) {
    int32_t size = search::hashTableSize();
    return search::valueCache.buckets[kind * 2 + side - 1][search::hashBucketIndex(key, size)].slot[slot];
}

struct Probe {
    int value;
    int x[3] = {Untouched, Untouched, Untouched};
    int y[3] = {Untouched, Untouched, Untouched};
};

inline Probe probe(int depth, int alpha, int beta, int side, uint64_t key, int wanted = 3) {
    Probe result{};
    result.value = search::probeTranspositionTable(depth, alpha, beta, side, key, result.x, result.y, wanted);
    return result;
}

inline void storeExact(int depth, int value, int side, uint64_t key, int x = -1, int y = -1) {
    search::storeTranspositionTable(depth, value, search::ExactBound, side, key, x, y, -1, -1, -1, -1);
}

}  // namespace hash_test
