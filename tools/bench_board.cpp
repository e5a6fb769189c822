// Micro-benchmarks of the search board: a make and its unmake (full and light)
// and the Renju forbidden-point test, on fixed middle-game positions.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "board/board.h"
#include "board/forbidden.h"
#include "board/pattern_tables.h"

namespace {

struct Point {
    int x, y;
};

// A 15 x 15 position of `stones` alternating stones in the central 9 x 9 area,
// chosen by a fixed generator; returns the empty points of that area.
board::Board& board = *new board::Board;

std::vector<Point> setUpPosition(int rule, int seed, int stones) {
    board::Geometry geometry;
    geometry.boardWidth = geometry.boardHeight = geometry.boardSize = 15;
    static board::KeyGenerator keys;
    board::resetBoard(board, rule, geometry, keys);
    uint32_t state = static_cast<uint32_t>(seed) * 2654435761u + 1;
    auto next = [&state](int n) {
        state = state * 1664525u + 1013904223u;
        return static_cast<int>((state >> 8) % static_cast<uint32_t>(n));
    };
    for (int placed = 0; placed < stones;) {
        const int x = 3 + next(9), y = 3 + next(9);
        if (board::cellAt(board, x, y) != 0) continue;
        board::makeMove(board, x, y, 1 + placed % 2);
        ++placed;
    }
    std::vector<Point> empty;
    for (int x = 3; x < 12; ++x)
        for (int y = 3; y < 12; ++y)
            if (board::cellAt(board, x, y) == 0) empty.push_back({x, y});
    return empty;
}

void makeUnmake(benchmark::State& state) {
    const std::vector<Point> points = setUpPosition(static_cast<int>(state.range(0)), 7, 30);
    size_t i = 0;
    for (auto _ : state) {
        const Point p = points[i++ % points.size()];
        board::makeMove(board, p.x, p.y, 1);
        board::unmakeMove(board, p.x, p.y, 1);
    }
    benchmark::DoNotOptimize(board.contributionSum[0]);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}

void makeUnmakeLight(benchmark::State& state) {
    const std::vector<Point> points = setUpPosition(static_cast<int>(state.range(0)), 7, 30);
    size_t i = 0;
    for (auto _ : state) {
        const Point p = points[i++ % points.size()];
        board::makeMoveLight(board, p.x, p.y, 2);
        board::unmakeMoveLight(board, p.x, p.y, 2);
    }
    benchmark::DoNotOptimize(board.contributionSum[0]);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}

// One iteration asks every empty point of the central area; the counter gives
// the time per point.
void isForbiddenAllPoints(benchmark::State& state) {
    const std::vector<Point> points =
        setUpPosition(board::Renju, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    int forbidden = 0;
    for (const Point& p : points) forbidden += board::isForbidden(board, p.x, p.y);
    for (auto _ : state) {
        int count = 0;
        for (const Point& p : points) count += board::isForbidden(board, p.x, p.y);
        benchmark::DoNotOptimize(count);
    }
    state.counters["forbidden"] = forbidden;
    state.counters["points"] = static_cast<double>(points.size());
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * points.size()));
}

}  // namespace

BENCHMARK(makeUnmake)->ArgName("rule")->Arg(0)->Arg(1)->Arg(2);
BENCHMARK(makeUnmakeLight)->ArgName("rule")->Arg(0)->Arg(1)->Arg(2);
BENCHMARK(isForbiddenAllPoints)->ArgNames({"seed", "stones"})->Args({3, 30})->Args({11, 40})->Args({5, 50});

BENCHMARK_MAIN();
