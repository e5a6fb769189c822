#include "search/hash_tables.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "search/transposition_table.h"
#include "search/value_cache.h"

namespace search {

namespace {

constexpr auto Relaxed = std::memory_order_relaxed;
constexpr size_t StorageAlignment = 64;
constexpr size_t HugePageBytes = size_t{2} << 20;  // the x86-64 huge page
constexpr size_t MainSubTables = 2;
constexpr size_t CacheSubTables = 4;
constexpr size_t BytesPerBucket =
    MainSubTables * sizeof(TranspositionBucket) + CacheSubTables * sizeof(ValueCacheBucket);
static_assert(BytesPerBucket == HashBytesPerBucket);

// The buckets of a zeroed block: every word of every entry starts at zero,
// the empty state.
template <class Bucket>
Bucket* bucketsAt(std::byte* place) {
    return std::launder(reinterpret_cast<Bucket*>(place));
}

// A zeroed block of `bytes` whose pages are all present. The tables are
// probed at random from the first node on: pages the system provided one fault
// at a time would be paid for by the searches, and a page fault of one search
// thread stalls the others of the process (measured: two threads searched
// fewer nodes in a one-second think than one thread). Zeroing the block here,
// when a game starts, makes every page present before any turn's clock runs.
//
// On Linux the block is also offered to the kernel as huge pages: a probe of a
// table of hundreds of megabytes in small pages misses the address
// translation cache as well as the data cache. Only the whole huge pages
// inside the block are marked, so the block's memory stays its own size.
void* allocateTouchedBlock(size_t bytes) {
    void* block = nullptr;
#if defined(__linux__)
    if (bytes >= HugePageBytes) {
        if (posix_memalign(&block, HugePageBytes, bytes) != 0) return nullptr;
        madvise(block, bytes / HugePageBytes * HugePageBytes, MADV_HUGEPAGE);
    } else {
        block = std::malloc(bytes);
    }
#else
    block = std::malloc(bytes);
#endif
    if (block == nullptr) return nullptr;
    // Keeps the compiler from turning malloc and memset into a calloc, which
    // would leave the pages untouched again.
    asm volatile("" : : "g"(block) : "memory");
    std::memset(block, 0, bytes);
    return block;
}

// Replaces the block by one for `buckets` buckets, or leaves everything as it
// is when the byte count does not fit in size_t or the memory is not there.
// The new block is complete before the old one is released.
bool reallocate(HashTables& tables, int32_t buckets) {
    if (static_cast<uint64_t>(buckets) > SIZE_MAX / BytesPerBucket) return false;
    size_t count = static_cast<size_t>(buckets);
    if (count * BytesPerBucket > SIZE_MAX - StorageAlignment) return false;
    void* block = allocateTouchedBlock(count * BytesPerBucket + StorageAlignment);
    if (block == nullptr) return false;

    std::byte* place = static_cast<std::byte*>(block);
    place += (StorageAlignment - reinterpret_cast<uintptr_t>(place) % StorageAlignment) % StorageAlignment;
    for (size_t t = 0; t < MainSubTables; ++t) {
        tables.transposition.buckets[t] = bucketsAt<TranspositionBucket>(place);
        place += count * sizeof(TranspositionBucket);
    }
    for (size_t t = 0; t < CacheSubTables; ++t) {
        tables.cache.buckets[t] = bucketsAt<ValueCacheBucket>(place);
        place += count * sizeof(ValueCacheBucket);
    }
    tables.transposition.size.store(buckets, Relaxed);
    tables.cache.size.store(buckets, Relaxed);
    std::free(tables.control.storage);
    tables.control.storage = block;
    tables.control.untouched.store(true, Relaxed);
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

HashTables::~HashTables() { std::free(control.storage); }

bool resizeHashTables(HashTables& tables, int32_t buckets) {
    if (buckets < 1) buckets = 1;
    std::lock_guard<std::mutex> lock(tables.control.allocationLock);
    if (tables.transposition.size.load(Relaxed) == buckets && tables.cache.size.load(Relaxed) == buckets) return true;
    if (reallocate(tables, buckets)) return true;
    if (tables.control.storage != nullptr) return false;
    // Nothing to keep: fall back to the default size, or less when even that
    // cannot be had, rather than to the largest block the system would grant.
    if (buckets > DefaultHashBuckets) buckets = DefaultHashBuckets * 2;
    while (buckets > 1) {
        buckets /= 2;
        if (reallocate(tables, buckets)) break;
    }
    return false;
}

void clearHashTables(HashTables& tables) {
    std::lock_guard<std::mutex> lock(tables.control.allocationLock);
    zeroSubTables(tables.transposition.buckets, tables.transposition.size.load(Relaxed));
    zeroSubTables(tables.cache.buckets, tables.cache.size.load(Relaxed));
}

void clearHashTablesIfUsed(HashTables& tables) {
    if (tables.control.untouched.load(Relaxed)) return;
    // Runs on the searching thread, so no probe or store can run meanwhile; the
    // only other writer, ovhashclear, waits for the lock. A plain memset is
    // several times faster than word-by-word atomic stores on 192 MiB.
    std::lock_guard<std::mutex> lock(tables.control.allocationLock);
    const size_t buckets = static_cast<size_t>(tables.transposition.size.load(Relaxed));
    if (buckets == 0) return;
    std::memset(static_cast<void*>(tables.transposition.buckets[0]), 0, buckets * BytesPerBucket);
    tables.control.untouched.store(true, Relaxed);
}

int32_t bucketsWithinMemory(int32_t hashSize, int64_t maxMemory) {
    if (hashSize < 1) hashSize = 1;
    if (maxMemory <= 0) return hashSize;
    const int64_t room = maxMemory - MemoryReserveBytes;
    if (int64_t{hashSize} * HashBytesPerBucket <= room) return hashSize;
    int32_t buckets = 1;
    while (buckets <= (1 << 29) && int64_t{buckets} * 2 * HashBytesPerBucket <= room) buckets *= 2;
    return buckets;
}

void prepareHashTables(HashTables& tables, int32_t buckets) {
    resizeHashTables(tables, buckets);
    clearHashTablesIfUsed(tables);
}

}  // namespace search
