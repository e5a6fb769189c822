#include "search/value_cache.h"

#include "search/hash_tables.h"

namespace search {

namespace {

constexpr auto Relaxed = std::memory_order_relaxed;

uint64_t signExtended(int32_t value) {
    return static_cast<uint64_t>(static_cast<int64_t>(value));
}

bool isEmpty(const ValueCacheEntry& entry) {
    return entry.check == 0 && entry.value == 0 && entry.depth == 0 && entry.age == 0;
}

bool matchesKey(const ValueCacheEntry& entry, uint64_t key) {
    return !isEmpty(entry) && (entry.check ^ signExtended(entry.value)) == key;
}

ValueCacheBucket* bucketFor(HashTables& tables, int kind, int side, uint64_t key) {
    int32_t size = tables.cache.size.load(Relaxed);
    if (size == 0) return nullptr;
    return &tables.cache.buckets[kind * 2 + side - 1][hashBucketIndex(key, size)];
}

}  // namespace

ValueCacheEntry loadValueCacheEntry(const ValueCacheSlot& slot) {
    uint64_t w0 = slot.word[0].load(Relaxed);
    uint64_t w1 = slot.word[1].load(Relaxed);
    ValueCacheEntry entry;
    entry.check = w0;
    entry.value = static_cast<int32_t>(static_cast<uint32_t>(w1));
    entry.depth = static_cast<int16_t>(static_cast<uint16_t>(w1 >> 32));
    entry.age = static_cast<int16_t>(static_cast<uint16_t>(w1 >> 48));
    return entry;
}

void saveValueCacheEntry(ValueCacheSlot& slot, const ValueCacheEntry& entry) {
    uint64_t w1 = static_cast<uint64_t>(static_cast<uint32_t>(entry.value)) |
                  static_cast<uint64_t>(static_cast<uint16_t>(entry.depth)) << 32 |
                  static_cast<uint64_t>(static_cast<uint16_t>(entry.age)) << 48;
    slot.word[0].store(entry.check, Relaxed);
    slot.word[1].store(w1, Relaxed);
}

int probeValueCache(HashTables& tables, int kind, int depth, int side, uint64_t key) {
    ValueCacheBucket* bucket = bucketFor(tables, kind, side, key);
    if (bucket == nullptr) return MissValue;
    for (const ValueCacheSlot& slot : bucket->slot) {
        ValueCacheEntry entry = loadValueCacheEntry(slot);
        if (matchesKey(entry, key)) return valueFromTable(entry.value, depth);
    }
    return MissValue;
}

// Entry 0 takes every store except one that would evict a deeper result of
// another position stored within a move of the current age; entry 1 takes that.
void storeValueCache(HashTables& tables, int value, int depth, int kind, int side, uint64_t key) {
    ValueCacheBucket* bucket = bucketFor(tables, kind, side, key);
    if (bucket == nullptr) return;
    noteHashStore(tables);
    int16_t age = hashAge(tables);
    ValueCacheEntry first = loadValueCacheEntry(bucket->slot[0]);
    int ageDifference = first.age - age;
    bool keepFirst = (first.check ^ signExtended(first.value)) != key && first.check != 0 &&
                     first.depth > depth && ageDifference <= 1 && ageDifference >= -1;

    ValueCacheEntry entry;
    entry.value = valueToTable(value, depth);
    entry.check = key ^ signExtended(entry.value);
    entry.depth = static_cast<int16_t>(depth);
    entry.age = age;
    saveValueCacheEntry(bucket->slot[keepFirst ? 1 : 0], entry);
}

}  // namespace search
