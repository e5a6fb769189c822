// Position commands once the search board is built: block stones, refused
// moves, take-backs and the Renju forbidden points.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "support/engine_process.h"
#include "support/session_helpers.h"

using testing_support::EngineProcess;
using testing_support::expectGreeting;
using testing_support::isMoveLine;
using testing_support::start;

namespace {

void body(EngineProcess& e, const char* command, const std::vector<std::string>& lines) {
    e.send(command);
    for (const auto& l : lines) e.send(l);
    e.send("DONE");
}

// Alternating stones: the first player's at `black`, the second's at `white`.
std::vector<std::string> alternate(const std::vector<std::string>& black, const std::vector<std::string>& white) {
    std::vector<std::string> lines;
    for (size_t i = 0; i < black.size(); ++i) {
        lines.push_back(black[i] + ",1");
        if (i < white.size()) lines.push_back(white[i] + ",2");
    }
    return lines;
}

}  // namespace

TEST(PositionForbid, RenjuListsForbiddenPointsInRowOrder) {
    EngineProcess e;
    e.send("INFO rule 2");
    start(e, "START 15");
    e.send("ovshowforbid");
    EXPECT_EQ(e.nextLine(), "FORBID .");  // empty board
    // A double three at 7,6: row 7 holds 7,7 7,8 and column 6 holds 8,6 9,6.
    body(e, "ovboard", alternate({"7,7", "7,8", "8,6", "9,6"}, {"0,0", "0,2", "0,4", "0,6"}));
    e.send("ovshowforbid");
    EXPECT_EQ(e.nextLine(), "FORBID 0706.");
    // A new position replaces that one: an overline point at 3,3 (3,0 3,1
    // 3,2 . 3,4 3,5) and two fours in one line at 12,7 (12,4 . 12,6 [12,7]
    // 12,8 . 12,10).
    body(e, "ovboard",
         alternate({"3,0", "3,1", "3,2", "3,4", "3,5", "12,4", "12,6", "12,8", "12,10"},
                   {"14,0", "14,2", "14,4", "14,6", "14,8", "14,10", "14,12", "14,14", "13,14"}));
    e.send("ovshowforbid");
    EXPECT_EQ(e.nextLine(), "FORBID 03031207.");
    e.send("INFO rule 0");
    e.send("ovshowforbid");
    e.send("INFO rule 1");
    e.send("ovshowforbid");
    EXPECT_TRUE(e.silentFor(300));  // nothing under other rules
    e.send("END");
    EXPECT_EQ(e.waitExit(), 0);
}

TEST(PositionForbid, NoRuleLineAndTheThinkStillRebuilds) {
    EngineProcess e;
    e.send("INFO rule 2");
    e.send("INFO max_depth 2");
    start(e, "START 15");
    body(e, "ovboard", alternate({"7,7", "7,8", "8,6", "9,6"}, {"0,0", "0,2", "0,4", "0,6"}));
    e.send("ovshowforbid");
    EXPECT_EQ(e.nextLine(), "FORBID 0706.");
    // The board is built for Renju now, so the next think writes no rule line,
    // and black never plays the forbidden point.
    e.send("BEGIN");
    std::vector<std::string> messages;
    std::string move = e.awaitMove(20000, &messages);
    EXPECT_NE(move, "7,6");
    for (const auto& m : messages) EXPECT_NE(m.rfind("MESSAGE Rule", 0), 0u) << m;
    e.send("END");
    EXPECT_EQ(e.waitExit(), 0);
}

TEST(PositionBuilt, BlockStonesCountFromTheFirstThink) {
    EngineProcess e;
    e.send("INFO max_depth 2");
    start(e, "START 15");
    // Before anything was built: the first move avoids the block on the centre.
    body(e, "BOARD", {"7,7,3"});
    std::string move = e.awaitMove();
    EXPECT_TRUE(isMoveLine(move));
    EXPECT_NE(move, "7,7");
    e.send("PLAY 7,7");
    EXPECT_EQ(e.nextLine(), "ERROR my move [7,7]");
    EXPECT_EQ(e.nextLine(), "7,7");
    // The same position with the opponent's reply: the block stays, and is
    // refused when the body puts a move on it.
    body(e, "BOARD", {"7,7,3", move + ",1", "3,3,2"});
    std::string second = e.awaitMove();
    EXPECT_TRUE(isMoveLine(second));
    EXPECT_NE(second, "7,7");
    body(e, "ovboard", {"7,7,3", "7,7,2"});
    EXPECT_EQ(e.nextLine(), "ERROR opponents's move [7,7]");
    // Take-backs keep the built board in step with the record.
    e.send("TAKEBACK 7,7");
    EXPECT_EQ(e.nextLine(), "ERROR bad coordinates");
    body(e, "ovboard", {"3,3,3", "5,5,2"});
    e.send("PLAY 3,3");
    EXPECT_EQ(e.nextLine(), "ERROR my move [3,3]");
    EXPECT_EQ(e.nextLine(), "3,3");
    e.send("TAKEBACK 5,5");
    EXPECT_EQ(e.nextLine(), "OK");
    e.send("PLAY 5,5");
    EXPECT_EQ(e.nextLine(), "5,5");
    e.send("PLAY 7,7");  // the earlier block stone went with its position
    EXPECT_EQ(e.nextLine(), "7,7");
    e.send("END");
    EXPECT_EQ(e.waitExit(), 0);
}
