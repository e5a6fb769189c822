#include "think/thinker.h"

#include <cstdio>
#include <thread>

#include "board/forbidden.h"
#include "think/analysis.h"

namespace think {

namespace {

// Whether both lists hold the same points.
bool samePoints(const board::Stone* a, int aCount, const board::Stone* b, int bCount) {
    if (aCount != bCount) return false;
    for (int i = 0; i < aCount; ++i) {
        bool found = false;
        for (int k = 0; k < bCount && !found; ++k) found = a[i].x == b[k].x && a[i].y == b[k].y;
        if (!found) return false;
    }
    return true;
}

// Empties the main board for rule and puts the position on it: block stones
// first, then the moves in their order. Stored keys belong to the old board's
// Zobrist keys, so used tables are emptied too.
void rebuild(Thinker& t, const Position& position, int rule) {
    search::SearchState& st = *t.main;
    board::resetBoard(st.board, rule, position.geometry, t.keys);
    search::clearHashTablesIfUsed(t.hashTables);
    search::resetSearchWorkAreas(st);
    st.iterationDepth = 0;
    for (int i = 0; i < position.blockCount; ++i) {
        board::makeMove(st.board, position.blocks[i].x, position.blocks[i].y, 3);
        t.builtBlocks[i] = position.blocks[i];
    }
    t.builtBlockCount = position.blockCount;
    for (int i = 0; i < position.moveCount; ++i) {
        board::makeMove(st.board, position.moves[i].x, position.moves[i].y, position.moves[i].colour);
        t.builtMoves[i] = position.moves[i];
    }
    t.builtMoveCount = position.moveCount;
    t.builtRule = rule;
}

}  // namespace

int searchThreadsFor(int32_t requested) {
    int available = static_cast<int>(std::thread::hardware_concurrency());
    if (available < 1) available = 1;
    if (available > MaxSearchThreads) available = MaxSearchThreads;
    if (requested < 1) return 1;
    return requested > available ? available : requested;
}

int32_t tableBuckets(int32_t hashSize, int32_t maxMemory, int threads) {
    if (maxMemory <= 0) return search::bucketsWithinMemory(hashSize, 0);
    const int64_t helpers = threads > 1 ? threads - 1 : 0;
    int64_t left = int64_t{maxMemory} - helpers * HelperMemoryBytes;
    if (left < 1) left = 1;  // still a limit, and one that leaves the smallest tables
    return search::bucketsWithinMemory(hashSize, left);
}

Thinker::Thinker(search::HashTables& tables)
    : hashTables(tables),
      main(std::make_unique<search::SearchState>()),
      nbest(std::make_unique<NbestState>()),
      balance(std::make_unique<BalanceState>()) {
    main->hashTables = &tables;
}

Thinker::~Thinker() = default;

void Thinker::newGame(int32_t hashSize, int32_t maxMemory, int threads) {
    builtRule = -1;
    search::prepareHashTables(hashTables, tableBuckets(hashSize, maxMemory, threads));
}

int Thinker::forbiddenPoints(const Position& position, board::Stone* points, bool* rebuilt) {
    followPosition(*this, position);
    *rebuilt = builtRule != board::Renju;
    if (*rebuilt) rebuild(*this, position, board::Renju);
    board::Board& board = main->board;
    int count = 0;
    const int n = board.geometry.boardSize;
    for (int x = 0; x < n; ++x)
        for (int y = 0; y < n; ++y)
            if (board::isForbidden(board, x, y)) points[count++] = {x, y, 1};
    return count;
}

void followPosition(Thinker& t, const Position& position) {
    if (t.builtRule == -1) return;
    board::Board& board = t.main->board;
    const bool blocksKept = samePoints(t.builtBlocks, t.builtBlockCount, position.blocks, position.blockCount);
    int kept = 0;
    while (blocksKept && kept < t.builtMoveCount && kept < position.moveCount &&
           t.builtMoves[kept].x == position.moves[kept].x && t.builtMoves[kept].y == position.moves[kept].y &&
           t.builtMoves[kept].colour == position.moves[kept].colour)
        ++kept;
    // Latest stones off first, then the new ones on.
    for (int i = t.builtMoveCount - 1; i >= kept; --i)
        board::unmakeMove(board, t.builtMoves[i].x, t.builtMoves[i].y, t.builtMoves[i].colour);
    if (!blocksKept) {
        for (int i = t.builtBlockCount - 1; i >= 0; --i) board::unmakeMove(board, t.builtBlocks[i].x, t.builtBlocks[i].y, 3);
        for (int i = 0; i < position.blockCount; ++i) {
            board::makeMove(board, position.blocks[i].x, position.blocks[i].y, 3);
            t.builtBlocks[i] = position.blocks[i];
        }
        t.builtBlockCount = position.blockCount;
    }
    for (int i = kept; i < position.moveCount; ++i) {
        board::makeMove(board, position.moves[i].x, position.moves[i].y, position.moves[i].colour);
        t.builtMoves[i] = position.moves[i];
    }
    t.builtMoveCount = position.moveCount;
}

bool applyRule(Thinker& t, const ThinkRequest& request, int64_t& thinkStartTime) {
    const int rule = request.settings.rule;
    if (rule == t.builtRule) return false;
    const char* label = rule == board::FreeStyle ? "Gomoku (Freestyle)"
                        : rule == board::Standard ? "Gomoku (Standard)"
                                                  : "Renju";
    search::writeLine(request.out, "MESSAGE Rule %s", label);
    const ThinkSettings& settings = request.settings;
    search::resizeHashTables(t.hashTables, tableBuckets(settings.hashSize, settings.maxMemory, settings.threadCount));
    rebuild(t, request.position, rule);
    if (t.firstBuild) {
        // The first build of the process pays for the table set-up.
        thinkStartTime -= 200;
        t.firstBuild = false;
    }
    return true;
}

void applyHashSize(Thinker& t, const ThinkRequest& request) {
    const ThinkSettings& settings = request.settings;
    const int32_t wanted = tableBuckets(settings.hashSize, settings.maxMemory, settings.threadCount);
    if (wanted == t.requestedHashSize && search::hashTableSize(t.hashTables) != 0) return;
    t.requestedHashSize = wanted;
    if (search::hashTableSize(t.hashTables) == wanted) return;
    search::resizeHashTables(t.hashTables, wanted);
    search::clearHashTablesIfUsed(t.hashTables);
}

void setSearchLimits(Thinker& t, const ThinkRequest& request) {
    search::SearchState& st = *t.main;
    st.hashTables = &t.hashTables;
    st.reporter = request.out;
    st.limits.stop = request.stop;
    st.limits.maxNode = request.settings.maxNode;
    st.limits.cautionFactor = request.settings.cautionFactor;
    st.limits.showDetail = request.settings.showDetail != 0;
    st.limits.blockMask = request.blockMask;
    st.limits.moveCount = request.position.moveCount;
    st.limits.busy = nullptr;
    search::clearMoveHistory(st);
}

int displayValue(int value, int depth) {
    if (value >= search::MateThreshold) value -= depth;
    else if (value <= -search::MateThreshold) value += depth;
    return value > 10000 ? 10000 : value < -10000 ? -10000 : value;
}

void saveLine(Thinker& t) {
    const search::PvLine& line = t.main->pvLines[0];
    t.savedLine.length = line.length;
    for (int i = 0; i < line.length; ++i) t.savedLine.moves[i] = line.moves[i];
}

}  // namespace think
