// Whole-program tests: the real engine driven through pipes as a manager does.
#include <cstdio>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "support/engine_process.h"
#include "support/session_helpers.h"

using testing_support::EngineProcess;
using testing_support::finish;
using testing_support::expectGreeting;
using testing_support::isMoveLine;
using testing_support::start;
using Lines = std::vector<std::string>;

TEST(ProtocolAbout, IdentityLine) {
    EngineProcess e;
    e.send("ABOUT");
    EXPECT_EQ(e.nextLine(),
              "name=\"Olvar\", author=\"Zorvath\", version=\"2015 Kernal 0.4.49\", country=\"China\", "
              "www=\"https://olvar.example.org\"");
    finish(e);
}

TEST(ProtocolUnknown, LinesThatMatchNoCommand) {
    EngineProcess e;
    for (const char* line : {"", "DONE", "hello", " START 15", "7,7"}) {
        e.send(line);
        EXPECT_EQ(e.nextLine(), "UNKNOWN command") << '"' << line << '"';
    }
    finish(e);
}

TEST(ProtocolStart, SizesAndGreetings) {
    EngineProcess e;
    e.send("start 15");
    expectGreeting(e);
    e.send("PLAY 14,14");
    EXPECT_EQ(e.nextLine(), "14,14");
    e.send("PLAY 15,0");
    EXPECT_EQ(e.nextLine(), "ERROR bad coordinates");
    finish(e);
}

TEST(ProtocolStart, ZeroOrNoNumberGivesTwentyGreetedTwice) {
    for (const char* line : {"START 0", "START", "START x"}) {
        EngineProcess e;
        e.send(line);
        expectGreeting(e);
        expectGreeting(e);
        e.send("PLAY 19,19");
        EXPECT_EQ(e.nextLine(), "19,19") << line;
        finish(e);
    }
}

TEST(ProtocolStart, RefusedSizesKeepThePreviousBoard) {
    EngineProcess e;
    e.send("START 15");
    expectGreeting(e);
    e.send("PLAY 7,7");
    EXPECT_EQ(e.nextLine(), "7,7");
    for (const char* line : {"START 25", "START -3", "START 99999999999", "START -99999999999", "START 15 30",
                             "RECTSTART 0,30", "RECTSTART 30,10", "RECTSTART -1,-1", "RECTSTART 10,0"}) {
        e.send(line);
        EXPECT_EQ(e.nextLine(), "ERROR size of the board") << line;
    }
    // Still the 15 x 15 game with its move.
    e.send("PLAY 15,15");
    EXPECT_EQ(e.nextLine(), "ERROR bad coordinates");
    e.send("PLAY 7,7");
    EXPECT_EQ(e.nextLine(), "ERROR my move [7,7]");
    EXPECT_EQ(e.nextLine(), "7,7");
    finish(e);
}

TEST(ProtocolStart, RectangularBoards) {
    EngineProcess e;
    e.send("RECTSTART 20");
    EXPECT_EQ(e.nextLine(), "ERROR bad RECTSTART parameters");
    for (const char* line : {"RECTSTART 20,15", "rectstart 20 ,15", "RECTSTART 20 , 15"}) {
        e.send(line);
        expectGreeting(e);
    }
    e.send("PLAY 14,19");
    EXPECT_EQ(e.nextLine(), "14,19");
    e.send("PLAY 19,14");
    EXPECT_EQ(e.nextLine(), "ERROR bad coordinates");
    e.send("RECTSTART 0,15");  // a zero width asks for the default board
    expectGreeting(e);
    expectGreeting(e);
    e.send("PLAY 19,19");
    EXPECT_EQ(e.nextLine(), "19,19");
    finish(e);
}

TEST(ProtocolTurn, CoordinatesAndImplicitBoard) {
    EngineProcess e;
    e.send("INFO max_depth 2");
    e.send("TURN 19,19");  // no START: a 20 x 20 board is set up first
    expectGreeting(e);
    EXPECT_TRUE(isMoveLine(e.awaitMove()));
    for (const char* line : {"TURN 20,0", "TURN 7 ,7", "TURNX 7,7", "TURN", "TURN -1,3"}) {
        e.send(line);
        EXPECT_EQ(e.nextLine(), "ERROR bad coordinates") << line;
    }
    EXPECT_TRUE(e.silentFor(200));  // no think was started
    e.send("TURN 7, 8");
    const std::string answer = e.awaitMove();
    EXPECT_TRUE(isMoveLine(answer));
    e.send("PLAY 7,8");
    EXPECT_EQ(e.nextLine(), "ERROR my move [7,8]");
    EXPECT_EQ(e.nextLine(), "7,8");
    // An occupied point draws the error and nothing else: no think, and the
    // record is as it was (the engine's answer is still its last move).
    e.send("TURN 19,19");
    EXPECT_EQ(e.nextLine(), "ERROR opponents's move [19,19]");
    EXPECT_TRUE(e.silentFor(300));
    e.send("TAKEBACK " + answer);
    EXPECT_EQ(e.nextLine(), "OK");
    finish(e);
}

// A refused TURN in the middle of a game: the next valid TURN goes on with the
// same game, and the engine still defends.
TEST(ProtocolTurn, RefusedTurnKeepsTheGame) {
    EngineProcess e;
    e.send("INFO rule 1");
    e.send("INFO max_depth 3");
    start(e, "START 15");
    // The opponent fills row 3 from 3,3 (the engine is white), passing over
    // the points the engine took, until it has a four there. Each answer is
    // checked to be legal; after the first three a refused TURN is sent; the
    // answer to the four must block it, unless it makes the engine's own five.
    std::set<std::pair<int, int>> engine, taken;
    const auto parse = [](const std::string& line) {
        const size_t comma = line.find(',');
        return std::make_pair(std::stoi(line.substr(0, comma)), std::stoi(line.substr(comma + 1)));
    };
    const auto makesFive = [&engine](std::pair<int, int> p) {
        static constexpr int steps[4][2] = {{0, 1}, {1, 0}, {1, 1}, {1, -1}};
        for (const auto& step : steps) {
            int count = 1;
            for (int sign : {1, -1})
                for (int i = 1; engine.count({p.first + sign * i * step[0], p.second + sign * i * step[1]}); ++i) ++count;
            if (count >= 5) return true;
        }
        return false;
    };
    int ownStones = 0;
    bool answered = false;
    for (int y = 3; y < 15 && !answered; ++y) {
        if (taken.count({3, y})) continue;
        e.send("TURN 3," + std::to_string(y));
        taken.insert({3, y});
        ++ownStones;
        const std::string line = e.awaitMove();
        ASSERT_TRUE(isMoveLine(line));
        const auto answer = parse(line);
        ASSERT_FALSE(taken.count(answer)) << line << " is taken";
        if (ownStones <= 3) {
            e.send("TURN 3,3");  // again: refused, nothing else
            EXPECT_EQ(e.nextLine(), "ERROR opponents's move [3,3]");
            EXPECT_TRUE(e.silentFor(100));
        }
        // A window of five on row 3 holding four of the opponent's stones and
        // an empty fifth point (before the answer): the answer must take it.
        for (int from = 0; from + 5 <= 15 && !answered; ++from) {
            int stones = 0, gap = -1;
            for (int c = from; c < from + 5; ++c) {
                if (taken.count({3, c}) && !engine.count({3, c})) ++stones;
                else if (!taken.count({3, c})) gap = c;
            }
            if (stones == 4 && gap >= 0) {
                engine.insert(answer);
                EXPECT_TRUE(answer == std::make_pair(3, gap) || makesFive(answer))
                    << "the four (gap 3," << gap << ") was answered with " << line;
                answered = true;
            }
        }
        engine.insert(answer);
        taken.insert(answer);
    }
    EXPECT_TRUE(answered) << "the opponent never made a four";
    finish(e);
}

TEST(ProtocolPlay, EchoesEvenARefusedMove) {
    EngineProcess e;
    e.send("START 15");
    expectGreeting(e);
    e.send("PLAY 3,4");
    EXPECT_EQ(e.nextLine(), "3,4");
    e.send("PLAY 3,4");
    EXPECT_EQ(e.nextLine(), "ERROR my move [3,4]");
    EXPECT_EQ(e.nextLine(), "3,4");
    finish(e);
}

TEST(ProtocolBoard, BodyRecordsMovesInOrder) {
    EngineProcess e;
    e.send("START 15");
    expectGreeting(e);
    e.send("ovboard");
    e.send("7,7,1");
    e.send("7,8,2");
    e.send("done");
    EXPECT_TRUE(e.silentFor(200));
    // The last recorded move can be taken back, the first only after it.
    e.send("TAKEBACK 7,7");
    EXPECT_EQ(e.nextLine(), "ERROR bad coordinates");
    e.send("TAKEBACK 7,8");
    EXPECT_EQ(e.nextLine(), "OK");
    e.send("TAKEBACK 7,7");
    EXPECT_EQ(e.nextLine(), "OK");
    finish(e);
}

TEST(ProtocolBoard, BoardThinksAndRecordsItsMove) {
    EngineProcess e;
    e.send("INFO max_depth 2");
    e.send("START 15");
    expectGreeting(e);
    e.send("BOARD");
    e.send("7,7,1");
    e.send("7,8,2");
    e.send("DONE");
    std::string move = e.awaitMove();
    ASSERT_TRUE(isMoveLine(move));
    // The engine's answer is the last move of the record now.
    e.send("TAKEBACK 7,8");
    EXPECT_EQ(e.nextLine(), "ERROR bad coordinates");
    e.send("TAKEBACK " + move);
    EXPECT_EQ(e.nextLine(), "OK");
    e.send("TAKEBACK 7,8");
    EXPECT_EQ(e.nextLine(), "OK");
    finish(e);
}

TEST(ProtocolBoard, BadBodyLineEndsTheBody) {
    EngineProcess e;
    e.send("INFO max_depth 2");
    e.send("START 15");
    expectGreeting(e);
    e.send("BOARD");
    e.send("7,7,1");
    e.send("7,8,2");
    e.send("7,9");
    EXPECT_EQ(e.nextLine(), "ERROR x,y,who or DONE expected after BOARD");
    std::string move = e.awaitMove();  // BOARD still thinks on what it got
    ASSERT_TRUE(isMoveLine(move));
    e.send("DONE");
    EXPECT_EQ(e.nextLine(), "UNKNOWN command");
    e.send("TAKEBACK " + move);
    EXPECT_EQ(e.nextLine(), "OK");
    for (const char* bad : {"15,3,1", "3,3,4", "3,3,0", "DONE ", "x"}) {
        e.send("ovboard");
        e.send("4,4,2");
        e.send(bad);
        EXPECT_EQ(e.nextLine(), "ERROR x,y,who or DONE expected after BOARD") << bad;
    }
    // Each body was the whole position: the one stone before its bad line.
    e.send("TAKEBACK 7,8");
    EXPECT_EQ(e.nextLine(), "ERROR bad coordinates");
    e.send("TAKEBACK 4,4");
    EXPECT_EQ(e.nextLine(), "OK");
    finish(e);
}

TEST(ProtocolBoard, RefusedStoneInBodyGoesOn) {
    EngineProcess e;
    e.send("START 15");
    expectGreeting(e);
    e.send("ovboard");
    e.send("7,7,1");
    e.send("7,7,2");
    EXPECT_EQ(e.nextLine(), "ERROR opponents's move [7,7]");
    e.send("7,7,1");
    EXPECT_EQ(e.nextLine(), "ERROR my move [7,7]");
    e.send("8,8,3");
    e.send("8,8,2");
    EXPECT_EQ(e.nextLine(), "ERROR opponents's move [8,8]");
    e.send("7,7,3");
    EXPECT_EQ(e.nextLine(), "ERROR board-block move [7,7]");
    e.send("9,9,2");
    e.send("DONE");
    EXPECT_TRUE(e.silentFor(200));
    e.send("TAKEBACK 9,9");
    EXPECT_EQ(e.nextLine(), "OK");
    e.send("TAKEBACK 8,8");  // a block stone, not a move
    EXPECT_EQ(e.nextLine(), "ERROR bad coordinates");
    e.send("TAKEBACK 7,7");
    EXPECT_EQ(e.nextLine(), "OK");
    finish(e);
}

TEST(ProtocolTakeback, RefusalsChangeNothing) {
    EngineProcess e;
    e.send("START 15");
    expectGreeting(e);
    e.send("TAKEBACK 7,7");
    EXPECT_EQ(e.nextLine(), "ERROR bad coordinates");
    e.send("PLAY 7,7");
    EXPECT_EQ(e.nextLine(), "7,7");
    for (const char* line : {"TAKEBACK 8,8", "TAKEBACK 15,15", "TAKEBACK", "TAKEBACK 7 ,7"}) {
        e.send(line);
        EXPECT_EQ(e.nextLine(), "ERROR bad coordinates") << line;
    }
    e.send("TAKEBACK 7,7");
    EXPECT_EQ(e.nextLine(), "OK");
    finish(e);
}

TEST(ProtocolRestart, KeepsTheSize) {
    EngineProcess e;
    e.send("RECTSTART 10,8");
    expectGreeting(e);
    e.send("PLAY 7,9");
    EXPECT_EQ(e.nextLine(), "7,9");
    e.send("RESTART");
    expectGreeting(e);
    e.send("PLAY 7,9");
    EXPECT_EQ(e.nextLine(), "7,9");
    e.send("PLAY 8,0");
    EXPECT_EQ(e.nextLine(), "ERROR bad coordinates");
    finish(e);
}

TEST(ProtocolSilentCommands, NoReplyOfTheirOwn) {
    EngineProcess e;
    for (const char* line : {"INFO timeout_turn 1000", "INFO nonsense 5", "INFO", "INFO rule 1",
                             "ovstop", "ovblockreset", "ovhashclear", "ovshowforbid"}) {
        e.send(line);
    }
    EXPECT_TRUE(e.silentFor(300));
    finish(e);
}

TEST(ProtocolBlock, MaskBodyAndBadLines) {
    EngineProcess e;
    e.send("ovblock ignored text");
    e.send("3,4");
    e.send("23,23");
    e.send("24,0");
    EXPECT_EQ(e.nextLine(), "ERROR bad coordinates");
    e.send("-1,5");
    EXPECT_EQ(e.nextLine(), "ERROR bad coordinates");
    e.send("7");
    EXPECT_EQ(e.nextLine(), "ERROR bad coordinates");
    e.send("DONE");
    e.send("ABOUT");
    EXPECT_EQ(e.nextLine().rfind("name=\"Olvar\"", 0), 0u);
    finish(e);
}

TEST(ProtocolLines, CrLfEndingsAndNulBytes) {
    EngineProcess e;
    e.writeRaw("START 15\r\n");
    expectGreeting(e);
    e.writeRaw("PLAY 1,2\r\n");
    EXPECT_EQ(e.nextLine(), "1,2");
    e.writeRaw(std::string("PLAY 1,3\0garbage\n", 17));
    EXPECT_EQ(e.nextLine(), "1,3");
    e.writeRaw("ovboard\r\n2,2,2\r\ndone\r\n");
    e.writeRaw("TAKEBACK 2,2\r\n");
    EXPECT_EQ(e.nextLine(), "OK");
    finish(e);
}

TEST(ProtocolLines, OverlongLinesKeepTheirStartAndDropTheRest) {
    EngineProcess e;
    e.send("START 15");
    expectGreeting(e);
    e.send("PLAY 3,4" + std::string(20000, ' ') + "PLAY 5,5");
    EXPECT_EQ(e.nextLine(), "3,4");
    e.send(std::string(30000, 'A'));
    EXPECT_EQ(e.nextLine(), "UNKNOWN command");
    // A line of exactly 8191 characters keeps them all; the excess of a longer
    // one must not come back as a second command.
    e.send("PLAY 5,6" + std::string(8183, ' '));
    EXPECT_EQ(e.nextLine(), "5,6");
    e.send(std::string(8191, ' ') + "PLAY 6,6");
    EXPECT_EQ(e.nextLine(), "UNKNOWN command");
    EXPECT_TRUE(e.silentFor(200));
    finish(e);
}

TEST(ProtocolExit, EndAndEndOfInput) {
    {
        EngineProcess e;
        e.send("ENDGAME");
        EXPECT_EQ(e.waitExit(), 0);
    }
    {
        EngineProcess e;
        e.closeInput();
        EXPECT_EQ(e.waitExit(), 0);
    }
    {
        EngineProcess e;  // end of input in the middle of a line: no reply
        e.writeRaw("ABOUT");
        e.closeInput();
        EXPECT_EQ(e.waitExit(), 0);
        EXPECT_EQ(e.nextLine(500), "<eof>");
    }
    {
        EngineProcess e;  // end of input inside a BOARD body: no reply
        e.send("START 15");
        expectGreeting(e);
        e.send("BOARD");
        e.send("7,7,1");
        e.closeInput();
        EXPECT_EQ(e.waitExit(), 0);
        EXPECT_EQ(e.nextLine(500), "<eof>");
    }
    {
        EngineProcess e;  // inside an ovblock body
        e.send("ovblock");
        e.send("1,1");
        e.closeInput();
        EXPECT_EQ(e.waitExit(), 0);
    }
}

TEST(ProtocolSession, ManagerGame) {
    EngineProcess e;
    e.send("INFO timeout_turn 300");
    e.send("INFO timeout_match 100000");
    e.send("INFO rule 1");
    e.send("START 15");
    expectGreeting(e);
    e.send("BEGIN");
    EXPECT_EQ(e.awaitMove(), "7,7");  // the first move needs no search
    e.send("TURN 7,8");
    std::vector<std::string> messages;
    std::string second = e.awaitMove(20000, &messages);
    ASSERT_TRUE(isMoveLine(second));
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.front(), "MESSAGE Rule Gomoku (Standard)");  // the first search builds the board
    e.send("TAKEBACK " + second);
    EXPECT_EQ(e.nextLine(), "OK");
    e.send("TAKEBACK 7,8");
    EXPECT_EQ(e.nextLine(), "OK");
    e.send("TURN 8,8");
    ASSERT_TRUE(isMoveLine(e.awaitMove()));
    e.send("RESTART");
    expectGreeting(e);
    e.send("PLAY 7,7");
    EXPECT_EQ(e.nextLine(), "7,7");
    finish(e);
}

// The threading build runs these against a TSan engine: a race makes it exit non-zero.
TEST(ProtocolThreading, CommandsDuringThinks) {
    EngineProcess e;
    e.send("INFO timeout_turn 50");
    e.send("START 15");
    expectGreeting(e);
    int x = 0, y = 0;
    for (int i = 0; i < 60; ++i) {
        e.send("TURN " + std::to_string(x) + "," + std::to_string(y));
        e.send("INFO timeout_turn " + std::to_string(100 + i));
        e.send("INFO max_node 5");
        e.send("ovblock");
        e.send(std::to_string(i % 15) + ",3");
        e.send("DONE");
        e.send("ovhashclear");
        e.send("ovblockreset");
        if (i % 3 == 0) e.send("ovstop");
        if (i % 7 == 0) e.send("ovnbest 3");
        if (i % 11 == 0) e.send("ovbalanceone 100");
        if (++y == 15) y = 0, ++x;
    }
    e.send("ovbalancetwo");
    e.send("BEGIN");
    e.send("ABOUT");
    std::vector<std::string> lines = e.readUntilPrefix("name=", 30000);
    EXPECT_EQ(lines.back().rfind("name=", 0), 0u);
    finish(e);
}

TEST(ProtocolThreading, EndAndEndOfInputDuringAThink) {
    {
        EngineProcess e;
        e.send("INFO max_node -1");
        e.send("BEGIN");
        e.send("END");
        EXPECT_EQ(e.waitExit(), 0);
    }
    {
        EngineProcess e;
        e.send("INFO max_node -1");
        e.send("TURN 10,10");
        e.closeInput();
        EXPECT_EQ(e.waitExit(), 0);
    }
}
