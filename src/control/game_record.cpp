#include "control/game_record.h"

#include <cstdio>

#include "board/board.h"
#include "board/forbidden.h"
#include "board/pattern_tables.h"
#include "protocol/identity.h"
#include "protocol/reply.h"
#include "protocol/settings.h"
#include "search/search_state.h"

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
    if (boardIsBuilt()) return board::cellAt(x, y) == 0;
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
    if (boardIsBuilt()) board::makeMove(x, y, colour);
    game.moves[game.moveCount++] = {x, y, colour};
}

// Empties the search board for rule and replays the record onto it.
void rebuildBoard(int rule) {
    geometry.winLengthParam = rule == board::FreeStyle ? 4 : 5;
    board::buildPatternTables(rule);
    board::resetBoard();
    game.lastValue = 0;
    search::searchState.iterationDepth = 0;
    for (int i = 0; i < game.moveCount; ++i) board::makeMove(game.moves[i].x, game.moves[i].y, game.moves[i].colour);
    game.builtRule = rule;
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
    if (!board::onBoard(x, y) || board::cellAt(x, y) != 0) {
        protocol::sendReply("ERROR board-block move [%d,%d]", x, y);
        return;
    }
    board::makeMove(x, y, 3);
}

int takeBack(int x, int y) {
    if (!board::onBoard(x, y) || game.moveCount == 0) return 2;
    const RecordedMove& last = game.moves[game.moveCount - 1];
    if (last.x != x || last.y != y) return 2;
    if (boardIsBuilt()) board::unmakeMove(x, y, last.colour);
    --game.moveCount;
    game.lastValue = 0;
    return 0;
}

void applyRule(int64_t& thinkStartTime) {
    const int rule = protocol::setting(protocol::settings.rule);
    if (rule == game.builtRule) return;
    const char* label = rule == board::FreeStyle ? "Gomoku (Freestyle)"
                        : rule == board::Standard ? "Gomoku (Standard)"
                                                  : "Renju";
    char line[64];
    std::snprintf(line, sizeof line, "MESSAGE Rule %s\n", label);
    protocol::sendRaw(line);
    rebuildBoard(rule);
    if (game.firstBuild) {
        // The first build of the process pays for the table set-up.
        thinkStartTime -= 200;
        game.firstBuild = false;
    }
}

void showForbidden() {
    if (protocol::setting(protocol::settings.rule) != board::Renju) return;
    if (game.builtRule != board::Renju) rebuildBoard(board::Renju);
    char line[16 + 4 * board::MaxPoints];
    int used = std::snprintf(line, sizeof line, "FORBID ");
    for (int x = 0; x < geometry.boardSize; ++x)
        for (int y = 0; y < geometry.boardSize; ++y)
            if (board::isForbidden(x, y)) used += std::snprintf(line + used, sizeof line - used, "%02d%02d", x, y);
    std::snprintf(line + used, sizeof line - used, ".\n");
    protocol::sendRaw(line);
}

void resetGame() {
    geometry = board::Geometry{};
    game = GameRecord{};
    clearBlockMask();
}

}  // namespace control
