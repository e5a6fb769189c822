#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <vector>

#include "board_fixture.h"

using namespace board;
using boardtest::keyOf;

namespace {

// Code of a five-cell shape ('X' stone, anything else empty) with the new stone
// at shape[centre], looked up in windowTable.
int windowLookup(const char* shape, int centre, bool closedBefore, bool closedAfter) {
    int mask = 0;
    for (int j = 0; j < 5; ++j)
        if (shape[j] == 'X' && j != centre) mask |= 1 << j;
    return windowTable[mask + 32 * closedBefore + 64 * closedAfter][4 - centre];
}

// The shape's code must not depend on which of its stones is the new one.
void expectWindowCode(const char* shape, bool closedBefore, bool closedAfter, int expected) {
    for (int centre = 0; centre < 5; ++centre)
        if (shape[centre] == 'X') {
            EXPECT_EQ(windowLookup(shape, centre, closedBefore, closedAfter), expected)
                << shape << " centre " << centre << " closed " << closedBefore << closedAfter;
        }
}

}  // namespace

// Base of the table tests: the tables of the rule last asked for.
class TableTest : public boardtest::BoardTest {
protected:
    void build(int rule) { tables = &ruleTables(rule); }
    int shapeAt(int side, int c0, int c1, int c2, int c3) const { return tables->shapeTable[side][c0][c1][c2][c3]; }

    const RuleTables* tables = nullptr;
};

class WindowTable : public TableTest {};
class ClassifyLine : public TableTest {};
class ShapeTable : public TableTest {};
class LineTable : public TableTest {};
class SmallTables : public TableTest {};
class ZobristKeyDraws : public TableTest {};

TEST_F(WindowTable, FoursByGapAndClosedEnds) {
    expectWindowCode("oXXXX", false, false, OpenFour);
    expectWindowCode("oXXXX", false, true, DeadFour);
    expectWindowCode("oXXXX", true, false, OpenFour);
    expectWindowCode("XXXXo", true, false, DeadFour);
    expectWindowCode("XXXXo", false, false, OpenFour);
    expectWindowCode("XoXXX", false, true, DeadFour);
    expectWindowCode("XoXXX", false, false, Four);
    expectWindowCode("XXXoX", false, false, Four);
    expectWindowCode("XXXoX", true, false, DeadFour);
    for (int closed = 0; closed < 4; ++closed) expectWindowCode("XXoXX", closed & 1, closed & 2, DeadFour);
    expectWindowCode("oXXXX", true, true, DeadFour);
    expectWindowCode("XXXXX", true, true, Five);
}

TEST_F(WindowTable, ThreesTwosAndSingles) {
    expectWindowCode("oXXXo", false, false, StraightThree);
    expectWindowCode("XoXXo", false, false, SplitThree);
    expectWindowCode("XoXoX", false, false, DeadThree);
    expectWindowCode("XXXoo", true, false, DeadThree);   // touches the closed start
    expectWindowCode("XXXoo", false, true, StraightThree);
    expectWindowCode("oXXXo", true, true, DeadThree);
    expectWindowCode("oXXoo", false, false, StraightTwo);
    expectWindowCode("oXoXo", false, false, SplitTwo);
    expectWindowCode("XooXo", false, false, WideTwo);
    expectWindowCode("XoooX", false, false, One);
    expectWindowCode("oXXoo", true, true, One);
    expectWindowCode("ooXoX", false, true, DeadTwo);
    expectWindowCode("ooXoo", false, false, One);
    expectWindowCode("ooXoo", true, true, None);
    expectWindowCode("Xoooo", true, false, None);
    expectWindowCode("Xoooo", false, true, One);
}

TEST_F(WindowTable, CentreOnAStoneIsNone) {
    for (int row = 0; row < 128; ++row)
        for (int column = 0; column < 5; ++column)
            if (row >> (4 - column) & 1) {
                EXPECT_EQ(windowTable[row][column], 0) << row << "," << column;
            }
}

TEST_F(ClassifyLine, OccupiedCentreGivesZeroEntry) {
    boardtest::Random random(7);
    for (int rule = 0; rule < 3; ++rule)
        for (int centre = 1; centre <= 3; ++centre)
            for (int trial = 0; trial < 200; ++trial) {
                const uint32_t key = (random.next() & LineKeyMask & ~(3u << 8)) | static_cast<uint32_t>(centre) << 8;
                const LineEntry entry = classifyLine(key, rule);
                EXPECT_EQ(entry.code[0] | entry.code[1] | entry.room[0] | entry.room[1], 0) << key;
            }
}

TEST_F(ClassifyLine, EmptyLineAndLineEnds) {
    for (int rule = 0; rule < 3; ++rule) {
        const LineEntry empty = classifyLine(keyOf("........."), rule);
        EXPECT_EQ(empty.code[0], None);
        EXPECT_EQ(empty.code[1], None);
        EXPECT_EQ(empty.room[0], 8);
        EXPECT_EQ(empty.room[1], 8);
        // Second point of a line: the sentinel two cells before the centre.
        const LineEntry nearEdge = classifyLine(keyOf("..#......"), rule);
        EXPECT_EQ(nearEdge.room[0], 5);
        EXPECT_EQ(nearEdge.code[0], None);
    }
}

TEST_F(ClassifyLine, LongerRowsUnderEachRule) {
    struct Case {
        const char* key;
        int side;
    };
    for (const Case& c : {Case{"XXXX.X...", 0}, Case{"...X.XXXX", 0}, Case{"OOOO.O...", 1}, Case{".XXX.XX..", 0}}) {
        EXPECT_EQ(classifyLine(keyOf(c.key), FreeStyle).code[c.side], Five) << c.key;
        EXPECT_EQ(classifyLine(keyOf(c.key), Standard).code[c.side], Overline) << c.key;
        EXPECT_EQ(classifyLine(keyOf(c.key), Renju).code[c.side], c.side == 0 ? Overline : Five) << c.key;
    }
}

TEST_F(ClassifyLine, FoursThatOnlyALongerRowCouldCompleteUnderExactFive) {
    // Each centre stone would make a four whose every five point joins a
    // further own stone: a win where longer rows count, nothing where only an
    // exact five does (standard, and the first player under Renju).
    struct Case {
        const char* key;
        int side;
        int exactCode;  // the code where only an exact five wins
    };
    for (const Case& c : {Case{"OXXX..X..", 0, None}, Case{".XX..XX..", 0, DeadThree}, Case{"XOOO..O..", 1, None},
                          Case{".OO..OO..", 1, DeadThree}}) {
        const int freeCode = classifyLine(keyOf(c.key), FreeStyle).code[c.side];
        EXPECT_GE(freeCode, DeadFour) << c.key;
        EXPECT_LE(freeCode, Four) << c.key;
        EXPECT_EQ(classifyLine(keyOf(c.key), Standard).code[c.side], c.exactCode) << c.key;
        EXPECT_EQ(classifyLine(keyOf(c.key), Renju).code[c.side], c.side == 0 ? c.exactCode : freeCode) << c.key;
    }
    // One stone fewer, the five point joins no further stone: a four under
    // every rule.
    for (int rule = 0; rule < 3; ++rule) EXPECT_EQ(classifyLine(keyOf(".XX..X..."), rule).code[0], DeadFour) << rule;
    // A three whose fours all have a five point that joins a further stone
    // makes only dead fours where only an exact five wins: a dead three. With
    // one such end it keeps its open four on the other side.
    EXPECT_EQ(classifyLine(keyOf("X..X.X..X"), FreeStyle).code[0], StraightThree);
    EXPECT_EQ(classifyLine(keyOf("X..X.X..X"), Standard).code[0], DeadThree);
    EXPECT_EQ(classifyLine(keyOf("..XX...X."), Standard).code[0], StraightThree);
}

TEST_F(ClassifyLine, ExtraStoneBeyondTheFiveStaysFive) {
    // The five's neighbour cell is empty; a stone past it (or outside the key)
    // does not make a longer row.
    for (int rule = 0; rule < 3; ++rule) {
        EXPECT_EQ(classifyLine(keyOf("XXXX....."), rule).code[0], Five);
        EXPECT_EQ(classifyLine(keyOf(".....XXXX"), rule).code[0], Five);
        EXPECT_EQ(classifyLine(keyOf("X.XX.XX.."), rule).code[0], Five);
        EXPECT_EQ(classifyLine(keyOf("..OO.OO.O"), rule).code[1], Five);
    }
}

TEST_F(ClassifyLine, MixedColoursAndBlocks) {
    for (int rule = 0; rule < 3; ++rule) {
        // First player: only the window left of the O counts, shut at both ends.
        const LineEntry mixed = classifyLine(keyOf("..XX.O..."), rule);
        EXPECT_EQ(mixed.code[0], DeadThree);
        EXPECT_EQ(mixed.code[1], One);
        EXPECT_EQ(mixed.room[0], 4);
        EXPECT_EQ(mixed.room[1], 4);
        // Codes for both sides from different windows.
        const LineEntry between = classifyLine(keyOf(".XX..OO.."), rule);
        EXPECT_EQ(between.code[0], DeadThree);
        EXPECT_EQ(between.code[1], StraightThree);
        EXPECT_EQ(between.room[0], 4);
        EXPECT_EQ(between.room[1], 5);
        // A block shuts the side it is on; the centre touches it.
        const LineEntry blocked = classifyLine(keyOf("...#.XX.."), rule);
        EXPECT_EQ(blocked.code[0], DeadThree);
        EXPECT_EQ(blocked.code[1], None);
        EXPECT_EQ(blocked.room[0], 4);
        // Both colours in every window: nothing for either side.
        const LineEntry crowded = classifyLine(keyOf("XOXO.OXOX"), rule);
        EXPECT_EQ(crowded.code[0] | crowded.code[1], 0);
    }
}

TEST_F(ShapeTable, GeneralCheckValues) {
    for (int rule : {FreeStyle, Standard, Renju}) {
        build(rule);
        const int side = rule == Renju ? 1 : 0;
        EXPECT_EQ(shapeAt(side, 0, 0, 0, 0), 0);
        EXPECT_EQ(shapeAt(side, 1, 0, 0, 0), -2);
        EXPECT_EQ(shapeAt(side, 5, 5, 0, 0), -5);
        EXPECT_EQ(shapeAt(side, 8, 8, 0, 0), -110);
        EXPECT_EQ(shapeAt(side, 11, 8, 0, 0), -357);
        EXPECT_EQ(shapeAt(side, 12, 0, 0, 0), -1944);
        EXPECT_EQ(shapeAt(side, 12, 12, 0, 0), -1179);
        EXPECT_EQ(shapeAt(side, 8, 8, 8, 0), -125);
    }
}

TEST_F(ShapeTable, RenjuFirstPlayerCheckValues) {
    build(Renju);
    EXPECT_EQ(shapeAt(0, 8, 8, 0, 0), -283);
    EXPECT_EQ(shapeAt(0, 9, 9, 0, 0), -384);
    EXPECT_EQ(shapeAt(0, 11, 9, 0, 0), -447);
    EXPECT_EQ(shapeAt(0, 13, 12, 0, 0), 0);
    EXPECT_EQ(shapeAt(0, 13, 11, 11, 0), -510);
    EXPECT_EQ(shapeAt(0, 13, 8, 5, 0), -185);
    EXPECT_EQ(shapeAt(0, 10, 8, 7, 0), -589);
    EXPECT_EQ(shapeAt(0, 12, 9, 9, 0), -1947);
    // A lone three or four is valued as under the other rules.
    EXPECT_EQ(shapeAt(0, 8, 0, 0, 0), shapeAt(1, 8, 0, 0, 0));
    EXPECT_EQ(shapeAt(0, 11, 8, 0, 0), -357);
}

TEST_F(ShapeTable, SameValueForEveryOrdering) {
    for (int rule : {FreeStyle, Standard, Renju}) {
        build(rule);
        for (int side = 0; side < 2; ++side)
            for (int i = 0; i < 65536; ++i) {
                int codes[4] = {i >> 12 & 15, i >> 8 & 15, i >> 4 & 15, i & 15};
                std::sort(codes, codes + 4);
                ASSERT_EQ(shapeAt(side, i >> 12 & 15, i >> 8 & 15, i >> 4 & 15, i & 15),
                          shapeAt(side, codes[0], codes[1], codes[2], codes[3]))
                    << "rule " << rule << " side " << side << " index " << i;
            }
    }
}

TEST_F(ShapeTable, RuleOnlyChangesRenjuFirstPlayer) {
    auto standard = std::make_unique<int16_t[]>(2 * 65536);
    build(Standard);
    std::memcpy(standard.get(), tables->shapeTable, sizeof tables->shapeTable);
    build(FreeStyle);
    EXPECT_EQ(std::memcmp(standard.get(), tables->shapeTable, sizeof tables->shapeTable), 0);
    build(Renju);
    EXPECT_EQ(std::memcmp(standard.get() + 65536, tables->shapeTable[1], sizeof tables->shapeTable[1]), 0);
    EXPECT_NE(std::memcmp(standard.get(), tables->shapeTable[0], sizeof tables->shapeTable[0]), 0);
}

// Tables of other shape values (the evaluation tuner's): the defaults give the
// engine's table, and a changed value moves exactly the shapes it is part of.
TEST_F(ShapeTable, BuiltFromOtherValues) {
    for (int rule : {FreeStyle, Standard, Renju}) {
        build(rule);
        auto own = std::make_unique<RuleTables>(*tables);
        std::memset(own->shapeTable, 0, sizeof own->shapeTable);
        fillShapeTable(*own, rule, defaultShapeValues());
        EXPECT_EQ(std::memcmp(own->shapeTable, tables->shapeTable, sizeof own->shapeTable), 0) << "rule " << rule;

        ShapeValues values = defaultShapeValues();
        values.comboBase[StraightThree] += 50;
        values.comboWeight[StraightTwo] = 64;
        fillShapeTable(*own, rule, values);
        const int side = 1;
        const auto at = [&own](int c0, int c1, int c2, int c3) { return own->shapeTable[side][c0][c1][c2][c3]; };
        EXPECT_EQ(at(8, 0, 0, 0), shapeAt(side, 8, 0, 0, 0) + 50);
        EXPECT_EQ(at(8, 8, 8, 0), shapeAt(side, 8, 8, 8, 0) + 50);
        EXPECT_EQ(at(5, 0, 0, 0), shapeAt(side, 5, 0, 0, 0)) << "comboWeight[0] is the other factor";
        EXPECT_GT(at(5, 5, 0, 0), shapeAt(side, 5, 5, 0, 0)) << "the bonus of two straight twos grows";
        EXPECT_EQ(at(7, 6, 0, 0), shapeAt(side, 7, 6, 0, 0));
        EXPECT_EQ(at(0, 5, 0, 7), at(7, 5, 0, 0)) << "still the same value for every ordering";
    }
}

TEST_F(LineTable, EveryEntryIsClassifyLine) {
    for (int rule : {FreeStyle, Renju}) {
        build(rule);
        boardtest::Random random(rule + 11);
        for (int trial = 0; trial < 20000; ++trial) {
            const uint32_t key = random.next() & LineKeyMask;
            const LineEntry expected = classifyLine(key, rule);
            const LineEntry stored = tables->lineEntry(key);
            ASSERT_EQ(std::memcmp(&stored, &expected, sizeof expected), 0) << key;
            ASSERT_LE(expected.code[0], Overline);
            ASSERT_LE(expected.room[0], 8);
        }
    }
}

TEST_F(SmallTables, BitIndexAndBitCount) {
    build(FreeStyle);
    EXPECT_EQ(bitIndex(32768), 15);
    EXPECT_EQ(bitIndex(65536), 16);
    EXPECT_EQ(bitIndex(1u << 30), 30);
    for (int k = 0; k <= 30; ++k) EXPECT_EQ(bitIndex(1u << k), k);
    boardtest::Random random(5);
    for (int i = 0; i < 100000; ++i) {
        const uint32_t row = random.next() & 0xFFFFFF;
        ASSERT_EQ(rowBitCount(row), std::popcount(row)) << row;
    }
    EXPECT_EQ(rowBitCount(0xFFFFFF), 24);
    EXPECT_EQ(rowBitCount(0x808001), 3);
}

TEST_F(SmallTables, LinePositionsFollowTheLines) {
    for (int size : {1, 7, 24}) {
        setUpGame(size, size, Standard);
        for (int x = 0; x < size; ++x)
            for (int y = 0; y < size; ++y) {
                // Positions grow by one along the direction's step, from 0 at the square's edge.
                if (x - 1 >= 0 && y + 1 < size) {
                    EXPECT_EQ(board.antiDiagPos[x - 1][y + 1], board.antiDiagPos[x][y] + 1);
                }
                if (x + 1 >= size || y - 1 < 0) {
                    EXPECT_EQ(board.antiDiagPos[x][y], 0);
                }
                if (x + 1 < size && y + 1 < size) {
                    EXPECT_EQ(board.diagPos[x + 1][y + 1], board.diagPos[x][y] + 1);
                }
                if (x == 0 || y == 0) {
                    EXPECT_EQ(board.diagPos[x][y], 0);
                }
            }
    }
}

namespace {

uint32_t stepGenerator(uint32_t& state) {
    state = state * 214013u + 2531011u;
    return state >> 16 & 0x7fff;
}

}  // namespace

TEST_F(ZobristKeyDraws, KeysContinueOneGeneratorStartedAtOne) {
    // A new engine's generator starts at 1; each fill draws 3 keys per point,
    // 5 parts per key, and the next fill goes on from there.
    KeyGenerator generator;
    EXPECT_EQ(generator.state, 1u);
    uint32_t expected = 1;
    ZobristKeys keys;
    for (int fill = 0; fill < 2; ++fill) {
        generator.fill(keys);
        for (int x = 0; x < MaxSide; ++x)
            for (int y = 0; y < MaxSide; ++y)
                for (int cell = 0; cell < 3; ++cell) {
                    uint64_t key = 0;
                    for (int part = 0; part < 5; ++part) key = key << 15 ^ stepGenerator(expected);
                    ASSERT_EQ(keys[x][y][cell], key) << fill << ": " << x << "," << y << "," << cell;
                }
        EXPECT_EQ(generator.state, expected);
    }
    // A board build draws its keys from the generator it is given: the
    // fixture's is new too, so its first build has the first draw.
    KeyGenerator fresh;
    fresh.fill(keys);
    setUpGame(15, 15, Standard);
    EXPECT_EQ(std::memcmp(keys, board.zobristKeys, sizeof board.zobristKeys), 0);
    setUpGame(15, 15, Standard);
    EXPECT_NE(std::memcmp(keys, board.zobristKeys, sizeof board.zobristKeys), 0);
}

TEST_F(ZobristKeyDraws, TwoBuildsDiffer) {
    setUpGame(15, 15, Standard);
    std::vector<uint64_t> first(&board.zobristKeys[0][0][0], &board.zobristKeys[0][0][0] + MaxSide * MaxSide * 3);
    setUpGame(15, 15, Standard);
    int same = 0;
    for (size_t i = 0; i < first.size(); ++i) same += first[i] == (&board.zobristKeys[0][0][0])[i];
    EXPECT_EQ(same, 0);
    // Only the low four bits of the first draw survive the shifts: keys use 64 bits.
    uint64_t highBits = 0;
    for (uint64_t key : first) highBits |= key;
    EXPECT_EQ(highBits >> 60, 0xFu);
}
