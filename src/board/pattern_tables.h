// Pattern tables: every shape question the board and the search ask is answered
// by one load from a table built once per rule and then only read, by any
// number of threads.
//
// LineKey (18 bits): nine consecutive cells of one line, two bits per cell.
//
//   bits   | 17-16 | 15-14 | 13-12 | 11-10 | 9-8    | 7-6 | 5-4 | 3-2 | 1-0
//   cell   |   8   |   7   |   6   |   5   | 4 (centre) | 3 | 2 |  1  |  0
//
// Cell values: 0 empty, 1 first player, 2 second player, 3 closed (block stone or
// the sentinel past a line's end). Cells 0..3 lie towards lower line positions.
//
// LineEntry: per side index s (0 first player, 1 second) the PatternCode a stone
// of colour s + 1 at the empty centre would make, and its room (cells of that
// side or empty on both sides, at most four each way). All zero when the centre
// is occupied. Where only an exact five wins (standard, and the first player
// under Renju) a code counts only the fives the centre could be part of
// without joining a further own stone inside the key: a four or three that
// could only be completed into a longer row is not one, and a five that is
// part of a longer row is Overline.
//
// The board reads them packed, two bytes an entry, keyed by the eight cells
// around the centre only (an occupied centre is known from the key itself):
//
//   PackedLine  | 15-12  | 11-8   | 7-4    | 3-0
//               | room 1 | room 0 | code 1 | code 0
//
// 64 Ki entries, 128 KiB: small enough to stay in the second-level cache
// through a search.
//
// shapeTable[side][c0][c1][c2][c3]: combined value of a point whose four
// direction codes are c0..c3; symmetric in the four codes.
//
// Zobrist keys are not per rule: every build of a board draws a fresh set from
// a KeyGenerator, a 15-bit generator whose state starts at 1 with the engine and
// runs on from build to build, so the first build of a run is always the same
// and later builds differ.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "board/geometry.h"

namespace board {

enum Rule : int32_t { FreeStyle = 0, Standard = 1, Renju = 2 };

enum PatternCode : int16_t {
    None = 0,
    One = 1,
    DeadTwo = 2,
    WideTwo = 3,
    SplitTwo = 4,
    StraightTwo = 5,
    DeadThree = 6,
    SplitThree = 7,
    StraightThree = 8,
    DeadFour = 9,
    Four = 10,
    OpenFour = 11,
    Five = 12,
    Overline = 13,
};

constexpr int LineKeyCount = 1 << 18;
constexpr uint32_t LineKeyMask = LineKeyCount - 1;
constexpr int MaxLines = 2 * MaxSide - 1;  // diagonal lines of the largest square

struct LineEntry {
    int16_t code[2];
    int16_t room[2];
};

using PackedLine = uint16_t;
constexpr int PackedLineCount = 1 << 16;
constexpr uint32_t LineCentreBits = 3u << 8;

// Index into packedLines of a key whose centre is empty.
inline uint32_t packedLineIndex(uint32_t key) { return (key & 0xFF) | (key >> 10) << 8; }
inline int packedCode(PackedLine entry, int s) { return entry >> (4 * s) & 15; }
inline int packedRoom(PackedLine entry, int s) { return entry >> (8 + 4 * s) & 15; }

// Steps of the four directions on (x, y): along a row, along a column, the
// anti-diagonal and the diagonal. Line positions grow along the step.
inline constexpr int directionDelta[4][2] = {{0, 1}, {1, 0}, {-1, 1}, {1, 1}};

inline constexpr int16_t codeScore[16] = {0, 1, 2, 6, 7, 10, 23, 158, 175, 256, 256, 511, 2047, 0, 0, 0};
inline constexpr int16_t comboWeight[16] = {3, 5, 4, 16, 16, 16, 16, 36, 36, 36, 40, 128, 256, 0, 0, 0};
inline constexpr int16_t comboBase[16] = {0,    -2,   -4,   -4,   -5,   -8,    -21, -108,
                                          -125, -196, -196, -411, -1947, 0,    0,    0};

// Code of a five-cell window of one side. row = stone mask (bit j: cell j holds
// a stone of that side; the centre itself is empty) + 32 if the cell before the
// window is closed + 64 if the cell after it is closed. column = 4 - index of
// the centre inside the window.
constexpr uint8_t windowCode(int row, int column) {
    const int mask = row & 31;
    const bool closedBefore = (row & 32) != 0;
    const bool closedAfter = (row & 64) != 0;
    const int centre = 4 - column;
    if (mask >> centre & 1) return 0;
    const int stones = mask | 1 << centre;
    int count = 0, first = -1, last = -1, gapCell = -1;
    for (int j = 0; j < 5; ++j) {
        if (stones >> j & 1) {
            ++count;
            if (first < 0) first = j;
            last = j;
        } else {
            gapCell = j;
        }
    }
    const bool bothClosed = closedBefore && closedAfter;
    const bool touchesClosedEnd = ((stones & 1) && closedBefore) || ((stones & 16) && closedAfter);
    switch (count) {
        case 5:
            return Five;
        case 4:
            if (bothClosed) return DeadFour;
            switch (gapCell) {
                case 0: return closedAfter ? DeadFour : OpenFour;
                case 4: return closedBefore ? DeadFour : OpenFour;
                case 1: return closedAfter ? DeadFour : Four;
                case 3: return closedBefore ? DeadFour : Four;
                default: return DeadFour;
            }
        case 3: {
            if (bothClosed || touchesClosedEnd) return DeadThree;
            const int span = last - first + 1;
            return span == 3 ? StraightThree : span == 4 ? SplitThree : DeadThree;
        }
        case 2: {
            const int gap = last - first - 1;
            if (gap == 3 || bothClosed) return One;
            if (touchesClosedEnd) return DeadTwo;
            return gap == 0 ? StraightTwo : gap == 1 ? SplitTwo : WideTwo;
        }
        default:
            return (bothClosed || touchesClosedEnd) ? None : One;
    }
}

constexpr std::array<std::array<uint8_t, 5>, 128> makeWindowTable() {
    std::array<std::array<uint8_t, 5>, 128> table{};
    for (int row = 0; row < 128; ++row)
        for (int column = 0; column < 5; ++column) table[row][column] = windowCode(row, column);
    return table;
}

inline constexpr std::array<std::array<uint8_t, 5>, 128> windowTable = makeWindowTable();

struct RuleTables {
    int32_t rule = -1;
    PackedLine packedLines[PackedLineCount];
    int16_t shapeTable[2][16][16][16][16];

    // The packed entry of any key (zero when its centre is occupied).
    PackedLine packedLine(uint32_t key) const {
        return (key & LineCentreBits) != 0 ? PackedLine{0} : packedLines[packedLineIndex(key)];
    }
    LineEntry lineEntry(uint32_t key) const {
        const PackedLine packed = packedLine(key);
        return LineEntry{{int16_t(packedCode(packed, 0)), int16_t(packedCode(packed, 1))},
                         {int16_t(packedRoom(packed, 0)), int16_t(packedRoom(packed, 1))}};
    }
};

// The tables of rule (0 free-style, 1 standard, 2 Renju), built on the first
// call for that rule; safe to call from any thread.
const RuleTables& ruleTables(int rule);

// The values the shape table is made of: per code, its weight in the bonus of
// a point with two lines and its base value (as comboWeight and comboBase).
// The engine's tables use the defaults; the evaluation tuner builds tables
// from other sets.
struct ShapeValues {
    int comboWeight[16];
    int comboBase[16];
};
constexpr ShapeValues defaultShapeValues() {
    ShapeValues v{};
    for (int c = 0; c < 16; ++c) {
        v.comboWeight[c] = board::comboWeight[c];
        v.comboBase[c] = board::comboBase[c];
    }
    return v;
}

// Rewrites the shape table of tables (already built for rule) from values.
void fillShapeTable(RuleTables& tables, int rule, const ShapeValues& values);

// What a stone of either side at the centre of key would make under rule.
LineEntry classifyLine(uint32_t key, int rule);

using ZobristKeys = uint64_t[MaxSide][MaxSide][3];

// The engine's source of Zobrist keys: each fill draws MaxSide x MaxSide x 3
// keys of five 15-bit parts, in row, column, cell order.
struct KeyGenerator {
    uint32_t state = 1;  // never reseeded

    uint32_t next() {
        state = state * 214013u + 2531011u;
        return state >> 16 & 0x7fff;
    }
    void fill(ZobristKeys& keys);
};

// Index of the single set bit of v, for v = 2^n with n <= 30.
inline int bitIndex(uint32_t v) { return __builtin_ctz(v); }

// Number of set bits of a row word (bits 0..23 only). Counted in registers
// rather than by table, so the hot loops keep the first-level cache for the
// board.
inline int rowBitCount(uint32_t v) {
    v = v - ((v >> 1) & 0x55555555u);
    v = (v & 0x33333333u) + ((v >> 2) & 0x33333333u);
    v = (v + (v >> 4)) & 0x0F0F0F0Fu;
    return static_cast<int>((v * 0x01010101u) >> 24);
}

}  // namespace board
