// Pattern tables: every shape question the board and the search ask is answered
// by one load from a table built here once per rule.
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
// is occupied.
//
// shapeTable[side][c0][c1][c2][c3]: combined value of a point whose four
// direction codes are c0..c3; symmetric in the four codes.
//
// zobristKeys[x][y][cell - 1]: hash keys for a first-player stone, a
// second-player stone and a block stone. They come from a 15-bit generator whose
// state starts at 1 with the process and runs on from build to build, so the
// first build of a run is always the same and later builds differ.
//
// Invariant: between builds every table is read-only; rule is the rule the
// line and shape tables were built for (-1 before the first build).
#pragma once

#include <array>
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

struct PatternTables {
    int32_t rule = -1;
    uint32_t randomState = 1;  // key generator state; never reseeded
    LineEntry lineTable[LineKeyCount];
    int16_t shapeTable[2][16][16][16][16];
    uint64_t zobristKeys[MaxSide][MaxSide][3];
    int32_t antiDiagPos[MaxSide][MaxSide];
    int32_t diagPos[MaxSide][MaxSide];
    uint8_t bitIndexTable[32769];
    uint8_t bitCountTable[32769];
};

extern PatternTables tables;

// Rebuilds every table for rule (0 free-style, 1 standard, 2 Renju) and the
// current geometry.boardSize. The board must be reset afterwards.
void buildPatternTables(int rule);

// What a stone of either side at the centre of key would make under rule.
LineEntry classifyLine(uint32_t key, int rule);

// Index of the single set bit of v, for v = 2^n with n <= 30.
inline int bitIndex(uint32_t v) {
    return v <= 32768 ? tables.bitIndexTable[v] : tables.bitIndexTable[v >> 15] + 15;
}

// Number of set bits of a row word (bits 0..23 only).
inline int rowBitCount(uint32_t v) {
    return tables.bitCountTable[v & 0x7fff] + tables.bitCountTable[v >> 15];
}

}  // namespace board
