// What bounds and steers one search, handed down by the think layer, and the
// periodic limit test every search runs.
//
// The think reads the settings once when it starts and fills SearchLimits; only
// the words that must act while it runs are read live through pointers: the
// stop request and the node budget. Each node is counted, and once every 1024
// nodes the stop request, the node budget and the time budget are tested. A
// search that hits a limit sets searchAborted; every caller then unwinds
// without using or storing any value.
#pragma once

#include <atomic>
#include <cstdint>

#include "board/geometry.h"
#include "search/busy_nodes.h"
#include "search/clock.h"

namespace search {

// Margin kept free of the time budget for the driver to report and answer.
constexpr int64_t TimeMarginMs = 30;

// Points the engine must never move to. Written by the main thread while a
// think may run (ovblock, ovblockreset), read by the searches: relaxed atomics.
struct BlockMask {
    std::atomic<int32_t> flags[board::MaxSide][board::MaxSide] = {};

    bool isMasked(int x, int y) const { return flags[x][y].load(std::memory_order_relaxed) != 0; }
    void set(int x, int y) { flags[x][y].store(1, std::memory_order_relaxed); }
    void clear() {
        for (auto& row : flags)
            for (auto& flag : row) flag.store(0, std::memory_order_relaxed);
    }
};

struct SearchLimits {
    const std::atomic<int32_t>* stop = nullptr;     // > 0: stop at once
    const std::atomic<int32_t>* maxNode = nullptr;  // units of 1024 nodes; -1: until stopped; null: none
    int32_t cautionFactor = 1;
    bool showDetail = false;                        // the root writes REALTIME lines from depth 8
    const BlockMask* blockMask = nullptr;           // none: nothing masked
    int32_t moveCount = 0;                          // moves in the game record
    BusyNodes* busy = nullptr;                      // a parallel search's shared marks; none alone

    bool stopRequested() const { return stop != nullptr && stop->load(std::memory_order_relaxed) > 0; }
    int32_t nodeBudget() const { return maxNode == nullptr ? 2000000000 : maxNode->load(std::memory_order_relaxed); }
    bool isMasked(int x, int y) const { return blockMask != nullptr && blockMask->isMasked(x, y); }
};

}  // namespace search
