#include "control/worker.h"

#include <new>
#include <thread>

#include "think/think.h"

namespace control {

Worker& worker() {
    // Never destroyed: the thread may still wait on these at process exit.
    static Worker* instance = new Worker;
    return *instance;
}

void startWorkerThread() {
    static std::once_flag started;
    std::call_once(started, [] {
        worker();
        std::thread(workerLoop).detach();
    });
}

void startThink() {
    Worker& w = worker();
    w.stopRequested.store(0, std::memory_order_relaxed);
    w.workerIdle.store(false, std::memory_order_relaxed);
    std::lock_guard<std::mutex> lock(w.startMutex);
    w.thinkRequested = true;
    w.startCondition.notify_all();
}

void stopThink() {
    Worker& w = worker();
    w.stopRequested.store(1, std::memory_order_relaxed);
    std::unique_lock<std::mutex> lock(w.idleMutex);
    w.idleCondition.wait(lock, [&] { return w.workerIdle.load(std::memory_order_relaxed); });
}

void workerLoop() {
    Worker& w = worker();
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(w.startMutex);
            w.startCondition.wait(lock, [&] { return w.thinkRequested; });
            w.thinkRequested = false;
        }
        // Special modes last for one think; the next one is normal again.
        switch (w.thinkMode.load(std::memory_order_relaxed)) {
        case NormalThink:
            think::normalThink();
            break;
        case BalanceOneThink:
            w.thinkMode.store(NormalThink, std::memory_order_relaxed);
            think::balanceOneThink();
            break;
        case BalanceTwoThink:
            w.thinkMode.store(NormalThink, std::memory_order_relaxed);
            think::balanceTwoThink();
            break;
        case NbestThink:
            w.thinkMode.store(NormalThink, std::memory_order_relaxed);
            think::nbestThink();
            break;
        default:
            break;
        }
        {
            std::lock_guard<std::mutex> lock(w.idleMutex);
            w.workerIdle.store(true, std::memory_order_relaxed);
            w.idleCondition.notify_all();
        }
    }
}

}  // namespace control
