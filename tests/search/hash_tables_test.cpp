#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>

#include "search/hash_table_fixture.h"

using namespace search;
using namespace hash_test;

// A refused allocation must come back as a null pointer here, as it does
// without the sanitizers.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }
extern "C" const char* __tsan_default_options() { return "allocator_may_return_null=1"; }

namespace {

constexpr int Wide = 1000000000;

// Sizes, clears and ages of the tables, with helpers that fill and read every bucket.
class HashTableSizes : public HashTableTest {
protected:
    // Fills entry 0 of every bucket of every sub-table of both tables.
    void fillEverything() {
        int32_t size = hashTableSize(tables);
        for (uint32_t b = 0; b < static_cast<uint32_t>(size); ++b) {
            uint64_t key = keyFor(0x9e3779b9u * (b + 1), b);
            for (int side = 1; side <= 2; ++side) {
                storeTranspositionTable(tables, 3, 17, ExactBound, side, key, 1, 1, 2, 2, 3, 3);
                for (int kind = 0; kind <= 1; ++kind) storeValueCache(tables, -17, 3, kind, side, key);
            }
        }
    }

    bool everyWordIsZero() {
        int32_t size = hashTableSize(tables);
        for (int t = 0; t < 2; ++t) {
            for (int32_t b = 0; b < size; ++b) {
                for (auto& slot : tables.transposition.buckets[t][b].slot) {
                    for (auto& word : slot.word) {
                        if (word.load() != 0) return false;
                    }
                }
            }
        }
        for (int t = 0; t < 4; ++t) {
            for (int32_t b = 0; b < size; ++b) {
                for (auto& slot : tables.cache.buckets[t][b].slot) {
                    for (auto& word : slot.word) {
                        if (word.load() != 0) return false;
                    }
                }
            }
        }
        return true;
    }

    int mainHit(int side, uint64_t key) {
        int x[3], y[3];
        return probeTranspositionTable(tables, 0, -Wide, Wide, side, key, x, y, 1);
    }
};

}  // namespace

class ThreadingHashTables : public HashTableSizes {};

TEST_F(HashTableSizes, SizesBelowOneBecomeOne) {
    EXPECT_TRUE(resizeHashTables(tables, 0));
    EXPECT_EQ(hashTableSize(tables), 1);
    EXPECT_EQ(tables.cache.size.load(), 1);
    EXPECT_TRUE(resizeHashTables(tables, -7));
    EXPECT_EQ(hashTableSize(tables), 1);
}

TEST_F(HashTableSizes, NonPowerOfTwoSizeUsesOnlyTheBucketsUnderItsMask) {
    struct Case {
        int32_t size;
        uint32_t used;   // bitmask of the buckets that must receive entries
    };
    for (Case c : {Case{5, 0b10001u}, Case{6, 0b110011u}, Case{8, 0xffu}}) {
        ASSERT_TRUE(resizeHashTables(tables, c.size));
        clearHashTables(tables);
        for (uint32_t low = 0; low < 8; ++low) {
            storeExact(1, static_cast<int>(low), 1, keyFor(low + 100, low));
            storeValueCache(tables, static_cast<int>(low), 1, 0, 1, keyFor(low + 100, low));
        }
        uint32_t used = 0;
        for (uint32_t b = 0; b < static_cast<uint32_t>(c.size); ++b) {
            bool mainUsed = tables.transposition.buckets[0][b].slot[0].word[2].load() != 0;
            bool cacheUsed = tables.cache.buckets[0][b].slot[0].word[0].load() != 0;
            EXPECT_EQ(mainUsed, cacheUsed) << "size " << c.size << " bucket " << b;
            if (mainUsed) used |= 1u << b;
        }
        EXPECT_EQ(used, c.used) << "size " << c.size;
        // Up to four keys share a main bucket, so all eight are still there.
        for (uint32_t low = 0; low < 8; ++low) {
            EXPECT_EQ(mainHit(1, keyFor(low + 100, low)), static_cast<int>(low)) << "size " << c.size;
        }
    }
}

TEST_F(HashTableSizes, ResizeToTheSameSizeKeepsEntriesAndANewSizeStartsEmpty) {
    storeExact(2, 5, 1, keyFor(1, 1));
    EXPECT_TRUE(resizeHashTables(tables, SmallSize));
    EXPECT_EQ(mainHit(1, keyFor(1, 1)), 5);
    EXPECT_TRUE(resizeHashTables(tables, SmallSize * 2));
    EXPECT_EQ(hashTableSize(tables), SmallSize * 2);
    EXPECT_TRUE(everyWordIsZero());
    EXPECT_EQ(mainHit(1, keyFor(1, 1)), MissValue);
}

TEST_F(HashTableSizes, ClearEmptiesEverySubTable) {
    fillEverything();
    EXPECT_FALSE(everyWordIsZero());
    clearHashTables(tables);
    EXPECT_TRUE(everyWordIsZero());
    EXPECT_EQ(mainHit(1, keyFor(0x9e3779b9u, 0)), MissValue);
    EXPECT_EQ(probeValueCache(tables, 1, 0, 2, keyFor(0x9e3779b9u, 0)), MissValue);
}

TEST_F(HashTableSizes, UnallocatableSizeKeepsTheTablesInForce) {
    uint64_t key = keyFor(3, 3);
    storeExact(2, 5, 2, key);
    storeValueCache(tables, 6, 2, 1, 2, key);
    TranspositionBucket* before = tables.transposition.buckets[1];
    // 2^31 - 1 buckets need 768 GiB.
    EXPECT_FALSE(resizeHashTables(tables, INT32_MAX));
    EXPECT_EQ(hashTableSize(tables), SmallSize);
    EXPECT_EQ(tables.cache.size.load(), SmallSize);
    EXPECT_EQ(tables.transposition.buckets[1], before);
    EXPECT_EQ(mainHit(2, key), 5);
    EXPECT_EQ(probeValueCache(tables, 1, 0, 2, key), 6);
    clearHashTables(tables);
    storeExact(2, 7, 2, key);
    EXPECT_EQ(mainHit(2, key), 7);
}

TEST_F(HashTableSizes, MemoryLimitGivesTheTablesWhatIsLeftAsAPowerOfTwo) {
    constexpr int64_t MiB = int64_t{1} << 20;
    // No limit, or a limit with room: hash_size as it is, rounded or not.
    EXPECT_EQ(bucketsWithinMemory(DefaultHashBuckets, 0), DefaultHashBuckets);
    EXPECT_EQ(bucketsWithinMemory(100000, -5), 100000);
    EXPECT_EQ(bucketsWithinMemory(DefaultHashBuckets, 350000000), DefaultHashBuckets);
    EXPECT_EQ(bucketsWithinMemory(100000, 64 * MiB), 65536);
    EXPECT_EQ(bucketsWithinMemory(50000, 64 * MiB), 50000);
    // 64 MiB leaves 24 MiB: exactly 65536 buckets of 384 bytes.
    EXPECT_EQ(bucketsWithinMemory(DefaultHashBuckets, 64 * MiB), 65536);
    EXPECT_EQ(bucketsWithinMemory(DefaultHashBuckets, 64 * MiB - 1), 32768);
    for (int64_t limit : {41 * MiB, 64 * MiB, 100 * MiB, 350 * MiB, 1000 * MiB, int64_t{INT32_MAX}}) {
        const int32_t buckets = bucketsWithinMemory(INT32_MAX, limit);
        EXPECT_LE(buckets * HashBytesPerBucket + MemoryReserveBytes, limit) << limit;
        EXPECT_GT(2 * buckets * HashBytesPerBucket + MemoryReserveBytes, limit) << limit;
        EXPECT_EQ(buckets & (buckets - 1), 0) << limit;
    }
    // Below what the engine needs without tables: the smallest tables.
    EXPECT_EQ(bucketsWithinMemory(DefaultHashBuckets, 10 * MiB), 1);
    EXPECT_EQ(bucketsWithinMemory(0, 0), 1);
}

TEST_F(HashTableSizes, PreparedTablesAreEmptyAndNeedNoFurtherClear) {
    fillEverything();
    prepareHashTables(tables, SmallSize);
    EXPECT_TRUE(everyWordIsZero());
    EXPECT_TRUE(tables.control.untouched.load());
    storeExact(2, 5, 1, keyFor(1, 1));
    EXPECT_FALSE(tables.control.untouched.load());
    prepareHashTables(tables, SmallSize * 2);  // a new size comes empty
    EXPECT_EQ(hashTableSize(tables), SmallSize * 2);
    EXPECT_TRUE(everyWordIsZero());
}

// What a clear racing with a store or a probe can leave: any subset of an
// entry's words zeroed. Each such entry is a miss or reads back its own value.
TEST_F(HashTableSizes, PartlyClearedEntriesReadAsMissesOrIntact) {
    uint64_t key = keyFor(0x5151, 2);
    for (int value : {-7, 1234567, WinScore + 3}) {
        for (unsigned zeroed = 1; zeroed < 16; ++zeroed) {
            clearHashTables(tables);
            storeExact(4, value, 1, key, 1, 1);
            TranspositionSlot& slot = mainSlot(1, key, 0);
            for (int w = 0; w < 4; ++w) {
                if (zeroed & (1u << w)) slot.word[w].store(0);
            }
            int read = probe(4, -Wide, Wide, 1, key).value;
            if (zeroed == 8) {
                EXPECT_EQ(read, value) << "only the moves were cleared";
            } else {
                EXPECT_EQ(read, MissValue) << "value " << value << " zeroed words " << zeroed;
            }
        }
        for (unsigned zeroed = 1; zeroed < 4; ++zeroed) {
            clearHashTables(tables);
            storeValueCache(tables, value, 4, 0, 1, key);
            ValueCacheSlot& slot = cacheSlot(0, 1, key, 0);
            for (int w = 0; w < 2; ++w) {
                if (zeroed & (1u << w)) slot.word[w].store(0);
            }
            EXPECT_EQ(probeValueCache(tables, 0, 4, 1, key), MissValue) << "value " << value << " zeroed words " << zeroed;
        }
    }
}

TEST_F(HashTableSizes, AgeIsKeptAsSixteenBits) {
    setHashAge(tables, 576);
    EXPECT_EQ(hashAge(tables), 576);
    setHashAge(tables, 65536 + 3);
    EXPECT_EQ(hashAge(tables), 3);
}

namespace {

uint64_t nextRandom(uint64_t& state) {
    uint64_t z = (state += 0x9e3779b97f4a7c15u);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9u;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebu;
    return z ^ (z >> 31);
}

// Every store of a key uses these, so any hit must give them back.
int mainValueOf(uint64_t key) { return static_cast<int>(key % 2000001) - 1000000; }
int cacheValueOf(uint64_t key) { return static_cast<int>((key >> 20) % 2000001) - 1000000; }
int depthOf(uint64_t key) { return static_cast<int>((key >> 50) % 8); }

}  // namespace

TEST_F(ThreadingHashTables, ClearWhileProbingAndStoringNeverGivesAWrongValue) {
    // One bucket per sub-table and few keys: every clear races with the
    // stores and probes, and most probes find their key.
    ASSERT_TRUE(resizeHashTables(tables, 1));
    clearHashTables(tables);
    setHashAge(tables, 0);

    uint64_t keys[6];
    uint64_t seed = 12345;
    for (uint64_t& key : keys) key = nextRandom(seed);

    std::atomic<bool> searching{true};
    std::atomic<int> wrongMain{0};
    std::atomic<int> wrongCache{0};
    std::atomic<int> hits{0};
    std::thread worker([&] {
        uint64_t state = 777;
        for (int i = 0; i < 200000; ++i) {
            uint64_t r = nextRandom(state);
            uint64_t key = keys[r % 6];
            int side = 1 + static_cast<int>((r >> 8) & 1);
            int kind = static_cast<int>((r >> 9) & 1);
            int flag = 1 + static_cast<int>((r >> 10) % 3);
            int depth = depthOf(key);
            if ((r >> 12) & 1) {
                setHashAge(tables, static_cast<int>((r >> 13) % 4));
                storeTranspositionTable(tables, depth, mainValueOf(key), flag, side, key, 1, 2, 3, 4, -1, -1);
                storeValueCache(tables, cacheValueOf(key), depth, kind, side, key);
            }
            int x[3], y[3];
            int value = probeTranspositionTable(tables, 0, -Wide, Wide, side, key, x, y, 3);
            if (value != MissValue && value != mainValueOf(key)) wrongMain.fetch_add(1);
            if (value != MissValue) hits.fetch_add(1, std::memory_order_relaxed);
            // A narrow window makes one-sided bounds cut too.
            value = probeTranspositionTable(tables, 0, mainValueOf(key) - 1, mainValueOf(key) + 1, side, key, x, y, 1);
            if (value != MissValue && value != mainValueOf(key)) wrongMain.fetch_add(1);
            value = probeValueCache(tables, kind, depth, side, key);
            if (value != MissValue && value != cacheValueOf(key)) wrongCache.fetch_add(1);
        }
        searching.store(false);
    });
    int clears = 0;
    while (searching.load()) {
        clearHashTables(tables);
        ++clears;
    }
    worker.join();

    EXPECT_EQ(wrongMain.load(), 0);
    EXPECT_EQ(wrongCache.load(), 0);
    EXPECT_GT(clears, 0);
    EXPECT_GT(hits.load(), 0);
    uint64_t key = keys[0];
    storeExact(depthOf(key), mainValueOf(key), 1, key);
    storeValueCache(tables, cacheValueOf(key), 0, 1, 1, key);
    EXPECT_EQ(mainHit(1, key), mainValueOf(key));
    EXPECT_EQ(probeValueCache(tables, 1, 0, 1, key), cacheValueOf(key));
}
