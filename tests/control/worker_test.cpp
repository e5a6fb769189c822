#include <gtest/gtest.h>

#include "control/engine.h"
#include "control/worker.h"

using namespace control;

namespace {

class Silent : public search::LineWriter {
public:
    void writeLine(const char*) override {}
};

// An engine of the test's own; its worker thread outlives the test, so the
// engine is never destroyed.
Engine& newEngine() {
    static Silent silent;
    return *new Engine(silent);
}

bool stopIsRequested(const Engine& engine) { return engine.worker.stopRequested.load() > 0; }

}  // namespace

// Runs the real worker thread; the threading build runs these under TSan.
TEST(ThreadingWorker, StopWaitsForIdleAndLeavesTheStopFlag) {
    Engine& engine = newEngine();
    startWorkerThread(engine);
    stopThink(engine);  // idle: returns at once
    EXPECT_TRUE(engine.worker.workerIdle.load());
    EXPECT_TRUE(stopIsRequested(engine));
    for (int i = 0; i < 2000; ++i) {
        startThink(engine);
        EXPECT_FALSE(stopIsRequested(engine));
        stopThink(engine);
        ASSERT_TRUE(engine.worker.workerIdle.load());
        ASSERT_TRUE(stopIsRequested(engine));
    }
}

TEST(ThreadingWorker, SpecialModesLastOneThink) {
    Engine& engine = newEngine();
    ASSERT_TRUE(setupBoard(engine, 15, 15));
    startWorkerThread(engine);
    for (ThinkMode mode : {NbestThink, BalanceOneThink, BalanceTwoThink}) {
        stopThink(engine);
        engine.worker.thinkMode.store(mode);
        startThink(engine);
        stopThink(engine);
        EXPECT_EQ(engine.worker.thinkMode.load(), NormalThink);
    }
    startThink(engine);
    stopThink(engine);
    EXPECT_EQ(engine.worker.thinkMode.load(), NormalThink);
}
