#include <gtest/gtest.h>

#include "control/worker.h"

using namespace control;

// Runs the real worker thread; the threading build runs these under TSan.
TEST(ThreadingWorker, StopWaitsForIdleAndLeavesTheStopFlag) {
    startWorkerThread();
    stopThink();  // idle: returns at once
    EXPECT_TRUE(worker().workerIdle.load());
    EXPECT_TRUE(stopIsRequested());
    for (int i = 0; i < 2000; ++i) {
        startThink();
        EXPECT_FALSE(stopIsRequested());
        stopThink();
        ASSERT_TRUE(worker().workerIdle.load());
        ASSERT_TRUE(stopIsRequested());
    }
}

TEST(ThreadingWorker, SpecialModesLastOneThink) {
    startWorkerThread();
    for (ThinkMode mode : {NbestThink, BalanceOneThink, BalanceTwoThink}) {
        stopThink();
        worker().thinkMode.store(mode);
        startThink();
        stopThink();
        EXPECT_EQ(worker().thinkMode.load(), NormalThink);
    }
    startThink();
    stopThink();
    EXPECT_EQ(worker().thinkMode.load(), NormalThink);
}
