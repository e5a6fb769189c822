// SWAP2BOARD through the real binary: the three kinds of body and the answers
// each may get, the seed of the proposals, bodies that are no opening, boards
// with no room, and a stop in the middle of an answer.
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <regex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "support/engine_process.h"
#include "support/session_helpers.h"

using testing_support::EngineProcess;
using testing_support::finish;
using testing_support::isMoveLine;
using testing_support::maskAll;
using testing_support::sendBody;
using testing_support::start;

namespace {

constexpr int Slow = 60000;  // generous per-line timeout for the sanitizer builds

// The margins of the engine's choices (think/swap2.h).
constexpr int ClearAdvantage = 100;
constexpr int FinalSwapMargin = 0;

using Point = std::pair<int, int>;

std::string text(Point p) { return std::to_string(p.first) + "," + std::to_string(p.second); }

int chebyshev(Point a, Point b) { return std::max(std::abs(a.first - b.first), std::abs(a.second - b.second)); }

// Sends the opening as a SWAP2BOARD body.
void sendOpening(EngineProcess& e, const std::vector<Point>& stones) {
    std::vector<std::string> lines;
    for (const Point& p : stones) lines.push_back(text(p));
    sendBody(e, "SWAP2BOARD", lines);
}

struct Answer {
    std::string line;
    std::vector<std::string> messages;
    bool isSwap = false;
    std::vector<Point> points;  // empty for SWAP or a line of another form
    int value = 0;              // the value the summing-up line gives, when it gives one
    bool hasValue = false;
};

// The answer to a SWAP2BOARD: "SWAP", or "x,y" points separated by single
// blanks; the MESSAGE lines before it are kept, the value of its summing-up
// line read.
Answer awaitAnswer(EngineProcess& e) {
    Answer a;
    a.line = e.awaitMove(Slow, &a.messages);
    a.isSwap = a.line == "SWAP";
    if (std::regex_match(a.line, std::regex(R"(\d+,\d+( \d+,\d+)*)"))) {
        const std::regex point(R"((\d+),(\d+))");
        for (auto it = std::sregex_iterator(a.line.begin(), a.line.end(), point); it != std::sregex_iterator(); ++it)
            a.points.emplace_back(std::stoi((*it)[1]), std::stoi((*it)[2]));
    }
    const std::regex summary(R"(MESSAGE Swap2: value (-?\d+) for white to move.*)");
    for (const auto& m : a.messages) {
        std::smatch v;
        if (std::regex_match(m, v, summary)) {
            a.value = std::stoi(v[1]);
            a.hasValue = true;
        }
    }
    return a;
}

// Every point is on a size x size board, none is one of `taken`, none repeats.
void expectFreePoints(const std::vector<Point>& points, const std::vector<Point>& taken, int size) {
    std::set<Point> seen(taken.begin(), taken.end());
    for (const Point& p : points) {
        EXPECT_TRUE(p.first >= 0 && p.first < size && p.second >= 0 && p.second < size) << text(p);
        EXPECT_TRUE(seen.insert(p).second) << text(p) << " is taken";
    }
}

// Takes back the given moves, last first: each must be the record's last.
void expectRecordEndsWith(EngineProcess& e, const std::vector<Point>& moves) {
    for (auto it = moves.rbegin(); it != moves.rend(); ++it) {
        e.send("TAKEBACK " + text(*it));
        EXPECT_EQ(e.nextLine(Slow), "OK") << text(*it);
    }
}

// What the engine writes before its answer to ABOUT, which comes at once when
// no think runs.
std::vector<std::string> linesBeforeAbout(EngineProcess& e) {
    e.send("ABOUT");
    std::vector<std::string> lines = e.readUntilPrefix("name=", Slow);
    EXPECT_EQ(lines.back().rfind("name=", 0), 0u) << lines.back();
    lines.pop_back();
    return lines;
}

const std::vector<Point> BlackBetter = {{7, 7}, {0, 0}, {7, 8}};
const std::vector<Point> WhiteBetter = {{0, 0}, {7, 7}, {14, 14}};
const std::vector<Point> Balanced = {{7, 7}, {7, 8}, {8, 9}};
const std::vector<Point> BlackBetterFive = {{7, 7}, {0, 0}, {7, 8}, {14, 14}, {7, 9}};
const std::vector<Point> WhiteBetterFive = {{0, 0}, {7, 7}, {14, 0}, {7, 8}, {0, 14}};

}  // namespace

TEST(Swap2Proposal, EmptyBodyGivesThreeCloseFreeStonesUnderEachRuleAndRecordsThem) {
    for (int rule : {0, 1, 2}) {
        EngineProcess e;
        e.send("INFO max_depth 3");
        e.send("INFO rule " + std::to_string(rule));
        start(e, "START 15");
        sendOpening(e, {});
        const Answer a = awaitAnswer(e);
        ASSERT_EQ(a.points.size(), 3u) << "rule " << rule << ": " << a.line;
        expectFreePoints(a.points, {}, 15);
        // Black near the centre, white near black, black's second near one of them.
        EXPECT_LE(chebyshev(a.points[0], {7, 7}), 1) << a.line;
        EXPECT_LE(chebyshev(a.points[1], a.points[0]), 2) << a.line;
        EXPECT_LE(std::min(chebyshev(a.points[2], a.points[0]), chebyshev(a.points[2], a.points[1])), 2) << a.line;
        EXPECT_TRUE(testing_support::anyStartsWith(a.messages, "MESSAGE Swap2: proposes")) << a.line;
        // The record is the three stones and nothing else.
        expectRecordEndsWith(e, a.points);
        e.send("TAKEBACK " + text(a.points[0]));
        EXPECT_EQ(e.nextLine(Slow), "ERROR bad coordinates");
        finish(e);
    }
}

TEST(Swap2Proposal, MaskedPointsAreNeverProposed) {
    EngineProcess e;
    e.send("INFO max_depth 2");
    start(e, "START 15");
    // The centre and everything within two of it.
    e.send("ovblock");
    for (int x = 5; x <= 9; ++x)
        for (int y = 5; y <= 9; ++y) e.send(text({x, y}));
    e.send("DONE");
    for (int seed = 1; seed <= 3; ++seed) {
        e.send("INFO swap2_seed " + std::to_string(seed));
        sendOpening(e, {});
        const Answer a = awaitAnswer(e);
        ASSERT_EQ(a.points.size(), 3u) << a.line;
        expectFreePoints(a.points, {}, 15);
        for (const Point& p : a.points) EXPECT_GT(chebyshev(p, {7, 7}), 2) << a.line;
    }
    finish(e);
}

TEST(Swap2Proposal, ASeedGivesOneProposalAndDrawnSeedsVary) {
    // One seed in two new processes: the same stones.
    auto proposal = [](const std::vector<std::string>& settings) {
        EngineProcess e;
        e.send("INFO max_depth 2");
        for (const auto& s : settings) e.send(s);
        start(e, "START 15");
        sendOpening(e, {});
        const std::string line = awaitAnswer(e).line;
        finish(e);
        return line;
    };
    const std::string first = proposal({"INFO swap2_seed 12345"});
    EXPECT_EQ(proposal({"INFO swap2_seed 12345"}), first);

    // Different seeds, and seeds drawn afresh for every answer: not all one opening.
    EngineProcess e;
    e.send("INFO max_depth 2");
    start(e, "START 15");
    for (bool drawn : {false, true}) {
        if (drawn) e.send("INFO swap2_seed 0");
        std::set<std::string> seen;
        for (int i = 0; i < 6; ++i) {
            if (!drawn) e.send("INFO swap2_seed " + std::to_string(i + 1));
            sendOpening(e, {});
            const Answer a = awaitAnswer(e);
            ASSERT_EQ(a.points.size(), 3u) << a.line;
            seen.insert(a.line);
        }
        EXPECT_GE(seen.size(), 2u) << (drawn ? "drawn seeds" : "seeds 1 to 6");
    }
    finish(e);
}

TEST(Swap2Choice, ThreeStonesSwapPlayOrPutTwoByTheValueForWhite) {
    for (int rule : {0, 1}) {
        EngineProcess e;
        e.send("INFO max_depth 4");
        e.send("INFO rule " + std::to_string(rule));
        start(e, "START 15");

        sendOpening(e, BlackBetter);
        Answer a = awaitAnswer(e);
        EXPECT_TRUE(a.isSwap) << "rule " << rule << ": " << a.line;
        ASSERT_TRUE(a.hasValue);
        EXPECT_LT(a.value, -ClearAdvantage);
        expectRecordEndsWith(e, BlackBetter);

        sendOpening(e, WhiteBetter);
        a = awaitAnswer(e);
        ASSERT_EQ(a.points.size(), 1u) << "rule " << rule << ": " << a.line;
        expectFreePoints(a.points, WhiteBetter, 15);
        ASSERT_TRUE(a.hasValue);
        EXPECT_GT(a.value, ClearAdvantage);
        expectRecordEndsWith(e, {WhiteBetter[2], a.points[0]});

        sendOpening(e, Balanced);
        a = awaitAnswer(e);
        ASSERT_EQ(a.points.size(), 2u) << "rule " << rule << ": " << a.line;
        expectFreePoints(a.points, Balanced, 15);
        ASSERT_TRUE(a.hasValue);
        EXPECT_LE(std::abs(a.value), ClearAdvantage);
        expectRecordEndsWith(e, {Balanced[2], a.points[0], a.points[1]});
        finish(e);
    }
}

TEST(Swap2Choice, FiveStonesSwapOrPlayTheSixth) {
    for (int rule : {0, 1, 2}) {
        EngineProcess e;
        e.send("INFO max_depth 4");
        e.send("INFO rule " + std::to_string(rule));
        start(e, "START 15");

        sendOpening(e, BlackBetterFive);
        Answer a = awaitAnswer(e);
        EXPECT_TRUE(a.isSwap) << "rule " << rule << ": " << a.line;
        ASSERT_TRUE(a.hasValue);
        EXPECT_LT(a.value, -FinalSwapMargin);
        expectRecordEndsWith(e, {BlackBetterFive[4]});

        sendOpening(e, WhiteBetterFive);
        a = awaitAnswer(e);
        ASSERT_EQ(a.points.size(), 1u) << "rule " << rule << ": " << a.line;
        expectFreePoints(a.points, WhiteBetterFive, 15);
        ASSERT_TRUE(a.hasValue);
        EXPECT_GE(a.value, -FinalSwapMargin);
        expectRecordEndsWith(e, {WhiteBetterFive[4], a.points[0]});
        finish(e);
    }
}

// After the answer the record is the opening and the answer's stones, so a
// TURN goes on from there with the colour the engine chose.
TEST(Swap2Choice, TheGameGoesOnFromTheAnswer) {
    EngineProcess e;
    e.send("INFO max_depth 3");
    start(e, "START 15");
    sendOpening(e, WhiteBetter);
    const Answer a = awaitAnswer(e);
    ASSERT_EQ(a.points.size(), 1u) << a.line;
    e.send("TURN 13,13");  // black's 5th stone; the engine, white, plays the 6th
    std::string move = e.awaitMove(Slow);
    ASSERT_TRUE(isMoveLine(move)) << move;
    int x, y;
    ASSERT_EQ(std::sscanf(move.c_str(), "%d,%d", &x, &y), 2);
    std::vector<Point> taken = WhiteBetter;
    taken.push_back(a.points[0]);
    taken.push_back({13, 13});
    expectFreePoints({{x, y}}, taken, 15);
    expectRecordEndsWith(e, {WhiteBetter[2], a.points[0], {13, 13}, {x, y}});

    sendOpening(e, BlackBetter);
    ASSERT_TRUE(awaitAnswer(e).isSwap);
    e.send("TURN 6,6");  // white's 4th stone; the engine, now black, plays the 5th
    move = e.awaitMove(Slow);
    ASSERT_EQ(std::sscanf(move.c_str(), "%d,%d", &x, &y), 2) << move;
    taken = BlackBetter;
    taken.push_back({6, 6});
    expectFreePoints({{x, y}}, taken, 15);
    finish(e);
}

TEST(Swap2Body, BodiesThatAreNoOpeningDrawOneErrorAndChangeNothing) {
    EngineProcess e;
    e.send("INFO max_depth 2");
    start(e, "START 15");
    e.send("PLAY 3,3");
    ASSERT_EQ(e.nextLine(), "3,3");
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"7,7"}, "ERROR SWAP2BOARD: 1 stones; an opening has 0, 3 or 5"},
        {{"7,7", "7,8"}, "ERROR SWAP2BOARD: 2 stones; an opening has 0, 3 or 5"},
        {{"7,7", "7,8", "8,8", "9,9"}, "ERROR SWAP2BOARD: 4 stones; an opening has 0, 3 or 5"},
        {{"7,7", "7,8", "8,8", "9,9", "1,1", "2,2"}, "ERROR SWAP2BOARD: 6 stones; an opening has 0, 3 or 5"},
        {{"7,7", "7,8", "7,7"}, "ERROR SWAP2BOARD: the point 7,7 is given twice"},
        {{"7,7", "7,8", "8,8", "7,8", "8,8"}, "ERROR SWAP2BOARD: the point 7,8 is given twice"},
        {{"7,7", "15,3", "8,8"}, "ERROR bad coordinates"},
        {{"7,7", "-1,3", "8,8"}, "ERROR bad coordinates"},
        {{"7,7", "seven", "8,8"}, "ERROR bad coordinates"},
        {{"7,7", "", "8,8"}, "ERROR bad coordinates"},
    };
    for (const auto& c : cases) {
        sendBody(e, "SWAP2BOARD", c.first);
        EXPECT_EQ(linesBeforeAbout(e), std::vector<std::string>{c.second}) << c.second;
    }
    // Two bad lines: each has its error, and still nothing else happens.
    sendBody(e, "swap2board", {"7,7", "x", "8,8", "99,99", "9,9"});
    EXPECT_EQ(linesBeforeAbout(e), (std::vector<std::string>{"ERROR bad coordinates", "ERROR bad coordinates"}));
    // The game is still the one move.
    e.send("TAKEBACK 3,3");
    EXPECT_EQ(e.nextLine(), "OK");
    // And an opening after all that is answered.
    sendOpening(e, Balanced);
    const Answer a = awaitAnswer(e);
    EXPECT_TRUE(a.isSwap || a.points.size() == 1 || a.points.size() == 2) << a.line;
    finish(e);
}

TEST(Swap2Body, BoardsWithoutRoom) {
    EngineProcess e;
    e.send("INFO max_depth 2");
    // Four points, all masked: no opening can be proposed.
    start(e, "START 2");
    maskAll(e, 2);
    sendOpening(e, {});
    EXPECT_EQ(awaitAnswer(e).line, "ERROR no legal opening: fewer than three points are free and not blocked");
    e.send("ovblockreset");
    // Unmasked, the four points hold a proposal.
    sendOpening(e, {});
    Answer a = awaitAnswer(e);
    ASSERT_EQ(a.points.size(), 3u) << a.line;
    expectFreePoints(a.points, {}, 2);
    // Nine points, all masked: the engine cannot play, the other side can.
    start(e, "START 3");
    maskAll(e, 3);
    sendOpening(e, {{0, 0}, {1, 1}, {2, 2}});
    EXPECT_TRUE(awaitAnswer(e).isSwap);
    e.send("ovblockreset");
    // Five points filled by five stones.
    start(e, "RECTSTART 5,1");
    sendOpening(e, {{0, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 4}});
    EXPECT_EQ(awaitAnswer(e).line, "ERROR no legal move: the board is full");
    finish(e);
}

// The threading build runs these against a TSan engine.
TEST(Swap2Threading, AStoppedAnswerIsStillAnAnswer) {
    EngineProcess e;
    e.send("INFO max_node -1");
    e.send("INFO show_detail 1");
    start(e, "START 15");
    for (const std::vector<Point>& opening : {std::vector<Point>{}, Balanced, BlackBetterFive}) {
        sendOpening(e, opening);
        // Thinks until stopped: wait for its first iteration, then stop it.
        const std::vector<std::string> lines = e.readUntilPrefix("MESSAGE DETAIL DEPTH:", Slow);
        ASSERT_EQ(lines.back().rfind("MESSAGE DETAIL DEPTH:", 0), 0u) << lines.back();
        e.send("ovstop");
        const Answer a = awaitAnswer(e);
        if (opening.empty()) EXPECT_EQ(a.points.size(), 3u) << a.line;
        else EXPECT_TRUE(a.isSwap || (a.points.size() >= 1 && a.points.size() <= (opening.size() == 3 ? 2u : 1u)))
                << a.line;
        expectFreePoints(a.points, opening, 15);
    }
    // END in the middle of an answer: the answer, then a clean exit.
    sendOpening(e, Balanced);
    ASSERT_EQ(e.readUntilPrefix("MESSAGE DETAIL DEPTH:", Slow).back().rfind("MESSAGE DETAIL DEPTH:", 0), 0u);
    e.send("END");
    const Answer a = awaitAnswer(e);
    EXPECT_TRUE(a.isSwap || a.points.size() == 1 || a.points.size() == 2) << a.line;
    EXPECT_EQ(e.waitExit(), 0);
}
