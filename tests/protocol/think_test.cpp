// The normal think seen from a manager: answers, report lines, stopping.
#include <cstdio>
#include <gtest/gtest.h>
#include <regex>
#include <string>
#include <vector>

#include "support/engine_process.h"
#include "support/session_helpers.h"

using testing_support::EngineProcess;
using testing_support::expectGreeting;
using testing_support::isMoveLine;
using testing_support::maskAll;
using testing_support::anyStartsWith;
using testing_support::start;

namespace {

// Sends a BOARD body: moves in the order played, who 1 for the engine's own.
void sendBoard(EngineProcess& e, const std::vector<std::string>& lines, const char* command = "BOARD") {
    e.send(command);
    for (const auto& l : lines) e.send(l);
    e.send("DONE");
}

}  // namespace

TEST(ThinkBegin, FirstMoveIsTheCentreWithoutSearch) {
    const std::pair<const char*, const char*> cases[] = {{"START 15", "7,7"}, {"START 20", "10,10"},
                                                         {"RECTSTART 20,15", "7,10"}};
    for (const auto& c : cases) {
        EngineProcess e;
        e.send("INFO show_detail 1");
        start(e, c.first);
        e.send("BEGIN");
        std::vector<std::string> messages;
        EXPECT_EQ(e.awaitMove(5000, &messages), c.second) << c.first;
        EXPECT_FALSE(anyStartsWith(messages, "MESSAGE DETAIL"));
        EXPECT_FALSE(anyStartsWith(messages, "MESSAGE Rule"));  // no search, no board build
        e.send("END");
        EXPECT_EQ(e.waitExit(), 0);
    }
}

TEST(ThinkBegin, MaskedCentreGivesTheNearestUnmaskedPoint) {
    EngineProcess e;
    start(e, "START 15");
    e.send("ovblock");
    e.send("7,7");
    e.send("DONE");
    e.send("BEGIN");
    EXPECT_EQ(e.awaitMove(), "6,7");  // the earliest of the four points at distance 1
    e.send("RESTART");
    EXPECT_EQ(e.nextLine(), "MESSAGE Olvar 2015 Kernal 0.4.49 :-)");
    EXPECT_EQ(e.nextLine(), "OK");
    e.send("ovblock");
    for (const char* p : {"6,7", "7,6", "7,8", "8,7"}) e.send(p);
    e.send("DONE");
    e.send("BEGIN");
    EXPECT_EQ(e.awaitMove(), "5,7");  // distance 2, first in row order
    e.send("END");
    EXPECT_EQ(e.waitExit(), 0);
}

TEST(ThinkBegin, EveryPointMaskedAnswersAnErrorAndRecordsNothing) {
    EngineProcess e;
    start(e, "START 5");
    maskAll(e, 5);
    e.send("BEGIN");
    std::string answer = e.awaitMove();
    EXPECT_EQ(answer.rfind("ERROR", 0), 0u) << answer;
    e.send("TAKEBACK 2,2");
    EXPECT_EQ(e.nextLine(), "ERROR bad coordinates");  // nothing was recorded
    e.send("END");
    EXPECT_EQ(e.waitExit(), 0);
}

// A position with no point to play: one ERROR line, no move, nothing recorded.
TEST(ThinkNoMove, FullOrBlockedBoardAnswersOneErrorLine) {
    {
        EngineProcess e;
        start(e, "START 3");
        std::vector<std::string> all;  // nine stones in played order, the opponent first
        for (int i = 0; i < 9; ++i) all.push_back(std::to_string(i / 3) + "," + std::to_string(i % 3) + (i % 2 ? ",1" : ",2"));
        sendBoard(e, all);
        EXPECT_EQ(e.awaitMove(5000), "ERROR no legal move: the board is full");
        EXPECT_TRUE(e.silentFor(300));
        e.send("TAKEBACK 2,2");  // the record is the body, nothing more
        EXPECT_EQ(e.nextLine(), "OK");
        e.send("END");
        EXPECT_EQ(e.waitExit(), 0);
    }
    {
        EngineProcess e;
        start(e, "START 5");
        maskAll(e, 5);
        sendBoard(e, {"2,2,2", "0,0,1", "4,4,2"});
        EXPECT_EQ(e.awaitMove(5000), "ERROR no legal move: every empty point is blocked or forbidden");
        EXPECT_TRUE(e.silentFor(300));
        e.send("TAKEBACK 4,4");
        EXPECT_EQ(e.nextLine(), "OK");
        e.send("END");
        EXPECT_EQ(e.waitExit(), 0);
    }
}

TEST(ThinkForced, BlocksTheFiveAndReportsTheLoss) {
    EngineProcess e;
    e.send("INFO max_depth 3");
    start(e, "START 15");
    // The opponent has an open four on row 5 (five points 5,2 and 5,7); the
    // engine has nothing.
    const std::vector<std::string> fours = {"10,0,1", "5,3,2", "12,2,1", "5,4,2", "10,4,1", "5,5,2", "12,6,1", "5,6,2"};
    sendBoard(e, fours);
    std::string first = e.awaitMove();
    EXPECT_TRUE(first == "5,2" || first == "5,7") << first;
    e.send("TAKEBACK " + first);
    EXPECT_EQ(e.nextLine(), "OK");
    // The board is built now: the block needs no search.
    std::vector<std::string> messages;
    sendBoard(e, fours);
    EXPECT_EQ(e.awaitMove(5000, &messages), "5,2");
    ASSERT_FALSE(messages.empty());
    const std::string& shortLine = messages[messages.size() - 2];
    EXPECT_NE(shortLine.find("| 1 | 1 | 0ms |"), std::string::npos) << shortLine;
    EXPECT_NE(shortLine.find("| -10000 :-("), std::string::npos) << shortLine;
    EXPECT_EQ(messages.back(), "MESSAGE [6,3] ");  // the block itself, 1-based
    e.send("END");
    EXPECT_EQ(e.waitExit(), 0);
}

TEST(ThinkWin, ProvenWinIsPlayedOutWithoutSearch) {
    EngineProcess e;
    start(e, "START 15");
    // The engine (first player) has an open three on row 7.
    sendBoard(e, {"7,5,1", "0,0,2", "7,6,1", "0,2,2", "7,7,1", "0,4,2"});
    std::string four = e.awaitMove();
    EXPECT_TRUE(four == "7,4" || four == "7,8") << four;
    e.send("TURN 14,14");
    std::vector<std::string> messages;
    std::string five = e.awaitMove(5000, &messages);
    EXPECT_TRUE(five == "7,3" || five == "7,4" || five == "7,8" || five == "7,9") << five;
    EXPECT_NE(five, four);
    ASSERT_GE(messages.size(), 2u);
    EXPECT_NE(messages[messages.size() - 2].find("| 0ms |"), std::string::npos);
    e.send("END");
    EXPECT_EQ(e.waitExit(), 0);
}

TEST(ThinkReports, ShortAndDetailedFormats) {
    const std::regex shortLine(R"(MESSAGE \d+\.\d \| \d+ \| -?\d+ \| \d+ms \| \d+\.\d \| \d+ \| 4 \| -?\d+ (:-\)|:-\()?)");
    const std::regex shortBest(R"(MESSAGE (\[\d+,\d+\] )*)");
    const std::regex complexity(R"(MESSAGE Complexity: \d+\.\d, \d+\.\d \| Depth: \d+--?\d+ \| Time: \d+ms \| Node: \d+m)");
    const std::regex speed(R"(MESSAGE Speed: \d+ \| Evaluation: -?\d+ (:-\)|:-\()?)");
    const std::regex bestline(R"(MESSAGE Bestline: (\[\d+[A-X]\] )*)");
    const std::regex detail(R"(MESSAGE DETAIL DEPTH:(\d+)-\d+\*? VAL:-?\d+ TIME:\d+ms NODE:\d+m \[\d+,[A-X]\])");
    const std::regex block(R"(MESSAGE Block(\[\d+[A-X]\] )+)");
    const std::vector<std::string> position = {"7,7,2", "7,8,1", "8,8,2", "6,6,1"};
    {
        EngineProcess e;
        e.send("INFO max_depth 6");
        start(e, "START 15");
        sendBoard(e, position);
        std::vector<std::string> m;
        ASSERT_TRUE(isMoveLine(e.awaitMove(30000, &m)));
        ASSERT_EQ(m.size(), 3u);  // the rule line, the short line, the best line
        EXPECT_EQ(m[0], "MESSAGE Rule Gomoku (Freestyle)");
        EXPECT_TRUE(std::regex_match(m[1], shortLine)) << m[1];
        EXPECT_TRUE(std::regex_match(m[2], shortBest)) << m[2];
        EXPECT_NE(m[1].find(" | 6 | "), std::string::npos) << m[1];  // the depth reached
        e.send("END");
        EXPECT_EQ(e.waitExit(), 0);
    }
    {
        EngineProcess e;
        e.send("INFO max_depth 6");
        e.send("INFO show_detail 1");
        start(e, "START 15");
        e.send("ovblock");
        e.send("0,0");
        e.send("DONE");
        sendBoard(e, position);
        std::vector<std::string> m;
        ASSERT_TRUE(isMoveLine(e.awaitMove(30000, &m)));
        std::vector<int> depths;
        for (const auto& l : m) {
            std::smatch match;
            if (std::regex_match(l, match, detail)) depths.push_back(std::stoi(match[1]));
        }
        EXPECT_EQ(depths, (std::vector<int>{5, 6}));  // DETAIL lines from depth 5 on
        ASSERT_GE(m.size(), 4u);
        const size_t n = m.size();
        EXPECT_TRUE(std::regex_match(m[n - 4], complexity)) << m[n - 4];
        EXPECT_TRUE(std::regex_match(m[n - 3], speed)) << m[n - 3];
        EXPECT_TRUE(std::regex_match(m[n - 2], bestline)) << m[n - 2];
        EXPECT_TRUE(std::regex_match(m[n - 1], block)) << m[n - 1];
        EXPECT_EQ(m[n - 1], "MESSAGE Block[15A] ");
        EXPECT_FALSE(anyStartsWith(m, "MESSAGE REALTIME"));  // only from depth 8
        e.send("END");
        EXPECT_EQ(e.waitExit(), 0);
    }
}

// Answers that need no search (or get none) report what they know of their
// own move, never what an earlier think left behind.
TEST(ThinkReports, QuickAnswersReportTheirOwnMove) {
    EngineProcess e;
    e.send("INFO max_depth 5");
    start(e, "START 15");
    sendBoard(e, {"7,7,2", "7,8,1", "8,8,2"});
    std::vector<std::string> m;
    ASSERT_TRUE(isMoveLine(e.awaitMove(30000, &m)));
    ASSERT_GE(m.size(), 2u);
    EXPECT_NE(m[m.size() - 2].find(" | 5 | "), std::string::npos) << m[m.size() - 2];
    // The first move of the next game looks at nothing: depth 0, value 0.
    start(e, "RESTART");
    e.send("BEGIN");
    m.clear();
    EXPECT_EQ(e.awaitMove(5000, &m), "7,7");
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0], "MESSAGE 0.0 | 0 | 0 | 0ms | 0.0 | 0 | 4 | 0 ");
    EXPECT_EQ(m[1], "MESSAGE [8,8] ");
    // No node to spend: the one-ply look that chose the move, and its line.
    e.send("INFO max_node 0");
    e.send("TURN 3,3");
    m.clear();
    const std::string move = e.awaitMove(5000, &m);
    ASSERT_TRUE(isMoveLine(move));
    ASSERT_GE(m.size(), 2u);
    EXPECT_NE(m[m.size() - 2].find(" | 1 | 1 | "), std::string::npos) << m[m.size() - 2];
    int x = -1, y = -1;
    std::sscanf(move.c_str(), "%d,%d", &x, &y);
    EXPECT_EQ(m.back(), "MESSAGE [" + std::to_string(x + 1) + "," + std::to_string(y + 1) + "] ");
    e.send("END");
    EXPECT_EQ(e.waitExit(), 0);
}

TEST(ThinkReports, FirstSearchOfTheProcessCountsTwoHundredMs) {
    EngineProcess e;
    e.send("INFO max_depth 1");
    e.send("INFO show_detail 1");
    start(e, "START 15");
    sendBoard(e, {"7,7,2"});
    std::vector<std::string> m;
    ASSERT_TRUE(isMoveLine(e.awaitMove(10000, &m)));
    int time = -1;
    for (const auto& l : m) std::sscanf(l.c_str(), "MESSAGE Complexity: %*f, %*f | Depth: %*d-%*d | Time: %dms", &time);
    EXPECT_GE(time, 200);
    e.send("END");
    EXPECT_EQ(e.waitExit(), 0);
}

// The threading build runs these against a TSan engine.
TEST(ThinkThreading, StopAnswersAtOnceWithTheBestMoveSoFar) {
    EngineProcess e;
    e.send("INFO max_node -1");
    start(e, "START 15");
    sendBoard(e, {"7,7,2", "7,8,1", "8,8,2"});
    std::string line;
    // Nothing but MESSAGE lines while it thinks.
    while (e.readLine(line, 300)) EXPECT_EQ(line.rfind("MESSAGE", 0), 0u) << line;
    e.send("ovstop");
    EXPECT_TRUE(isMoveLine(e.awaitMove(5000)));
    e.send("ovstop");  // idle: nothing happens
    EXPECT_TRUE(e.silentFor(200));
    e.send("END");
    EXPECT_EQ(e.waitExit(), 0);
}

TEST(ThinkThreading, TurnDuringAThinkStopsItAndThinksAgain) {
    EngineProcess e;
    e.send("INFO max_node -1");
    start(e, "START 15");
    e.send("TURN 7,7");
    std::string line;
    while (e.readLine(line, 300)) EXPECT_EQ(line.rfind("MESSAGE", 0), 0u) << line;
    e.send("TURN 3,3");
    std::string first = e.awaitMove(5000);  // the stopped think still answers
    ASSERT_TRUE(isMoveLine(first));
    while (e.readLine(line, 300)) EXPECT_EQ(line.rfind("MESSAGE", 0), 0u) << line;
    e.send("ovstop");
    std::string second = e.awaitMove(5000);
    ASSERT_TRUE(isMoveLine(second));
    EXPECT_NE(first, second);
    // Both answers and 3,3 are recorded: the last move is the second answer.
    e.send("TAKEBACK " + second);
    EXPECT_EQ(e.nextLine(), "OK");
    e.send("TAKEBACK 3,3");
    EXPECT_EQ(e.nextLine(), "OK");
    e.send("TAKEBACK " + first);
    EXPECT_EQ(e.nextLine(), "OK");
    e.send("END");
    EXPECT_EQ(e.waitExit(), 0);
}

TEST(ThinkThreading, EndDuringAThinkWritesTheMoveAndExits) {
    EngineProcess e;
    e.send("INFO max_node -1");
    start(e, "START 15");
    e.send("TURN 7,7");
    std::string line;
    while (e.readLine(line, 300)) EXPECT_EQ(line.rfind("MESSAGE", 0), 0u) << line;
    e.send("END");
    EXPECT_TRUE(isMoveLine(e.awaitMove(5000)));
    EXPECT_EQ(e.waitExit(), 0);
}
