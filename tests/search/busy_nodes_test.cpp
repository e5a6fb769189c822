// The marks of a parallel search's threads: one node per slot, taken only when
// free, given back by its taker.
#include <gtest/gtest.h>

#include <memory>

#include "search/busy_nodes.h"

using search::BusyMark;
using search::BusyNodes;

namespace {

TEST(BusyNodes, ASlotHoldsOneNodeAndOnlyItsTakerFreesIt) {
    auto busy = std::make_unique<BusyNodes>();
    const uint64_t a = 0x1234'5678'0000'0042ull;
    const uint64_t sameSlot = a + BusyNodes::Slots;  // another node, the same slot
    EXPECT_FALSE(busy->has(a));
    EXPECT_TRUE(busy->enter(a));
    EXPECT_TRUE(busy->has(a));
    EXPECT_FALSE(busy->enter(a)) << "a second thread in the same node takes nothing";
    EXPECT_FALSE(busy->enter(sameSlot));
    EXPECT_FALSE(busy->has(sameSlot)) << "a node whose slot is taken is not marked";
    busy->leave(a);
    EXPECT_FALSE(busy->has(a));
    EXPECT_FALSE(busy->enter(0)) << "0 is the free slot, never a mark";
    EXPECT_FALSE(busy->has(0));
}

TEST(BusyNodes, AMarkLastsAsLongAsItsScope) {
    auto busy = std::make_unique<BusyNodes>();
    const uint64_t a = 77, b = 78;
    {
        const BusyMark outer(busy.get(), a);
        EXPECT_TRUE(busy->has(a));
        {
            const BusyMark again(busy.get(), a);  // took nothing...
        }
        EXPECT_TRUE(busy->has(a)) << "...so it gave nothing back";
        const BusyMark inner(busy.get(), b);
        EXPECT_TRUE(busy->has(b));
    }
    EXPECT_FALSE(busy->has(a));
    EXPECT_FALSE(busy->has(b));
    const BusyMark none(nullptr, a);  // a one-thread search has no marks
    busy->enter(a);
    busy->clear();
    EXPECT_FALSE(busy->has(a));
}

}  // namespace
