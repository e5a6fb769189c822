// The soft time limit between iterations: which share of the budget the
// history of best moves and values allows.
#include <gtest/gtest.h>

#include "think/time_manager.h"

using namespace think;

namespace {

// Iterations 1..depth with the same move and value.
TimeManager steady(int depth, int value = 0) {
    TimeManager clock;
    for (int d = 1; d <= depth; ++d) clock.iterationDone(d, 7, 7, value);
    return clock;
}

TEST(TimeManager, ShareFollowsHowSettledTheMoveIs) {
    TimeManager fresh;
    EXPECT_EQ(fresh.share(), BaseTimeShare);

    // The move holds: the base share until it has held SettledIterations times.
    EXPECT_EQ(steady(SettledIterations).share(), BaseTimeShare);
    EXPECT_EQ(steady(SettledIterations + 1).share(), SettledTimeShare);

    // A new best move at a depth that counts: more time; kept once more: the
    // base share again, and the count of held iterations starts over.
    TimeManager clock = steady(8);
    clock.iterationDone(9, 7, 8, 0);
    EXPECT_EQ(clock.share(), UnsettledTimeShare);
    clock.iterationDone(10, 7, 8, 0);
    EXPECT_EQ(clock.share(), BaseTimeShare);
    for (int d = 11; d < 9 + SettledIterations; ++d) clock.iterationDone(d, 7, 8, 0);
    EXPECT_EQ(clock.share(), BaseTimeShare);
    clock.iterationDone(9 + SettledIterations, 7, 8, 0);
    EXPECT_EQ(clock.share(), SettledTimeShare);

    // Shallow iterations change their minds for little.
    TimeManager shallow;
    for (int d = 1; d < SettlingDepth; ++d) shallow.iterationDone(d, d, 0, 0);
    EXPECT_EQ(shallow.share(), BaseTimeShare);
}

TEST(TimeManager, AFallingValueAsksForMoreTime) {
    // Against the last iteration of the same parity: a fall beyond the margin
    // counts, one within it does not.
    TimeManager clock = steady(8, 100);
    clock.iterationDone(9, 7, 7, 100 - ValueDropMargin);
    EXPECT_NE(clock.share(), UnsettledTimeShare);
    clock.iterationDone(10, 7, 7, 100 - ValueDropMargin - 1);
    EXPECT_EQ(clock.share(), UnsettledTimeShare);
    // The fall also ends a settled move's count.
    clock.iterationDone(11, 7, 7, 100 - ValueDropMargin);
    EXPECT_EQ(clock.share(), BaseTimeShare);

    // Odd and even depths are compared each with their own: a lower even value
    // after an odd one is no fall.
    TimeManager parity;
    for (int d = 1; d <= 8; ++d) parity.iterationDone(d, 7, 7, d % 2 == 1 ? 300 : 0);
    parity.iterationDone(9, 7, 7, 300);
    parity.iterationDone(10, 7, 7, 0);
    EXPECT_EQ(parity.share(), SettledTimeShare);
}

TEST(TimeManager, MayStartWhileTheShareIsNotSpent) {
    const TimeManager fresh;
    const int64_t budget = 1000;
    const auto limit = int64_t(BaseTimeShare * budget);
    EXPECT_TRUE(fresh.mayStart(0, budget));
    EXPECT_TRUE(fresh.mayStart(limit - 1, budget));
    EXPECT_FALSE(fresh.mayStart(limit, budget));
    TimeManager unsettled = steady(8);
    unsettled.iterationDone(9, 1, 1, 0);
    EXPECT_TRUE(unsettled.mayStart(limit, budget));
    EXPECT_FALSE(unsettled.mayStart(int64_t(UnsettledTimeShare * budget), budget));
}

}  // namespace
