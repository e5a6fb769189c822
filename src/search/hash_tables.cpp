#include "search/hash_tables.h"

#include <cstddef>
#include <cstdint>
#include <new>

#include "search/transposition_table.h"
#include "search/value_cache.h"

namespace search {

HashTableControl hashTableControl;

namespace {

constexpr auto Relaxed = std::memory_order_relaxed;
constexpr std::align_val_t StorageAlignment{64};
constexpr size_t MainSubTables = 2;
constexpr size_t CacheSubTables = 4;
constexpr size_t BytesPerBucket =
    MainSubTables * sizeof(TranspositionBucket) + CacheSubTables * sizeof(ValueCacheBucket);
static_assert(BytesPerBucket == 384);

// Constructs `count` buckets at `place`; their atomics start at zero, so a
// fresh table holds only empty entries.
template <class Bucket>
Bucket* constructBuckets(std::byte* place, size_t count) {
    for (size_t i = 0; i < count; ++i) ::new (place + i * sizeof(Bucket)) Bucket();
    return std::launder(reinterpret_cast<Bucket*>(place));
}

// Replaces the block by one for `buckets` buckets, or leaves everything as it
// is when the byte count does not fit in size_t or the memory is not there.
// The new block is complete before the old one is released.
bool reallocate(int32_t buckets) {
    if (static_cast<uint64_t>(buckets) > SIZE_MAX / BytesPerBucket) return false;
    size_t count = static_cast<size_t>(buckets);
    void* block = ::operator new(count * BytesPerBucket, StorageAlignment, std::nothrow);
    if (block == nullptr) return false;

    std::byte* place = static_cast<std::byte*>(block);
    for (size_t t = 0; t < MainSubTables; ++t) {
        transpositionTable.buckets[t] = constructBuckets<TranspositionBucket>(place, count);
        place += count * sizeof(TranspositionBucket);
    }
    for (size_t t = 0; t < CacheSubTables; ++t) {
        valueCache.buckets[t] = constructBuckets<ValueCacheBucket>(place, count);
        place += count * sizeof(ValueCacheBucket);
    }
    transpositionTable.size.store(buckets, Relaxed);
    valueCache.size.store(buckets, Relaxed);
    if (hashTableControl.storage != nullptr) ::operator delete(hashTableControl.storage, StorageAlignment);
    hashTableControl.storage = block;
    return true;
}

template <class Bucket, size_t Count>
void zeroSubTables(Bucket* const (&buffers)[Count], int32_t buckets) {
    for (Bucket* buffer : buffers) {
        if (buffer == nullptr) continue;
        for (int32_t b = 0; b < buckets; ++b) {
            for (auto& slot : buffer[b].slot) {
                for (auto& word : slot.word) word.store(0, Relaxed);
            }
        }
    }
}

}  // namespace

bool resizeHashTables(int32_t buckets) {
    if (buckets < 1) buckets = 1;
    std::lock_guard<std::mutex> lock(hashTableControl.allocationLock);
    if (transpositionTable.size.load(Relaxed) == buckets && valueCache.size.load(Relaxed) == buckets) return true;
    if (reallocate(buckets)) return true;
    if (hashTableControl.storage != nullptr) return false;
    while (buckets > 1) {
        buckets /= 2;
        if (reallocate(buckets)) break;
    }
    return false;
}

void clearHashTables() {
    std::lock_guard<std::mutex> lock(hashTableControl.allocationLock);
    zeroSubTables(transpositionTable.buckets, transpositionTable.size.load(Relaxed));
    zeroSubTables(valueCache.buckets, valueCache.size.load(Relaxed));
}

void setHashAge(int moveCount) {
    hashTableControl.age.store(static_cast<int16_t>(moveCount), Relaxed);
}

int16_t hashAge() { return hashTableControl.age.load(Relaxed); }

int32_t hashTableSize() { return transpositionTable.size.load(Relaxed); }

}  // namespace search
