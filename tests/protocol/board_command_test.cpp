// BOARD and ovboard as managers and GUIs use them: each body is the whole
// position, whatever came before, and the fields say whose stones are whose.
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

#include "support/engine_process.h"
#include "support/session_helpers.h"

using testing_support::anyStartsWith;
using testing_support::EngineProcess;
using testing_support::finish;
using testing_support::isMoveLine;
using testing_support::sendBody;
using testing_support::start;

namespace {

// The answer to a think, with every line before it kept in *before.
std::string answer(EngineProcess& e, std::vector<std::string>* before) {
    return e.awaitMove(20000, before);
}

std::string stone(const std::string& point, int who) { return point + "," + std::to_string(who); }

}  // namespace

// The match manager's board mode: START once, then before every move a BOARD
// with the whole game so far, its last stone the opponent's.
TEST(BoardWholePosition, WholeGameBeforeEveryMoveDrawsNoError) {
    EngineProcess e;
    e.send("INFO max_depth 3");
    start(e, "START 15");
    const std::vector<std::string> replies = {"0,0", "0,14", "14,0", "14,14", "0,7", "14,7", "7,0", "7,14"};
    std::vector<std::string> game;  // points in played order; the manager's side moved first
    std::set<std::string> taken;
    size_t next = 0;
    for (int turn = 0; turn < 6; ++turn) {
        while (taken.count(replies[next])) ++next;
        game.push_back(replies[next]);
        taken.insert(replies[next]);
        std::vector<std::string> body;
        for (size_t i = 0; i < game.size(); ++i) body.push_back(stone(game[i], i % 2 == 0 ? 2 : 1));
        sendBody(e, "BOARD", body);
        std::vector<std::string> before;
        const std::string move = answer(e, &before);
        ASSERT_TRUE(isMoveLine(move)) << "turn " << turn << ": " << move;
        EXPECT_FALSE(anyStartsWith(before, "ERROR")) << "turn " << turn;
        EXPECT_EQ(taken.count(move), 0u) << move;
        game.push_back(move);
        taken.insert(move);
    }
    finish(e);
}

TEST(BoardWholePosition, AnotherGameReplacesTheOldOne) {
    EngineProcess e;
    e.send("INFO max_depth 3");
    start(e, "START 15");
    sendBody(e, "BOARD", {"7,3,1", "8,3,2"});
    ASSERT_TRUE(isMoveLine(answer(e, nullptr)));
    // Another game with the same first two stones: the engine has an open four
    // and must complete it, on this position alone.
    std::vector<std::string> before;
    sendBody(e, "BOARD", {"7,3,1", "8,3,2", "7,4,1", "8,4,2", "7,5,1", "8,5,2", "7,6,1", "8,6,2"});
    const std::string move = answer(e, &before);
    EXPECT_TRUE(move == "7,2" || move == "7,7") << move;
    EXPECT_FALSE(anyStartsWith(before, "ERROR"));
    finish(e);
}

TEST(BoardWholePosition, ShorterBodyTakesMovesBackAndFreesTheirPoints) {
    EngineProcess e;
    start(e, "START 15");
    sendBody(e, "ovboard", {"7,7,1", "7,8,2", "8,8,1", "9,9,2"});
    sendBody(e, "ovboard", {"7,7,1", "7,8,2"});  // a GUI's undo of two moves
    EXPECT_TRUE(e.silentFor(200));
    e.send("PLAY 8,8");
    EXPECT_EQ(e.nextLine(), "8,8");
    e.send("TAKEBACK 8,8");
    EXPECT_EQ(e.nextLine(), "OK");
    e.send("TAKEBACK 7,8");
    EXPECT_EQ(e.nextLine(), "OK");
    e.send("TAKEBACK 7,7");
    EXPECT_EQ(e.nextLine(), "OK");
    e.send("TAKEBACK 9,9");
    EXPECT_EQ(e.nextLine(), "ERROR bad coordinates");
    // The same after the board was built by a think.
    e.send("INFO max_depth 2");
    sendBody(e, "BOARD", {"7,7,2", "7,8,1", "8,8,2"});
    const std::string move = answer(e, nullptr);
    ASSERT_TRUE(isMoveLine(move));
    sendBody(e, "ovboard", {"7,7,2"});
    e.send("PLAY " + move);
    EXPECT_EQ(e.nextLine(), move);
    e.send("PLAY 8,8");
    EXPECT_EQ(e.nextLine(), "8,8");
    finish(e);
}

TEST(BoardColours, FieldsDecideWhoseStonesWhateverTheOrder) {
    struct Case {
        std::vector<std::string> body;
        std::set<std::string> answers;
    };
    const Case cases[] = {
        // The engine's open four listed first: it completes five.
        {{"7,3,1", "7,4,1", "7,5,1", "7,6,1", "8,3,2", "8,4,2", "8,5,2", "0,0,2"}, {"7,2", "7,7"}},
        // The opponent's four (one five point, 8,7) listed last: it blocks.
        {{"8,2,1", "0,0,1", "0,14,1", "14,0,1", "8,3,2", "8,4,2", "8,5,2", "8,6,2"}, {"8,7"}},
        // The same with the engine as white.
        {{"8,2,1", "0,0,1", "14,0,1", "8,3,2", "8,4,2", "8,5,2", "8,6,2"}, {"8,7"}},
    };
    for (int rule : {0, 1, 2}) {
        for (const Case& c : cases) {
            EngineProcess e;
            e.send("INFO max_depth 3");
            e.send("INFO rule " + std::to_string(rule));
            start(e, "START 15");
            sendBody(e, "BOARD", c.body);
            const std::string move = answer(e, nullptr);
            EXPECT_EQ(c.answers.count(move), 1u) << "rule " << rule << ", " << c.body.front() << ": " << move;
            finish(e);
        }
    }
}

TEST(BoardColours, PlayedOrderIsKeptAndOtherOrdersInterleaveEachSide) {
    EngineProcess e;
    start(e, "START 15");
    // Fields and order agree: the record is the body's order.
    sendBody(e, "ovboard", {"7,7,1", "7,8,2", "8,8,1", "6,6,2"});
    for (const char* point : {"6,6", "8,8", "7,8", "7,7"}) {
        e.send(std::string("TAKEBACK ") + point);
        EXPECT_EQ(e.nextLine(), "OK") << point;
    }
    // The engine's stones listed first: each side keeps its own order, black
    // (the opponent's, one more of them) first: 7,7 7,8 8,8 6,6 9,9.
    sendBody(e, "ovboard", {"7,8,1", "6,6,1", "7,7,2", "8,8,2", "9,9,2"});
    e.send("TAKEBACK 6,6");
    EXPECT_EQ(e.nextLine(), "ERROR bad coordinates");
    for (const char* point : {"9,9", "6,6", "8,8", "7,8", "7,7"}) {
        e.send(std::string("TAKEBACK ") + point);
        EXPECT_EQ(e.nextLine(), "OK") << point;
    }
    finish(e);
}

TEST(BoardColours, CountsNoGameCanGiveAreRefusedAndChangeNothing) {
    EngineProcess e;
    e.send("INFO max_depth 2");
    start(e, "START 15");
    sendBody(e, "ovboard", {"3,3,2"});
    const std::pair<std::vector<std::string>, const char*> refused[] = {
        {{"7,7,1"}, "1 own and 0 opponent's"},
        {{"7,7,2", "8,8,2", "9,9,2"}, "0 own and 3 opponent's"},
        {{"7,7,1", "8,8,1", "9,9,2"}, "2 own and 1 opponent's"},
    };
    for (const auto& r : refused) {
        for (const char* command : {"BOARD", "ovboard"}) {
            sendBody(e, command, r.first);
            EXPECT_EQ(e.nextLine(), std::string("ERROR position refused: ") + r.second +
                                        " stones cannot come from a game with the engine to move");
            EXPECT_TRUE(e.silentFor(200)) << command;  // no think, no move
        }
    }
    e.send("TAKEBACK 3,3");  // the position before the refusals
    EXPECT_EQ(e.nextLine(), "OK");
    finish(e);
}
