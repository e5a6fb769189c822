// The games of a match kept for later study (tuning the evaluation on game
// results): one line per game decided on the board, appended as it ends, so a
// stopped match keeps what it played. Concurrent runners share one log.
//
// Line format: the winning colour ("black", "white" or "draw"), then the moves
// "x,y" in played order, black first, the opening's stones included.
#pragma once

#include <cstdio>
#include <mutex>
#include <string>

#include "match/referee.h"

namespace match {

// The line of one game; winningColour 1 black, 2 white, 0 a draw.
std::string gameLogLine(int winningColour, const Moves& moves);

class GameLog {
public:
    GameLog() = default;
    ~GameLog();
    GameLog(const GameLog&) = delete;
    GameLog& operator=(const GameLog&) = delete;

    // Opens path for appending; false with a message when it cannot.
    bool open(const std::string& path, std::string& error);

    // Appends one game (nothing when no file is open or moves is empty).
    void write(int winningColour, const Moves& moves);

private:
    std::FILE* file_ = nullptr;
    std::mutex mutex_;
};

}  // namespace match
