#include "control/worker.h"

#include <thread>

#include "control/engine.h"
#include "think/think.h"

namespace control {

namespace {

[[noreturn]] void workerLoop(Engine& engine) {
    Worker& w = engine.worker;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(w.startMutex);
            w.startCondition.wait(lock, [&] { return w.thinkRequested; });
            w.thinkRequested = false;
        }
        runOneThink(engine);
        {
            std::lock_guard<std::mutex> lock(w.idleMutex);
            w.workerIdle.store(true, std::memory_order_relaxed);
            w.idleCondition.notify_all();
        }
    }
}

// Records and answers the engine's move.
void playMove(Engine& engine, int x, int y) {
    if (!addMove(engine.game, x, y)) search::writeLine(&engine.out, "ERROR my move [%d,%d]", x, y);
    search::writeLine(&engine.out, "%d,%d", x, y);
}

}  // namespace

void startWorkerThread(Engine& engine) {
    std::call_once(engine.worker.started, [&engine] { std::thread(workerLoop, std::ref(engine)).detach(); });
}

void startThink(Engine& engine) {
    Worker& w = engine.worker;
    w.stopRequested.store(0, std::memory_order_relaxed);
    w.workerIdle.store(false, std::memory_order_relaxed);
    std::lock_guard<std::mutex> lock(w.startMutex);
    w.thinkRequested = true;
    w.startCondition.notify_all();
}

void stopThink(Engine& engine) {
    Worker& w = engine.worker;
    w.stopRequested.store(1, std::memory_order_relaxed);
    std::unique_lock<std::mutex> lock(w.idleMutex);
    w.idleCondition.wait(lock, [&] { return w.workerIdle.load(std::memory_order_relaxed); });
}

void runOneThink(Engine& engine) {
    Worker& w = engine.worker;
    const think::ThinkRequest request = thinkRequest(engine);
    const int32_t mode = w.thinkMode.load(std::memory_order_relaxed);
    if (mode != NormalThink) w.thinkMode.store(NormalThink, std::memory_order_relaxed);
    think::ThinkResult result;
    switch (mode) {
    case BalanceOneThink:
        result = think::balanceOneThink(engine.thinker, request);
        break;
    case BalanceTwoThink:
        result = think::balanceTwoThink(engine.thinker, request);
        break;
    case NbestThink:
        result = think::nbestThink(engine.thinker, request);
        break;
    default:
        result = think::normalThink(engine.thinker, request);
        break;
    }
    engine.game.lastValue = result.lastValue;
    if (result.hasMove) playMove(engine, result.x, result.y);
}

}  // namespace control
