// Engine settings: the values a manager sets with INFO lines (the protocol
// layer parses them).
//
// Every numeric field is one 32-bit word written by the main thread and read
// by the worker, so each is a relaxed std::atomic: a reader sees the old or the
// new value, never a torn one. A think reads them once when it starts, except
// max_node, which it reads live. `folder` is written by the main thread and
// read by nobody.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace control {

constexpr int FolderSize = 1024;

struct EngineSettings {
    std::atomic<int32_t> maxMemory{0};
    std::atomic<int32_t> timeoutMatch{1000000000};
    std::atomic<int32_t> timeoutTurn{30000};
    std::atomic<int32_t> timeLeft{1000000000};
    std::atomic<int32_t> gameType{1};
    std::atomic<int32_t> maxDepth{576};
    std::atomic<int32_t> maxNode{2000000000};  // units of 1024 nodes; -1: until stopped
    std::atomic<int32_t> cautionFactor{1};
    std::atomic<int32_t> hashSize{524288};     // buckets per hash sub-table, at least 1
    std::atomic<int32_t> showDetail{0};
    std::atomic<int32_t> rule{0};              // always 0, 1 or 2
    std::atomic<int32_t> threadNum{1};         // search threads asked for (thread_num)
    std::atomic<int32_t> swap2Seed{0};         // Swap2 proposals: 0 drawn anew each time, else this seed
    char folder[FolderSize] = {};
};

// Puts every setting back to its default (the fuzzer and tests run many
// sessions on one engine).
inline void restoreDefaults(EngineSettings& settings) {
    const EngineSettings defaults;
    std::atomic<int32_t>* to[] = {&settings.maxMemory, &settings.timeoutMatch, &settings.timeoutTurn,
                                  &settings.timeLeft,  &settings.gameType,     &settings.maxDepth,
                                  &settings.maxNode,   &settings.cautionFactor, &settings.hashSize,
                                  &settings.showDetail, &settings.rule,        &settings.threadNum,
                                  &settings.swap2Seed};
    const std::atomic<int32_t>* from[] = {&defaults.maxMemory, &defaults.timeoutMatch, &defaults.timeoutTurn,
                                          &defaults.timeLeft,  &defaults.gameType,     &defaults.maxDepth,
                                          &defaults.maxNode,   &defaults.cautionFactor, &defaults.hashSize,
                                          &defaults.showDetail, &defaults.rule,        &defaults.threadNum,
                                          &defaults.swap2Seed};
    for (size_t i = 0; i < sizeof to / sizeof to[0]; ++i) to[i]->store(from[i]->load(std::memory_order_relaxed));
    settings.folder[0] = '\0';
}

// Shorthand for the relaxed load every reader of a setting uses.
inline int32_t setting(const std::atomic<int32_t>& field) {
    return field.load(std::memory_order_relaxed);
}

}  // namespace control
