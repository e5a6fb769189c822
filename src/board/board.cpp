#include "board/board.h"

#include <algorithm>
#include <cstring>

namespace board {

namespace {

// Point set of each code: three, four, open-four and five points; -1 for none.
constexpr int8_t threatClassOf[16] = {-1,        -1,        -1,            -1,        -1, -1, -1, ThreePoint,
                                      ThreePoint, FourPoint, FourPoint, OpenFourPoint, FivePoint, -1, -1, -1};

// Whether the exact-five corrections apply to side index s under the built rule.
inline bool correctsSide(const Board& board, int s) {
    return s == 0 ? (board.rule == Standard || board.rule == Renju) : board.rule == Standard;
}

inline int shapeValueAt(const Board& board, int x, int y, int s) {
    return board.rules->shapeTable[s][board.directionCode[0][x][y][s]][board.directionCode[1][x][y][s]]
                            [board.directionCode[2][x][y][s]][board.directionCode[3][x][y][s]];
}

inline bool countsForRoomSum(int weight, int score) {
    return weight >= RoomSumMinWeight && score >= RoomSumMinScore;
}

// Takes the point's current direction-d code of side s out of every sum and set,
// before that code, the score or the weight change.
template <bool Full>
void removePointCode(Board& b, int x, int y, int s, int d) {
    const int score = b.pointScore[x][y][s];
    const int weight = b.pointWeight[x][y][s];
    b.contributionSum[s] -= b.pointContribution[x][y][s];
    if (countsForRoomSum(weight, score)) b.roomSum[s] -= weight;
    const int cls = threatClassOf[b.directionCode[d][x][y][s]];
    if (cls >= 0) {
        ThreatPointSet& set = b.threats[cls];
        uint8_t& bits = set.directionBits[s][x][y];
        bits = static_cast<uint8_t>(bits & ~(1u << d));
        if (bits == 0) {
            set.rowMask[s][x] &= ~(1u << y);
            if (set.rowMask[s][x] == 0) set.summary[s] &= ~(1u << x);
        }
    }
    if constexpr (Full) {
        if (score >= StrongPointScore) {
            StrongPointSet& strong = b.strongPoints;
            strong.rowMask[s][x] &= ~(1u << y);
            if (strong.rowMask[s][x] == 0) strong.summary[s] &= ~(1u << x);
        }
    }
}

// Puts the point back into the sums and sets once its new direction-d code,
// score and weight are stored.
template <bool Full>
void addPointCode(Board& b, int x, int y, int s, int d) {
    const int score = b.pointScore[x][y][s];
    const int weight = b.pointWeight[x][y][s];
    const int value = score + shapeValueAt(b, x, y, s);
    b.pointValue[x][y][s] = static_cast<int16_t>(value);
    if (countsForRoomSum(weight, score)) b.roomSum[s] += weight;
    const int contribution = weight * value / 32;
    b.pointContribution[x][y][s] = static_cast<int16_t>(contribution);
    b.contributionSum[s] += contribution;
    const int cls = threatClassOf[b.directionCode[d][x][y][s]];
    if (cls >= 0) {
        ThreatPointSet& set = b.threats[cls];
        set.directionBits[s][x][y] = static_cast<uint8_t>(set.directionBits[s][x][y] | 1u << d);
        set.rowMask[s][x] |= 1u << y;
        set.summary[s] |= 1u << x;
    }
    if constexpr (Full) {
        if (score >= StrongPointScore) {
            b.strongPoints.rowMask[s][x] |= 1u << y;
            b.strongPoints.summary[s] |= 1u << x;
        }
    }
}

// A room change under an unchanged code moves only the weight and what depends
// on it; the value, the score and the point sets stay.
void changeRoom(Board& b, int x, int y, int s, int delta) {
    const int score = b.pointScore[x][y][s];
    const int oldWeight = b.pointWeight[x][y][s];
    const int weight = oldWeight + delta;
    if (countsForRoomSum(oldWeight, score)) b.roomSum[s] -= oldWeight;
    if (countsForRoomSum(weight, score)) b.roomSum[s] += weight;
    const int contribution = weight * b.pointValue[x][y][s] / 32;
    b.contributionSum[s] += contribution - b.pointContribution[x][y][s];
    b.pointContribution[x][y][s] = static_cast<int16_t>(contribution);
    b.pointWeight[x][y][s] = static_cast<int16_t>(weight);
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
    int16_t& code = b.directionCode[d][x][y][s];
    if (code == Five) {
        auto own = [&](int k) { return b.cells[x + k * dx][y + k * dy] == colour; };
        if ((!own(-1) && own(5)) || (!own(1) && own(-5))) {
            removePointCode<Full>(b, x, y, s, d);
            b.pointScore[x][y][s] = static_cast<int16_t>(b.pointScore[x][y][s] - codeScore[Five]);
            code = Overline;
            addPointCode<Full>(b, x, y, s, d);
        }
    } else if (code == OpenFour && !fourStaysOpen(b, x, y, d, colour)) {
        removePointCode<Full>(b, x, y, s, d);
        b.pointScore[x][y][s] = static_cast<int16_t>(b.pointScore[x][y][s] - (codeScore[OpenFour] - codeScore[DeadFour]));
        code = DeadFour;
        addPointCode<Full>(b, x, y, s, d);
    }
}

// Re-reads the line table for the on-board points within winLengthParam of
// (x, y) along direction d, after the line word of that direction changed.
template <bool Full, int D>
void updateDirection(Board& b, int x, int y) {
    constexpr int dx = directionDelta[D][0], dy = directionDelta[D][1];
    const int radius = b.geometry.winLengthParam;
    const int height = b.geometry.boardHeight, width = b.geometry.boardWidth;
    uint64_t word;
    int position, line;
    if constexpr (D == 0) {
        line = x, position = y;
        word = b.rowLines[line];
    } else if constexpr (D == 1) {
        line = y, position = x;
        word = b.colLines[line];
    } else if constexpr (D == 2) {
        line = x + y, position = b.antiDiagPos[x][y];
        word = b.antiLines[line];
    } else {
        line = x - y + b.geometry.boardSize - 1, position = b.diagPos[x][y];
        word = b.diagLines[line];
    }
    int kMin = -radius, kMax = radius;
    if constexpr (dx == 1) {
        kMin = std::max(kMin, -x), kMax = std::min(kMax, height - 1 - x);
    } else if constexpr (dx == -1) {
        kMin = std::max(kMin, x - (height - 1)), kMax = std::min(kMax, x);
    } else {
        if (x >= height) return;
    }
    if constexpr (dy == 1) {
        kMin = std::max(kMin, -y), kMax = std::min(kMax, width - 1 - y);
    } else {
        if (y >= width) return;
    }
    if (kMin > kMax) return;
    // From now on these points hold table entries instead of their reset values.
    b.visitedLines[D][line] |= ((2u << (kMax - kMin)) - 1) << (position + kMin);

    const bool corrects[2] = {correctsSide(b, 0), correctsSide(b, 1)};
    const LineEntry* lineTable = b.rules->lineTable;
    for (int k = kMin; k <= kMax; ++k) {
        const int qx = x + k * dx, qy = y + k * dy;
        const LineEntry& entry = lineTable[(word >> (2 * (position + k))) & LineKeyMask];
        for (int s = 0; s < 2; ++s) {
            int16_t& code = b.directionCode[D][qx][qy][s];
            int16_t& room = b.room[D][qx][qy][s];
            if (entry.code[s] != code) {
                removePointCode<Full>(b, qx, qy, s, D);
                b.pointScore[qx][qy][s] =
                    static_cast<int16_t>(b.pointScore[qx][qy][s] + codeScore[entry.code[s]] - codeScore[code]);
                b.pointWeight[qx][qy][s] = static_cast<int16_t>(b.pointWeight[qx][qy][s] + entry.room[s] - room);
                code = entry.code[s];
                room = entry.room[s];
                addPointCode<Full>(b, qx, qy, s, D);
            } else if (entry.room[s] != room) {
                // The room follows the position even when the code stays, so that
                // weights never go stale and a take-back restores them exactly.
                changeRoom(b, qx, qy, s, entry.room[s] - room);
                room = entry.room[s];
            }
            if ((code == OpenFour || code == Five) && corrects[s]) correctExactFive<Full>(b, qx, qy, D, s);
        }
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
// before its direction's points are re-read.
template <bool Full>
void placeOrRemove(Board& b, int x, int y, int cell, bool place) {
    b.cells[x][y] = static_cast<int8_t>(place ? cell : 0);
    writeLineCell(b.rowLines[x], y, cell, place);
    updateDirection<Full, 0>(b, x, y);
    writeLineCell(b.colLines[y], x, cell, place);
    updateDirection<Full, 1>(b, x, y);
    writeLineCell(b.antiLines[x + y], b.antiDiagPos[x][y], cell, place);
    updateDirection<Full, 2>(b, x, y);
    writeLineCell(b.diagLines[x - y + b.geometry.boardSize - 1], b.diagPos[x][y], cell, place);
    updateDirection<Full, 3>(b, x, y);
    b.hashKey ^= b.zobristKeys[x][y][cell - 1];
}

void setLineSentinels(uint64_t& word, int length) {
    word = uint64_t{3} << 6 | uint64_t{3} << (2 * length + 8);
}

}  // namespace

void resetBoard(Board& b, int rule, const Geometry& shape, KeyGenerator& keys) {
    const Geometry geometry = shape;  // shape may be the board's own copy, wiped below
    std::memset(static_cast<void*>(&b), 0, sizeof b);
    b.rules = &ruleTables(rule);
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
                    b.directionCode[d][x][y][s] = static_cast<int16_t>(code);
                    b.room[d][x][y][s] = static_cast<int16_t>(room);
                }
            }
            for (int s = 0; s < 2; ++s) {
                int score = 0, weight = 0;
                for (int d = 0; d < 4; ++d) {
                    score += codeScore[b.directionCode[d][x][y][s]];
                    weight += b.room[d][x][y][s];
                }
                const int value = score + shapeValueAt(b, x, y, s);
                b.pointScore[x][y][s] = static_cast<int16_t>(score);
                b.pointWeight[x][y][s] = static_cast<int16_t>(weight);
                b.pointValue[x][y][s] = static_cast<int16_t>(value);
                b.pointContribution[x][y][s] = static_cast<int16_t>(weight * value / 32);
                b.contributionSum[s] += weight * value / 32;
            }
        }

    if (geometry.boardWidth != geometry.boardHeight)
        for (int x = 0; x < n; ++x)
            for (int y = 0; y < n; ++y)
                if (x >= geometry.boardHeight || y >= geometry.boardWidth) makeMove(b, x, y, 3);
}

void makeMove(Board& board, int x, int y, int cell) { placeOrRemove<true>(board, x, y, cell, true); }
void unmakeMove(Board& board, int x, int y, int cell) { placeOrRemove<true>(board, x, y, cell, false); }
void makeMoveLight(Board& board, int x, int y, int cell) { placeOrRemove<false>(board, x, y, cell, true); }
void unmakeMoveLight(Board& board, int x, int y, int cell) { placeOrRemove<false>(board, x, y, cell, false); }

}  // namespace board
