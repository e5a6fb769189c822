#include "board/board_check.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>

namespace board {

namespace {

class Report {
public:
    explicit Report(std::string* why) : why_(why) {}

    // Records the first mismatch; always returns false so callers can return it.
    template <typename... Args>
    bool fail(const char* format, Args... args) {
        if (why_ != nullptr) {
            char text[256];
            std::snprintf(text, sizeof text, format, args...);
            *why_ = text;
        }
        return false;
    }

private:
    std::string* why_;
};

// Recomputes the fields of one board from its cells and compares.
class Checker {
public:
    explicit Checker(const Board& checked) : board(checked), geometry(checked.geometry) { findLinePlaces(); }

    bool check(Report& report, bool withStrongPoints) {
        return checkCellsAndLines(report) && checkVisitsNearStones(report) && checkDirectionEntries(report) &&
               checkPointRecordsAndSums(report) && checkPointSets(report, withStrongPoints) && checkHashKey(report) &&
               checkStoneRows(report);
    }

private:
    const Board& board;
    const Geometry& geometry;

    bool inSquare(int x, int y) {
        return x >= 0 && y >= 0 && x < geometry.boardSize && y < geometry.boardSize;
    }

    // Cell of the square at (x, y), with `extra` (if on the square) treated as
    // holding `extraCell`.
    struct CellView {
        const Board& board;
        int extraX = -100, extraY = -100, extraCell = 0;

        int at(int x, int y) const {
            if (x == extraX && y == extraY) return extraCell;
            return board.cells[x][y];
        }
    };

    // Where each point of the square lies on its four lines, found by walking the
    // lines of the square from their first point.
    struct LinePlace {
        int8_t line, position, length;
    };

    LinePlace linePlaces[4][MaxSide][MaxSide] = {};

    // First point of line `line` in direction d, or false past the last line.
    bool lineStart(int d, int line, int& x, int& y) {
        const int n = geometry.boardSize;
        if (line >= (d < 2 ? n : 2 * n - 1)) return false;
        switch (d) {
            case 0: x = line, y = 0; break;
            case 1: x = 0, y = line; break;
            case 2: x = line < n ? line : n - 1, y = line - x; break;
            default: x = line >= n - 1 ? line - (n - 1) : 0, y = x - (line - (n - 1)); break;
        }
        return true;
    }

    void findLinePlaces() {
        for (int d = 0; d < 4; ++d)
            for (int line = 0, x, y; lineStart(d, line, x, y); ++line) {
                int length = 0;
                for (int px = x, py = y; inSquare(px, py); px += directionDelta[d][0], py += directionDelta[d][1]) ++length;
                for (int p = 0; p < length; ++p)
                    linePlaces[d][x + p * directionDelta[d][0]][y + p * directionDelta[d][1]] = {
                        static_cast<int8_t>(line), static_cast<int8_t>(p), static_cast<int8_t>(length)};
            }
    }

    // Line key of (x, y) in direction d built from the cells: the first point past
    // either end of the square reads as closed, anything further as empty.
    uint32_t keyFromCells(int x, int y, int d) {
        const int dx = directionDelta[d][0], dy = directionDelta[d][1];
        uint32_t key = static_cast<uint32_t>(board.cells[x][y]) << 8;
        for (int step : {1, -1}) {
            bool left = false;
            for (int k = 1; k <= 4; ++k) {
                const int px = x + step * k * dx, py = y + step * k * dy;
                int cell;
                if (left) {
                    cell = 0;
                } else if (inSquare(px, py)) {
                    cell = board.cells[px][py];
                } else {
                    cell = 3;
                    left = true;
                }
                key |= static_cast<uint32_t>(cell) << (2 * (4 + step * k));
            }
        }
        return key;
    }

    // Length of the run of colour through (x, y) along d, (x, y) itself included.
    int runLength(const CellView& view, int x, int y, int d, int colour) {
        const int dx = directionDelta[d][0], dy = directionDelta[d][1];
        int length = 1;
        for (int step : {1, -1})
            for (int k = 1; geometry.onBoard(x + step * k * dx, y + step * k * dy) &&
                            view.at(x + step * k * dx, y + step * k * dy) == colour;
                 ++k)
                ++length;
        return length;
    }

    // Whether both ends of the straight four that colour makes at (x, y) are
    // points where it would make exactly five.
    bool bothEndsExactFive(int x, int y, int d, int colour) {
        const int dx = directionDelta[d][0], dy = directionDelta[d][1];
        CellView view{board, x, y, colour};
        for (int step : {1, -1}) {
            int k = 1;
            while (geometry.onBoard(x + step * k * dx, y + step * k * dy) && view.at(x + step * k * dx, y + step * k * dy) == colour)
                ++k;
            const int ex = x + step * k * dx, ey = y + step * k * dy;
            if (!geometry.onBoard(ex, ey) || view.at(ex, ey) != 0) return false;
            // Filling the end as well must make a run of exactly five.
            int length = 1;
            for (int side : {1, -1}) {
                int j = 1;
                while (geometry.onBoard(ex + side * j * dx, ey + side * j * dy) &&
                       view.at(ex + side * j * dx, ey + side * j * dy) == colour)
                    ++j, ++length;
            }
            if (length != 5) return false;
        }
        return true;
    }

    bool corrects(int s) { return s == 0 ? (board.rule == Standard || board.rule == Renju) : board.rule == Standard; }

    bool visited(int x, int y, int d) {
        const LinePlace& place = linePlaces[d][x][y];
        return (board.visitedLines[d][place.line] >> place.position & 1) != 0;
    }

    bool checkCellsAndLines(Report& report) {
        for (int x = -Margin; x < MaxSide + Margin; ++x)
            for (int y = -Margin; y < MaxSide + Margin; ++y) {
                const int cell = board.cells[x][y];
                if (geometry.onBoard(x, y)) {
                    if (cell < 0 || cell > 3) return report.fail("cells[%d][%d] = %d", x, y, cell);
                } else if (cell != 3) {
                    return report.fail("cells[%d][%d] = %d off the board, expected 3", x, y, cell);
                }
            }
        const uint64_t* const words[4] = {board.rowLines, board.colLines, board.antiLines, board.diagLines};
        const char* const names[4] = {"rowLines", "colLines", "antiLines", "diagLines"};
        const int counts[4] = {MaxSide, MaxSide, MaxLines, MaxLines};
        for (int d = 0; d < 4; ++d)
            for (int line = 0; line < counts[d]; ++line) {
                uint64_t expected = 0;
                uint32_t visitable = 0;
                int x, y;
                if (lineStart(d, line, x, y)) {
                    int position = 0;
                    for (; inSquare(x, y); ++position, x += directionDelta[d][0], y += directionDelta[d][1]) {
                        expected |= static_cast<uint64_t>(board.cells[x][y]) << (2 * position + 8);
                        if (d == 2 && board.antiDiagPos[x][y] != position)
                            return report.fail("antiDiagPos[%d][%d] = %d, expected %d", x, y, board.antiDiagPos[x][y],
                                               position);
                        if (d == 3 && board.diagPos[x][y] != position)
                            return report.fail("diagPos[%d][%d] = %d, expected %d", x, y, board.diagPos[x][y], position);
                        if (geometry.onBoard(x, y)) visitable |= 1u << position;
                    }
                    expected |= uint64_t{3} << 6 | uint64_t{3} << (2 * position + 8);
                }
                if (words[d][line] != expected)
                    return report.fail("%s[%d] = %llx, expected %llx", names[d], line,
                                       static_cast<unsigned long long>(words[d][line]),
                                       static_cast<unsigned long long>(expected));
                if ((board.visitedLines[d][line] & ~visitable) != 0)
                    return report.fail("visitedLines[%d][%d] = %x marks points off the board", d, line,
                                       board.visitedLines[d][line]);
            }
        return true;
    }

    // Every point within winLengthParam of a stone along its lines has been visited.
    bool checkVisitsNearStones(Report& report) {
        const int radius = geometry.winLengthParam;
        for (int x = 0; x < geometry.boardHeight; ++x)
            for (int y = 0; y < geometry.boardWidth; ++y) {
                if (board.cells[x][y] == 0) continue;
                for (int d = 0; d < 4; ++d)
                    for (int k = -radius; k <= radius; ++k) {
                        const int qx = x + k * directionDelta[d][0], qy = y + k * directionDelta[d][1];
                        if (geometry.onBoard(qx, qy) && !visited(qx, qy, d))
                            return report.fail("(%d,%d) direction %d not visited though (%d,%d) holds a stone", qx, qy,
                                               d, x, y);
                    }
            }
        return true;
    }

    bool checkDirectionEntries(Report& report) {
        for (int x = -Margin; x < MaxSide + Margin; ++x)
            for (int y = -Margin; y < MaxSide + Margin; ++y)
                for (int d = 0; d < 4; ++d) {
                    const bool current = inSquare(x, y) && geometry.onBoard(x, y) && visited(x, y, d);
                    const LineEntry entry = current ? board.rules->lineEntry(keyFromCells(x, y, d)) : LineEntry{};
                    for (int s = 0; s < 2; ++s) {
                        int code = 0, room = 0;
                        if (current) {
                            code = entry.code[s];
                            room = entry.room[s];
                            if (corrects(s) && code == Five && runLength(CellView{board, x, y, s + 1}, x, y, d, s + 1) >= 6)
                                code = Overline;
                            if (corrects(s) && code == OpenFour && !bothEndsExactFive(x, y, d, s + 1)) code = DeadFour;
                        } else if (inSquare(x, y)) {
                            const int position = linePlaces[d][x][y].position, length = linePlaces[d][x][y].length;
                            room = (position < 4 ? position : 4) + (length - 1 - position < 4 ? length - 1 - position : 4);
                            code = position > 0 && position < length - 1 && room >= 5 ? One : None;
                        }
                        if (board.points[x][y].code[d][s] != code)
                            return report.fail("points[%d][%d].code[%d][%d] = %d, expected %d", x, y, d, s,
                                               board.points[x][y].code[d][s], code);
                        if (board.points[x][y].room[d][s] != room)
                            return report.fail("points[%d][%d].room[%d][%d] = %d, expected %d", x, y, d, s,
                                               board.points[x][y].room[d][s], room);
                    }
                }
        return true;
    }

    bool checkPointRecordsAndSums(Report& report) {
        int64_t contributionSum[2] = {0, 0}, roomSum[2] = {0, 0};
        for (int x = -Margin; x < MaxSide + Margin; ++x)
            for (int y = -Margin; y < MaxSide + Margin; ++y)
                for (int s = 0; s < 2; ++s) {
                    int score = 0, weight = 0, value = 0, contribution = 0;
                    if (inSquare(x, y)) {
                        int codes[4];
                        for (int d = 0; d < 4; ++d) {
                            codes[d] = board.points[x][y].code[d][s];
                            score += codeScore[codes[d]];
                            weight += board.points[x][y].room[d][s];
                        }
                        value = score + board.rules->shapeTable[s][codes[0]][codes[1]][codes[2]][codes[3]];
                        contribution = weight * value / 32;
                        contributionSum[s] += contribution;
                        if (weight >= RoomSumMinWeight && score >= RoomSumMinScore) roomSum[s] += weight;
                    }
                    const int actual[4] = {board.points[x][y].score[s], board.points[x][y].weight[s],
                                           board.points[x][y].value[s], board.points[x][y].contribution[s]};
                    const int expected[4] = {score, weight, value, contribution};
                    const char* const names[4] = {"score", "weight", "value", "contribution"};
                    for (int i = 0; i < 4; ++i)
                        if (actual[i] != expected[i])
                            return report.fail("points[%d][%d].%s[%d] = %d, expected %d", x, y, names[i], s, actual[i],
                                               expected[i]);
                }
        for (int s = 0; s < 2; ++s) {
            if (board.contributionSum[s] != contributionSum[s])
                return report.fail("contributionSum[%d] = %d, expected %lld", s, board.contributionSum[s],
                                   static_cast<long long>(contributionSum[s]));
            if (board.roomSum[s] != roomSum[s])
                return report.fail("roomSum[%d] = %d, expected %lld", s, board.roomSum[s],
                                   static_cast<long long>(roomSum[s]));
        }
        return true;
    }

    int threatClass(int code) {
        if (code == SplitThree || code == StraightThree) return ThreePoint;
        if (code == DeadFour || code == Four) return FourPoint;
        if (code == OpenFour) return OpenFourPoint;
        if (code == Five) return FivePoint;
        return -1;
    }

    bool checkPointSets(Report& report, bool withStrongPoints) {
        for (int s = 0; s < 2; ++s) {
            uint32_t rows[5][MaxSide] = {};
            uint32_t summary[5] = {};
            for (int x = 0; x < MaxSide; ++x)
                for (int y = 0; y < MaxSide; ++y) {
                    uint8_t bits[4] = {};
                    if (inSquare(x, y)) {
                        for (int d = 0; d < 4; ++d) {
                            const int cls = threatClass(board.points[x][y].code[d][s]);
                            if (cls >= 0) bits[cls] = static_cast<uint8_t>(bits[cls] | 1u << d);
                        }
                        if (board.points[x][y].score[s] >= StrongPointScore) rows[4][x] |= 1u << y;
                    }
                    for (int cls = 0; cls < 4; ++cls) {
                        if (board.threats[cls].directionBits[s][x][y] != bits[cls])
                            return report.fail("threats[%d].directionBits[%d][%d][%d] = %d, expected %d", cls, s, x, y,
                                               board.threats[cls].directionBits[s][x][y], bits[cls]);
                        if (bits[cls] != 0) rows[cls][x] |= 1u << y;
                    }
                }
            for (int cls = 0; cls < 5; ++cls) {
                if (cls == 4 && !withStrongPoints) continue;
                const uint32_t* actualRows = cls < 4 ? board.threats[cls].rowMask[s] : board.strongPoints.rowMask[s];
                const uint32_t actualSummary = cls < 4 ? board.threats[cls].summary[s] : board.strongPoints.summary[s];
                for (int x = 0; x < MaxSide; ++x) {
                    if (rows[cls][x] != 0) summary[cls] |= 1u << x;
                    if (actualRows[x] != rows[cls][x])
                        return report.fail("row mask of set %d, side %d, row %d = %x, expected %x", cls, s, x,
                                           actualRows[x], rows[cls][x]);
                }
                if (actualSummary != summary[cls])
                    return report.fail("summary of set %d, side %d = %x, expected %x", cls, s, actualSummary,
                                       summary[cls]);
            }
        }
        return true;
    }

    bool checkStoneRows(Report& report) {
        for (int x = 0; x < MaxSide; ++x) {
            uint32_t expected = 0;
            for (int y = 0; y < MaxSide; ++y)
                if (geometry.onBoard(x, y) && board.cells[x][y] != 0) expected |= 1u << y;
            if (board.stoneRows[x] != expected)
                return report.fail("stoneRows[%d] = %x, expected %x", x, board.stoneRows[x], expected);
        }
        return true;
    }

    bool checkHashKey(Report& report) {
        uint64_t key = 0;
        for (int x = 0; x < geometry.boardSize; ++x)
            for (int y = 0; y < geometry.boardSize; ++y)
                if (board.cells[x][y] != 0) key ^= board.zobristKeys[x][y][board.cells[x][y] - 1];
        if (board.hashKey != key)
            return report.fail("hashKey = %llx, expected %llx", static_cast<unsigned long long>(board.hashKey),
                               static_cast<unsigned long long>(key));
        return true;
    }
};

struct FieldName {
    size_t offset;
    const char* name;
};

const char* fieldAt(size_t offset) {
    static const FieldName fields[] = {
        {offsetof(Board, cells), "cells"},
        {offsetof(Board, rowLines), "rowLines"},
        {offsetof(Board, colLines), "colLines"},
        {offsetof(Board, antiLines), "antiLines"},
        {offsetof(Board, diagLines), "diagLines"},
        {offsetof(Board, points), "points"},
        {offsetof(Board, contributionSum), "contributionSum"},
        {offsetof(Board, roomSum), "roomSum"},
        {offsetof(Board, threats), "threats"},
        {offsetof(Board, strongPoints), "strongPoints"},
        {offsetof(Board, hashKey), "hashKey"},
        {offsetof(Board, stoneRows), "stoneRows"},
        {offsetof(Board, visitedLines), "visitedLines"},
    };
    const char* name = "?";
    for (const FieldName& field : fields)
        if (field.offset <= offset) name = field.name;
    return name;
}

}  // namespace

bool checkBoard(const Board& board, std::string* why, bool withStrongPoints) {
    Report report(why);
    // The checker holds a copy of the line places: on the heap, it is not small.
    auto checker = std::make_unique<Checker>(board);
    return checker->check(report, withStrongPoints);
}

void takeSnapshot(const Board& board, BoardSnapshot& snapshot) {
    std::memcpy(snapshot.bytes, static_cast<const void*>(&board), BoardStateBytes);
}

bool matchesSnapshot(const Board& board, const BoardSnapshot& snapshot, std::string* why) {
    const unsigned char* current = reinterpret_cast<const unsigned char*>(&board);
    if (std::memcmp(snapshot.bytes, current, BoardStateBytes) == 0) return true;
    size_t offset = 0;
    while (snapshot.bytes[offset] == current[offset]) ++offset;
    Report report(why);
    return report.fail("board differs from the snapshot in %s (byte %zu)", fieldAt(offset), offset);
}

}  // namespace board
