// Stress: storms of commands while thinking, exits at random moments, many
// games in one process, and the extremes of the search settings.
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "support/engine_process.h"
#include "support/session_helpers.h"

using testing_support::EngineProcess;
using testing_support::expectGreeting;
using testing_support::isMoveLine;
using testing_support::start;

namespace {

std::string point(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }

}  // namespace

// Every command that may arrive during a think, in random order and timing.
TEST(StressThreading, CommandStormsWhileThinking) {
    std::mt19937 random(12345);
    EngineProcess e;
    e.send("INFO timeout_turn 30");
    e.send("INFO hash_size 4096");
    start(e, "START 15");
    const char* quiet[] = {"INFO timeout_turn 25", "INFO max_node 3", "INFO max_node -1", "INFO caution_factor 3",
                           "INFO show_detail 1", "INFO show_detail 0", "INFO hash_size 7", "INFO rule 2",
                           "ovhashclear", "ovblockreset", "ABOUT", "nonsense"};
    for (int i = 0; i < 300; ++i) {
        switch (random() % 7) {
        case 0: e.send("TURN " + point(int(random() % 15), int(random() % 15))); break;
        case 1: e.send("ovstop"); break;
        case 2:
            e.send("ovblock");
            e.send(point(int(random() % 24), int(random() % 24)));
            e.send("DONE");
            break;
        case 3: e.send("ovnbest 2"); break;
        case 4: e.send("TAKEBACK " + point(int(random() % 15), int(random() % 15))); break;
        case 5: e.send(random() % 2 ? "RESTART" : "ovbalanceone 50"); break;
        default: e.send(quiet[random() % (sizeof quiet / sizeof quiet[0])]); break;
        }
        if (random() % 4 == 0) usleep(random() % 3000);
    }
    e.send("ovstop");
    e.send("ABOUT");
    std::vector<std::string> lines = e.readUntilPrefix("name=", 60000);
    EXPECT_EQ(lines.back().rfind("name=", 0), 0u);
    e.send("END");
    EXPECT_EQ(e.waitExit(20000), 0);
}

// END or the end of the input can come at any moment of a think.
TEST(StressThreading, ExitAtRandomMoments) {
    std::mt19937 random(777);
    for (int round = 0; round < 12; ++round) {
        EngineProcess e;
        e.send("INFO max_node -1");
        e.send("INFO hash_size 1024");
        e.send("INFO rule " + std::to_string(round % 3));
        start(e, "START 15");
        e.send("TURN 7,7");
        if (round % 4 == 1) e.send("ovnbest 3");
        if (round % 4 == 2) e.send("ovbalancetwo 10");
        usleep(random() % 40000);
        if (round % 2 == 0) e.send("END");
        else e.closeInput();
        EXPECT_EQ(e.waitExit(20000), 0) << "round " << round;
    }
}

// A thousand games in one process: the memory in use must not grow with them.
TEST(StressGames, ManyGamesWithRestartKeepMemoryFlat) {
    EngineProcess e;
    e.send("INFO hash_size 1024");
    e.send("INFO max_depth 2");
    start(e, "START 10");
    auto residentKb = [&]() {
        e.send("ABOUT");
        e.readUntilPrefix("name=");
        long kb = -1;
        std::ifstream status("/proc/" + std::to_string(e.pid()) + "/status");
        std::string key;
        while (status >> key)
            if (key == "VmRSS:") status >> kb;
        return kb;
    };
    long after100 = 0;
    for (int game = 0; game < 1000; ++game) {
        e.send("TURN " + point(game % 10, (game / 10) % 10));
        ASSERT_TRUE(isMoveLine(e.awaitMove())) << "game " << game;
        e.send("TURN " + point((game + 3) % 10, (game / 10 + 5) % 10));
        std::string answer = e.awaitMove();
        ASSERT_TRUE(isMoveLine(answer) || answer.rfind("ERROR", 0) == 0) << answer;
        if (answer.rfind("ERROR", 0) == 0) e.awaitMove();
        e.send("RESTART");
        e.readUntilPrefix("OK");
        if (game == 100) after100 = residentKb();
    }
    const long after1000 = residentKb();
    ASSERT_GT(after100, 0);
    EXPECT_LT(after1000 - after100, 2048) << after100 << " kB after 100 games, " << after1000 << " kB after 1000";
    e.send("END");
    EXPECT_EQ(e.waitExit(), 0);
}

// A move comes at once whatever the limits say.
TEST(StressSettings, ExtremeLimitsStillAnswer) {
    const std::vector<std::vector<std::string>> settings = {
        {"INFO timeout_turn 0"},
        {"INFO time_left -5"},
        {"INFO timeout_turn -100", "INFO time_left 0"},
        {"INFO max_node 0"},
        {"INFO max_node 1"},
        {"INFO max_depth 0"},
        {"INFO max_depth -3"},
        {"INFO max_depth 1"},
        {"INFO hash_size 1"},
        {"INFO hash_size 6"},
        {"INFO hash_size 2147483647"},
        {"INFO hash_size 1000", "INFO hash_size 2147483647"},
        {"INFO caution_factor 3", "INFO max_depth 4"},
        {"INFO caution_factor -7", "INFO max_depth 4"},
    };
    for (const auto& lines : settings) {
        EngineProcess e;
        e.send("INFO timeout_turn 300");
        for (const auto& l : lines) e.send(l);
        start(e, "START 15");
        int answered = 0;
        for (const char* move : {"7,7", "8,8", "6,6", "5,5", "9,9", "4,4"}) {
            if (answered == 3) break;
            e.send(std::string("TURN ") + move);
            std::string answer = e.awaitMove(20000);
            // The engine may have taken the point already: refused, no think.
            if (answer.rfind("ERROR opponents's move", 0) == 0) continue;
            EXPECT_TRUE(isMoveLine(answer)) << lines.front() << ": " << answer;
            ++answered;
        }
        EXPECT_EQ(answered, 3) << lines.front();
        e.send("END");
        EXPECT_EQ(e.waitExit(), 0) << lines.front();
    }
}
