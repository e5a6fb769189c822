// Values and indexing shared by the transposition table, the value cache and
// the searches: the storage form of win and loss values (tuning.h) relative to
// the depth of a store, and the bucket of a key.
#pragma once

#include <cstdint>

#include "search/tuning.h"

namespace search {

// Buckets per sub-table of the default hash_size (192 MiB in all).
constexpr int32_t DefaultHashBuckets = 524288;
// What a probe returns when it has no usable value.
constexpr int MissValue = 20000000;

constexpr bool isMateLike(int value) {
    return value >= MateThreshold || value <= -MateThreshold;
}

// Wins and losses are kept relative to the depth of the store, so that the
// distance to the end stays right when a probe from another depth reads them.
constexpr int valueToTable(int value, int depth) {
    if (value >= MateThreshold) return value - depth;
    if (value <= -MateThreshold) return value + depth;
    return value;
}

constexpr int valueFromTable(int value, int depth) {
    if (value >= MateThreshold) return value + depth;
    if (value <= -MateThreshold) return value - depth;
    return value;
}

inline uint32_t hashBucketIndex(uint64_t key, int32_t size) {
    return static_cast<uint32_t>(key) & static_cast<uint32_t>(size - 1);
}

}  // namespace search
