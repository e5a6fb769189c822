#include "board/pattern_tables.h"

#include <algorithm>
#include <cmath>
#include <mutex>

namespace board {

namespace {

inline int keyCell(uint32_t key, int i) { return key >> (2 * i) & 3; }

// Value of a point whose sorted codes are a >= b >= c >= d, outside the Renju
// first-player case: the best code's base plus a bonus for a lone pair.
int generalShapeValue(int a, int b, int c, int d, const ShapeValues& v) {
    int value = a > 12 ? 0 : v.comboBase[a];
    if (c == 0 && d == 0) {
        const double divisor = a == 0 ? 18.0 : b == 0 ? 9.0 : 3.0;
        value += static_cast<int>(std::trunc(9.0 * v.comboWeight[a] * v.comboWeight[b] / 256.0 / divisor));
    }
    return value;
}

// Renju first player: overlines, double fours and double threes are forbidden,
// so those shapes are valued (roughly) as nothing instead of as threats.
int renjuFirstPlayerShapeValue(const int sorted[4], const ShapeValues& v) {
    const int a = sorted[0];
    int fivesAmongRest = 0, openFoursAmongRest = 0;
    for (int i = 1; i < 4; ++i) {
        fivesAmongRest += sorted[i] == Five;
        openFoursAmongRest += sorted[i] == OpenFour;
    }
    int fourLike = 0, openFours = 0, plainFours = 0, threes = 0, fives = 0, scoreSum = 0;
    for (int i = 0; i < 4; ++i) {
        const int code = sorted[i];
        fourLike += code >= DeadFour && code <= OpenFour;
        openFours += code == OpenFour;
        plainFours += code == DeadFour || code == Four;
        threes += code == SplitThree || code == StraightThree;
        fives += code == Five;
        scoreSum += codeScore[code];
    }
    if (a == Overline) {
        if (fivesAmongRest > 0) return 0;
        if (openFoursAmongRest > 0) return -255 * openFoursAmongRest;
        return -(scoreSum - codeScore[a]);
    }
    if (fourLike >= 2 && fives == 0) return 256 * openFours + 64 * plainFours - scoreSum;
    if (threes < 2) return generalShapeValue(sorted[0], sorted[1], sorted[2], sorted[3], v);
    if (fourLike == 0) return v.comboBase[a] - 158;
    return -scoreSum;
}

void fillLineTable(RuleTables& tables, int rule) {
    for (uint32_t key = 0; key < LineKeyCount; ++key) {
        if ((key & LineCentreBits) != 0) continue;
        const LineEntry entry = classifyLine(key, rule);
        tables.packedLines[packedLineIndex(key)] = static_cast<PackedLine>(
            entry.code[0] | entry.code[1] << 4 | entry.room[0] << 8 | entry.room[1] << 12);
    }
}

}  // namespace

void fillShapeTable(RuleTables& tables, int rule, const ShapeValues& values) {
    for (int a = 0; a < 16; ++a)
        for (int b = 0; b <= a; ++b)
            for (int c = 0; c <= b; ++c)
                for (int d = 0; d <= c; ++d) {
                    const int sorted[4] = {a, b, c, d};
                    for (int side = 0; side < 2; ++side) {
                        const int value = (rule == Renju && side == 0) ? renjuFirstPlayerShapeValue(sorted, values)
                                                                       : generalShapeValue(a, b, c, d, values);
                        int order[4] = {d, c, b, a};
                        do {
                            tables.shapeTable[side][order[0]][order[1]][order[2]][order[3]] =
                                static_cast<int16_t>(value);
                        } while (std::next_permutation(order, order + 4));
                    }
                }
}

LineEntry classifyLine(uint32_t key, int rule) {
    LineEntry entry{};
    if (keyCell(key, 4) != 0) return entry;
    int best[3] = {0, 0, 0};
    bool overline[3] = {false, false, false};
    for (int w = 0; w <= 4; ++w) {
        int colours = 0, mask = 0;
        for (int j = 0; j < 5; ++j) {
            const int cell = keyCell(key, w + j);
            colours |= cell;
            if (cell == 1 || cell == 2) mask |= 1 << j;
        }
        if (colours == 0 || colours == 3) continue;
        const int own = colours, other = 3 - own;
        const int before = w > 0 ? keyCell(key, w - 1) : 3;
        const int after = w < 4 ? keyCell(key, w + 5) : 3;
        // Where only an exact five wins, a five may not touch a further own
        // stone: a window next to one can never become a five (filled, it is
        // part of a longer row), and an empty neighbour cell with an own stone
        // beyond it cannot end one.
        const bool exactFive = rule == Standard || (rule == Renju && own == 1);
        const bool ownBeyondBefore = exactFive && w > 1 && keyCell(key, w - 2) == own;
        const bool ownBeyondAfter = exactFive && w < 3 && keyCell(key, w + 6) == own;
        const bool closedBefore = before == other || before == 3 || ownBeyondBefore;
        const bool closedAfter = after == other || after == 3 || ownBeyondAfter;
        const int code = windowTable[mask + 32 * closedBefore + 64 * closedAfter][w];
        if (exactFive && (before == own || after == own)) {
            if (code == Five) overline[own] = true;
            continue;
        }
        if (code > best[own]) best[own] = code;
    }
    for (int s = 0; s < 2; ++s) {
        const int colour = s + 1;
        entry.code[s] = static_cast<int16_t>(overline[colour] ? Overline : best[colour]);
        int room = 0;
        for (int i = 3; i >= 0; --i) {
            const int cell = keyCell(key, i);
            if (cell != colour && cell != 0) break;
            ++room;
        }
        for (int i = 5; i <= 8; ++i) {
            const int cell = keyCell(key, i);
            if (cell != colour && cell != 0) break;
            ++room;
        }
        entry.room[s] = static_cast<int16_t>(room);
    }
    return entry;
}

void KeyGenerator::fill(ZobristKeys& keys) {
    for (int x = 0; x < MaxSide; ++x)
        for (int y = 0; y < MaxSide; ++y)
            for (int cell = 0; cell < 3; ++cell) {
                uint64_t key = 0;
                for (int part = 0; part < 5; ++part) key = key << 15 ^ next();
                keys[x][y][cell] = key;
            }
}

const RuleTables& ruleTables(int rule) {
    static RuleTables* built[3] = {};
    static std::once_flag once[3];
    const int r = rule == Standard || rule == Renju ? rule : FreeStyle;
    std::call_once(once[r], [r] {
        // Never freed: threads may read them until the process ends.
        RuleTables* tables = new RuleTables;
        tables->rule = r;
        fillLineTable(*tables, r);
        fillShapeTable(*tables, r, defaultShapeValues());
        built[r] = tables;
    });
    return *built[r];
}

}  // namespace board
