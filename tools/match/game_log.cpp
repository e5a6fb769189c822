#include "match/game_log.h"

#include <cerrno>
#include <cstring>

namespace match {

std::string gameLogLine(int winningColour, const Moves& moves) {
    std::string line = winningColour == 1 ? "black" : winningColour == 2 ? "white" : "draw";
    for (const auto& [x, y] : moves) {
        line += ' ';
        line += std::to_string(x);
        line += ',';
        line += std::to_string(y);
    }
    return line;
}

GameLog::~GameLog() {
    if (file_ != nullptr) std::fclose(file_);
}

bool GameLog::open(const std::string& path, std::string& error) {
    file_ = std::fopen(path.c_str(), "a");
    if (file_ == nullptr) {
        error = "cannot write the game record " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

void GameLog::write(int winningColour, const Moves& moves) {
    if (file_ == nullptr || moves.empty()) return;
    const std::string line = gameLogLine(winningColour, moves) + "\n";
    std::lock_guard<std::mutex> lock(mutex_);
    std::fputs(line.c_str(), file_);
    std::fflush(file_);
}

}  // namespace match
