// Small helpers shared by the whole-program tests.
#pragma once

#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "support/engine_process.h"

namespace testing_support {

inline const std::string Greeting = "MESSAGE Olvar 2015 Kernal 0.4.49 :-)";

// Whether line is a move answer "x,y".
inline bool isMoveLine(const std::string& line) {
    int x, y;
    char rest;
    return std::sscanf(line.c_str(), "%d,%d%c", &x, &y, &rest) == 2;
}

// Expects the greeting pair as the next two lines.
inline void expectGreeting(EngineProcess& e) {
    EXPECT_EQ(e.nextLine(), Greeting);
    EXPECT_EQ(e.nextLine(), "OK");
}

// Sends a START/RECTSTART/RESTART line and expects the greeting pair.
inline void start(EngineProcess& e, const std::string& command) {
    e.send(command);
    expectGreeting(e);
}

// Ends the session with END and expects a clean exit.
inline void finish(EngineProcess& e) {
    e.send("END");
    EXPECT_EQ(e.waitExit(), 0);
}

// Sends a body command (BOARD, ovboard, ovblock): its lines, then DONE.
inline void sendBody(EngineProcess& e, const std::string& command, const std::vector<std::string>& lines) {
    e.send(command);
    for (const auto& l : lines) e.send(l);
    e.send("DONE");
}

// Masks every point of a size x size board with ovblock.
inline void maskAll(EngineProcess& e, int size) {
    e.send("ovblock");
    for (int x = 0; x < size; ++x)
        for (int y = 0; y < size; ++y) e.send(std::to_string(x) + "," + std::to_string(y));
    e.send("DONE");
}

// Whether any line begins with prefix.
inline bool anyStartsWith(const std::vector<std::string>& lines, const std::string& prefix) {
    for (const auto& l : lines)
        if (l.rfind(prefix, 0) == 0) return true;
    return false;
}

}  // namespace testing_support
