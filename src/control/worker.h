// The worker thread and the think/stop handshake with the main thread.
//
// startMutex guards thinkRequested; idleMutex guards workerIdle's waits. No
// operation holds both. workerIdle turns false in startThink (the worker is
// known to be idle then) and true at the end of every think. stopRequested,
// thinkMode and the analysis parameters are words the main thread writes
// before the think starts or while it runs: relaxed atomics.
// The thread is detached and the engine it serves is never destroyed, so the
// process can exit at any moment (END, end of input) with status 0.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace control {

struct Engine;

enum ThinkMode : int32_t {
    NormalThink = 0,
    BalanceOneThink = 1,
    BalanceTwoThink = 2,
    NbestThink = 3,
    Swap2Think = 4,  // the answer to SWAP2BOARD
};

struct Worker {
    std::mutex startMutex;
    std::condition_variable startCondition;
    bool thinkRequested = false;
    std::mutex idleMutex;
    std::condition_variable idleCondition;
    std::atomic<bool> workerIdle{true};
    std::atomic<int32_t> stopRequested{0};
    std::atomic<int32_t> thinkMode{NormalThink};
    std::atomic<int32_t> nbestCount{1};     // parameter of the next n-best think
    std::atomic<int32_t> balanceTarget{0};  // parameter of the next balance think
    std::atomic<uint64_t> swap2Seed{0};     // parameter of the next Swap2 think
    uint64_t swap2Draws = 0;                // Swap2 seeds drawn so far (main thread only)
    std::once_flag started;
};

// Creates the engine's worker thread (once); it waits for its first think.
void startWorkerThread(Engine& engine);

// Wakes the worker for one think in the current thinkMode; returns at once.
void startThink(Engine& engine);

// Starts the Swap2 think on the opening in the record (the worker must be
// idle). Its seed is the swap2_seed setting, or when that is 0 one drawn from
// the clock and a count of the seeds drawn, so that proposals differ from game
// to game and between processes.
void startSwap2Think(Engine& engine);

// Asks a running think to stop and waits until the worker is idle.
void stopThink(Engine& engine);

// One think in the current mode, on the calling thread: the driver's report
// lines, then for a normal think the move, recorded and answered. Special
// modes last for one think; the next one is normal again.
void runOneThink(Engine& engine);

}  // namespace control
