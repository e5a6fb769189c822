// The analysis commands seen from a front end: ovnbest, ovbalanceone and
// ovbalancetwo report in MESSAGE lines, play no move, leave the record alone,
// and end with their final line when stopped.
#include <cstdio>
#include <gtest/gtest.h>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "support/engine_process.h"
#include "support/session_helpers.h"

using testing_support::EngineProcess;
using testing_support::expectGreeting;
using testing_support::isMoveLine;
using testing_support::maskAll;
using testing_support::start;

namespace {

constexpr int Slow = 60000;  // generous per-line timeout for the sanitizer builds

const std::regex NbestIteration(R"(MESSAGE DETAIL DEPTH:(\d+)-(\d+) VAL:(-?\d+) TIME:\d+ms NODE:\d+m (\[\d+,[A-X]\]))");
const std::regex NbestNumbered(R"(MESSAGE \((\d+)\) VAL:(-?\d+) (\[\d+,[A-X]\]))");
const std::regex NbestFinal(R"(MESSAGE DETAIL \(NBEST\) DEPTH:(\d+)-(\d+) VAL:(-?\d+) TIME:\d+ms NODE:\d+m (\[\d+,[A-X]\]))");
const std::regex NbestFinalLine(R"(MESSAGE \((\d+)\) VAL:(-?\d+) ((\[\d+,[A-X]\])+))");

// Sets up a position without a think (ovboard): "x,y,who" lines in the order played.
void position(EngineProcess& e, const std::vector<std::string>& lines) {
    e.send("ovboard");
    for (const auto& l : lines) e.send(l);
    e.send("DONE");
}

bool startsWith(const std::string& line, const std::string& prefix) { return line.rfind(prefix, 0) == 0; }

// The (x, y) of every "[%d,%c]" in text, on a board of the given height.
std::vector<std::pair<int, int>> pointsIn(const std::string& text, int height) {
    std::vector<std::pair<int, int>> points;
    const std::regex point(R"(\[(\d+),([A-X])\])");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), point); it != std::sregex_iterator(); ++it)
        points.emplace_back(height - std::stoi((*it)[1]), (*it)[2].str()[0] - 'A');
    return points;
}

std::string coordinates(std::pair<int, int> p) { return std::to_string(p.first) + "," + std::to_string(p.second); }

// Everything the engine still writes until its worker is idle: a TAKEBACK
// with bad coordinates first waits for the think to end, then draws its error
// line, and changes nothing.
std::vector<std::string> restOfThink(EngineProcess& e) {
    e.send("TAKEBACK -1,-1");
    std::vector<std::string> lines = e.readUntilPrefix("ERROR bad coordinates", Slow);
    EXPECT_EQ(lines.back(), "ERROR bad coordinates");
    lines.pop_back();
    return lines;
}

}  // namespace

TEST(AnalysisNbest, ThreeBestWithIterationAndFinalLines) {
    EngineProcess e;
    e.send("INFO max_depth 5");
    start(e, "START 15");
    position(e, {"7,7,2", "7,8,1", "8,8,2"});
    e.send("ovnbest 3");
    std::vector<std::string> lines = e.readUntilPrefix("MESSAGE DETAIL (NBEST)", Slow);
    ASSERT_TRUE(startsWith(lines.back(), "MESSAGE DETAIL (NBEST)")) << lines.back();
    EXPECT_EQ(lines[0], "MESSAGE Rule Gomoku (Freestyle)");

    // Iterations: depths 2 to 6; from depth 5 on each is followed by three
    // numbered lines, best first, the first being the iteration's own move.
    std::vector<int> depths;
    std::vector<std::string> lastNumbered;
    for (size_t i = 1; i + 1 < lines.size();) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(lines[i], m, NbestIteration)) << lines[i];
        const int depth = std::stoi(m[1]);
        depths.push_back(depth);
        const std::string value = m[3], point = m[4];
        ++i;
        if (depth < 5) continue;
        lastNumbered.clear();
        int previous = 1 << 30;
        for (int k = 1; k <= 3; ++k, ++i) {
            std::smatch n;
            ASSERT_LT(i + 1, lines.size());
            ASSERT_TRUE(std::regex_match(lines[i], n, NbestNumbered)) << lines[i];
            EXPECT_EQ(std::stoi(n[1]), k);
            EXPECT_LE(std::stoi(n[2]), previous);
            previous = std::stoi(n[2]);
            if (k == 1) {
                EXPECT_EQ(n[2], value);
                EXPECT_EQ(n[3], point);
            }
            lastNumbered.push_back(n[3]);
        }
    }
    EXPECT_EQ(depths, (std::vector<int>{2, 3, 4, 5, 6}));

    // The final line, then the three best numbered from 0 with their lines of
    // at most depth + 1 moves.
    std::smatch f;
    ASSERT_TRUE(std::regex_match(lines.back(), f, NbestFinal)) << lines.back();
    EXPECT_EQ(f[1], "6");
    EXPECT_EQ(f[4], lastNumbered.at(0));
    for (int k = 0; k < 3; ++k) {
        const std::string line = e.nextLine(Slow);
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, NbestFinalLine)) << line;
        EXPECT_EQ(std::stoi(m[1]), k);
        const auto moves = pointsIn(m[3], 15);
        EXPECT_GE(moves.size(), 1u);
        EXPECT_LE(moves.size(), 6u);
        EXPECT_EQ(pointsIn(lastNumbered.at(k), 15).at(0), moves.at(0)) << line;
        if (k == 0) {
            EXPECT_EQ(m[2], f[3]);
        }
    }
    // No move follows.
    EXPECT_TRUE(restOfThink(e).empty());
    e.send("END");
    EXPECT_EQ(e.waitExit(), 0);
}

TEST(AnalysisNbest, CountBelowOneOrMissingActsAsOneAndALargeCountListsEveryCandidate) {
    EngineProcess e;
    e.send("INFO max_depth 2");
    start(e, "START 15");
    position(e, {"7,7,2"});
    for (const char* command : {"ovnbest 0", "ovnbest", "ovnbest -4"}) {
        e.send(command);
        std::vector<std::string> lines = e.readUntilPrefix("MESSAGE DETAIL (NBEST)", Slow);
        ASSERT_TRUE(std::regex_match(lines.back(), NbestFinal)) << command << ": " << lines.back();
        const std::vector<std::string> rest = restOfThink(e);
        ASSERT_EQ(rest.size(), 1u) << command;
        EXPECT_TRUE(startsWith(rest[0], "MESSAGE (0) VAL:")) << rest[0];
    }
    // A single stone has 32 points around it: 1000 lists all of them once.
    e.send("ovnbest 1000");
    std::vector<std::string> lines = e.readUntilPrefix("MESSAGE DETAIL (NBEST)", Slow);
    ASSERT_TRUE(std::regex_match(lines.back(), NbestFinal)) << lines.back();
    const std::vector<std::string> rest = restOfThink(e);
    ASSERT_EQ(rest.size(), 32u);
    std::vector<std::pair<int, int>> firsts;
    for (size_t k = 0; k < rest.size(); ++k) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(rest[k], m, NbestFinalLine)) << rest[k];
        EXPECT_EQ(std::stoi(m[1]), int(k));
        const auto p = pointsIn(m[3], 15).at(0);
        EXPECT_LE(std::max(std::abs(p.first - 7), std::abs(p.second - 7)), 3) << rest[k];
        for (const auto& q : firsts) EXPECT_NE(p, q) << rest[k];
        firsts.push_back(p);
    }
    e.send("END");
    EXPECT_EQ(e.waitExit(), 0);
}

TEST(AnalysisNbest, TurnAfterwardsThinksNormallyOnTheUnchangedRecord) {
    EngineProcess e;
    e.send("INFO max_depth 3");
    start(e, "START 15");
    position(e, {"7,7,2", "7,8,1", "8,8,2"});
    e.send("ovnbest 2");
    ASSERT_TRUE(startsWith(e.readUntilPrefix("MESSAGE DETAIL (NBEST)", Slow).back(), "MESSAGE DETAIL (NBEST)"));
    e.send("TURN 6,6");
    std::vector<std::string> messages;
    const std::string move = e.awaitMove(Slow, &messages);
    int x, y;
    ASSERT_EQ(std::sscanf(move.c_str(), "%d,%d", &x, &y), 2) << move;
    for (const auto& m : messages) EXPECT_EQ(m.find("NBEST"), std::string::npos) << m;
    // The record is the three stones, 6,6 and the answer, in that order.
    for (const std::string& taken : {move, std::string("6,6"), std::string("8,8"), std::string("7,8")}) {
        e.send("TAKEBACK " + taken);
        EXPECT_EQ(e.nextLine(), "OK") << taken;
    }
    e.send("END");
    EXPECT_EQ(e.waitExit(), 0);
}

TEST(AnalysisBalance, OneTargetsZeroByDefaultAndClampsTheTarget) {
    const std::pair<const char*, const char*> cases[] = {
        {"ovbalanceone", "+0"}, {"ovbalanceone 5000", "-2000"}, {"ovbalanceone -5000", "+2000"},
        {"ovbalanceone 150", "-150"}};
    EngineProcess e;
    e.send("INFO max_depth 3");
    start(e, "START 15");
    position(e, {"7,7,2", "7,8,1", "8,8,2"});
    for (const auto& c : cases) {
        e.send(c.first);
        std::vector<std::string> lines = e.readUntilPrefix("MESSAGE DETAIL (BALANCE)", Slow);
        const std::string sign = c.second[0] == '+' ? "\\+" : "-";
        const std::string target = "\\|VAL" + sign + (c.second + 1) + "\\|:(\\d+)";
        const std::regex iteration("MESSAGE DETAIL DEPTH:(\\d+)-\\d+ " + target + R"( TIME:\d+ms NODE:\d+m \[\d+,[A-X]\])");
        const std::regex final("MESSAGE DETAIL \\(BALANCE\\) DEPTH:(\\d+)-\\d+ " + target +
                               R"( TIME:\d+ms NODE:\d+m (\[\d+,[A-X]\]))");
        std::vector<int> depths;
        std::string lastPoint;
        for (const auto& l : lines) {
            std::smatch m;
            if (std::regex_match(l, m, iteration)) depths.push_back(std::stoi(m[1]));
            else EXPECT_TRUE(startsWith(l, "MESSAGE Rule") || startsWith(l, "MESSAGE DETAIL (BALANCE)")) << l;
        }
        EXPECT_EQ(depths, (std::vector<int>{2, 3, 4})) << c.first;
        std::smatch f;
        ASSERT_TRUE(std::regex_match(lines.back(), f, final)) << c.first << ": " << lines.back();
        EXPECT_EQ(f[1], "4");
        EXPECT_TRUE(restOfThink(e).empty()) << c.first;
        // The answer is an empty point near the stones: the engine may play it.
        const auto p = pointsIn(f[3], 15).at(0);
        EXPECT_LE(std::max(std::abs(p.first - 7), std::abs(p.second - 8)), 4) << lines.back();
        e.send("PLAY " + coordinates(p));
        EXPECT_EQ(e.nextLine(), coordinates(p));
        e.send("TAKEBACK " + coordinates(p));
        EXPECT_EQ(e.nextLine(), "OK");
    }
    e.send("TAKEBACK 8,8");  // the record is still the three stones
    EXPECT_EQ(e.nextLine(), "OK");
    e.send("END");
    EXPECT_EQ(e.waitExit(), 0);
}

TEST(AnalysisBalance, TwoOnAnEmptyBoardAnswersAPairWithinThreeRowsAndColumns) {
    EngineProcess e;
    e.send("INFO max_depth 2");
    start(e, "START 7");
    e.send("ovbalancetwo 30");
    std::vector<std::string> lines = e.readUntilPrefix("MESSAGE DETAIL (BALANCE)", Slow);
    const std::regex iteration(R"(MESSAGE DETAIL DEPTH:(\d+)-\d+ \|VAL-30\|:\d+ TIME:\d+ms NODE:\d+m \[\d+,[A-G]\]\[\d+,[A-G]\])");
    const std::regex final(R"(MESSAGE DETAIL \(BALANCE\) DEPTH:4-\d+ \|VAL-30\|:\d+ TIME:\d+ms NODE:\d+m ((\[\d+,[A-G]\]){2}))");
    ASSERT_EQ(lines.size(), 4u) << ::testing::PrintToString(lines);
    EXPECT_EQ(lines[0], "MESSAGE Rule Gomoku (Freestyle)");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(lines[1], m, iteration)) << lines[1];
    EXPECT_EQ(m[1], "3");
    ASSERT_TRUE(std::regex_match(lines[2], m, iteration)) << lines[2];
    EXPECT_EQ(m[1], "4");
    ASSERT_TRUE(std::regex_match(lines[3], m, final)) << lines[3];
    const auto pair = pointsIn(m[1], 7);
    ASSERT_EQ(pair.size(), 2u);
    EXPECT_NE(pair[0], pair[1]);
    EXPECT_LE(std::max(std::abs(pair[0].first - pair[1].first), std::abs(pair[0].second - pair[1].second)), 3);
    for (const auto& p : pair) {
        EXPECT_TRUE(p.first >= 0 && p.first < 7 && p.second >= 0 && p.second < 7) << lines[3];
    }
    // Still an empty record: the first move of a game is the centre, at once.
    e.send("BEGIN");
    EXPECT_EQ(e.awaitMove(Slow), "3,3");
    e.send("END");
    EXPECT_EQ(e.waitExit(), 0);
}

// The first analysis of a process pays for setting up its tables; with a short
// budget it still ranks the n moves asked for, each with its line.
TEST(AnalysisNbest, FirstAnalysisOfAProcessRanksNMovesOnAShortBudget) {
    for (int budget : {400, 1000}) {
        EngineProcess e;
        e.send("INFO timeout_turn " + std::to_string(budget));
        start(e, "START 15");
        position(e, {"7,7,2", "7,8,1", "8,8,2"});
        e.send("ovnbest 3");
        std::vector<std::string> lines = e.readUntilPrefix("MESSAGE DETAIL (NBEST)", Slow);
        ASSERT_TRUE(startsWith(lines.back(), "MESSAGE DETAIL (NBEST)")) << lines.back();
        for (int i = 0; i < 3; ++i) {
            const std::string line = e.nextLine(Slow);
            std::smatch m;
            ASSERT_TRUE(std::regex_match(line, m, NbestFinalLine)) << budget << ": " << line;
            EXPECT_EQ(std::stoi(m[1]), i);
        }
        EXPECT_TRUE(restOfThink(e).empty());
        e.send("END");
        EXPECT_EQ(e.waitExit(), 0);
    }
}

TEST(AnalysisEdge, FullOrFullyMaskedBoardGivesAFinalLineWithoutAPoint) {
    const std::regex nbest(R"(MESSAGE DETAIL \(NBEST\) DEPTH:0-0 VAL:0 TIME:\d+ms NODE:0m)");
    const std::regex balance(R"(MESSAGE DETAIL \(BALANCE\) DEPTH:0-0 \|VAL\+0\|:10000 TIME:\d+ms NODE:0m)");
    for (bool masked : {false, true}) {
        EngineProcess e;
        start(e, "START 5");
        if (masked) {
            maskAll(e, 5);
        } else {
            std::vector<std::string> all;
            for (int x = 0; x < 5; ++x)
                for (int y = 0; y < 5; ++y) {
                    // 25 stones in played order: the opponent had the first move.
                    const int who = (x * 5 + y) % 2 == 0 ? 2 : 1;
                    all.push_back(std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(who));
                }
            position(e, all);
        }
        e.send("ovnbest 3");
        EXPECT_EQ(e.nextLine(Slow), "MESSAGE Rule Gomoku (Freestyle)");
        std::string line = e.nextLine(Slow);
        EXPECT_TRUE(std::regex_match(line, nbest)) << line;
        for (const char* command : {"ovbalanceone", "ovbalancetwo"}) {
            e.send(command);
            line = e.nextLine(Slow);
            EXPECT_TRUE(std::regex_match(line, balance)) << command << ": " << line;
        }
        EXPECT_TRUE(restOfThink(e).empty());
        e.send("END");
        EXPECT_EQ(e.waitExit(), 0);
    }
}

// The threading build runs these against a TSan engine.
TEST(AnalysisThreading, StopEndsEachModeWithItsFinalLine) {
    const std::pair<const char*, const char*> modes[] = {{"ovnbest 3", "MESSAGE DETAIL (NBEST)"},
                                                         {"ovbalanceone 40", "MESSAGE DETAIL (BALANCE)"},
                                                         {"ovbalancetwo", "MESSAGE DETAIL (BALANCE)"}};
    EngineProcess e;
    e.send("INFO max_node -1");
    start(e, "START 12");
    position(e, {"6,6,2", "6,7,1", "7,7,2"});
    for (const auto& mode : modes) {
        e.send(mode.first);
        // Deepens until stopped: wait for its first iteration, then stop it.
        std::vector<std::string> lines = e.readUntilPrefix("MESSAGE DETAIL DEPTH:", Slow);
        ASSERT_TRUE(startsWith(lines.back(), "MESSAGE DETAIL DEPTH:")) << mode.first << ": " << lines.back();
        e.send("ovstop");
        lines = e.readUntilPrefix(mode.second, 10000);
        ASSERT_TRUE(startsWith(lines.back(), mode.second)) << mode.first << ": " << lines.back();
        for (const auto& l : lines) EXPECT_TRUE(startsWith(l, "MESSAGE")) << mode.first << ": " << l;
        // Only report lines follow (n-best's ranked lines), never a move.
        for (const auto& l : restOfThink(e))
            EXPECT_TRUE(startsWith(l, "MESSAGE (")) << mode.first << ": " << l;
    }
    // A stop that comes before the first iteration still draws the final line.
    e.send("ovbalancetwo");
    e.send("ovstop");
    std::vector<std::string> lines = e.readUntilPrefix("MESSAGE DETAIL (BALANCE)", 10000);
    EXPECT_TRUE(startsWith(lines.back(), "MESSAGE DETAIL (BALANCE)")) << lines.back();
    // The record is untouched: the last of the three stones can be taken back.
    e.send("TAKEBACK 7,7");
    EXPECT_EQ(e.nextLine(), "OK");
    e.send("END");
    EXPECT_EQ(e.waitExit(), 0);
}

TEST(AnalysisThreading, EndDuringAnAnalysisWritesTheFinalLineAndExits) {
    EngineProcess e;
    e.send("INFO max_node -1");
    start(e, "START 12");
    position(e, {"6,6,2"});
    e.send("ovnbest 2");
    ASSERT_TRUE(startsWith(e.readUntilPrefix("MESSAGE DETAIL DEPTH:", Slow).back(), "MESSAGE DETAIL DEPTH:"));
    e.send("END");
    const std::vector<std::string> lines = e.readUntilPrefix("MESSAGE DETAIL (NBEST)", 10000);
    EXPECT_TRUE(startsWith(lines.back(), "MESSAGE DETAIL (NBEST)")) << lines.back();
    EXPECT_EQ(e.waitExit(), 0);
}

// A second analysis command sent while the first has only just been started
// stops it and is itself an analysis: neither plays a move.
TEST(AnalysisThreading, AnalysisCommandsInARowAreEachAnAnalysis) {
    EngineProcess e;
    e.send("INFO max_depth 3");
    start(e, "START 15");
    position(e, {"7,7,2", "7,8,1", "8,8,2"});
    for (int round = 0; round < 5; ++round) {
        e.writeRaw("ovbalanceone\novbalanceone\n");
        int finals = 0;
        while (finals < 2) {
            const std::string line = e.nextLine(Slow);
            ASSERT_TRUE(startsWith(line, "MESSAGE")) << "round " << round << ": " << line;
            if (startsWith(line, "MESSAGE DETAIL (BALANCE)")) ++finals;
        }
        EXPECT_TRUE(restOfThink(e).empty()) << "round " << round;
    }
    // The record is still the three stones.
    e.send("TAKEBACK 8,8");
    EXPECT_EQ(e.nextLine(), "OK");
    e.send("END");
    EXPECT_EQ(e.waitExit(), 0);
}
