#include "control/game_record.h"

#include "protocol/identity.h"
#include "protocol/reply.h"

namespace control {

GameRecord game;
BlockMask blockMask;

namespace {

using board::geometry;

void sendGreeting() {
    protocol::sendReply("MESSAGE %s %s :-)", protocol::EngineName, protocol::EngineVersion);
    protocol::sendReply("OK");
}

bool boardIsBuilt() { return game.builtRule != -1; }

// Whether a new stone may go on (x, y): on the board and free. While the search
// board is not built the record is the only witness of occupancy.
bool pointIsFree(int x, int y) {
    if (!board::onBoard(x, y)) return false;
    for (int i = 0; i < game.moveCount; ++i)
        if (game.moves[i].x == x && game.moves[i].y == y) return false;
    return true;
}

void addMove(int x, int y, const char* errorFormat) {
    if (game.moveCount >= MaxMoves || !pointIsFree(x, y)) {
        protocol::sendReply(errorFormat, x, y);
        return;
    }
    int32_t colour = game.moveCount % 2 + 1;
    game.moves[game.moveCount++] = {x, y, colour};
}

}  // namespace

void setMasked(int x, int y) { blockMask.flags[x][y].store(1, std::memory_order_relaxed); }

void clearBlockMask() {
    for (auto& row : blockMask.flags)
        for (auto& flag : row) flag.store(0, std::memory_order_relaxed);
}

bool setupBoard(int32_t width, int32_t height) {
    if (width < 1 || width > board::MaxSide || height < 1 || height > board::MaxSide) {
        protocol::sendReply("ERROR size of the board");
        return false;
    }
    geometry.boardWidth = width;
    geometry.boardHeight = height;
    geometry.boardSize = width > height ? width : height;
    game.builtRule = -1;
    game.moveCount = 0;
    sendGreeting();
    return true;
}

void restartGame() {
    game.builtRule = -1;
    game.moveCount = 0;
    game.lastValue = 0;
    sendGreeting();
}

void addOwnMove(int x, int y) { addMove(x, y, "ERROR my move [%d,%d]"); }

void addOpponentMove(int x, int y) { addMove(x, y, "ERROR opponents's move [%d,%d]"); }

void addBlockStone(int x, int y) {
    if (!boardIsBuilt()) return;
}

int takeBack(int x, int y) {
    if (!board::onBoard(x, y) || game.moveCount == 0) return 2;
    const RecordedMove& last = game.moves[game.moveCount - 1];
    if (last.x != x || last.y != y) return 2;
    --game.moveCount;
    game.lastValue = 0;
    return 0;
}

void applyRule(int64_t& thinkStartTime) {}

void showForbidden() {}

void resetGame() {
    geometry = board::Geometry{};
    game = GameRecord{};
    clearBlockMask();
}

}  // namespace control
