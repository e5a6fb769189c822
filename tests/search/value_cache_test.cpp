#include <gtest/gtest.h>

#include <cstdint>

#include "search/hash_table_fixture.h"

using namespace search;
using namespace hash_test;

namespace {

class ValueCacheTest : public HashTableTest {};

}  // namespace

TEST_F(ValueCacheTest, StoreWritesTheDocumentedWords) {
    uint64_t key = 0x0123456789abcdefu;
    setHashAge(tables, 7);
    storeValueCache(tables, 123, 4, 1, 2, key);
    ValueCacheSlot& slot = cacheSlot(1, 2, key, 0);
    EXPECT_EQ(slot.word[0].load(), key ^ 123);
    EXPECT_EQ(slot.word[1].load(), uint64_t{123} | uint64_t{4} << 32 | uint64_t{7} << 48);

    // A negative value flips the whole high word of the check.
    uint64_t other = keyFor(0x55, 3);
    setHashAge(tables, -1);
    storeValueCache(tables, -5, -2, 0, 1, other);
    ValueCacheSlot& negative = cacheSlot(0, 1, other, 0);
    EXPECT_EQ(negative.word[0].load(), other ^ 0xfffffffffffffffbu);
    EXPECT_EQ(negative.word[1].load(), uint64_t{0xfffffffb} | uint64_t{0xfffe} << 32 | uint64_t{0xffff} << 48);
    ValueCacheEntry entry = loadValueCacheEntry(negative);
    EXPECT_EQ(entry.value, -5);
    EXPECT_EQ(entry.depth, -2);
    EXPECT_EQ(entry.age, -1);
}

TEST_F(ValueCacheTest, ProbeIgnoresDepthForOrdinaryValues) {
    uint64_t key = keyFor(1, 1);
    EXPECT_EQ(probeValueCache(tables, 0, 3, 1, key), MissValue);
    storeValueCache(tables, -250, 3, 0, 1, key);
    EXPECT_EQ(probeValueCache(tables, 0, 3, 1, key), -250);
    EXPECT_EQ(probeValueCache(tables, 0, 100, 1, key), -250);
    EXPECT_EQ(probeValueCache(tables, 0, -4, 1, key), -250);
    EXPECT_EQ(probeValueCache(tables, 0, 3, 1, keyFor(2, 1)), MissValue);
}

TEST_F(ValueCacheTest, WinsAndLossesAreKeptRelativeToDepth) {
    uint64_t win = keyFor(1, 2);
    uint64_t loss = keyFor(1, 3);
    storeValueCache(tables, WinScore + 5, 5, 1, 1, win);
    storeValueCache(tables, -(WinScore + 5), 5, 1, 1, loss);
    EXPECT_EQ(loadValueCacheEntry(cacheSlot(1, 1, win, 0)).value, WinScore);
    EXPECT_EQ(loadValueCacheEntry(cacheSlot(1, 1, loss, 0)).value, -WinScore);
    EXPECT_EQ(probeValueCache(tables, 1, 7, 1, win), WinScore + 7);
    EXPECT_EQ(probeValueCache(tables, 1, 7, 1, loss), -(WinScore + 7));
    EXPECT_EQ(probeValueCache(tables, 1, 0, 1, win), WinScore);
}

TEST_F(ValueCacheTest, KindsAndSidesAreSeparateTables) {
    uint64_t key = keyFor(3, 4);
    storeValueCache(tables, 11, 1, 0, 1, key);
    EXPECT_EQ(probeValueCache(tables, 0, 1, 2, key), MissValue);
    EXPECT_EQ(probeValueCache(tables, 1, 1, 1, key), MissValue);
    EXPECT_EQ(probeValueCache(tables, 1, 1, 2, key), MissValue);
    storeValueCache(tables, 12, 1, 0, 2, key);
    storeValueCache(tables, 13, 1, 1, 1, key);
    storeValueCache(tables, 14, 1, 1, 2, key);
    EXPECT_EQ(probeValueCache(tables, 0, 1, 1, key), 11);
    EXPECT_EQ(probeValueCache(tables, 0, 1, 2, key), 12);
    EXPECT_EQ(probeValueCache(tables, 1, 1, 1, key), 13);
    EXPECT_EQ(probeValueCache(tables, 1, 1, 2, key), 14);
}

TEST_F(ValueCacheTest, SecondEntryKeepsADeeperCurrentFirstEntry) {
    uint64_t deep = keyFor(1, 5);
    uint64_t shallow = keyFor(2, 5);
    uint64_t third = keyFor(3, 5);
    setHashAge(tables, 10);
    storeValueCache(tables, 100, 6, 0, 1, deep);
    setHashAge(tables, 11);
    storeValueCache(tables, 200, 2, 0, 1, shallow);
    EXPECT_EQ(probeValueCache(tables, 0, 0, 1, deep), 100);
    EXPECT_EQ(probeValueCache(tables, 0, 0, 1, shallow), 200);
    storeValueCache(tables, 300, 3, 0, 1, third);
    EXPECT_EQ(probeValueCache(tables, 0, 0, 1, deep), 100);
    EXPECT_EQ(probeValueCache(tables, 0, 0, 1, shallow), MissValue);
    EXPECT_EQ(probeValueCache(tables, 0, 0, 1, third), 300);
    EXPECT_EQ(loadValueCacheEntry(cacheSlot(0, 1, third, 1)).value, 300);
}

TEST_F(ValueCacheTest, FirstEntryIsReplacedUnlessDeeperCurrentAndForeign) {
    uint64_t first = keyFor(1, 6);
    uint64_t other = keyFor(2, 6);
    auto reset = [&](int depth, int age) {
        clearHashTables(tables);
        setHashAge(tables, age);
        storeValueCache(tables, 100, depth, 0, 2, first);
    };

    // Not deeper than the new store.
    reset(4, 10);
    storeValueCache(tables, 200, 4, 0, 2, other);
    EXPECT_EQ(probeValueCache(tables, 0, 0, 2, first), MissValue);
    EXPECT_EQ(loadValueCacheEntry(cacheSlot(0, 2, other, 0)).value, 200);

    // Stored more than one move ago, either way.
    for (int age : {8, 12}) {
        reset(9, age);
        setHashAge(tables, 10);
        storeValueCache(tables, 200, 1, 0, 2, other);
        EXPECT_EQ(probeValueCache(tables, 0, 0, 2, first), MissValue) << "age " << age;
        EXPECT_EQ(probeValueCache(tables, 0, 0, 2, other), 200) << "age " << age;
    }

    // The same position is updated in place, even from a shallower store.
    reset(9, 10);
    storeValueCache(tables, 150, 1, 0, 2, first);
    EXPECT_EQ(loadValueCacheEntry(cacheSlot(0, 2, first, 0)).value, 150);
    EXPECT_EQ(loadValueCacheEntry(cacheSlot(0, 2, first, 1)).value, 0);
    EXPECT_EQ(probeValueCache(tables, 0, 0, 2, first), 150);
}

TEST_F(ValueCacheTest, FirstEntryWithZeroCheckCountsAsEmpty) {
    // Key equal to its sign-extended value gives a check word of zero.
    uint64_t key = 5;
    storeValueCache(tables, 5, 9, 0, 1, key);
    ASSERT_EQ(cacheSlot(0, 1, key, 0).word[0].load(), 0u);
    EXPECT_EQ(probeValueCache(tables, 0, 0, 1, key), 5);
    uint64_t other = keyFor(1, 5);
    storeValueCache(tables, 7, 1, 0, 1, other);
    EXPECT_EQ(probeValueCache(tables, 0, 0, 1, key), MissValue);
    EXPECT_EQ(probeValueCache(tables, 0, 0, 1, other), 7);
}

TEST_F(ValueCacheTest, AlteredValueOrCheckReadsAsAMiss) {
    uint64_t key = keyFor(0xabc, 7);
    storeValueCache(tables, -300, 2, 1, 1, key);
    ValueCacheSlot& slot = cacheSlot(1, 1, key, 0);
    uint64_t check = slot.word[0].load();
    uint64_t fields = slot.word[1].load();

    slot.word[1].store(fields ^ 1);
    EXPECT_EQ(probeValueCache(tables, 1, 0, 1, key), MissValue);
    // Flipping the value's sign bit changes only the sign word of the check.
    slot.word[1].store(fields ^ uint64_t{1} << 31);
    EXPECT_EQ(probeValueCache(tables, 1, 0, 1, key), MissValue);
    slot.word[1].store(fields);
    slot.word[0].store(check ^ uint64_t{1} << 63);
    EXPECT_EQ(probeValueCache(tables, 1, 0, 1, key), MissValue);
    slot.word[0].store(0);
    EXPECT_EQ(probeValueCache(tables, 1, 0, 1, key), MissValue);

    // Depth and age are outside the check.
    slot.word[0].store(check);
    slot.word[1].store(fields ^ uint64_t{0x1234} << 32 ^ uint64_t{0x77} << 48);
    EXPECT_EQ(probeValueCache(tables, 1, 0, 1, key), -300);
}

TEST_F(ValueCacheTest, EmptyEntryNeverMatchesTheZeroKey) {
    EXPECT_EQ(probeValueCache(tables, 0, 0, 1, 0), MissValue);
    storeValueCache(tables, -1, 0, 0, 1, 0);
    EXPECT_EQ(probeValueCache(tables, 0, 0, 1, 0), -1);
}
