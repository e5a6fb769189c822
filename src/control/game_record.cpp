#include "control/game_record.h"

#include <cstdio>

#include "board/board.h"
#include "board/forbidden.h"
#include "board/pattern_tables.h"
#include "protocol/identity.h"
#include "protocol/reply.h"
#include "protocol/settings.h"
#include "search/hash_tables.h"
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
    return !hasBlockStone(x, y);
}

bool addMove(int x, int y, const char* errorFormat) {
    if (game.moveCount >= MaxMoves || !pointIsFree(x, y)) {
        protocol::sendReply(errorFormat, x, y);
        return false;
    }
    int32_t colour = game.moveCount % 2 + 1;
    if (boardIsBuilt()) board::makeMove(x, y, colour);
    game.moves[game.moveCount++] = {x, y, colour};
    return true;
}

// Empties the search board for rule and puts the position on it: block
// stones first, then the moves in their order.
void rebuildBoard(int rule) {
    geometry.winLengthParam = rule == board::FreeStyle ? 4 : 5;
    board::buildPatternTables(rule);
    board::resetBoard();
    game.lastValue = 0;
    search::searchState.iterationDepth = 0;
    for (int i = 0; i < game.blockCount; ++i) board::makeMove(game.blocks[i].x, game.blocks[i].y, 3);
    for (int i = 0; i < game.moveCount; ++i) board::makeMove(game.moves[i].x, game.moves[i].y, game.moves[i].colour);
    game.builtRule = rule;
}

// A new game: nothing recorded, the board to be rebuilt, and the hash tables
// at their size and empty now, while the protocol counts no move's time (the
// first think of the game then finds nothing to clear).
void beginGame() {
    game.builtRule = -1;
    game.moveCount = 0;
    game.blockCount = 0;
    game.lastValue = 0;
    if (search::hashTableSize() != 0) {
        search::prepareHashTables(search::bucketsWithinMemory(protocol::setting(protocol::settings.hashSize),
                                                              protocol::setting(protocol::settings.maxMemory)));
    }
}

// Whether the body's block stones are exactly the recorded ones.
bool sameBlocks(const PositionBody& body, int bodyBlocks) {
    if (bodyBlocks != game.blockCount) return false;
    for (int i = 0; i < game.blockCount; ++i) {
        const BlockPoint& b = game.blocks[i];
        if (!body.taken[b.x][b.y]) return false;
        for (int k = 0; k < body.count; ++k) {
            const BodyStone& s = body.stones[k];
            if (s.x == b.x && s.y == b.y && s.field != BlockStone) return false;
        }
    }
    return true;
}

}  // namespace

bool hasBlockStone(int x, int y) {
    for (int i = 0; i < game.blockCount; ++i)
        if (game.blocks[i].x == x && game.blocks[i].y == y) return true;
    return false;
}

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
    beginGame();
    sendGreeting();
    return true;
}

void restartGame() {
    beginGame();
    sendGreeting();
}

bool addOwnMove(int x, int y) { return addMove(x, y, "ERROR my move [%d,%d]"); }

bool addOpponentMove(int x, int y) { return addMove(x, y, "ERROR opponents's move [%d,%d]"); }

void addBlockStone(int x, int y) {
    if (game.blockCount >= MaxMoves || !pointIsFree(x, y)) {
        protocol::sendReply("ERROR board-block move [%d,%d]", x, y);
        return;
    }
    if (boardIsBuilt()) board::makeMove(x, y, 3);
    game.blocks[game.blockCount++] = {x, y};
}

PositionResult replacePosition(const PositionBody& body) {
    // 1. Who is to move: the engine, so the counts tell its colour.
    int32_t own = 0, opponent = 0, blocks = 0;
    for (int i = 0; i < body.count; ++i) {
        if (body.stones[i].field == OwnStone) ++own;
        else if (body.stones[i].field == OpponentStone) ++opponent;
        else ++blocks;
    }
    if (own != opponent && opponent != own + 1) return {false, own, opponent};
    const int engineColour = own == opponent ? 1 : 2;

    // 2. The moves with their colours: in body order when its parity agrees
    // with the fields, else each side's stones in their order, interleaved.
    static RecordedMove next[MaxMoves];
    int count = 0;
    bool inOrder = true;
    for (int i = 0; i < body.count; ++i) {
        const BodyStone& s = body.stones[i];
        if (s.field == BlockStone) continue;
        const int colour = s.field == OwnStone ? engineColour : 3 - engineColour;
        if (colour != count % 2 + 1) inOrder = false;
        next[count++] = {s.x, s.y, colour};
    }
    if (!inOrder) {
        int seen[3] = {0, 0, 0};
        for (int i = 0; i < body.count; ++i) {
            const BodyStone& s = body.stones[i];
            if (s.field == BlockStone) continue;
            const int colour = s.field == OwnStone ? engineColour : 3 - engineColour;
            const int place = 2 * seen[colour]++ + (colour - 1);
            next[place] = {s.x, s.y, colour};
        }
    }

    // 3. How much of the record stays: the common first moves, all of them
    // only when the block stones are the same.
    const bool blocksKept = sameBlocks(body, blocks);
    int kept = 0;
    while (blocksKept && kept < game.moveCount && kept < count && game.moves[kept].x == next[kept].x &&
           game.moves[kept].y == next[kept].y)
        ++kept;
    // The last think's value still describes a position that only gained the
    // opponent's reply.
    const bool continuesGame = kept == game.moveCount && count == game.moveCount + 1;

    // 4. The built board follows: latest stones off first, then the new ones on.
    if (boardIsBuilt()) {
        for (int i = game.moveCount - 1; i >= kept; --i)
            board::unmakeMove(game.moves[i].x, game.moves[i].y, game.moves[i].colour);
        if (!blocksKept) {
            for (int i = game.blockCount - 1; i >= 0; --i) board::unmakeMove(game.blocks[i].x, game.blocks[i].y, 3);
            for (int i = 0; i < body.count; ++i)
                if (body.stones[i].field == BlockStone) board::makeMove(body.stones[i].x, body.stones[i].y, 3);
        }
        for (int i = kept; i < count; ++i) board::makeMove(next[i].x, next[i].y, next[i].colour);
    }
    for (int i = kept; i < count; ++i) game.moves[i] = next[i];
    game.moveCount = count;
    if (!blocksKept) {
        game.blockCount = 0;
        for (int i = 0; i < body.count; ++i)
            if (body.stones[i].field == BlockStone) game.blocks[game.blockCount++] = {body.stones[i].x, body.stones[i].y};
    }
    if (!continuesGame) game.lastValue = 0;
    return {true, own, opponent};
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
