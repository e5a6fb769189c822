// The think layer's own objects: helper threads on boards of their own, the
// thread count a setting gives, and the tables a board build leaves.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <utility>

#include "board/board_check.h"
#include "control/engine.h"
#include "search/hash_tables.h"
#include "think/think.h"

using namespace think;

namespace {

class Silent : public search::LineWriter {
public:
    void writeLine(const char*) override {}
};

class ThinkerTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine->settings.hashSize = 4096;
        ASSERT_TRUE(control::setupBoard(*engine, 15, 15));
        for (auto [x, y] : {std::pair{7, 7}, {7, 8}, {8, 8}, {9, 9}, {6, 6}})
            ASSERT_TRUE(control::addMove(engine->game, x, y));
    }

    Silent silent;
    std::unique_ptr<control::Engine> engine = std::make_unique<control::Engine>(silent);
};

}  // namespace

TEST(SearchThreads, SettingGivesAtLeastOneAndAtMostTheHardware) {
    const int hardware = static_cast<int>(std::thread::hardware_concurrency());
    EXPECT_EQ(searchThreadsFor(1), 1);
    EXPECT_EQ(searchThreadsFor(0), 1);
    EXPECT_EQ(searchThreadsFor(-7), 1);
    const int most = searchThreadsFor(1000000);
    EXPECT_GE(most, 1);
    EXPECT_LE(most, MaxSearchThreads);
    if (hardware >= 1) {
        EXPECT_LE(most, hardware);
        EXPECT_EQ(searchThreadsFor(hardware), hardware < MaxSearchThreads ? hardware : MaxSearchThreads);
    }
}

// Helpers search copies of the main board: every board stays consistent, the
// helpers end on the position they were given, and nothing is shared.
TEST_F(ThinkerTest, ThreadingHelpersSearchBoardsOfTheirOwn) {
    for (int threads : {2, 3, 4}) {
        engine->settings.maxNode = -1;
        engine->settings.maxDepth = 7;
        ThinkRequest request = control::thinkRequest(*engine);
        request.settings.threadCount = threads;  // past the machine's count on purpose
        const ThinkResult result = normalThink(engine->thinker, request);
        ASSERT_TRUE(result.hasMove);
        const Thinker& thinker = engine->thinker;
        ASSERT_GE(int(thinker.helpers.size()), threads - 1);
        const board::Board& main = thinker.main->board;
        std::string why;
        EXPECT_TRUE(board::checkBoard(main, &why)) << why;
        int64_t helperNodes = 0;
        for (int i = 0; i < threads - 1; ++i) {
            const search::SearchState& helper = *thinker.helpers[size_t(i)];
            EXPECT_NE(&helper.board, &main);
            EXPECT_TRUE(board::checkBoard(helper.board, &why)) << "helper " << i << ": " << why;
            EXPECT_EQ(helper.board.hashKey, main.hashKey) << "helper " << i;
            EXPECT_EQ(helper.reporter, nullptr) << "helpers write nothing";
            helperNodes += helper.nodeCount;
        }
        EXPECT_GT(helperNodes, 0) << threads << " threads";
    }
}

// The move of a parallel think is a move of the position: legal and unmasked.
TEST_F(ThinkerTest, ThreadingParallelMoveIsLegal) {
    engine->settings.maxNode = -1;
    engine->settings.maxDepth = 5;
    engine->blockMask.set(6, 7);
    ThinkRequest request = control::thinkRequest(*engine);
    request.settings.threadCount = 3;
    const ThinkResult result = normalThink(engine->thinker, request);
    ASSERT_TRUE(result.hasMove);
    EXPECT_TRUE(control::pointIsFree(engine->game, result.x, result.y));
    EXPECT_FALSE(result.x == 6 && result.y == 7);
}

// A board build sizes the tables for the request and empties what the old
// board's keys left in them.
TEST_F(ThinkerTest, BuildSizesAndEmptiesTheTables) {
    search::HashTables& tables = engine->hashTables;
    ASSERT_TRUE(search::resizeHashTables(tables, 64));
    search::storeValueCache(tables, 5, 1, 0, 1, 12345);
    ASSERT_NE(search::probeValueCache(tables, 0, 1, 1, 12345), search::MissValue);
    int64_t clock = 0;
    ThinkRequest request = control::thinkRequest(*engine);
    request.settings.hashSize = 128;
    ASSERT_TRUE(applyRule(engine->thinker, request, clock));
    EXPECT_EQ(search::hashTableSize(tables), 128);
    EXPECT_EQ(search::probeValueCache(tables, 0, 1, 1, 12345), search::MissValue);
    search::storeValueCache(tables, 5, 1, 0, 1, 12345);
    request.settings.rule = board::Renju;
    request.settings.maxMemory = 50 << 20;  // 10 MiB left for tables: 128 buckets fit
    ASSERT_TRUE(applyRule(engine->thinker, request, clock));
    EXPECT_EQ(search::hashTableSize(tables), 128);  // hash_size fits: unchanged
    EXPECT_EQ(search::probeValueCache(tables, 0, 1, 1, 12345), search::MissValue);
    EXPECT_FALSE(applyRule(engine->thinker, request, clock));  // built for it already
}

TEST(SearchThreads, HelpersComeOutOfTheMemoryLimit) {
    constexpr int32_t MiB = 1 << 20;
    EXPECT_EQ(tableBuckets(search::DefaultHashBuckets, 0, 4), search::DefaultHashBuckets);
    EXPECT_EQ(tableBuckets(search::DefaultHashBuckets, 64 * MiB, 1), 65536);
    for (int threads : {2, 3, 4}) {
        const int32_t buckets = tableBuckets(search::DefaultHashBuckets, 128 * MiB, threads);
        const int64_t used = buckets * search::HashBytesPerBucket + search::MemoryReserveBytes +
                             int64_t{threads - 1} * HelperMemoryBytes;
        EXPECT_LE(used, 128 * MiB) << threads;
        EXPECT_LE(buckets, tableBuckets(search::DefaultHashBuckets, 128 * MiB, threads - 1)) << threads;
    }
    // 100 MiB: 48 MiB of tables on one thread, half that once a helper's work
    // areas and stack are taken out.
    EXPECT_EQ(tableBuckets(search::DefaultHashBuckets, 100 * MiB, 1), 131072);
    EXPECT_EQ(tableBuckets(search::DefaultHashBuckets, 100 * MiB, 2), 65536);
    // A limit the helpers alone pass leaves the smallest tables, never no limit.
    EXPECT_EQ(tableBuckets(search::DefaultHashBuckets, 20 * MiB, 4), 1);
}
