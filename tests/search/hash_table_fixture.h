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

// Base of the table tests: small tables of the test's own, emptied, age 0,
// and direct access to the slots a key falls into.
class HashTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(search::resizeHashTables(tables, SmallSize));
        search::clearHashTables(tables);
        search::setHashAge(tables, 0);
    }

    search::TranspositionSlot& mainSlot(int side, uint64_t key, int slot) {
        int32_t size = search::hashTableSize(tables);
        return tables.transposition.buckets[side - 1][search::hashBucketIndex(key, size)].slot[slot];
    }

    search::TranspositionEntry mainEntry(int side, uint64_t key, int slot) {
        return search::loadTranspositionEntry(mainSlot(side, key, slot));
    }

    search::ValueCacheSlot& cacheSlot(int kind, int side, uint64_t key, int slot) {
        int32_t size = search::hashTableSize(tables);
        return tables.cache.buckets[kind * 2 + side - 1][search::hashBucketIndex(key, size)].slot[slot];
    }

    struct Probe {
        int value;
        int x[3] = {Untouched, Untouched, Untouched};
        int y[3] = {Untouched, Untouched, Untouched};
    };

    Probe probe(int depth, int alpha, int beta, int side, uint64_t key, int wanted = 3) {
        Probe result{};
        result.value = search::probeTranspositionTable(tables, depth, alpha, beta, side, key, result.x, result.y, wanted);
        return result;
    }

    void storeExact(int depth, int value, int side, uint64_t key, int x = -1, int y = -1) {
        search::storeTranspositionTable(tables, depth, value, search::ExactBound, side, key, x, y, -1, -1, -1, -1);
    }

    search::HashTables tables;
};

// A key with the given high word whose low word selects `bucket`.
inline uint64_t keyFor(uint32_t high, uint32_t bucket) {
    return static_cast<uint64_t>(high) << 32 | bucket;
}

}  // namespace hash_test
