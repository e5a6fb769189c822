// The worker thread and the think/stop handshake with the main thread.
//
// startMutex guards thinkRequested; idleMutex guards workerIdle's waits. No
// operation holds both. workerIdle turns false in startThink (the worker is
// known to be idle then) and true at the end of every think. stopRequested and
// thinkMode are plain words read by the searches: relaxed atomics.
// The thread is detached and the synchronisation objects are never destroyed,
// so the process can exit at any moment (END, end of input) with status 0.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace control {

enum ThinkMode : int32_t { NormalThink = 0, BalanceOneThink = 1, BalanceTwoThink = 2, NbestThink = 3 };

struct Worker {
    std::mutex startMutex;
    std::condition_variable startCondition;
    bool thinkRequested = false;
    std::mutex idleMutex;
    std::condition_variable idleCondition;
    std::atomic<bool> workerIdle{true};
    std::atomic<int32_t> stopRequested{0};
    std::atomic<int32_t> thinkMode{NormalThink};
};

// The one worker; allocated on first use and never destroyed.
Worker& worker();

// Creates the worker thread (once per process); it waits for its first think.
void startWorkerThread();

// Wakes the worker for one think in the current thinkMode; returns at once.
void startThink();

// Asks a running think to stop and waits until the worker is idle.
void stopThink();

// Whether the running think has been asked to stop (read by drivers and searches).
inline bool stopIsRequested() {
    return worker().stopRequested.load(std::memory_order_relaxed) > 0;
}

// The worker thread's body: one think per request, for ever.
[[noreturn]] void workerLoop();

}  // namespace control
