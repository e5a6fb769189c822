#include "control/engine.h"

namespace control {

bool setupBoard(Engine& engine, int32_t width, int32_t height) {
    if (!sizeAccepted(width, height)) return false;
    startGame(engine.game, width, height);
    const EngineSettings& s = engine.settings;
    engine.thinker.newGame(setting(s.hashSize), setting(s.maxMemory), think::searchThreadsFor(setting(s.threadNum)));
    return true;
}

void restartGame(Engine& engine) {
    restartGame(engine.game);
    const EngineSettings& s = engine.settings;
    engine.thinker.newGame(setting(s.hashSize), setting(s.maxMemory), think::searchThreadsFor(setting(s.threadNum)));
}

int forbiddenPoints(Engine& engine, board::Stone* points) {
    bool rebuilt = false;
    const int count = engine.thinker.forbiddenPoints(thinkRequest(engine).position, points, &rebuilt);
    if (rebuilt) engine.game.lastValue = 0;
    return count;
}

think::ThinkRequest thinkRequest(Engine& engine) {
    const EngineSettings& s = engine.settings;
    const GameRecord& game = engine.game;
    think::ThinkRequest request;
    request.position = {game.geometry, game.moves, game.moveCount, game.blocks, game.blockCount};
    request.settings.timeoutTurn = setting(s.timeoutTurn);
    request.settings.timeLeft = setting(s.timeLeft);
    request.settings.maxDepth = setting(s.maxDepth);
    request.settings.cautionFactor = setting(s.cautionFactor);
    request.settings.showDetail = setting(s.showDetail);
    request.settings.hashSize = setting(s.hashSize);
    request.settings.maxMemory = setting(s.maxMemory);
    request.settings.rule = setting(s.rule);
    request.settings.threadCount = think::searchThreadsFor(setting(s.threadNum));
    request.settings.maxNode = &s.maxNode;
    request.lastValue = game.lastValue;
    request.nbestCount = engine.worker.nbestCount.load(std::memory_order_relaxed);
    request.balanceTarget = engine.worker.balanceTarget.load(std::memory_order_relaxed);
    request.swap2Seed = engine.worker.swap2Seed.load(std::memory_order_relaxed);
    request.stop = &engine.worker.stopRequested;
    request.blockMask = &engine.blockMask;
    request.out = &engine.out;
    return request;
}

}  // namespace control
