// libFuzzer target over the board: the input picks a rule and a board shape,
// then drives random makes, unmakes, light makes and forbidden-point queries.
// The consistency check runs after every operation; any disagreement between
// the incremental state and a recomputation from the cells aborts.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/board_check.h"
#include "board/forbidden.h"
#include "board/geometry.h"
#include "board/pattern_tables.h"

namespace {

struct Placed {
    int x, y, cell;
    bool light;
};

void fail(const char* what, const std::string& why) {
    std::fprintf(stderr, "%s: %s\n", what, why.c_str());
    std::abort();
}

void check(const board::Board& board, const char* after, bool strongPoints = true) {
    std::string why;
    if (!board::checkBoard(board, &why, strongPoints)) fail(after, why);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const int rule = data[0] % 3;
    const int width = 1 + data[1] % 24, height = 1 + data[2] % 24;
    board::Geometry geometry;
    geometry.boardWidth = width;
    geometry.boardHeight = height;
    geometry.boardSize = width > height ? width : height;
    static board::KeyGenerator keys;
    static board::Board& board = *new board::Board;
    board::resetBoard(board, rule, geometry, keys);
    check(board, "reset");

    std::vector<Placed> stack;
    for (size_t i = 3; i + 2 < size; i += 3) {
        const int op = data[i] % 8;
        const int x = data[i + 1] % height, y = data[i + 2] % width;
        if (op <= 3) {  // place: a stone of either side, a block, or a light stone
            if (board::cellAt(board, x, y) != 0) continue;
            const int cell = op == 2 ? 3 : 1 + (data[i + 1] >> 7);
            // Light stones skip the strong-point sets, so nothing full may be
            // placed on top of one until it is taken back.
            bool anyLight = false;
            for (const Placed& p : stack) anyLight = anyLight || p.light;
            const bool light = op == 3 || anyLight;
            if (light) board::makeMoveLight(board, x, y, cell);
            else board::makeMove(board, x, y, cell);
            stack.push_back({x, y, cell, light});
        } else if (op <= 5) {  // take back the last placement
            if (stack.empty()) continue;
            const Placed p = stack.back();
            stack.pop_back();
            if (p.light) board::unmakeMoveLight(board, p.x, p.y, p.cell);
            else board::unmakeMove(board, p.x, p.y, p.cell);
        } else if (rule == board::Renju) {  // a forbidden-point query leaves the board consistent
            const uint64_t key = board.hashKey;
            board::isForbidden(board, x, y);
            if (board.hashKey != key) fail("isForbidden", "hash key changed");
        }
        bool anyLight = false;
        for (const Placed& p : stack) anyLight = anyLight || p.light;
        check(board, "operation", !anyLight);
    }
    // Taking everything back leaves the check holding too.
    while (!stack.empty()) {
        const Placed p = stack.back();
        stack.pop_back();
        if (p.light) board::unmakeMoveLight(board, p.x, p.y, p.cell);
        else board::unmakeMove(board, p.x, p.y, p.cell);
    }
    check(board, "full take-back");
    return 0;
}
