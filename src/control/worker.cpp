#include "control/worker.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "control/engine.h"
#include "think/swap2.h"
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

// Records the points of a Swap2 answer after the opening and answers them on
// one line ("SWAP", or the points separated by blanks).
void answerSwap2(Engine& engine, const think::Swap2Answer& answer) {
    engine.game.lastValue = 0;
    if (answer.kind == think::Swap2Kind::NoAnswer) return;
    if (answer.kind == think::Swap2Kind::Swap) {
        search::writeLine(&engine.out, "SWAP");
        return;
    }
    char line[64];
    int used = 0;
    for (int i = 0; i < answer.count; ++i) {
        const board::Stone& s = answer.stones[i];
        if (!addMove(engine.game, s.x, s.y)) search::writeLine(&engine.out, "ERROR my move [%d,%d]", s.x, s.y);
        used += std::snprintf(line + used, sizeof line - used, "%s%d,%d", i > 0 ? " " : "", s.x, s.y);
    }
    search::writeLine(&engine.out, "%s", line);
}

// A seed that differs from one Swap2 think to the next and between processes.
uint64_t drawnSeed(Worker& w) {
    const uint64_t clock =
        uint64_t(std::chrono::high_resolution_clock::now().time_since_epoch().count());
    return clock ^ (++w.swap2Draws * 0x9E3779B97F4A7C15ull);
}

}  // namespace

void startSwap2Think(Engine& engine) {
    Worker& w = engine.worker;
    const int32_t fixed = setting(engine.settings.swap2Seed);
    w.swap2Seed.store(fixed != 0 ? uint64_t(uint32_t(fixed)) : drawnSeed(w), std::memory_order_relaxed);
    w.thinkMode.store(Swap2Think, std::memory_order_relaxed);
    startThink(engine);
}

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
    if (mode == Swap2Think) {
        answerSwap2(engine, think::swap2Think(engine.thinker, request));
        return;
    }
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
