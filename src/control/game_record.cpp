#include "control/game_record.h"

namespace control {

namespace {

// Whether the body's block stones are exactly the recorded ones.
bool sameBlocks(const GameRecord& game, const PositionBody& body, int bodyBlocks) {
    if (bodyBlocks != game.blockCount) return false;
    for (int i = 0; i < game.blockCount; ++i) {
        const board::Stone& b = game.blocks[i];
        if (!body.taken[b.x][b.y]) return false;
        for (int k = 0; k < body.count; ++k) {
            const BodyStone& s = body.stones[k];
            if (s.x == b.x && s.y == b.y && s.field != BlockStone) return false;
        }
    }
    return true;
}

void emptyRecord(GameRecord& game) {
    game.moveCount = 0;
    game.blockCount = 0;
    game.lastValue = 0;
}

}  // namespace

bool sizeAccepted(int32_t width, int32_t height) {
    return width >= 1 && width <= board::MaxSide && height >= 1 && height <= board::MaxSide;
}

void startGame(GameRecord& game, int32_t width, int32_t height) {
    game.geometry.boardWidth = width;
    game.geometry.boardHeight = height;
    game.geometry.boardSize = width > height ? width : height;
    emptyRecord(game);
}

void restartGame(GameRecord& game) { emptyRecord(game); }

bool hasBlockStone(const GameRecord& game, int x, int y) {
    for (int i = 0; i < game.blockCount; ++i)
        if (game.blocks[i].x == x && game.blocks[i].y == y) return true;
    return false;
}

bool pointIsFree(const GameRecord& game, int x, int y) {
    if (!game.geometry.onBoard(x, y)) return false;
    for (int i = 0; i < game.moveCount; ++i)
        if (game.moves[i].x == x && game.moves[i].y == y) return false;
    return !hasBlockStone(game, x, y);
}

bool addMove(GameRecord& game, int x, int y) {
    if (game.moveCount >= MaxMoves || !pointIsFree(game, x, y)) return false;
    game.moves[game.moveCount] = {x, y, game.moveCount % 2 + 1};
    ++game.moveCount;
    return true;
}

bool addBlockStone(GameRecord& game, int x, int y) {
    if (game.blockCount >= MaxMoves || !pointIsFree(game, x, y)) return false;
    game.blocks[game.blockCount++] = {x, y, 3};
    return true;
}

bool takeBack(GameRecord& game, int x, int y) {
    if (!game.geometry.onBoard(x, y) || game.moveCount == 0) return false;
    const board::Stone& last = game.moves[game.moveCount - 1];
    if (last.x != x || last.y != y) return false;
    --game.moveCount;
    game.lastValue = 0;
    return true;
}

PositionResult replacePosition(GameRecord& game, const PositionBody& body) {
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
    board::Stone next[MaxMoves];
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

    // 3. A body that only adds the opponent's reply continues the game: the
    // last think's value still describes it.
    const bool blocksKept = sameBlocks(game, body, blocks);
    int kept = 0;
    while (kept < game.moveCount && kept < count && game.moves[kept].x == next[kept].x &&
           game.moves[kept].y == next[kept].y)
        ++kept;
    const bool continuesGame = blocksKept && kept == game.moveCount && count == game.moveCount + 1;

    for (int i = 0; i < count; ++i) game.moves[i] = next[i];
    game.moveCount = count;
    game.blockCount = 0;
    for (int i = 0; i < body.count; ++i)
        if (body.stones[i].field == BlockStone) game.blocks[game.blockCount++] = {body.stones[i].x, body.stones[i].y, 3};
    if (!continuesGame) game.lastValue = 0;
    return {true, own, opponent};
}

}  // namespace control
