// Engine settings: the values a manager sets with INFO lines.
//
// Every numeric field is one 32-bit word written by the main thread and read
// by the worker while it thinks, so each is a relaxed std::atomic: a reader sees
// the old or the new value, never a torn one. `folder` is written by the main
// thread and read by nobody.
#pragma once

#include <atomic>
#include <cstdint>

namespace protocol {

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
    std::atomic<int32_t> rule{0};              // always 0, 1 or 2 (see ruleFromInfo)
    char folder[FolderSize] = {};
};

extern EngineSettings settings;

// Shorthand for the relaxed load every reader of a setting uses.
inline int32_t setting(const std::atomic<int32_t>& field) {
    return field.load(std::memory_order_relaxed);
}

// Applies every INFO key that matches the argument text (what follows "INFO ").
void applyInfo(const char* arguments);

// Maps a manager's rule value to the engine's rule: the protocol's Renju bit (4)
// gives Renju; 0, 1 and 2 stay; other values give standard when bit 1 is set,
// free-style otherwise (negative values are free-style).
int32_t ruleFromInfo(int32_t value);

// Restores every default (tests run several sessions in one process).
void resetSettings();

}  // namespace protocol
