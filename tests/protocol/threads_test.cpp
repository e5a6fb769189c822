// Searches on several threads, seen from a manager: every command that acts on
// a think acts on all its threads. The threading build runs these against a
// TSan engine, where a data race ends the engine with a non-zero status.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "support/engine_process.h"
#include "support/session_helpers.h"

using testing_support::EngineProcess;
using testing_support::finish;
using testing_support::isMoveLine;
using testing_support::sendBody;
using testing_support::start;

namespace {

constexpr int Slow = 60000;  // generous per-line timeout for the sanitizer builds

const std::vector<std::string> Opening = {"7,7,2", "7,8,1", "8,8,2", "9,9,1", "6,6,2"};


}  // namespace

TEST(ThreadingThreads, StopStormsOnEveryThread) {
    EngineProcess e;
    e.send("INFO thread_num 4");
    e.send("INFO max_node -1");
    start(e, "START 15");
    for (int round = 0; round < 20; ++round) {
        sendBody(e, "BOARD", Opening);
        if (round % 2) e.silentFor(20);
        e.send("ovstop");
        const std::string move = e.awaitMove(Slow);
        ASSERT_TRUE(isMoveLine(move)) << round << ": " << move;
    }
    finish(e);
}

TEST(ThreadingThreads, HashClearAndMaskDuringAParallelSearch) {
    EngineProcess e;
    e.send("INFO thread_num 3");
    e.send("INFO max_node -1");
    start(e, "START 15");
    sendBody(e, "BOARD", Opening);
    for (int i = 0; i < 4; ++i) {
        e.silentFor(50);
        e.send("ovhashclear");
        e.send("ovblock");
        e.send(std::to_string(5 + i) + ",5");
        e.send("DONE");
    }
    e.send("ovstop");
    const std::string move = e.awaitMove(Slow);
    ASSERT_TRUE(isMoveLine(move)) << move;
    for (int i = 0; i < 4; ++i) EXPECT_NE(move, std::to_string(5 + i) + ",5") << "a masked point";
    finish(e);
}

TEST(ThreadingThreads, EndWhileEveryThreadSearches) {
    for (const char* rule : {"0", "1", "2"}) {
        EngineProcess e;
        e.send(std::string("INFO rule ") + rule);
        e.send("INFO thread_num 4");
        e.send("INFO max_node -1");
        start(e, "START 15");
        sendBody(e, "BOARD", Opening);
        e.silentFor(100);
        e.send("END");
        EXPECT_TRUE(isMoveLine(e.awaitMove(Slow))) << "rule " << rule;
        EXPECT_EQ(e.waitExit(Slow), 0) << "rule " << rule;
    }
}

TEST(ThreadingThreads, ParallelGameUnderEachRuleAndAnAnalysis) {
    for (const char* rule : {"0", "1", "2"}) {
        EngineProcess e;
        e.send(std::string("INFO rule ") + rule);
        e.send("INFO thread_num 2");
        e.send("INFO timeout_turn 200");
        start(e, "START 15");
        for (const char* turn : {"3,3", "11,11", "3,11"}) {
            e.send(std::string("TURN ") + turn);
            const std::string move = e.awaitMove(Slow);
            ASSERT_TRUE(isMoveLine(move)) << "rule " << rule << ": " << move;
        }
        // The analysis thinks search on the main thread, whatever thread_num says.
        e.send("ovnbest 2");
        std::vector<std::string> lines = e.readUntilPrefix("MESSAGE DETAIL (NBEST)", Slow);
        ASSERT_EQ(lines.back().rfind("MESSAGE DETAIL (NBEST)", 0), 0u) << lines.back();
        finish(e);
    }
}
