#include "search/transposition_table.h"

#include "search/hash_tables.h"

#include <algorithm>

namespace search {

namespace {

constexpr auto Relaxed = std::memory_order_relaxed;

uint64_t byteField(int8_t value, int shift) {
    return static_cast<uint64_t>(static_cast<uint8_t>(value)) << shift;
}

int8_t byteAt(uint64_t word, int shift) {
    return static_cast<int8_t>(static_cast<uint8_t>(word >> shift));
}

bool matchesKey(const TranspositionEntry& entry, uint64_t key) {
    return entry.flags != 0 && (entry.check ^ transpositionDigest(entry)) == key;
}

void sealEntry(TranspositionEntry& entry, uint64_t key) {
    entry.check = key ^ transpositionDigest(entry);
}

void copyMoves(const TranspositionEntry& entry, int* moveX, int* moveY, int wanted) {
    for (int i = 0; i < wanted && i < 3; ++i) {
        moveX[i] = entry.moveX[i];
        moveY[i] = entry.moveY[i];
    }
}

// Puts a move in front of the entry's move list; a copy of it further down the
// list is emptied, so the list keeps each move once.
void pushMove(TranspositionEntry& entry, int8_t x, int8_t y) {
    entry.moveX[2] = entry.moveX[1];
    entry.moveY[2] = entry.moveY[1];
    entry.moveX[1] = entry.moveX[0];
    entry.moveY[1] = entry.moveY[0];
    entry.moveX[0] = x;
    entry.moveY[0] = y;
    entry.moveCount = static_cast<int8_t>(std::min(entry.moveCount + 1, 3));
    for (int slot : {2, 1}) {
        if (entry.moveX[slot] == x && entry.moveY[slot] == y) {
            entry.moveX[slot] = -1;
            entry.moveY[slot] = -1;
            entry.moveCount = static_cast<int8_t>(entry.moveCount - 1);
            break;
        }
    }
}

bool isAgeStale(int16_t entryAge, int16_t age) {
    int difference = entryAge - age;
    return difference > 1 || difference < -1;
}

}  // namespace

uint64_t transpositionDigest(const TranspositionEntry& entry) {
    uint64_t digest = static_cast<uint64_t>(static_cast<int64_t>(entry.upper));
    digest = (digest << 28) ^ static_cast<uint64_t>(static_cast<int64_t>(entry.lower));
    digest = (digest << 6) ^ static_cast<uint64_t>(static_cast<int64_t>(entry.depth));
    digest = (digest << 2) ^ static_cast<uint64_t>(static_cast<int64_t>(entry.flags));
    return digest;
}

TranspositionEntry loadTranspositionEntry(const TranspositionSlot& slot) {
    uint64_t w0 = slot.word[0].load(Relaxed);
    uint64_t w1 = slot.word[1].load(Relaxed);
    uint64_t w2 = slot.word[2].load(Relaxed);
    uint64_t w3 = slot.word[3].load(Relaxed);
    TranspositionEntry entry;
    entry.check = w0;
    entry.upper = static_cast<int32_t>(static_cast<uint32_t>(w1));
    entry.lower = static_cast<int32_t>(static_cast<uint32_t>(w1 >> 32));
    entry.depth = static_cast<int16_t>(static_cast<uint16_t>(w2));
    entry.age = static_cast<int16_t>(static_cast<uint16_t>(w2 >> 16));
    entry.flags = byteAt(w2, 32);
    entry.moveCount = byteAt(w2, 40);
    entry.moveX[0] = byteAt(w2, 48);
    entry.moveY[0] = byteAt(w2, 56);
    entry.moveX[1] = byteAt(w3, 0);
    entry.moveY[1] = byteAt(w3, 8);
    entry.moveX[2] = byteAt(w3, 16);
    entry.moveY[2] = byteAt(w3, 24);
    return entry;
}

void saveTranspositionEntry(TranspositionSlot& slot, const TranspositionEntry& entry) {
    uint64_t w1 = static_cast<uint64_t>(static_cast<uint32_t>(entry.upper)) |
                  static_cast<uint64_t>(static_cast<uint32_t>(entry.lower)) << 32;
    uint64_t w2 = static_cast<uint64_t>(static_cast<uint16_t>(entry.depth)) |
                  static_cast<uint64_t>(static_cast<uint16_t>(entry.age)) << 16 |
                  byteField(entry.flags, 32) | byteField(entry.moveCount, 40) |
                  byteField(entry.moveX[0], 48) | byteField(entry.moveY[0], 56);
    uint64_t w3 = byteField(entry.moveX[1], 0) | byteField(entry.moveY[1], 8) |
                  byteField(entry.moveX[2], 16) | byteField(entry.moveY[2], 24);
    slot.word[0].store(entry.check, Relaxed);
    slot.word[1].store(w1, Relaxed);
    slot.word[2].store(w2, Relaxed);
    slot.word[3].store(w3, Relaxed);
}

int probeTranspositionTable(HashTables& tables, int depth, int alpha, int beta, int side, uint64_t key,
                            int* moveX, int* moveY, int wanted) {
    int32_t size = tables.transposition.size.load(Relaxed);
    if (size == 0) return MissValue;
    TranspositionBucket& bucket = tables.transposition.buckets[side - 1][hashBucketIndex(key, size)];
    for (TranspositionSlot& slot : bucket.slot) {
        TranspositionEntry entry = loadTranspositionEntry(slot);
        if (!matchesKey(entry, key)) continue;

        bool upperIsMate = isMateLike(entry.upper);
        bool lowerIsMate = isMateLike(entry.lower);
        int upper = valueFromTable(entry.upper, depth);
        int lower = valueFromTable(entry.lower, depth);
        bool deepEnough = entry.depth >= depth;
        bool upperUsable = upperIsMate || deepEnough;
        bool lowerUsable = lowerIsMate || deepEnough;

        if (entry.flags == ExactBound && entry.upper == entry.lower && upperUsable) {
            copyMoves(entry, moveX, moveY, wanted);
            return upper;
        }
        if ((entry.flags & UpperBound) && upper <= alpha && upperUsable) {
            copyMoves(entry, moveX, moveY, wanted);
            return upper;
        }
        if ((entry.flags & LowerBound) && lower >= beta && lowerUsable) {
            copyMoves(entry, moveX, moveY, wanted);
            return lower;
        }
        if (deepEnough || (upperIsMate && lowerIsMate)) copyMoves(entry, moveX, moveY, wanted);
        return MissValue;
    }
    return MissValue;
}

// Bucket policy: an empty entry, then the entry of this position (which a
// deeper result is never replaced from), then one whose age is more than one
// move away; otherwise the walk keeps as candidate the entry least worth
// keeping: preferring entries of other ages, then shallower ones, and sparing
// entries of the current age and exact ones.
void storeTranspositionTable(HashTables& tables, int depth, int value, int flag, int side, uint64_t key,
                             int x1, int y1, int x2, int y2, int x3, int y3) {
    int32_t size = tables.transposition.size.load(Relaxed);
    if (size == 0) return;
    noteHashStore(tables);
    int16_t age = hashAge(tables);
    TranspositionBucket& bucket = tables.transposition.buckets[side - 1][hashBucketIndex(key, size)];

    int target = -1;
    bool update = false;
    TranspositionEntry entry;
    int candidate = 0;
    TranspositionEntry candidateEntry;
    for (int i = 0; i < 4; ++i) {
        TranspositionEntry current = loadTranspositionEntry(bucket.slot[i]);
        if (i == 0) candidateEntry = current;
        if (current.flags == 0) {
            target = i;
            break;
        }
        if (matchesKey(current, key)) {
            current.age = age;
            if (current.depth > depth) {
                saveTranspositionEntry(bucket.slot[i], current);
                return;
            }
            target = i;
            update = true;
            entry = current;
            break;
        }
        if (isAgeStale(current.age, age)) {
            target = i;
            break;
        }
        int score = (candidateEntry.age == age ? 2 : 0) + (current.depth < candidateEntry.depth ? 1 : 0) -
                    (current.age == age || current.flags == ExactBound ? 2 : 0);
        if (score > 0) {
            candidate = i;
            candidateEntry = current;
        }
    }
    if (target < 0) target = candidate;

    int stored = valueToTable(value, depth);
    int8_t moveX[3] = {static_cast<int8_t>(x1), static_cast<int8_t>(x2), static_cast<int8_t>(x3)};
    int8_t moveY[3] = {static_cast<int8_t>(y1), static_cast<int8_t>(y2), static_cast<int8_t>(y3)};

    if (!update) {
        entry = TranspositionEntry{};
        entry.upper = stored;
        entry.lower = stored;
        entry.depth = static_cast<int16_t>(depth);
        entry.age = age;
        entry.flags = static_cast<int8_t>(flag);
        for (int i = 0; i < 3; ++i) {
            entry.moveX[i] = moveX[i];
            entry.moveY[i] = moveY[i];
            if (moveX[i] != NoMove) ++entry.moveCount;
        }
        sealEntry(entry, key);
        saveTranspositionEntry(bucket.slot[target], entry);
        return;
    }

    for (int i = 2; i >= 0; --i) {
        if (moveX[i] != NoMove) pushMove(entry, moveX[i], moveY[i]);
    }
    bool exact = entry.flags == ExactBound && entry.upper == entry.lower;
    if (depth > entry.depth) {
        entry.upper = stored;
        entry.lower = stored;
        entry.depth = static_cast<int16_t>(depth);
        entry.flags = static_cast<int8_t>(flag);
    } else if (flag == ExactBound) {
        entry.upper = stored;
        entry.lower = stored;
        entry.flags = ExactBound;
    } else if ((flag == UpperBound || flag == LowerBound) && !exact) {
        // The entry may have been cleared since it was read; merging into a
        // cleared entry would resurrect it with half its contents.
        if (!matchesKey(loadTranspositionEntry(bucket.slot[target]), key)) return;
        if (flag == UpperBound) {
            entry.upper = std::min<int>(entry.upper, stored);
        } else {
            entry.lower = std::max<int>(entry.lower, stored);
        }
        entry.flags = static_cast<int8_t>(entry.flags | flag);
    }
    sealEntry(entry, key);
    saveTranspositionEntry(bucket.slot[target], entry);
}

}  // namespace search
