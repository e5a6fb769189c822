#include <gtest/gtest.h>

#include <cstdint>

#include "search/hash_table_fixture.h"

using namespace search;
using namespace hash_test;

namespace {

constexpr int Wide = 1000000000;   // a window no bound cuts against

class TranspositionLayout : public HashTableTest {};
class TranspositionProbe : public HashTableTest {};
class TranspositionStore : public HashTableTest {};
class TranspositionReplacement : public HashTableTest {
protected:
    void SetUp() override {
        HashTableTest::SetUp();
        ASSERT_TRUE(resizeHashTables(tables, 1));
        clearHashTables(tables);
    }

    // Writes a sealed entry with the given fields straight into slot i of the
    // single bucket of side 1.
    void place(int i, uint64_t key, int depth, int age, int flags) {
        TranspositionEntry entry;
        entry.upper = entry.lower = 100 + i;
        entry.depth = static_cast<int16_t>(depth);
        entry.age = static_cast<int16_t>(age);
        entry.flags = static_cast<int8_t>(flags);
        entry.check = key ^ transpositionDigest(entry);
        saveTranspositionEntry(mainSlot(1, key, i), entry);
    }

    // Which slot of the bucket holds `key`, or -1.
    int slotOf(uint64_t key) {
        for (int i = 0; i < 4; ++i) {
            TranspositionEntry entry = mainEntry(1, key, i);
            if (entry.flags != 0 && (entry.check ^ transpositionDigest(entry)) == key) return i;
        }
        return -1;
    }
};

TranspositionEntry withBounds(int upper, int lower, int depth, int flags) {
    TranspositionEntry entry;
    entry.upper = upper;
    entry.lower = lower;
    entry.depth = static_cast<int16_t>(depth);
    entry.flags = static_cast<int8_t>(flags);
    return entry;
}

}  // namespace

TEST_F(TranspositionLayout, DigestShiftsAndSignExtendsEachField) {
    EXPECT_EQ(transpositionDigest(withBounds(0, 0, 0, 0)), 0u);
    EXPECT_EQ(transpositionDigest(withBounds(1, 0, 0, 0)), uint64_t{1} << 36);
    EXPECT_EQ(transpositionDigest(withBounds(0, 1, 0, 0)), uint64_t{1} << 8);
    EXPECT_EQ(transpositionDigest(withBounds(0, 0, 1, 0)), uint64_t{1} << 2);
    EXPECT_EQ(transpositionDigest(withBounds(0, 0, 0, 1)), uint64_t{1});
    EXPECT_EQ(transpositionDigest(withBounds(-1, 0, 0, 0)), 0xfffffff000000000u);
    EXPECT_EQ(transpositionDigest(withBounds(3, -1, 5, 3)), 0xffffffcfffffff17u);
    EXPECT_EQ(transpositionDigest(withBounds(0x12345678, -2, -3, 1)), 0x23456780000001f5u);
    EXPECT_EQ(transpositionDigest(withBounds(10000000, 10000000, 5, 3)), 0x989680098968017u);
}

TEST_F(TranspositionLayout, StoreWritesTheDocumentedWords) {
    uint64_t key = 0x0123456789abcdefu;
    setHashAge(tables, 7);
    storeTranspositionTable(tables, 4, 123, ExactBound, 1, key, 1, 2, 3, 4, -1, -1);
    TranspositionSlot& slot = mainSlot(1, key, 0);
    uint64_t expectedCheck = key ^ transpositionDigest(withBounds(123, 123, 4, 3));
    EXPECT_EQ(slot.word[0].load(), expectedCheck);
    EXPECT_EQ(slot.word[1].load(), uint64_t{123} << 32 | 123);
    EXPECT_EQ(slot.word[2].load(), uint64_t{4} | uint64_t{7} << 16 | uint64_t{3} << 32 | uint64_t{2} << 40 |
                                       uint64_t{1} << 48 | uint64_t{2} << 56);
    EXPECT_EQ(slot.word[3].load(), uint64_t{3} | uint64_t{4} << 8 | uint64_t{0xff} << 16 | uint64_t{0xff} << 24);
}

TEST_F(TranspositionLayout, NegativeFieldsAreTwosComplementInTheirBits) {
    uint64_t key = keyFor(5, 3);
    setHashAge(tables, -2);
    storeTranspositionTable(tables, -3, -5, LowerBound, 2, key, -1, -1, -1, -1, -1, -1);
    TranspositionSlot& slot = mainSlot(2, key, 0);
    EXPECT_EQ(slot.word[1].load(), 0xfffffffbfffffffbu);
    EXPECT_EQ(slot.word[2].load(), uint64_t{0xfffd} | uint64_t{0xfffe} << 16 | uint64_t{2} << 32 |
                                       uint64_t{0xffff} << 48);
    TranspositionEntry entry = loadTranspositionEntry(slot);
    EXPECT_EQ(entry.lower, -5);
    EXPECT_EQ(entry.depth, -3);
    EXPECT_EQ(entry.age, -2);
    EXPECT_EQ(entry.moveCount, 0);
    EXPECT_EQ(entry.moveX[0], -1);
}

TEST_F(TranspositionLayout, SaveAndLoadRoundTrip) {
    TranspositionEntry entry;
    entry.check = 0xdeadbeefcafef00du;
    entry.upper = -7;
    entry.lower = 2147483647;
    entry.depth = -32768;
    entry.age = 32767;
    entry.flags = 3;
    entry.moveCount = 2;
    const int8_t xs[3] = {0, 23, -1};
    const int8_t ys[3] = {23, 0, -1};
    for (int i = 0; i < 3; ++i) {
        entry.moveX[i] = xs[i];
        entry.moveY[i] = ys[i];
    }
    TranspositionSlot slot;
    saveTranspositionEntry(slot, entry);
    EXPECT_EQ(slot.word[3].load() >> 32, 0u);
    TranspositionEntry back = loadTranspositionEntry(slot);
    EXPECT_EQ(back.check, entry.check);
    EXPECT_EQ(back.upper, entry.upper);
    EXPECT_EQ(back.lower, entry.lower);
    EXPECT_EQ(back.depth, entry.depth);
    EXPECT_EQ(back.age, entry.age);
    EXPECT_EQ(back.flags, entry.flags);
    EXPECT_EQ(back.moveCount, entry.moveCount);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(back.moveX[i], xs[i]);
        EXPECT_EQ(back.moveY[i], ys[i]);
    }
}

TEST_F(TranspositionProbe, MissLeavesOutputsAlone) {
    Probe p = probe(1, -Wide, Wide, 1, keyFor(1, 2));
    EXPECT_EQ(p.value, MissValue);
    EXPECT_EQ(p.x[0], Untouched);
    EXPECT_EQ(p.y[0], Untouched);
}

TEST_F(TranspositionProbe, EmptyEntryNeverMatchesTheZeroKey) {
    // The empty square board has key 0, and so does an all-zero entry's check.
    Probe p = probe(0, -Wide, Wide, 1, 0);
    EXPECT_EQ(p.value, MissValue);
    EXPECT_EQ(p.x[0], Untouched);
    storeExact(0, 42, 1, 0, 3, 4);
    p = probe(0, -Wide, Wide, 1, 0);
    EXPECT_EQ(p.value, 42);
    EXPECT_EQ(p.x[0], 3);
}

TEST_F(TranspositionProbe, ExactValueCopiesOnlyTheWantedMoves) {
    uint64_t key = keyFor(9, 1);
    storeTranspositionTable(tables, 5, 77, ExactBound, 1, key, 1, 2, 3, 4, 5, 6);
    for (int wanted = 1; wanted <= 3; ++wanted) {
        Probe p = probe(5, -Wide, Wide, 1, key, wanted);
        EXPECT_EQ(p.value, 77);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(p.x[i], i < wanted ? 1 + 2 * i : Untouched) << "wanted " << wanted << " slot " << i;
            EXPECT_EQ(p.y[i], i < wanted ? 2 + 2 * i : Untouched) << "wanted " << wanted << " slot " << i;
        }
    }
}

TEST_F(TranspositionProbe, EmptyMoveSlotsReadAsMinusOne) {
    uint64_t key = keyFor(9, 1);
    storeTranspositionTable(tables, 5, 77, ExactBound, 1, key, 4, 5, 0xFF, 0xFF, -1, -1);
    Probe p = probe(5, -Wide, Wide, 1, key);
    EXPECT_EQ(p.x[0], 4);
    EXPECT_EQ(p.y[0], 5);
    for (int i = 1; i < 3; ++i) {
        EXPECT_EQ(p.x[i], -1);
        EXPECT_EQ(p.y[i], -1);
    }
    EXPECT_EQ(mainEntry(1, key, 0).moveCount, 1);
}

TEST_F(TranspositionProbe, ShallowEntryWithOrdinaryBoundsIsAMissWithoutMoves) {
    uint64_t key = keyFor(3, 3);
    storeExact(5, 300, 1, key, 7, 7);
    EXPECT_EQ(probe(5, -Wide, Wide, 1, key).value, 300);
    EXPECT_EQ(probe(2, -Wide, Wide, 1, key).value, 300);
    Probe p = probe(6, -Wide, Wide, 1, key);
    EXPECT_EQ(p.value, MissValue);
    EXPECT_EQ(p.x[0], Untouched);
    EXPECT_EQ(p.y[0], Untouched);
}

TEST_F(TranspositionProbe, UpperBoundCutsOnlyAtOrBelowAlpha) {
    uint64_t key = keyFor(3, 4);
    storeTranspositionTable(tables, 4, 50, UpperBound, 2, key, 2, 3, -1, -1, -1, -1);
    EXPECT_EQ(probe(4, 50, Wide, 2, key).value, 50);
    EXPECT_EQ(probe(4, 60, Wide, 2, key).value, 50);
    // Not a cutoff, but deep enough: the move still comes back for ordering.
    Probe p = probe(4, 49, Wide, 2, key);
    EXPECT_EQ(p.value, MissValue);
    EXPECT_EQ(p.x[0], 2);
    EXPECT_EQ(p.y[0], 3);
    // The lower field also holds 50, but flag bit 1 is not set.
    EXPECT_EQ(probe(4, -Wide, 50, 2, key).value, MissValue);
    EXPECT_EQ(probe(5, 60, Wide, 2, key).value, MissValue);
}

TEST_F(TranspositionProbe, LowerBoundCutsOnlyAtOrAboveBeta) {
    uint64_t key = keyFor(3, 5);
    storeTranspositionTable(tables, 4, 50, LowerBound, 1, key, -1, -1, -1, -1, -1, -1);
    EXPECT_EQ(probe(4, -Wide, 50, 1, key).value, 50);
    EXPECT_EQ(probe(3, -Wide, 40, 1, key).value, 50);
    EXPECT_EQ(probe(4, -Wide, 51, 1, key).value, MissValue);
    EXPECT_EQ(probe(4, 60, Wide, 1, key).value, MissValue);
    EXPECT_EQ(probe(5, -Wide, 40, 1, key).value, MissValue);
}

TEST_F(TranspositionProbe, BothBoundsThatDisagreeCutOnlyThroughTheirWindows) {
    uint64_t key = keyFor(3, 6);
    storeTranspositionTable(tables, 4, 10, LowerBound, 1, key, -1, -1, -1, -1, -1, -1);
    storeTranspositionTable(tables, 4, 5, UpperBound, 1, key, -1, -1, -1, -1, -1, -1);
    TranspositionEntry entry = mainEntry(1, key, 0);
    ASSERT_EQ(entry.flags, 3);
    ASSERT_EQ(entry.upper, 5);
    ASSERT_EQ(entry.lower, 10);
    EXPECT_EQ(probe(4, -Wide, Wide, 1, key).value, MissValue);
    EXPECT_EQ(probe(4, 5, Wide, 1, key).value, 5);
    EXPECT_EQ(probe(4, 4, 10, 1, key).value, 10);
    EXPECT_EQ(probe(4, 6, 10, 1, key).value, 5);   // the upper bound is tried first
}

TEST_F(TranspositionProbe, WinsAndLossesAreUsableAtAnyDepth) {
    uint64_t win = keyFor(1, 0);
    uint64_t loss = keyFor(2, 0);
    storeExact(5, WinScore + 5, 1, win);
    storeExact(5, -(WinScore + 5), 1, loss);
    EXPECT_EQ(mainEntry(1, win, 0).upper, WinScore);
    EXPECT_EQ(mainEntry(1, win, 0).lower, WinScore);
    EXPECT_EQ(mainEntry(1, loss, 1).upper, -WinScore);
    EXPECT_EQ(probe(7, -Wide, Wide, 1, win).value, WinScore + 7);
    EXPECT_EQ(probe(7, -Wide, Wide, 1, loss).value, -(WinScore + 7));
    EXPECT_EQ(probe(300, -Wide, Wide, 1, win).value, WinScore + 300);
    EXPECT_EQ(probe(2, -Wide, Wide, 1, loss).value, -(WinScore + 2));
}

TEST_F(TranspositionProbe, MateBandEdgesAreAdjustedAndOrdinaryValuesAreNot) {
    uint64_t key = keyFor(1, 1);
    storeExact(10, MateThreshold + 10, 1, key);
    EXPECT_EQ(mainEntry(1, key, 0).upper, MateThreshold);
    EXPECT_EQ(probe(20, -Wide, Wide, 1, key).value, MateThreshold + 20);
    storeExact(10, MateThreshold - 1, 2, key);
    EXPECT_EQ(mainEntry(2, key, 0).upper, MateThreshold - 1);
    EXPECT_EQ(probe(3, -Wide, Wide, 2, key).value, MateThreshold - 1);
    EXPECT_EQ(probe(11, -Wide, Wide, 2, key).value, MissValue);
}

TEST_F(TranspositionProbe, MateBoundOutsideTheWindowStillGivesItsMoves) {
    uint64_t key = keyFor(4, 2);
    storeTranspositionTable(tables, 2, WinScore + 30, LowerBound, 1, key, 6, 8, -1, -1, -1, -1);
    EXPECT_EQ(probe(10, -Wide, WinScore, 1, key).value, WinScore + 38);
    Probe p = probe(10, -Wide, WinScore + 39, 1, key);
    EXPECT_EQ(p.value, MissValue);
    EXPECT_EQ(p.x[0], 6);
    EXPECT_EQ(p.y[0], 8);
}

TEST_F(TranspositionProbe, ShallowEntryGivesMovesOnlyWhenBothBoundsAreMateLike) {
    uint64_t key = keyFor(4, 3);
    TranspositionEntry entry = withBounds(WinScore, 500, 2, UpperBound);
    entry.moveX[0] = 6;
    entry.moveY[0] = 8;
    entry.check = key ^ transpositionDigest(entry);
    saveTranspositionEntry(mainSlot(1, key, 0), entry);
    // The upper bound is a win, usable at any depth, but does not cut.
    EXPECT_EQ(probe(10, WinScore + 10, Wide, 1, key).value, WinScore + 10);
    Probe p = probe(10, 0, Wide, 1, key);
    EXPECT_EQ(p.value, MissValue);
    EXPECT_EQ(p.x[0], Untouched);

    entry.lower = -WinScore;
    entry.check = key ^ transpositionDigest(entry);
    saveTranspositionEntry(mainSlot(1, key, 0), entry);
    p = probe(10, 0, Wide, 1, key);
    EXPECT_EQ(p.value, MissValue);
    EXPECT_EQ(p.x[0], 6);
    EXPECT_EQ(p.y[0], 8);
}

TEST_F(TranspositionProbe, SidesAreSeparateTables) {
    uint64_t key = keyFor(8, 7);
    storeExact(3, 11, 1, key);
    EXPECT_EQ(probe(3, -Wide, Wide, 2, key).value, MissValue);
    storeExact(3, 22, 2, key);
    EXPECT_EQ(probe(3, -Wide, Wide, 1, key).value, 11);
    EXPECT_EQ(probe(3, -Wide, Wide, 2, key).value, 22);
}

TEST_F(TranspositionProbe, ChangedValueFieldsFailTheCheckButMovesAndAgeDoNot) {
    uint64_t key = keyFor(0x1234, 5);
    storeExact(6, 1000, 1, key, 1, 1);
    TranspositionSlot& slot = mainSlot(1, key, 0);
    const uint64_t original[4] = {slot.word[0].load(), slot.word[1].load(), slot.word[2].load(),
                                  slot.word[3].load()};
    auto restore = [&] {
        for (int w = 0; w < 4; ++w) slot.word[w].store(original[w]);
    };

    slot.word[1].store(original[1] ^ 1);                      // upper
    EXPECT_EQ(probe(6, -Wide, Wide, 1, key).value, MissValue);
    restore();
    slot.word[1].store(original[1] ^ uint64_t{1} << 40);      // lower
    EXPECT_EQ(probe(6, -Wide, Wide, 1, key).value, MissValue);
    restore();
    slot.word[2].store(original[2] ^ 2);                      // depth
    EXPECT_EQ(probe(1, -Wide, Wide, 1, key).value, MissValue);
    restore();
    slot.word[2].store(original[2] ^ uint64_t{1} << 33);      // flags 3 -> 1
    EXPECT_EQ(probe(6, -Wide, Wide, 1, key).value, MissValue);
    restore();
    slot.word[0].store(0);                                    // a half-cleared entry
    EXPECT_EQ(probe(6, -Wide, Wide, 1, key).value, MissValue);
    restore();
    slot.word[1].store(0);
    EXPECT_EQ(probe(6, -Wide, Wide, 1, key).value, MissValue);
    restore();

    slot.word[3].store(0x05050505);                           // moves 2 and 3
    slot.word[2].store(original[2] ^ uint64_t{0x7f} << 16);   // age
    Probe p = probe(6, -Wide, Wide, 1, key);
    EXPECT_EQ(p.value, 1000);
    EXPECT_EQ(p.x[1], 5);
    EXPECT_EQ(p.y[2], 5);
}

TEST_F(TranspositionProbe, FirstMatchingEntryOfTheBucketIsUsed) {
    ASSERT_TRUE(resizeHashTables(tables, 1));
    clearHashTables(tables);
    uint64_t key = keyFor(6, 6);
    for (int i = 0; i < 2; ++i) {
        TranspositionEntry entry = withBounds(10 + i, 10 + i, 3, 3);
        entry.check = key ^ transpositionDigest(entry);
        saveTranspositionEntry(mainSlot(1, key, 1 + i), entry);
    }
    EXPECT_EQ(probe(3, -Wide, Wide, 1, key).value, 10);
}

TEST_F(TranspositionStore, NewEntryTakesBothBoundsDepthAgeAndMoves) {
    uint64_t key = keyFor(5, 5);
    setHashAge(tables, 12);
    storeTranspositionTable(tables, 7, -40, UpperBound, 2, key, 3, 4, 0xFF, 0xFF, 9, 10);
    TranspositionEntry entry = mainEntry(2, key, 0);
    EXPECT_EQ(entry.upper, -40);
    EXPECT_EQ(entry.lower, -40);
    EXPECT_EQ(entry.depth, 7);
    EXPECT_EQ(entry.age, 12);
    EXPECT_EQ(entry.flags, UpperBound);
    EXPECT_EQ(entry.moveCount, 2);
    EXPECT_EQ(entry.moveX[0], 3);
    EXPECT_EQ(entry.moveX[1], -1);
    EXPECT_EQ(entry.moveX[2], 9);
    EXPECT_EQ(entry.moveY[2], 10);
}

TEST_F(TranspositionStore, DeeperMatchingEntryOnlyRefreshesItsAge) {
    uint64_t key = keyFor(5, 6);
    setHashAge(tables, 3);
    storeTranspositionTable(tables, 8, 100, LowerBound, 1, key, 1, 2, -1, -1, -1, -1);
    setHashAge(tables, 4);
    storeTranspositionTable(tables, 5, 200, ExactBound, 1, key, 3, 4, 5, 6, -1, -1);
    TranspositionEntry entry = mainEntry(1, key, 0);
    EXPECT_EQ(entry.age, 4);
    EXPECT_EQ(entry.depth, 8);
    EXPECT_EQ(entry.flags, LowerBound);
    EXPECT_EQ(entry.upper, 100);
    EXPECT_EQ(entry.lower, 100);
    EXPECT_EQ(entry.moveCount, 1);
    EXPECT_EQ(entry.moveX[0], 1);
    EXPECT_EQ(entry.moveX[1], -1);
    EXPECT_EQ(mainEntry(1, key, 1).flags, 0);
}

TEST_F(TranspositionStore, PushingTheFirstMoveAgainEmptiesItsOldSlot) {
    uint64_t key = keyFor(5, 7);
    storeTranspositionTable(tables, 4, 10, ExactBound, 1, key, 7, 7, 8, 8, -1, -1);
    storeTranspositionTable(tables, 4, 10, ExactBound, 1, key, 7, 7, -1, -1, -1, -1);
    TranspositionEntry entry = mainEntry(1, key, 0);
    EXPECT_EQ(entry.moveX[0], 7);
    EXPECT_EQ(entry.moveY[0], 7);
    EXPECT_EQ(entry.moveX[1], -1);
    EXPECT_EQ(entry.moveY[1], -1);
    EXPECT_EQ(entry.moveX[2], 8);
    EXPECT_EQ(entry.moveY[2], 8);
    EXPECT_EQ(entry.moveCount, 2);
}

TEST_F(TranspositionStore, PushedMovesEndBestFirstAndDropDuplicates) {
    uint64_t key = keyFor(5, 0);
    storeTranspositionTable(tables, 4, 10, ExactBound, 1, key, 1, 1, -1, -1, -1, -1);
    storeTranspositionTable(tables, 4, 10, ExactBound, 1, key, 3, 3, 4, 4, 5, 5);
    TranspositionEntry entry = mainEntry(1, key, 0);
    EXPECT_EQ(entry.moveX[0], 3);
    EXPECT_EQ(entry.moveX[1], 4);
    EXPECT_EQ(entry.moveX[2], 5);
    EXPECT_EQ(entry.moveCount, 3);

    // Pushing 4 alone: its old copy, shifted into slot 3, is emptied.
    storeTranspositionTable(tables, 4, 10, ExactBound, 1, key, 4, 4, -1, -1, -1, -1);
    entry = mainEntry(1, key, 0);
    EXPECT_EQ(entry.moveX[0], 4);
    EXPECT_EQ(entry.moveX[1], 3);
    EXPECT_EQ(entry.moveX[2], -1);
    EXPECT_EQ(entry.moveCount, 2);

    // A move equal in x only is a different move.
    storeTranspositionTable(tables, 4, 10, ExactBound, 1, key, 4, 9, -1, -1, -1, -1);
    entry = mainEntry(1, key, 0);
    EXPECT_EQ(entry.moveX[0], 4);
    EXPECT_EQ(entry.moveY[0], 9);
    EXPECT_EQ(entry.moveX[1], 4);
    EXPECT_EQ(entry.moveY[1], 4);
    EXPECT_EQ(entry.moveX[2], 3);
    EXPECT_EQ(entry.moveCount, 3);
}

TEST_F(TranspositionStore, APushedMoveEqualToBothLowerSlotsEmptiesOnlySlotThree) {
    uint64_t key = keyFor(5, 1);
    storeTranspositionTable(tables, 4, 10, ExactBound, 1, key, 2, 2, 2, 2, 5, 5);
    storeTranspositionTable(tables, 4, 10, ExactBound, 1, key, 2, 2, -1, -1, -1, -1);
    TranspositionEntry entry = mainEntry(1, key, 0);
    EXPECT_EQ(entry.moveX[0], 2);
    EXPECT_EQ(entry.moveX[1], 2);
    EXPECT_EQ(entry.moveX[2], -1);
    EXPECT_EQ(entry.moveY[2], -1);
    EXPECT_EQ(entry.moveCount, 2);
}

TEST_F(TranspositionStore, LowerThenHigherUpperAtTheSameDepthIsExact) {
    uint64_t key = keyFor(6, 1);
    storeTranspositionTable(tables, 4, 10, LowerBound, 1, key, -1, -1, -1, -1, -1, -1);
    storeTranspositionTable(tables, 4, 25, UpperBound, 1, key, -1, -1, -1, -1, -1, -1);
    TranspositionEntry entry = mainEntry(1, key, 0);
    EXPECT_EQ(entry.flags, ExactBound);
    EXPECT_EQ(entry.upper, 10);
    EXPECT_EQ(entry.lower, 10);
    EXPECT_EQ(probe(4, -Wide, Wide, 1, key).value, 10);
}

TEST_F(TranspositionStore, SameDepthBoundsMergeTowardsTheTighter) {
    uint64_t key = keyFor(6, 2);
    storeTranspositionTable(tables, 4, 50, UpperBound, 1, key, -1, -1, -1, -1, -1, -1);
    storeTranspositionTable(tables, 4, 40, UpperBound, 1, key, -1, -1, -1, -1, -1, -1);
    storeTranspositionTable(tables, 4, 60, UpperBound, 1, key, -1, -1, -1, -1, -1, -1);
    TranspositionEntry entry = mainEntry(1, key, 0);
    EXPECT_EQ(entry.flags, UpperBound);
    EXPECT_EQ(entry.upper, 40);
    EXPECT_EQ(probe(4, 40, Wide, 1, key).value, 40);

    uint64_t other = keyFor(7, 2);
    storeTranspositionTable(tables, 4, 50, LowerBound, 1, other, -1, -1, -1, -1, -1, -1);
    storeTranspositionTable(tables, 4, 60, LowerBound, 1, other, -1, -1, -1, -1, -1, -1);
    storeTranspositionTable(tables, 4, 30, LowerBound, 1, other, -1, -1, -1, -1, -1, -1);
    entry = mainEntry(1, other, 1);
    EXPECT_EQ(entry.flags, LowerBound);
    EXPECT_EQ(entry.lower, 60);
    EXPECT_EQ(probe(4, -Wide, 60, 1, other).value, 60);
}

TEST_F(TranspositionStore, ExactValueIgnoresLaterBoundsOfTheSameDepth) {
    uint64_t key = keyFor(6, 3);
    storeExact(4, 30, 1, key);
    storeTranspositionTable(tables, 4, 10, UpperBound, 1, key, 2, 2, -1, -1, -1, -1);
    storeTranspositionTable(tables, 4, 90, LowerBound, 1, key, -1, -1, -1, -1, -1, -1);
    TranspositionEntry entry = mainEntry(1, key, 0);
    EXPECT_EQ(entry.flags, ExactBound);
    EXPECT_EQ(entry.upper, 30);
    EXPECT_EQ(entry.lower, 30);
    EXPECT_EQ(entry.moveX[0], 2);   // the moves are still pushed
    EXPECT_EQ(probe(4, -Wide, Wide, 1, key).value, 30);

    storeExact(4, 35, 1, key);
    EXPECT_EQ(probe(4, -Wide, Wide, 1, key).value, 35);
}

TEST_F(TranspositionStore, DeeperStoreReplacesTheBounds) {
    uint64_t key = keyFor(6, 4);
    storeExact(4, 30, 1, key);
    storeTranspositionTable(tables, 6, 50, LowerBound, 1, key, -1, -1, -1, -1, -1, -1);
    TranspositionEntry entry = mainEntry(1, key, 0);
    EXPECT_EQ(entry.flags, LowerBound);
    EXPECT_EQ(entry.depth, 6);
    EXPECT_EQ(entry.upper, 50);
    EXPECT_EQ(entry.lower, 50);
    EXPECT_EQ(mainEntry(1, key, 1).flags, 0);
    EXPECT_EQ(probe(6, -Wide, Wide, 1, key).value, MissValue);
    EXPECT_EQ(probe(6, -Wide, 50, 1, key).value, 50);
}

TEST_F(TranspositionStore, MateValuesMergeInTableForm) {
    uint64_t key = keyFor(6, 5);
    storeTranspositionTable(tables, 3, WinScore + 9, LowerBound, 1, key, -1, -1, -1, -1, -1, -1);
    storeTranspositionTable(tables, 3, WinScore + 5, LowerBound, 1, key, -1, -1, -1, -1, -1, -1);
    EXPECT_EQ(mainEntry(1, key, 0).lower, WinScore + 6);
    EXPECT_EQ(probe(3, -Wide, WinScore, 1, key).value, WinScore + 9);
}

TEST_F(TranspositionReplacement, EmptySlotsFillInOrderAndOneBucketHoldsFour) {
    EXPECT_EQ(hashTableSize(tables), 1);
    for (uint32_t k = 0; k < 4; ++k) {
        storeExact(2, static_cast<int>(k), 1, keyFor(k, k * 12345));
        EXPECT_EQ(slotOf(keyFor(k, k * 12345)), static_cast<int>(k));
    }
    for (uint32_t k = 0; k < 4; ++k) {
        EXPECT_EQ(probe(2, -Wide, Wide, 1, keyFor(k, k * 12345)).value, static_cast<int>(k));
    }
}

TEST_F(TranspositionReplacement, MatchingEntryIsUpdatedInPlace) {
    for (uint32_t k = 1; k <= 4; ++k) place(static_cast<int>(k - 1), keyFor(k, 0), 3, 0, 1);
    storeExact(3, 77, 1, keyFor(3, 0));
    EXPECT_EQ(slotOf(keyFor(3, 0)), 2);
    EXPECT_EQ(probe(3, -Wide, Wide, 1, keyFor(3, 0)).value, 77);
    for (uint32_t k : {1u, 2u, 4u}) EXPECT_EQ(slotOf(keyFor(k, 0)), static_cast<int>(k - 1));
}

TEST_F(TranspositionReplacement, AnEntryMoreThanOneMoveOldOrNewIsReplacedFirst) {
    setHashAge(tables, 10);
    for (int age : {8, 12}) {
        place(0, keyFor(1, 0), 9, 10, 3);
        place(1, keyFor(2, 0), 9, 9, 3);
        place(2, keyFor(3, 0), 9, age, 3);
        place(3, keyFor(4, 0), 0, 10, 1);
        storeExact(1, 5, 1, keyFor(50, 0));
        EXPECT_EQ(slotOf(keyFor(50, 0)), 2) << "age " << age;
        EXPECT_EQ(slotOf(keyFor(4, 0)), 3) << "age " << age;
    }
}

TEST_F(TranspositionReplacement, WalkStopsAtTheFirstStaleEntryBeforeAMatchingOne) {
    setHashAge(tables, 10);
    place(0, keyFor(1, 0), 2, 3, 1);
    place(1, keyFor(2, 0), 2, 10, 1);
    storeExact(2, 5, 1, keyFor(2, 0));
    EXPECT_EQ(slotOf(keyFor(2, 0)), 0);
    EXPECT_EQ(mainEntry(1, keyFor(2, 0), 1).flags, 1);
}

TEST_F(TranspositionReplacement, OtherAgesAndShallowerEntriesAreEvictedFirst) {
    setHashAge(tables, 10);
    // All from the previous move: the shallowest goes.
    place(0, keyFor(1, 0), 5, 9, 1);
    place(1, keyFor(2, 0), 3, 9, 1);
    place(2, keyFor(3, 0), 4, 9, 1);
    place(3, keyFor(4, 0), 2, 9, 2);
    storeExact(1, 5, 1, keyFor(50, 0));
    EXPECT_EQ(slotOf(keyFor(50, 0)), 3);

    // A current-age candidate gives way to any entry of another age.
    place(0, keyFor(1, 0), 1, 10, 1);
    place(1, keyFor(2, 0), 9, 9, 1);
    place(2, keyFor(3, 0), 0, 10, 1);
    place(3, keyFor(4, 0), 9, 11, 3);
    storeExact(1, 5, 1, keyFor(51, 0));
    EXPECT_EQ(slotOf(keyFor(51, 0)), 1);

    // Ties keep the earlier candidate.
    for (int i = 0; i < 4; ++i) place(i, keyFor(1 + i, 0), 4, 9, 1);
    storeExact(1, 5, 1, keyFor(52, 0));
    EXPECT_EQ(slotOf(keyFor(52, 0)), 0);
}

TEST_F(TranspositionReplacement, ExactAndCurrentEntriesAreSpared) {
    setHashAge(tables, 10);
    place(0, keyFor(1, 0), 5, 9, 1);
    place(1, keyFor(2, 0), 1, 9, 3);
    place(2, keyFor(3, 0), 1, 10, 1);
    place(3, keyFor(4, 0), 0, 10, 2);
    storeExact(1, 5, 1, keyFor(50, 0));
    EXPECT_EQ(slotOf(keyFor(50, 0)), 0);
}

TEST_F(TranspositionReplacement, AmongCurrentEntriesAShallowerOneBecomesTheCandidate) {
    setHashAge(tables, 10);
    place(0, keyFor(1, 0), 5, 10, 1);
    place(1, keyFor(2, 0), 1, 10, 1);
    place(2, keyFor(3, 0), 0, 10, 2);
    place(3, keyFor(4, 0), 3, 10, 1);
    storeExact(1, 5, 1, keyFor(50, 0));
    EXPECT_EQ(slotOf(keyFor(50, 0)), 2);

    // Being current and exact costs no more than being current.
    place(0, keyFor(1, 0), 5, 10, 1);
    place(1, keyFor(2, 0), 1, 10, 3);
    place(2, keyFor(3, 0), 2, 10, 3);
    place(3, keyFor(4, 0), 3, 10, 1);
    storeExact(1, 5, 1, keyFor(51, 0));
    EXPECT_EQ(slotOf(keyFor(51, 0)), 1);
}
