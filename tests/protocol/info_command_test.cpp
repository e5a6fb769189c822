#include <gtest/gtest.h>
#include <string>

#include "protocol/info_command.h"

using control::setting;

namespace {

// Settings of the test's own, as a new engine has them.
class InfoKeys : public ::testing::Test {
protected:
    void applyInfo(const char* arguments) { protocol::applyInfo(settings, arguments); }

    control::EngineSettings settings;
};

}  // namespace

TEST_F(InfoKeys, DefaultsBeforeAnyInfo) {
    EXPECT_EQ(setting(settings.timeoutTurn), 30000);
    EXPECT_EQ(setting(settings.timeLeft), 1000000000);
    EXPECT_EQ(setting(settings.timeoutMatch), 1000000000);
    EXPECT_EQ(setting(settings.maxDepth), 576);
    EXPECT_EQ(setting(settings.maxNode), 2000000000);
    EXPECT_EQ(setting(settings.cautionFactor), 1);
    EXPECT_EQ(setting(settings.hashSize), 524288);
    EXPECT_EQ(setting(settings.gameType), 1);
    EXPECT_EQ(setting(settings.showDetail), 0);
    EXPECT_EQ(setting(settings.rule), 0);
    EXPECT_EQ(setting(settings.swap2Seed), 0);
    EXPECT_STREQ(settings.folder, "");
}

TEST_F(InfoKeys, EachKeyStoresItsField) {
    applyInfo("max_memory 83886080");
    applyInfo("timeout_match 180000");
    applyInfo("timeout_turn 5000");
    applyInfo("time_left 100000");
    applyInfo("game_type 0");
    applyInfo("max_depth 12");
    applyInfo("max_node -1");
    applyInfo("caution_factor 3");
    applyInfo("hash_size 1000");
    applyInfo("show_detail 1");
    applyInfo("rule 1");
    applyInfo("swap2_seed 42");
    EXPECT_EQ(setting(settings.maxMemory), 83886080);
    EXPECT_EQ(setting(settings.timeoutMatch), 180000);
    EXPECT_EQ(setting(settings.timeoutTurn), 5000);
    EXPECT_EQ(setting(settings.timeLeft), 100000);
    EXPECT_EQ(setting(settings.gameType), 0);
    EXPECT_EQ(setting(settings.maxDepth), 12);
    EXPECT_EQ(setting(settings.maxNode), -1);
    EXPECT_EQ(setting(settings.cautionFactor), 3);
    EXPECT_EQ(setting(settings.hashSize), 1000);
    EXPECT_EQ(setting(settings.showDetail), 1);
    EXPECT_EQ(setting(settings.rule), 1);
    EXPECT_EQ(setting(settings.swap2Seed), 42);
}

TEST_F(InfoKeys, KeysIgnoreCaseAndUnknownKeysChangeNothing) {
    applyInfo("TIMEOUT_TURN 1234");
    EXPECT_EQ(setting(settings.timeoutTurn), 1234);
    applyInfo("timeout_tour 99");
    applyInfo("");
    applyInfo("garbage");
    EXPECT_EQ(setting(settings.timeoutTurn), 1234);
    EXPECT_EQ(setting(settings.timeLeft), 1000000000);
}

TEST_F(InfoKeys, HashSizeAtLeastOne) {
    applyInfo("hash_size 0");
    EXPECT_EQ(setting(settings.hashSize), 1);
    applyInfo("hash_size 77");
    applyInfo("hash_size -5");
    EXPECT_EQ(setting(settings.hashSize), 1);
    applyInfo("hash_size");
    EXPECT_EQ(setting(settings.hashSize), 1);
}

TEST_F(InfoKeys, ValuesWithoutDigitsOrBeyond32Bits) {
    applyInfo("timeout_turn abc");
    EXPECT_EQ(setting(settings.timeoutTurn), 0);
    applyInfo("time_left 99999999999");
    EXPECT_EQ(setting(settings.timeLeft), 2147483647);
    applyInfo("time_left -99999999999");
    EXPECT_EQ(setting(settings.timeLeft), -2147483647 - 1);
    // The key is a prefix match, so the rest of the word becomes the value text.
    applyInfo("max_depthX 5");
    EXPECT_EQ(setting(settings.maxDepth), 0);
}

TEST_F(InfoKeys, RuleValuesOfTheManagerBitmask) {
    const int cases[][2] = {{0, 0}, {1, 1}, {2, 2}, {4, 2}, {5, 2}, {6, 2}, {12, 2},
                            {3, 1}, {9, 1}, {8, 0}, {16, 0}, {-1, 0}};
    for (const auto& c : cases) {
        applyInfo(("rule " + std::to_string(c[0])).c_str());
        EXPECT_EQ(setting(settings.rule), c[1]) << "rule " << c[0];
    }
}

TEST_F(InfoKeys, FolderKeepsBlanksAndIsCutTo1023) {
    applyInfo("folder C:\\My Engines\\olvar dir");
    EXPECT_STREQ(settings.folder, "C:\\My Engines\\olvar dir");
    std::string longValue(3000, 'a');
    applyInfo(("folder " + longValue).c_str());
    EXPECT_EQ(std::string(settings.folder), std::string(1023, 'a'));
}
