#include "board/board.h"

#include <algorithm>
#include <cstring>

namespace board {

namespace {

// Point set of each code: three, four, open-four and five points; -1 for none.
constexpr int8_t threatClassOf[16] = {-1,        -1,        -1,            -1,        -1, -1, -1, ThreePoint,
                                      ThreePoint, FourPoint, FourPoint, OpenFourPoint, FivePoint, -1, -1, -1};

// Whether the exact-five corrections apply to side index s under rule R.
template <int R>
constexpr bool correctsSide(int s) {
    return s == 0 ? (R == Standard || R == Renju) : R == Standard;
}

inline int shapeValueAt(const Board& board, int x, int y, int s) {
    return board.rules->shapeTable[s][board.points[x][y].code[0][s]][board.points[x][y].code[1][s]]
                            [board.points[x][y].code[2][s]][board.points[x][y].code[3][s]];
}

inline bool countsForRoomSum(int weight, int score) {
    return weight >= RoomSumMinWeight && score >= RoomSumMinScore;
}

// What a point's weight adds to roomSum: the weight itself when it counts, else 0.
inline int roomSumShare(int weight, int score) { return countsForRoomSum(weight, score) ? weight : 0; }

// Gives the point's direction-d entry of side s a new code (and room), and
// moves the sums, the value and the point sets with it.
template <bool Full>
void changePointCode(Board& b, int x, int y, int s, int d, int newCode, int newRoom) {
    PointState& p = b.points[x][y];
    const int oldCode = p.code[d][s];
    const int oldScore = p.score[s], oldWeight = p.weight[s];
    const int score = oldScore + codeScore[newCode] - codeScore[oldCode];
    const int weight = oldWeight + newRoom - p.room[d][s];
    p.code[d][s] = static_cast<int8_t>(newCode);
    p.room[d][s] = static_cast<int8_t>(newRoom);
    p.score[s] = static_cast<int16_t>(score);
    p.weight[s] = static_cast<int16_t>(weight);
    b.roomSum[s] += roomSumShare(weight, score) - roomSumShare(oldWeight, oldScore);
    const int value = score + shapeValueAt(b, x, y, s);
    p.value[s] = static_cast<int16_t>(value);
    const int contribution = weight * value / 32;
    b.contributionSum[s] += contribution - p.contribution[s];
    p.contribution[s] = static_cast<int16_t>(contribution);
    // A code staying in its class leaves the point sets as they are.
    const int from = threatClassOf[oldCode], to = threatClassOf[newCode];
    if (from != to) {
        if (from >= 0) {
            ThreatPointSet& set = b.threats[from];
            uint8_t& bits = set.directionBits[s][x][y];
            bits = static_cast<uint8_t>(bits & ~(1u << d));
            if (bits == 0) {
                set.rowMask[s][x] &= ~(1u << y);
                if (set.rowMask[s][x] == 0) set.summary[s] &= ~(1u << x);
            }
        }
        if (to >= 0) {
            ThreatPointSet& set = b.threats[to];
            set.directionBits[s][x][y] = static_cast<uint8_t>(set.directionBits[s][x][y] | 1u << d);
            set.rowMask[s][x] |= 1u << y;
            set.summary[s] |= 1u << x;
        }
    }
    if constexpr (Full) {
        StrongPointSet& strong = b.strongPoints;
        if (oldScore >= StrongPointScore) {
            strong.rowMask[s][x] &= ~(1u << y);
            if (strong.rowMask[s][x] == 0) strong.summary[s] &= ~(1u << x);
        }
        if (score >= StrongPointScore) {
            strong.rowMask[s][x] |= 1u << y;
            strong.summary[s] |= 1u << x;
        }
    }
}

// A room change under an unchanged code moves only the weight and what depends
// on it; the value, the score and the point sets stay.
void changeRoom(Board& b, int x, int y, int s, int delta) {
    const int score = b.points[x][y].score[s];
    const int oldWeight = b.points[x][y].weight[s];
    const int weight = oldWeight + delta;
    b.roomSum[s] += roomSumShare(weight, score) - roomSumShare(oldWeight, score);
    const int contribution = weight * b.points[x][y].value[s] / 32;
    b.contributionSum[s] += contribution - b.points[x][y].contribution[s];
    b.points[x][y].contribution[s] = static_cast<int16_t>(contribution);
    b.points[x][y].weight[s] = static_cast<int16_t>(weight);
}

// Whether both five points of the straight four made by colour at q stay exact
// fives: filling either end must not join a further own stone into six.
bool fourStaysOpen(const Board& board, int x, int y, int d, int colour) {
    const int dx = directionDelta[d][0], dy = directionDelta[d][1];
    int k = 1;
    while (board.cells[x + k * dx][y + k * dy] == colour) ++k;
    if (board.cells[x + (k + 1) * dx][y + (k + 1) * dy] == colour) return false;
    k = -1;
    while (board.cells[x + k * dx][y + k * dy] == colour) --k;
    if (board.cells[x + (k - 1) * dx][y + (k - 1) * dy] == colour) return false;
    return true;
}

// The line table sees only four cells each way; a stone five cells away can
// still turn a Five into a longer row or shut one end of an OpenFour. Outside the
// playing rectangle every cell holds 3, so no bounds tests are needed.
template <bool Full>
void correctExactFive(Board& b, int x, int y, int d, int s) {
    const int colour = s + 1;
    const int dx = directionDelta[d][0], dy = directionDelta[d][1];
    int8_t& code = b.points[x][y].code[d][s];
    if (code == Five) {
        auto own = [&](int k) { return b.cells[x + k * dx][y + k * dy] == colour; };
        if ((!own(-1) && own(5)) || (!own(1) && own(-5)))
            changePointCode<Full>(b, x, y, s, d, Overline, b.points[x][y].room[d][s]);
    } else if (code == OpenFour && !fourStaysOpen(b, x, y, d, colour)) {
        changePointCode<Full>(b, x, y, s, d, DeadFour, b.points[x][y].room[d][s]);
    }
}

// Appends the current direction-d entries of (x, y) for both sides, and the
// point's per-side sums, to the undo log before a logged make changes them.
inline void logPair(Board& b, int x, int y, int d) {
    const PointState& p = b.points[x][y];
    UndoRecord& r = b.undoRecords[b.undoRecordCount++];
    r.point = static_cast<uint16_t>(x << 5 | y);
    r.direction = static_cast<uint8_t>(d);
    for (int s = 0; s < 2; ++s) {
        r.code[s] = p.code[d][s];
        r.room[s] = p.room[d][s];
        r.score[s] = p.score[s];
        r.value[s] = p.value[s];
        r.weight[s] = p.weight[s];
        r.contribution[s] = p.contribution[s];
    }
}

// Stores a line-table entry for one point and side in direction D, with the
// exact-five corrections.
template <bool Full, int D>
inline void applyEntry(Board& b, int qx, int qy, int s, PackedLine entry, bool corrects) {
    int8_t& code = b.points[qx][qy].code[D][s];
    int8_t& room = b.points[qx][qy].room[D][s];
    const int newCode = packedCode(entry, s), newRoom = packedRoom(entry, s);
    if (newCode != code) {
        changePointCode<Full>(b, qx, qy, s, D, newCode, newRoom);
    } else if (newRoom != room) {
        // The room follows the position even when the code stays, so that
        // weights never go stale and a take-back restores them exactly.
        changeRoom(b, qx, qy, s, newRoom - room);
        room = static_cast<int8_t>(newRoom);
    }
    if ((code == OpenFour || code == Five) && corrects) correctExactFive<Full>(b, qx, qy, D, s);
}

// A point's direction-D codes and rooms of both sides, packed as the line
// table packs them.
template <int D>
inline PackedLine storedEntry(const PointState& p) {
    return static_cast<PackedLine>(p.code[D][0] | p.code[D][1] << 4 | p.room[D][0] << 8 | p.room[D][1] << 12);
}

// Whether an entry holds a code that the exact-five corrections of rule R may
// change for a side they apply to.
template <int R>
inline bool mayCorrect(PackedLine entry) {
    auto correctable = [](int code) { return code == OpenFour || code == Five; };
    return (correctsSide<R>(0) && correctable(packedCode(entry, 0))) ||
           (correctsSide<R>(1) && correctable(packedCode(entry, 1)));
}

// The line of direction D through (x, y): its word, (x, y)'s position on it,
// and the steps kMin..kMax along it to the on-board points within
// winLengthParam. False when no such point exists.
template <int D>
inline bool lineReach(Board& b, int x, int y, uint64_t*& word, int& line, int& position, int& kMin, int& kMax) {
    constexpr int dx = directionDelta[D][0], dy = directionDelta[D][1];
    const int radius = b.geometry.winLengthParam;
    const int height = b.geometry.boardHeight, width = b.geometry.boardWidth;
    if constexpr (D == 0) {
        line = x, position = y;
        word = &b.rowLines[line];
    } else if constexpr (D == 1) {
        line = y, position = x;
        word = &b.colLines[line];
    } else if constexpr (D == 2) {
        line = x + y, position = b.antiDiagPos[x][y];
        word = &b.antiLines[line];
    } else {
        line = x - y + b.geometry.boardSize - 1, position = b.diagPos[x][y];
        word = &b.diagLines[line];
    }
    kMin = -radius, kMax = radius;
    if constexpr (dx == 1) {
        kMin = std::max(kMin, -x), kMax = std::min(kMax, height - 1 - x);
    } else if constexpr (dx == -1) {
        kMin = std::max(kMin, x - (height - 1)), kMax = std::min(kMax, x);
    } else {
        if (x >= height) return false;
    }
    if constexpr (dy == 1) {
        kMin = std::max(kMin, -y), kMax = std::min(kMax, width - 1 - y);
    } else {
        if (y >= width) return false;
    }
    return kMin <= kMax;
}

// Before a logged make of (x, y): the points along direction D that it will
// visit for the first time get the entry of the line as it is now, unlogged,
// as a re-reading unmake would leave them. No stone was ever within reach of
// such a point along this line, so its entry needs no exact-five correction.
// Returns whether there were any.
template <bool Full, int D>
bool settleFirstVisits(Board& b, int x, int y) {
    constexpr int dx = directionDelta[D][0], dy = directionDelta[D][1];
    uint64_t* word;
    int line, position, kMin, kMax;
    if (!lineReach<D>(b, x, y, word, line, position, kMin, kMax)) return false;
    const uint32_t reached = ((2u << (kMax - kMin)) - 1) << (position + kMin);
    uint32_t fresh = reached & ~b.visitedLines[D][line];
    if (fresh == 0) return false;
    b.visitedLines[D][line] |= reached;
    const RuleTables& rules = *b.rules;
    for (; fresh != 0; fresh &= fresh - 1) {
        const int k = __builtin_ctz(fresh) - position;
        const int qx = x + k * dx, qy = y + k * dy;
        const PackedLine entry = rules.packedLine((*word >> (2 * (position + k))) & LineKeyMask);
        applyEntry<Full, D>(b, qx, qy, 0, entry, false);
        applyEntry<Full, D>(b, qx, qy, 1, entry, false);
    }
    return true;
}

// Re-reads the line table for the on-board points within winLengthParam of
// (x, y) along direction D, after the line word of that direction changed.
template <bool Full, bool Log, int R, int D>
void updateDirection(Board& b, int x, int y) {
    constexpr int dx = directionDelta[D][0], dy = directionDelta[D][1];
    uint64_t* wordAt;
    int line, position, kMin, kMax;
    if (!lineReach<D>(b, x, y, wordAt, line, position, kMin, kMax)) return;
    const uint64_t word = *wordAt;
    // From now on these points hold table entries instead of their reset values.
    b.visitedLines[D][line] |= ((2u << (kMax - kMin)) - 1) << (position + kMin);

    const RuleTables& rules = *b.rules;
    for (int k = kMin; k <= kMax; ++k) {
        const int qx = x + k * dx, qy = y + k * dy;
        const PackedLine entry = rules.packedLine((word >> (2 * (position + k))) & LineKeyMask);
        // Logged when either side's entry may change: the table's entry
        // differs from the stored one, or a correction may apply.
        if constexpr (Log) {
            if (entry != storedEntry<D>(b.points[qx][qy]) || mayCorrect<R>(entry)) logPair(b, qx, qy, D);
        }
        applyEntry<Full, D>(b, qx, qy, 0, entry, correctsSide<R>(0));
        applyEntry<Full, D>(b, qx, qy, 1, entry, correctsSide<R>(1));
    }
}

inline void writeLineCell(uint64_t& word, int position, int cell, bool place) {
    const int shift = 2 * position + 8;
    if (place)
        word |= static_cast<uint64_t>(cell) << shift;
    else
        word &= ~(uint64_t{3} << shift);
}

// Puts cell on (x, y) or takes it off, line by line: each line word changes
// before its direction's points are re-read. Log (makes only) records what
// changes for the unmake.
inline void markStone(Board& b, int x, int y, bool place) {
    if (!b.geometry.onBoard(x, y)) return;
    if (place)
        b.stoneRows[x] |= 1u << y;
    else
        b.stoneRows[x] &= ~(1u << y);
}

template <bool Full, bool Log, int R>
void placeOrRemoveUnder(Board& b, int x, int y, int cell, bool place) {
    b.cells[x][y] = static_cast<int8_t>(place ? cell : 0);
    markStone(b, x, y, place);
    writeLineCell(b.rowLines[x], y, cell, place);
    updateDirection<Full, Log, R, 0>(b, x, y);
    writeLineCell(b.colLines[y], x, cell, place);
    updateDirection<Full, Log, R, 1>(b, x, y);
    writeLineCell(b.antiLines[x + y], b.antiDiagPos[x][y], cell, place);
    updateDirection<Full, Log, R, 2>(b, x, y);
    writeLineCell(b.diagLines[x - y + b.geometry.boardSize - 1], b.diagPos[x][y], cell, place);
    updateDirection<Full, Log, R, 3>(b, x, y);
    b.hashKey ^= b.zobristKeys[x][y][cell - 1];
}

// The rule is fixed for a board's life: it is looked at once per stone here,
// and the code below is compiled for each rule.
template <bool Full, bool Log>
void placeOrRemove(Board& b, int x, int y, int cell, bool place) {
    switch (b.rule) {
        case Standard: placeOrRemoveUnder<Full, Log, Standard>(b, x, y, cell, place); break;
        case Renju: placeOrRemoveUnder<Full, Log, Renju>(b, x, y, cell, place); break;
        default: placeOrRemoveUnder<Full, Log, FreeStyle>(b, x, y, cell, place); break;
    }
}

// Puts one logged entry back, with its point-set bits; the set summaries and
// the sums come back from the frame afterwards.
template <bool Full>
inline void restoreRecord(Board& b, const UndoRecord& r) {
    const int x = r.point >> 5, y = r.point & 31, d = r.direction;
    PointState& p = b.points[x][y];
    for (int s = 0; s < 2; ++s) {
        // Most entries either keep the code or move it between codes of no
        // class, so the common path has no branch on whether the code changed.
        const int from = threatClassOf[p.code[d][s]], to = threatClassOf[r.code[s]];
        if (from != to) {
            if (from >= 0) {
                ThreatPointSet& set = b.threats[from];
                uint8_t& bits = set.directionBits[s][x][y];
                bits = static_cast<uint8_t>(bits & ~(1u << d));
                if (bits == 0) set.rowMask[s][x] &= ~(1u << y);
            }
            if (to >= 0) {
                ThreatPointSet& set = b.threats[to];
                set.directionBits[s][x][y] = static_cast<uint8_t>(set.directionBits[s][x][y] | 1u << d);
                set.rowMask[s][x] |= 1u << y;
            }
        }
        if constexpr (Full) {
            if ((p.score[s] >= StrongPointScore) != (r.score[s] >= StrongPointScore))
                b.strongPoints.rowMask[s][x] ^= 1u << y;
        }
        p.code[d][s] = r.code[s];
        p.room[d][s] = r.room[s];
        p.score[s] = r.score[s];
        p.value[s] = r.value[s];
        p.weight[s] = r.weight[s];
        p.contribution[s] = r.contribution[s];
    }
}

template <bool Full>
void makeLogged(Board& b, int x, int y, int cell) {
    if (b.undoFrameCount >= MaxPoints) {
        placeOrRemove<Full, false>(b, x, y, cell, true);
        return;
    }
    const int index = b.undoFrameCount++;
    UndoFrame& f = b.undoFrames[index];
    f.x = static_cast<int8_t>(x), f.y = static_cast<int8_t>(y), f.cell = static_cast<int8_t>(cell);
    f.full = Full;
    f.firstRecord = b.undoRecordCount;
    f.logged = b.undoRecordCount + MaxUndoRecordsPerMake <= UndoRecordCapacity;
    if (!f.logged) {
        placeOrRemove<Full, false>(b, x, y, cell, true);
        return;
    }
    // Settling first visits changes points for good, under the logs of the
    // older open frames: those logs are dropped and their unmakes re-read.
    bool settled = settleFirstVisits<Full, 0>(b, x, y);
    settled |= settleFirstVisits<Full, 1>(b, x, y);
    settled |= settleFirstVisits<Full, 2>(b, x, y);
    settled |= settleFirstVisits<Full, 3>(b, x, y);
    if (settled) b.undoLoggedFrom = index;
    for (int s = 0; s < 2; ++s) {
        f.contributionSum[s] = b.contributionSum[s];
        f.roomSum[s] = b.roomSum[s];
        for (int c = 0; c < 4; ++c) f.threatSummary[c][s] = b.threats[c].summary[s];
        f.strongSummary[s] = b.strongPoints.summary[s];
    }
    placeOrRemove<Full, true>(b, x, y, cell, true);
}

// Takes the newest frame back by its log.
template <bool Full>
void restoreFrame(Board& b, const UndoFrame& f) {
    for (uint32_t i = b.undoRecordCount; i-- > f.firstRecord;) restoreRecord<Full>(b, b.undoRecords[i]);
    for (int s = 0; s < 2; ++s) {
        b.contributionSum[s] = f.contributionSum[s];
        b.roomSum[s] = f.roomSum[s];
        for (int c = 0; c < 4; ++c) b.threats[c].summary[s] = f.threatSummary[c][s];
        if constexpr (Full) b.strongPoints.summary[s] = f.strongSummary[s];
    }
    const int x = f.x, y = f.y, cell = f.cell;
    b.cells[x][y] = 0;
    markStone(b, x, y, false);
    writeLineCell(b.rowLines[x], y, cell, false);
    writeLineCell(b.colLines[y], x, cell, false);
    writeLineCell(b.antiLines[x + y], b.antiDiagPos[x][y], cell, false);
    writeLineCell(b.diagLines[x - y + b.geometry.boardSize - 1], b.diagPos[x][y], cell, false);
    b.hashKey ^= b.zobristKeys[x][y][cell - 1];
}

template <bool Full>
void unmakeLogged(Board& b, int x, int y, int cell) {
    const int top = b.undoFrameCount - 1;
    if (top >= 0) {
        const UndoFrame& f = b.undoFrames[top];
        if (f.x == x && f.y == y && f.cell == cell) {
            b.undoFrameCount = top;
            if (f.logged && f.full == Full && top >= b.undoLoggedFrom) restoreFrame<Full>(b, f);
            else placeOrRemove<Full, false>(b, x, y, cell, false);
            b.undoRecordCount = f.firstRecord;
            if (b.undoLoggedFrom > top) b.undoLoggedFrom = top;
            return;
        }
    }
    // Out of order: the logs of the open frames no longer describe what an
    // unmake must put back, so they are dropped and this stone's frame leaves
    // the stack.
    for (int i = b.undoFrameCount - 1; i >= 0; --i) {
        const UndoFrame& f = b.undoFrames[i];
        if (f.x != x || f.y != y || f.cell != cell) continue;
        for (int j = i; j + 1 < b.undoFrameCount; ++j) b.undoFrames[j] = b.undoFrames[j + 1];
        --b.undoFrameCount;
        break;
    }
    b.undoLoggedFrom = b.undoFrameCount;
    placeOrRemove<Full, false>(b, x, y, cell, false);
}

void setLineSentinels(uint64_t& word, int length) {
    word = uint64_t{3} << 6 | uint64_t{3} << (2 * length + 8);
}

}  // namespace

void resetBoard(Board& b, int rule, const Geometry& shape, KeyGenerator& keys) {
    resetBoard(b, ruleTables(rule), shape, keys);
}

void resetBoard(Board& b, const RuleTables& tables, const Geometry& shape, KeyGenerator& keys) {
    const Geometry geometry = shape;  // shape may be the board's own copy, wiped below
    std::memset(static_cast<void*>(&b), 0, BoardStateBytes);
    b.rules = &tables;
    b.rule = b.rules->rule;
    b.geometry = geometry;
    b.geometry.winLengthParam = b.rule == FreeStyle ? 4 : 5;
    keys.fill(b.zobristKeys);
    const int n = geometry.boardSize;
    for (int x = 0; x < n; ++x)
        for (int y = 0; y < n; ++y) {
            b.antiDiagPos[x][y] = std::min(y, n - 1 - x);
            b.diagPos[x][y] = std::min(x, y);
        }
    std::memset(b.cells.data, 3, sizeof b.cells.data);
    for (int x = 0; x < n; ++x)
        for (int y = 0; y < n; ++y) b.cells[x][y] = 0;
    for (int i = 0; i < n; ++i) {
        setLineSentinels(b.rowLines[i], n);
        setLineSentinels(b.colLines[i], n);
    }
    for (int i = 0; i < 2 * n - 1; ++i) {
        setLineSentinels(b.antiLines[i], antiLineLength(b, i));
        setLineSentinels(b.diagLines[i], diagLineLength(b, i));
    }

    // Interior points start with code One in every direction with room for a
    // five; they keep it until a stone comes within reach along that line.
    for (int x = 0; x < n; ++x)
        for (int y = 0; y < n; ++y) {
            const int positions[4] = {y, x, b.antiDiagPos[x][y], b.diagPos[x][y]};
            const int lengths[4] = {n, n, antiLineLength(b, x + y), diagLineLength(b, x - y + n - 1)};
            for (int d = 0; d < 4; ++d) {
                const int p = positions[d], length = lengths[d];
                const int room = std::min(p, 4) + std::min(length - 1 - p, 4);
                const int code = (p > 0 && p < length - 1 && room >= 5) ? One : None;
                for (int s = 0; s < 2; ++s) {
                    b.points[x][y].code[d][s] = static_cast<int16_t>(code);
                    b.points[x][y].room[d][s] = static_cast<int16_t>(room);
                }
            }
            for (int s = 0; s < 2; ++s) {
                int score = 0, weight = 0;
                for (int d = 0; d < 4; ++d) {
                    score += codeScore[b.points[x][y].code[d][s]];
                    weight += b.points[x][y].room[d][s];
                }
                const int value = score + shapeValueAt(b, x, y, s);
                b.points[x][y].score[s] = static_cast<int16_t>(score);
                b.points[x][y].weight[s] = static_cast<int16_t>(weight);
                b.points[x][y].value[s] = static_cast<int16_t>(value);
                b.points[x][y].contribution[s] = static_cast<int16_t>(weight * value / 32);
                b.contributionSum[s] += weight * value / 32;
            }
        }

    if (geometry.boardWidth != geometry.boardHeight)
        for (int x = 0; x < n; ++x)
            for (int y = 0; y < n; ++y)
                if (x >= geometry.boardHeight || y >= geometry.boardWidth) makeMove(b, x, y, 3);
}

void makeMove(Board& board, int x, int y, int cell) { makeLogged<true>(board, x, y, cell); }
void unmakeMove(Board& board, int x, int y, int cell) { unmakeLogged<true>(board, x, y, cell); }
void makeMoveLight(Board& board, int x, int y, int cell) { makeLogged<false>(board, x, y, cell); }
void unmakeMoveLight(Board& board, int x, int y, int cell) { unmakeLogged<false>(board, x, y, cell); }

}  // namespace board
