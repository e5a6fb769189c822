// Cost of one static evaluation on middle-game positions: stones played round
// the centre by a fixed generator, 20 x 20 board, each rule, both sides.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>

#include "board/board.h"
#include "board/geometry.h"
#include "board/pattern_tables.h"
#include "search/evaluation.h"

namespace {

uint64_t generatorState = 0x2545F4914F6CDD1Dull;

int nextBelow(int n) {
    generatorState ^= generatorState << 13;
    generatorState ^= generatorState >> 7;
    generatorState ^= generatorState << 17;
    return static_cast<int>((generatorState >> 11) % static_cast<uint64_t>(n));
}

search::SearchState& searchState = *new search::SearchState;

void setUpPosition(int rule, int stones, uint64_t seed) {
    board::Geometry geometry;
    geometry.boardWidth = geometry.boardHeight = geometry.boardSize = 20;
    static board::KeyGenerator keys;
    board::Board& board = searchState.board;
    board::resetBoard(board, rule, geometry, keys);
    generatorState = seed * 0x9E3779B97F4A7C15ull + 1;
    for (int placed = 0, attempt = 0; placed < stones && attempt < 50 * stones; ++attempt) {
        const int x = 10 + nextBelow(11) - 5, y = 10 + nextBelow(11) - 5;
        if (board.cells[x][y] != 0) continue;
        board::makeMove(board, x, y, 1 + placed % 2);
        ++placed;
    }
}

// Arguments: rule, number of stones.
void evaluateLeafCost(benchmark::State& state) {
    const int rule = static_cast<int>(state.range(0));
    const int stones = static_cast<int>(state.range(1));
    constexpr int Positions = 16;
    int64_t threatPoints = 0;
    for (auto _ : state) {
        state.PauseTiming();
        setUpPosition(rule, stones, static_cast<uint64_t>(state.iterations() % Positions));
        state.ResumeTiming();
        for (int repeat = 0; repeat < 256; ++repeat) {
            benchmark::DoNotOptimize(search::evaluateLeaf(searchState, 0, 1));
            benchmark::DoNotOptimize(search::evaluateLeaf(searchState, 0, 2));
        }
    }
    for (int seed = 0; seed < Positions; ++seed) {
        setUpPosition(rule, stones, static_cast<uint64_t>(seed));
        for (int cls = 0; cls < 4; ++cls)
            for (int s = 0; s < 2; ++s)
                for (int x = 0; x < 20; ++x) threatPoints += __builtin_popcount(searchState.board.threats[cls].rowMask[s][x]);
    }
    state.SetItemsProcessed(state.iterations() * 512);
    state.counters["threatPoints"] = static_cast<double>(threatPoints) / Positions;
}

}  // namespace

BENCHMARK(evaluateLeafCost)->ArgsProduct({{0, 1, 2}, {20, 40, 60}})->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
