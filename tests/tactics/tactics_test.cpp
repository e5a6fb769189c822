// The tactics set (positions.txt): its answers checked by a solver of its
// own, and the real engine, driven through the protocol, playing a winning
// first move in every position. A search change that loses one of these wins
// fails here.
//
// Each think has a node budget (INFO max_node), so that what the engine
// finds does not depend on the machine's speed; timeout_turn is only a
// backstop far above what the budget takes.
#include <cstdio>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <string>

#include "support/engine_process.h"
#include "support/session_helpers.h"
#include "tactics/tactics_file.h"
#include "tactics/vcf_solver.h"

namespace tactics {
namespace {

using testing_support::EngineProcess;

constexpr int NodeBudget = 300;       // units of 1024 nodes
constexpr int BackstopTurnMs = 30000;

const std::vector<Position>& positions() {
    static const std::vector<Position> all = [] {
        std::vector<Position> p;
        std::string error;
        if (!loadPositions(OLVAR_TACTICS_FILE, p, error)) ADD_FAILURE() << error;
        return p;
    }();
    return all;
}

std::string text(const std::set<Point>& points) {
    std::string s;
    for (const Point& p : points) {
        if (!s.empty()) s += ' ';
        s += std::to_string(p.first);
        s += ',';
        s += std::to_string(p.second);
    }
    return s.empty() ? "none" : s;
}

std::string where(const Position& p) { return "positions.txt:" + std::to_string(p.line) + " " + p.comment; }

TEST(TacticsSet, PositionsAreWellFormed) {
    const char* rules[] = {"freestyle", "standard", "renju"};
    std::map<int, int> perRule;
    for (const Position& p : positions()) {
        SCOPED_TRACE(where(p));
        ++perRule[p.rule];
        match::Referee b = p.board();
        std::set<Point> seen;
        for (const auto* stones : {&p.black, &p.white})
            for (const Point& s : *stones)
                EXPECT_TRUE(seen.insert(s).second) << "stone twice at " << s.first << "," << s.second;
        for (const Point& w : p.wins) EXPECT_EQ(b.at(w.first, w.second), 0) << "winning move on a stone";
        // Nobody has five, and the side to move does not simply complete one
        // nor face a four it must block: the wins are the set's puzzles.
        for (const auto* stones : {&p.black, &p.white})
            for (const Point& s : *stones) EXPECT_FALSE(b.makesFive(s.first, s.second, b.at(s.first, s.second)));
        EXPECT_TRUE(fivePoints(b, p.toMove()).empty()) << "the side to move has a four";
        EXPECT_TRUE(fivePoints(b, 3 - p.toMove()).empty()) << "the side not to move has a four";
    }
    for (int rule = 0; rule < 3; ++rule) EXPECT_GE(perRule[rule], 10) << rules[rule];
}

TEST(TacticsSet, WinningMovesAreTheSolvers) {
    for (const Position& p : positions()) {
        SCOPED_TRACE(where(p));
        match::Referee b = p.board();
        const std::set<Point> solved = vcfWinningMoves(b, p.toMove());
        const std::set<Point> listed(p.wins.begin(), p.wins.end());
        if (p.kind == "vcf") EXPECT_EQ(text(listed), text(solved));
        else EXPECT_EQ(text(solved), "none") << "a vct position with a win by fours";
    }
}

// After any move of the side to move that makes no four, the other side wins
// by fours: the listed wins are then all the winning moves. About a minute,
// so only on request (--gtest_also_run_disabled_tests).
TEST(TacticsSet, DISABLED_EveryQuietMoveLoses) {
    for (const Position& p : positions()) {
        SCOPED_TRACE(where(p));
        match::Referee b = p.board();
        const int mover = p.toMove();
        for (int x = 0; x < p.size; ++x)
            for (int y = 0; y < p.size; ++y) {
                if (b.at(x, y) != 0 || (p.rule == 2 && mover == 1 && b.forbidden(x, y))) continue;
                b.set(x, y, mover);
                if (fivePoints(b, mover).empty()) {
                    EXPECT_FALSE(vcfWinningMoves(b, 3 - mover, 4).empty()) << "after " << x << "," << y;
                }
                b.set(x, y, 0);
            }
    }
}

// The value field of a short report line "MESSAGE c | d | s | Tms | b | v | w | eval mood".
int reportedValue(const std::vector<std::string>& messages) {
    for (const std::string& m : messages) {
        int fields = 0;
        for (char c : m) fields += c == '|';
        if (fields == 7) return std::atoi(m.substr(m.rfind('|') + 1).c_str());
    }
    return 0;
}

void expectWins(int rule) {
    EngineProcess e;
    e.send("INFO rule " + std::to_string(rule));
    e.send("INFO timeout_turn " + std::to_string(BackstopTurnMs));
    e.send("INFO max_node " + std::to_string(NodeBudget));
    e.send("INFO hash_size 16384");
    int played = 0;
    for (const Position& p : positions()) {
        if (p.rule != rule) continue;
        SCOPED_TRACE(where(p));
        testing_support::start(e, "START " + std::to_string(p.size));
        e.send("ovhashclear");
        // Interleaved in played order, black first; field 1 is the engine's own stone.
        auto stone = [&](const Point& s, int colour) {
            e.send(std::to_string(s.first) + "," + std::to_string(s.second) + (colour == p.toMove() ? ",1" : ",2"));
        };
        e.send("BOARD");
        for (size_t i = 0; i < p.black.size(); ++i) {
            stone(p.black[i], 1);
            if (i < p.white.size()) stone(p.white[i], 2);
        }
        e.send("DONE");
        std::vector<std::string> messages;
        const std::string move = e.awaitMove(BackstopTurnMs + 10000, &messages);
        int x = -1, y = -1;
        ASSERT_EQ(std::sscanf(move.c_str(), "%d,%d", &x, &y), 2) << move;
        const std::set<Point> wins(p.wins.begin(), p.wins.end());
        EXPECT_TRUE(wins.count({x, y})) << "played " << move << ", not one of " << text(wins);
        // A win it has proved is reported as the top value.
        if (p.kind == "vcf") {
            EXPECT_EQ(reportedValue(messages), 10000) << "played " << move;
        }
        ++played;
    }
    EXPECT_GT(played, 0);
    testing_support::finish(e);
}

TEST(TacticsEngine, FindsEveryFreestyleWin) { expectWins(0); }
TEST(TacticsEngine, FindsEveryStandardWin) { expectWins(1); }
TEST(TacticsEngine, FindsEveryRenjuWin) { expectWins(2); }

}  // namespace
}  // namespace tactics
