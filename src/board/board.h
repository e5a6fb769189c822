// The search board: cells plus everything the search asks about empty points,
// kept up to date by every placed or removed stone.
//
// Layout. Every per-point grid is padded by Margin = 5 on each side of the
// 24 x 24 maximum and is indexed grid[x][y] with x, y in -5 .. 28, so reads up
// to five cells outside the square need no bounds tests:
//
//   region                                   cells   codes, rooms, scores
//   playing rectangle (onBoard)              0..3    kept up to date
//   square, outside the rectangle            3       reset values, never updated
//   outside the square (incl. the margin)    3       0
//
// Line words: one uint64 per line, two bits per cell; the cell at line position
// p sits in bits 2p+8..2p+9. Position -1 (bits 6-7) and position L (one past the
// line's end) hold 3; positions -4..-2 and beyond L hold 0. The LineKey of the
// point at position p is (word >> 2p) & 0x3FFFF.
//
//   lines        count    index of (x, y)           position of (x, y)
//   rowLines     24       x                         y
//   colLines     24       y                         x
//   antiLines    47       x + y                     antiDiagPos[x][y]
//   diagLines    47       x - y + boardSize - 1     diagPos[x][y]
//
// Point state: points[x][y] holds all of a point's fields together (one load
// brings them all). Direction entries: code[d][s] and room[d][s] are the
// line-table entry of the point's window in direction d for side index s, as
// last stored. Under standard (both sides) and Renju (first player only) the
// table already judges longer rows within its nine cells; a stone five cells
// away, beyond them, is corrected here: a Five that is really a longer row is
// stored as Overline and an OpenFour whose five point would make a longer row
// as DeadFour.
//
// Invariants after every public operation, for every point of the rectangle:
//  - a (point, direction) that no update has visited since the reset (its bit
//    in visitedLines is clear) keeps its reset code and room; a visited one holds
//    the current line-table entry with the corrections above. A stone visits the
//    points within geometry.winLengthParam cells along its four lines.
//  - score = sum of codeScore over the four codes, weight = sum of the four
//    rooms, value = score + shapeTable[s][codes], contribution = weight *
//    value / 32 (truncated).
//  - contributionSum[s] = sum of contribution over the whole square;
//    roomSum[s] = sum of weight over points with weight >= 25 and score >= 6.
//  - threats[c] holds exactly the points with a code of class c in some
//    direction (bit d of directionBits per direction), strongPoints the points
//    with score >= StrongPointScore (not maintained by the light make and
//    unmake, which must be paired before a reader of strongPoints runs).
//  - hashKey = XOR of zobristKeys[x][y][cell - 1] over every stone and block.
//  - stoneRows[x] bit y set exactly for the occupied points of the rectangle.
// Any make followed by its matching unmake restores every field bit for bit,
// except that the points the make visited for the first time since the reset
// lose their reset values for good.
//
// Undo log. A make pushes an UndoFrame with the sums and set summaries it is
// about to change, and an UndoRecord (the old codes and rooms of one point and
// direction, both sides, with the point's score, weight, value and
// contribution) before it changes that point's entries of that direction; a
// make logs each point and direction once. The matching unmake writes the
// records back in reverse order instead of re-reading the line tables. Before
// its first logged change to a point that it visits for the first time, a make
// first gives that point the entry of the line as it was (the values a
// re-reading unmake leaves there), so a restore ends in exactly the state a
// re-reading unmake would reach. That change is for good, under the logs of the
// older open frames, which are therefore dropped (their unmakes re-read).
// Frames nest as the stones do: an unmake of the newest stone restores; any
// other unmake (a take-back out of order) drops the logs of all open frames and
// re-reads, which is always valid. A make that would overflow the record pool
// is not logged and its unmake re-reads. The log is the board's own scratch:
// copies carry it, and snapshots compare the board only up to it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "board/geometry.h"
#include "board/pattern_tables.h"

namespace board {

constexpr int Margin = 5;
constexpr int PaddedSide = MaxSide + 2 * Margin;
constexpr int StrongPointScore = 316;
constexpr int RoomSumMinWeight = 25;
constexpr int RoomSumMinScore = 6;

// A MaxSide x MaxSide grid with Margin extra cells on every side, indexed
// grid[x][y] for x, y in -Margin .. MaxSide + Margin - 1.
template <typename T>
struct PaddedGrid {
    T data[PaddedSide][PaddedSide];

    T* operator[](int x) { return data[x + Margin] + Margin; }
    const T* operator[](int x) const { return data[x + Margin] + Margin; }
};

// Everything the board keeps about one point, in one half cache line: per
// direction and side the line-table code and room as last stored, and per side
// the sums and values built from them (see the invariants above).
struct PointState {
    int8_t code[4][2];
    int8_t room[4][2];
    int16_t score[2];
    int16_t value[2];
    int16_t weight[2];
    int16_t contribution[2];
};
static_assert(sizeof(PointState) == 32);

// Threat classes of direction codes: 7, 8 three; 9, 10 four; 11 open four; 12 five.
enum ThreatClass : int32_t { ThreePoint = 0, FourPoint = 1, OpenFourPoint = 2, FivePoint = 3 };

// Per side: bit d of directionBits[x][y] when (x, y) is in the class through
// direction d; bit y of rowMask[x] when (x, y) is in it through any direction;
// bit x of summary when row x has any point in it.
struct ThreatPointSet {
    uint8_t directionBits[2][MaxSide][MaxSide];
    uint32_t rowMask[2][MaxSide];
    uint32_t summary[2];
};

struct StrongPointSet {
    uint32_t rowMask[2][MaxSide];
    uint32_t summary[2];
};

// The entries of one point and direction as they were before a make changed
// them, for both sides, with the point's per-side sums: point = x << 5 | y.
struct UndoRecord {
    uint16_t point;
    uint8_t direction;
    int8_t code[2];
    int8_t room[2];
    int16_t score[2], value[2], weight[2], contribution[2];
};

// One make: its stone, whether it was logged (else its unmake re-reads), whether
// it kept strongPoints, and the board-wide words it may change.
struct UndoFrame {
    uint32_t firstRecord;
    int8_t x, y, cell;
    bool logged;
    bool full;
    int32_t contributionSum[2];
    int32_t roomSum[2];
    uint32_t threatSummary[4][2];
    uint32_t strongSummary[2];
};

// A make logs each point it visits at most once per direction: 4 directions x
// (2 x 5 + 1) points.
constexpr int MaxUndoRecordsPerMake = 4 * 11;
constexpr int UndoRecordCapacity = 1 << 15;

// A plain object: a copy (as a helper thread takes of the main board) is a
// board in the same state.
struct Board {
    // What the board was built for, fixed from one reset to the next: the rule
    // and its tables, the geometry, the Zobrist keys drawn for this build and
    // where each point lies on its diagonal lines.
    const RuleTables* rules;
    int32_t rule;
    Geometry geometry;
    ZobristKeys zobristKeys;
    int32_t antiDiagPos[MaxSide][MaxSide];
    int32_t diagPos[MaxSide][MaxSide];

    PaddedGrid<int8_t> cells;
    uint64_t rowLines[MaxSide];
    uint64_t colLines[MaxSide];
    uint64_t antiLines[MaxLines];
    uint64_t diagLines[MaxLines];
    PaddedGrid<PointState> points;
    int32_t contributionSum[2];
    int32_t roomSum[2];
    ThreatPointSet threats[4];
    StrongPointSet strongPoints;
    uint64_t hashKey;
    // Bit y of stoneRows[x] when the playing-rectangle point (x, y) holds a stone
    // or block: the rows the candidate masks below are made from.
    uint32_t stoneRows[MaxSide];
    // Bit p of visitedLines[d][line] when the point at position p of that line
    // has been visited in direction d since the reset (same line indices as the
    // line words).
    uint32_t visitedLines[4][MaxLines];

    // The undo log (see the top of this file). Every open frame holds a stone on
    // the square, so MaxPoints frames always suffice.
    int32_t undoFrameCount;
    int32_t undoLoggedFrom;  // frames below this index have lost their logs
    uint32_t undoRecordCount;
    UndoFrame undoFrames[MaxPoints];
    UndoRecord undoRecords[UndoRecordCapacity];
};

// The part of a Board that is its state; the undo log after it is scratch.
constexpr size_t BoardStateBytes = offsetof(Board, undoFrameCount);

inline int cellAt(const Board& board, int x, int y) { return board.cells[x][y]; }

// The points of row x (bits 0..width-1) within `reach` steps of a stone or block
// of the playing rectangle in both coordinates (the (2 reach + 1)-wide square
// around it), occupied or not. Candidate moves come from these masks instead
// of scans of the whole board.
inline uint32_t pointsNearStones(const Board& board, int x, int reach) {
    const int height = board.geometry.boardHeight;
    uint32_t rows = 0;
    for (int r = x - reach; r <= x + reach; ++r)
        if (r >= 0 && r < height) rows |= board.stoneRows[r];
    uint32_t near = rows;
    for (int k = 1; k <= reach; ++k) near |= rows << k | rows >> k;
    const int width = board.geometry.boardWidth;
    return near & (width >= 32 ? ~0u : (1u << width) - 1);
}

// The empty points among them.
inline uint32_t emptyPointsNearStones(const Board& board, int x, int reach) {
    return pointsNearStones(board, x, reach) & ~board.stoneRows[x];
}

inline int antiLineLength(const Board& board, int index) {
    const int n = board.geometry.boardSize;
    return (index < 2 * n - 2 - index ? index : 2 * n - 2 - index) + 1;
}

inline int diagLineLength(const Board& board, int index) {
    const int n = board.geometry.boardSize;
    const int offset = index - (n - 1);
    return n - (offset < 0 ? -offset : offset);
}

// Empties the board for rule and geometry (its winLengthParam follows the
// rule), draws its Zobrist keys from keys and places the blocks outside the
// playing rectangle.
void resetBoard(Board& board, int rule, const Geometry& geometry, KeyGenerator& keys);
// The same with tables of the caller's (which must outlive the board's use of
// them): the evaluation tuner's boards value shapes from other values.
void resetBoard(Board& board, const RuleTables& tables, const Geometry& geometry, KeyGenerator& keys);

// Places cell (1, 2 or 3) on the empty on-board point (x, y); unmakeMove removes
// it again. The light pair skips strongPoints and is used where nothing reads
// them before the matching light unmake.
void makeMove(Board& board, int x, int y, int cell);
void unmakeMove(Board& board, int x, int y, int cell);
void makeMoveLight(Board& board, int x, int y, int cell);
void unmakeMoveLight(Board& board, int x, int y, int cell);

}  // namespace board
