#include "think/think.h"

#include <cstdio>

#include "board/board.h"
#include "board/forbidden.h"
#include "control/game_record.h"
#include "control/worker.h"
#include "protocol/reply.h"
#include "protocol/settings.h"
#include "search/clock.h"
#include "search/evaluation.h"
#include "search/hash_tables.h"
#include "search/move_generation.h"
#include "search/root_search.h"
#include "search/search_state.h"
#include "think/think_state.h"

namespace think {

ThinkState thinkState;

using board::board;
using board::geometry;
using control::game;
using protocol::setting;
using protocol::settings;
using search::searchState;

void applyHashSize() {
    const int32_t wanted = search::bucketsWithinMemory(setting(settings.hashSize), setting(settings.maxMemory));
    if (wanted == thinkState.requestedHashSize && search::hashTableSize() != 0) return;
    thinkState.requestedHashSize = wanted;
    if (search::hashTableSize() == wanted) return;
    search::resizeHashTables(wanted);
    search::clearHashTablesIfUsed();
}

void saveLine() {
    const search::PvLine& line = searchState.pvLines[0];
    thinkState.savedLine.length = line.length;
    for (int i = 0; i < line.length; ++i) thinkState.savedLine.moves[i] = line.moves[i];
}

int displayValue(int value, int depth) {
    if (value >= search::MateThreshold) value -= depth;
    else if (value <= -search::MateThreshold) value += depth;
    return value > 10000 ? 10000 : value < -10000 ? -10000 : value;
}

namespace {

using search::MoveEntry;

bool onBoardAndEmpty(int x, int y) { return board::onBoard(x, y) && board::cellAt(x, y) == 0; }

// A point the engine may play: empty, unmasked, and legal for black under Renju.
bool playable(int x, int y, int colour) {
    if (!onBoardAndEmpty(x, y) || control::isMasked(x, y)) return false;
    return !(board::tables.rule == board::Renju && colour == 1 && board::isForbidden(x, y));
}

// The first playable point of a list, or false.
bool firstPlayable(const MoveEntry* list, int n, int colour, int& x, int& y) {
    for (int i = 0; i < n; ++i)
        if (playable(list[i].x, list[i].y, colour)) {
            x = list[i].x;
            y = list[i].y;
            return true;
        }
    return false;
}

// The winning follow-up of a proven win: a five, else an open four.
bool winningPoint(int colour, int& x, int& y) {
    MoveEntry* list = search::moveListAt(0);
    int n = search::listFivePoints(list, colour);
    if (n > 0) return firstPlayable(list, n, colour, x, y);
    n = search::listOpenFourPoints(list, colour);
    return firstPlayable(list, n, colour, x, y);
}

// The first move of a game: the centre, or the nearest point that is neither
// masked nor taken by a block stone (the board may not be built yet).
bool openingPoint(int& bestX, int& bestY) {
    const int cx = geometry.boardHeight / 2, cy = geometry.boardWidth / 2;
    int bestDistance = -1;
    for (int x = 0; x < geometry.boardHeight; ++x)
        for (int y = 0; y < geometry.boardWidth; ++y) {
            if (control::isMasked(x, y) || control::hasBlockStone(x, y)) continue;
            const int distance = (x > cx ? x - cx : cx - x) + (y > cy ? y - cy : cy - y);
            if (bestDistance < 0 || distance < bestDistance) {
                bestDistance = distance;
                bestX = x;
                bestY = y;
            }
        }
    return bestDistance >= 0;
}

// One ply over every playable point: the fallback move before any iteration.
// Returns whether it found a point; bestValue gets the value of its choice.
bool fallbackPrePass(int colour, int& bestValue) {
    const int other = 3 - colour;
    int best = search::NotSet;
    bool found = false;
    const auto& fives = board.threats[board::FivePoint];
    const auto& openFours = board.threats[board::OpenFourPoint];
    for (int x = 0; x < geometry.boardHeight; ++x)
        for (int y = 0; y < geometry.boardWidth; ++y) {
            if (!playable(x, y, colour)) continue;
            board::makeMove(x, y, colour);
            int v;
            if (fives.summary[other - 1]) {
                v = -9999999;
            } else if (fives.summary[colour - 1] || !openFours.summary[other - 1]) {
                v = -search::evaluateLeaf(0, other);
            } else {
                v = -9999999;
                if (board::tables.rule == board::Renju && other == 1) {
                    MoveEntry* list = search::moveListAt(0);
                    search::listOpenFourPoints(list, other);
                    if (board::isForbidden(list[0].x, list[0].y)) v = -search::evaluateLeaf(0, other);
                }
            }
            board::unmakeMove(x, y, colour);
            if (v > best) {
                best = v;
                searchState.bestMoveX = x;
                searchState.bestMoveY = y;
                found = true;
            }
        }
    bestValue = best;
    return found;
}

// The line of a move chosen without a search: the move alone.
void saveSingleMoveLine(int x, int y) {
    thinkState.savedLine.length = 1;
    thinkState.savedLine.moves[0].x = static_cast<int16_t>(x);
    thinkState.savedLine.moves[0].y = static_cast<int16_t>(y);
}

// Why no move can be played: no empty point, or none the engine may take.
const char* noMoveReason() {
    for (int x = 0; x < geometry.boardHeight; ++x)
        for (int y = 0; y < geometry.boardWidth; ++y)
            if (onBoardAndEmpty(x, y)) return "ERROR no legal move: every empty point is blocked or forbidden";
    return "ERROR no legal move: the board is full";
}

void writeDetailLine(int depth, int value, bool aborted) {
    char line[160];
    std::snprintf(line, sizeof line, "MESSAGE DETAIL DEPTH:%d-%d%s VAL:%d TIME:%lldms NODE:%dm [%d,%c]\n", depth,
                  depth - searchState.selectiveDepth, aborted ? "*" : "", displayValue(value, 0),
                  (long long)(search::nowMs() - searchState.thinkStartTime), int(searchState.nodeCount / 1000000),
                  geometry.boardHeight - searchState.bestMoveX, 'A' + searchState.bestMoveY);
    protocol::sendRaw(line);
}

// Iterative deepening over the root search; leaves the value of the deepest
// usable iteration and iterationDepth at that depth.
int deepen(int colour, int value, bool plentyOfTime) {
    search::SearchState& st = searchState;
    const int area = geometry.boardWidth * geometry.boardHeight;
    const bool detail = [] { return setting(settings.showDetail) != 0; }();
    for (int d = 1;; ++d) {
        st.iterationDepth = d;
        const int32_t maxNode = setting(settings.maxNode);
        bool limit = false;
        if (d > 1) {
            const bool quarterUsed = (search::nowMs() - st.thinkStartTime) * 4 >= st.turnTimeLimit;
            limit = (quarterUsed && !plentyOfTime) || game.moveCount + d > area || control::stopIsRequested();
            if (limit && (maxNode != -1 || control::stopIsRequested())) break;
        }
        if (!limit && maxNode != -1 && maxNode < 1000000000 && (st.nodeCount / 1024) * 4 >= maxNode) break;
        if (d > setting(settings.maxDepth)) break;

        st.singleCandidateFlag = 0;
        const int r = search::rootSearch(colour);
        if (st.searchAborted) {
            if (r != 0) {
                value = r;
                saveLine();
                if (d >= 5 && detail) writeDetailLine(d, r, true);
                st.iterationDepth = d + 1;
            }
            break;
        }
        value = r;
        saveLine();
        if (d >= 5 && detail) writeDetailLine(d, r, false);
        if (r > search::MateThreshold - 1 || r < -(search::MateThreshold - 1) ||
            (st.singleCandidateFlag && d >= 5)) {
            st.iterationDepth = d + 1;
            break;
        }
    }
    return value;
}

// The report lines of a think whose value comes from a search of `depth` plies
// (0 for the first move of a game, which looks at nothing).
void report(int value, int64_t elapsed, int depth) {
    const search::SearchState& st = searchState;
    const bool detail = setting(settings.showDetail) != 0;
    int printed = value;
    if (printed >= search::MateThreshold) printed -= depth;
    else if (printed <= -search::MateThreshold) printed += depth;
    const int evaluation = printed > 10000 ? 10000 : printed < -10000 ? -10000 : printed;
    const char* mood = printed > 500 ? ":-)" : printed < -500 ? ":-(" : "";
    const double complexity = 100.0 * double(st.interiorNodeCount) / double(st.nodeCount + 1);
    const double branching = st.searchedMoveSum / double(st.interiorNodeCount + 1);
    const long long speed = (long long)(st.nodeCount / (elapsed + 1));
    if (detail) {
        protocol::sendReply("MESSAGE Complexity: %.1f, %.1f | Depth: %d-%d | Time: %lldms | Node: %dm", complexity,
                            branching, depth, depth - st.selectiveDepth, (long long)elapsed,
                            int(st.nodeCount / 1000000));
        protocol::sendReply("MESSAGE Speed: %lld | Evaluation: %d %s", speed, evaluation, mood);
    } else {
        protocol::sendReply("MESSAGE %.1f | %d | %d | %lldms | %.1f | %lld | %d | %d %s", complexity, depth,
                            depth - st.selectiveDepth, (long long)elapsed, branching, speed, geometry.winLengthParam,
                            evaluation, mood);
    }

    char line[32 + 12 * board::MaxPoints];
    int used = std::snprintf(line, sizeof line, "MESSAGE %s", detail ? "Bestline: " : "");
    const search::PvLine& saved = thinkState.savedLine;
    const int shown = depth > 1 ? depth : 1;
    const int count = shown < saved.length ? shown : saved.length;
    for (int i = 0; i < count; ++i) {
        const int x = saved.moves[i].x, y = saved.moves[i].y;
        if (detail) used += std::snprintf(line + used, sizeof line - used, "[%d%c] ", geometry.boardHeight - x, 'A' + y);
        else used += std::snprintf(line + used, sizeof line - used, "[%d,%d] ", x + 1, y + 1);
    }
    protocol::sendReply("%s", line);

    if (detail) {
        used = std::snprintf(line, sizeof line, "MESSAGE Block");
        bool any = false;
        for (int x = 0; x < geometry.boardHeight; ++x)
            for (int y = 0; y < geometry.boardWidth; ++y)
                if (control::isMasked(x, y)) {
                    any = true;
                    used += std::snprintf(line + used, sizeof line - used, "[%d%c] ", geometry.boardHeight - x,
                                          'A' + y);
                }
        if (any) protocol::sendReply("%s", line);
    }
}

// Records and answers the engine's move.
void playMove(int colour) {
    const int x = searchState.bestMoveX, y = searchState.bestMoveY;
    const bool built = game.builtRule != -1;
    if (!board::onBoard(x, y) || (built && board::cellAt(x, y) != 0)) {
        protocol::sendReply("ERROR my move [%d,%d]", x, y);
    } else if (game.moveCount < control::MaxMoves) {
        if (built) board::makeMove(x, y, colour);
        game.moves[game.moveCount++] = {x, y, colour};
    }
    protocol::sendReply("%d,%d", x, y);
}

// The quick paths: a move chosen without a search, reported with 0 ms, the
// depth it looked and the move as its line.
void answerAtOnce(int x, int y, int value, int depth, int colour) {
    searchState.bestMoveX = x;
    searchState.bestMoveY = y;
    searchState.thinkStartTime = 0;
    saveSingleMoveLine(x, y);
    report(value, 0, depth);
    playMove(colour);
}

}  // namespace

void normalThink() {
    search::SearchState& st = searchState;
    const int colour = game.moveCount % 2 + 1;
    const int other = 3 - colour;

    // Set-up: counters and the time budget.
    st.nodeCount = st.interiorNodeCount = st.threatNodeCount = 0;
    st.searchedMoveSum = 0;
    st.selectiveDepth = 0;
    const int32_t timeoutTurn = setting(settings.timeoutTurn), timeLeft = setting(settings.timeLeft);
    st.turnTimeLimit = timeoutTurn < timeLeft / 16 ? timeoutTurn : timeLeft / 16;
    const int64_t freePoints = int64_t(geometry.boardWidth) * geometry.boardHeight - game.moveCount + 1;
    const bool plentyOfTime = timeLeft / freePoints >= st.turnTimeLimit;
    const bool built = game.builtRule != -1;
    int value = game.lastValue;

    // A. The first move of a game: the centre.
    if (game.moveCount == 0) {
        int x, y;
        if (!openingPoint(x, y)) {
            protocol::sendReply("ERROR no legal move: every point is blocked");
            return;
        }
        answerAtOnce(x, y, 0, 0, colour);
        return;
    }
    const auto& fives = board.threats[board::FivePoint];
    int x, y;
    // B. A win proven by the previous think: play it out.
    if (built && game.lastValue - st.iterationDepth >= search::WinScore && winningPoint(colour, x, y)) {
        answerAtOnce(x, y, value, 1, colour);
        return;
    }
    // C. The other side threatens five and we cannot make one: block it.
    if (built && !fives.summary[colour - 1] && fives.summary[other - 1]) {
        search::MoveEntry* list = search::moveListAt(0);
        const int n = search::listFivePoints(list, other);
        if (playable(list[0].x, list[0].y, colour)) {
            if (n >= 2) value = game.lastValue = -search::WinScore;
            answerAtOnce(list[0].x, list[0].y, value, 1, colour);
            return;
        }
    }

    // D. Search.
    st.thinkStartTime = search::nowMs();
    st.searchAborted = false;
    control::applyRule(st.thinkStartTime);
    applyHashSize();
    search::setHashAge(game.moveCount);
    st.iterationDepth = 0;
    if (!fallbackPrePass(colour, value)) {
        // Nothing to play: say so, and answer no move rather than an illegal one.
        protocol::sendReply("%s", noMoveReason());
        return;
    }
    const int fallbackX = st.bestMoveX, fallbackY = st.bestMoveY;
    saveSingleMoveLine(fallbackX, fallbackY);
    value = deepen(colour, value, plentyOfTime);
    game.lastValue = value;
    st.iterationDepth -= 1;
    const int64_t elapsed = search::nowMs() - st.thinkStartTime;
    st.thinkStartTime = elapsed;
    if (value - st.iterationDepth >= search::WinScore && winningPoint(colour, x, y)) {
        st.bestMoveX = x;
        st.bestMoveY = y;
    }
    // A root that found no move (all masked or forbidden) leaves the fallback.
    if (!playable(st.bestMoveX, st.bestMoveY, colour) && fallbackX >= 0 && playable(fallbackX, fallbackY, colour)) {
        st.bestMoveX = fallbackX;
        st.bestMoveY = fallbackY;
    }
    // The line shown is the one of the move played, or that move alone.
    if (thinkState.savedLine.length < 1 || thinkState.savedLine.moves[0].x != st.bestMoveX ||
        thinkState.savedLine.moves[0].y != st.bestMoveY)
        saveSingleMoveLine(st.bestMoveX, st.bestMoveY);
    // Without a finished iteration the value is the pre-pass's one-ply look.
    report(value, elapsed, st.iterationDepth > 1 ? st.iterationDepth : 1);
    playMove(colour);
}

}  // namespace think
