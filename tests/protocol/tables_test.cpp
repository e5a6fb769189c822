// The hash tables seen from outside: ovhashclear empties them, and a
// max_memory limit bounds what the whole process takes.
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

#include "support/engine_process.h"
#include "support/session_helpers.h"

using testing_support::EngineProcess;
using testing_support::engineRunner;
using testing_support::isMoveLine;
using testing_support::sendBody;
using testing_support::start;

namespace {

const std::vector<std::string> Position = {"7,7,2", "7,8,1", "8,8,2", "9,9,1", "6,6,2"};

// What a fixed-depth think reports apart from its time and speed: the short
// line without those two fields, the best line and the move.
std::string thinkSignature(EngineProcess& e) {
    sendBody(e, "BOARD", Position);
    std::vector<std::string> m;
    const std::string move = e.awaitMove(60000, &m);
    EXPECT_TRUE(isMoveLine(move)) << move;
    if (m.size() < 2) return "no report";
    std::vector<std::string> fields;
    std::stringstream shortLine(m[m.size() - 2]);
    for (std::string field; std::getline(shortLine, field, '|');) fields.push_back(field);
    if (fields.size() != 8) return "bad report " + m[m.size() - 2];
    return fields[0] + fields[1] + fields[2] + fields[4] + fields[7] + m.back() + " " + move;
}

// The engine with a fixed-depth search and the position thought over once:
// its tables hold that search.
std::string firstThink(EngineProcess& e) {
    e.send("INFO max_depth 7");
    e.send("INFO max_node -1");
    start(e, "START 15");
    return thinkSignature(e);
}

// Takes the engine's answer back, so that the position can be thought over again.
void takeBackAnswer(EngineProcess& e, const std::string& signature) {
    e.send("TAKEBACK " + signature.substr(signature.rfind(' ') + 1));
    EXPECT_EQ(e.nextLine(), "OK");
}

// A figure of /proc/PID/status in kiB, or -1.
long statusKib(pid_t pid, const std::string& key) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key + ":", 0) == 0) return std::stol(line.substr(key.size() + 1));
    return -1;
}

}  // namespace

TEST(TablesHashClear, ReThinkAfterItMatchesASearchOnEmptyTables) {
    EngineProcess fresh;
    const std::string onEmptyTables = firstThink(fresh);

    // The same think again finds the tables full of the first one.
    EngineProcess warm;
    ASSERT_EQ(firstThink(warm), onEmptyTables);
    takeBackAnswer(warm, onEmptyTables);
    EXPECT_NE(thinkSignature(warm), onEmptyTables);

    // After ovhashclear it searches as on empty tables.
    EngineProcess cleared;
    ASSERT_EQ(firstThink(cleared), onEmptyTables);
    takeBackAnswer(cleared, onEmptyTables);
    cleared.send("ovhashclear");
    EXPECT_EQ(thinkSignature(cleared), onEmptyTables);
    for (EngineProcess* e : {&fresh, &warm, &cleared}) {
        e->send("END");
        EXPECT_EQ(e->waitExit(), 0);
    }
}

// The threading build runs this against a TSan engine.
TEST(TablesThreading, HashClearDuringAThink) {
    EngineProcess e;
    e.send("INFO max_node -1");
    start(e, "START 15");
    sendBody(e, "BOARD", Position);
    for (int i = 0; i < 5; ++i) {
        e.silentFor(100);  // a pause: the think runs on (with its report lines)
        e.send("ovhashclear");
    }
    e.send("ovstop");
    EXPECT_TRUE(isMoveLine(e.awaitMove(20000)));
    e.send("END");
    EXPECT_EQ(e.waitExit(), 0);
}

TEST(TablesMemory, MaxMemoryBoundsWhatTheProcessMaps) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "sanitizer shadow memory is no measure of the engine's own";
#endif
    if (!engineRunner().empty()) GTEST_SKIP() << "the engine runs under another program";
    struct Case {
        long limitBytes;
        long minKib, maxKib;  // what its data may take after a think
    };
    const Case cases[] = {
        {67108864, 0, 65536},          // 64 MiB
        {350000000, 196608, 341796},   // the tables' default 192 MiB fits under 350 MB
        {0, 196608, 1L << 30},         // no limit: the default tables
    };
    for (const Case& c : cases) {
        EngineProcess e;
        e.send("INFO timeout_turn 300");
        start(e, "START 15");
        e.send("INFO max_memory " + std::to_string(c.limitBytes));
        sendBody(e, "BOARD", Position);
        ASSERT_TRUE(isMoveLine(e.awaitMove(20000)));
        const long data = statusKib(e.pid(), "VmData"), resident = statusKib(e.pid(), "VmRSS");
        EXPECT_GE(data, c.minKib) << c.limitBytes;
        EXPECT_LT(data, c.maxKib) << c.limitBytes;
        EXPECT_LT(resident, c.maxKib) << c.limitBytes;
        e.send("END");
        EXPECT_EQ(e.waitExit(), 0);
    }
}

// A game's tables are in memory, page by page, before START answers OK: no
// search pays for the system providing them (which, one page fault at a time,
// slowed a first think and stalled every other search thread meanwhile).
TEST(TablesMemory, TablesArePresentWhenTheGameStarts) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "sanitizer shadow memory is no measure of the engine's own";
#endif
    if (!engineRunner().empty()) GTEST_SKIP() << "the engine runs under another program";
    EngineProcess e;
    e.send("INFO hash_size 262144");  // 96 MiB of tables
    start(e, "START 15");
    EXPECT_GE(statusKib(e.pid(), "VmRSS"), 96 * 1024);
    e.send("INFO hash_size 524288");  // a new size: allocated and present at the next game
    start(e, "RESTART");
    EXPECT_GE(statusKib(e.pid(), "VmRSS"), 192 * 1024);
    e.send("END");
    EXPECT_EQ(e.waitExit(), 0);
}
