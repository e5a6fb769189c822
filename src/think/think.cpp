#include "think/think.h"

#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

#include "board/board.h"
#include "board/forbidden.h"
#include "search/clock.h"
#include "search/evaluation.h"
#include "search/hash_tables.h"
#include "search/move_generation.h"
#include "search/root_search.h"
#include "search/search_state.h"
#include "think/time_manager.h"

namespace think {

namespace {

using search::MoveEntry;

// What one normal think works with: the thinker, the request, and the main
// search thread with its board.
struct Think {
    Thinker& thinker;
    const ThinkRequest& request;
    search::SearchState& searchState;
    board::Board& board;
    const board::Geometry& geometry;
    int32_t lastValue;
    int64_t helperNodes = 0;  // nodes the helper threads searched
    // The depth of the main thread's current iteration, read by the helpers
    // to keep their own iterations ahead of it.
    std::atomic<int> mainDepth{0};

    Think(Thinker& t, const ThinkRequest& r)
        : thinker(t), request(r), searchState(*t.main), board(t.main->board), geometry(r.position.geometry),
          lastValue(r.lastValue) {}
};

bool onBoardAndEmpty(Think& t, int x, int y) {
    return t.geometry.onBoard(x, y) && board::cellAt(t.board, x, y) == 0;
}

// A point the engine may play: empty, unmasked, and legal for black under Renju.
bool playable(Think& t, int x, int y, int colour) {
    if (!onBoardAndEmpty(t, x, y) || t.request.isMasked(x, y)) return false;
    return !(t.board.rule == board::Renju && colour == 1 && board::isForbidden(t.board, x, y));
}

// The first playable point of a list, or false.
bool firstPlayable(Think& t, const MoveEntry* list, int n, int colour, int& x, int& y) {
    for (int i = 0; i < n; ++i)
        if (playable(t, list[i].x, list[i].y, colour)) {
            x = list[i].x;
            y = list[i].y;
            return true;
        }
    return false;
}

// The winning follow-up of a proven win: a five, else an open four.
bool winningPoint(Think& t, int colour, int& x, int& y) {
    MoveEntry* list = search::moveListAt(t.searchState, 0);
    int n = search::listFivePoints(t.board, list, colour);
    if (n > 0) return firstPlayable(t, list, n, colour, x, y);
    n = search::listOpenFourPoints(t.board, list, colour);
    return firstPlayable(t, list, n, colour, x, y);
}

// The first move of a game: the centre, or the nearest point that is neither
// masked nor taken by a block stone (the board may not be built yet).
bool openingPoint(Think& t, int& bestX, int& bestY) {
    const board::Geometry& geometry = t.geometry;
    const Position& position = t.request.position;
    auto hasBlockStone = [&](int x, int y) {
        for (int i = 0; i < position.blockCount; ++i)
            if (position.blocks[i].x == x && position.blocks[i].y == y) return true;
        return false;
    };
    const int cx = geometry.boardHeight / 2, cy = geometry.boardWidth / 2;
    int bestDistance = -1;
    for (int x = 0; x < geometry.boardHeight; ++x)
        for (int y = 0; y < geometry.boardWidth; ++y) {
            if (t.request.isMasked(x, y) || hasBlockStone(x, y)) continue;
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
bool fallbackPrePass(Think& t, int colour, int& bestValue) {
    board::Board& board = t.board;
    search::SearchState& searchState = t.searchState;
    const board::Geometry& geometry = t.geometry;
    const int other = 3 - colour;
    int best = search::NotSet;
    bool found = false;
    const auto& fives = board.threats[board::FivePoint];
    const auto& openFours = board.threats[board::OpenFourPoint];
    for (int x = 0; x < geometry.boardHeight; ++x)
        for (int y = 0; y < geometry.boardWidth; ++y) {
            if (!playable(t, x, y, colour)) continue;
            board::makeMove(board, x, y, colour);
            int v;
            if (fives.summary[other - 1]) {
                v = -9999999;
            } else if (fives.summary[colour - 1] || !openFours.summary[other - 1]) {
                v = -search::evaluateLeaf(searchState, 0, other);
            } else {
                v = -9999999;
                if (board.rule == board::Renju && other == 1) {
                    MoveEntry* list = search::moveListAt(searchState, 0);
                    search::listOpenFourPoints(board, list, other);
                    if (board::isForbidden(board, list[0].x, list[0].y)) v = -search::evaluateLeaf(searchState, 0, other);
                }
            }
            board::unmakeMove(board, x, y, colour);
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
void saveSingleMoveLine(Think& t, int x, int y) {
    t.thinker.savedLine.length = 1;
    t.thinker.savedLine.moves[0].x = static_cast<int16_t>(x);
    t.thinker.savedLine.moves[0].y = static_cast<int16_t>(y);
}

// Why no move can be played: no empty point, or none the engine may take.
const char* noMoveReason(Think& t) {
    for (int x = 0; x < t.geometry.boardHeight; ++x)
        for (int y = 0; y < t.geometry.boardWidth; ++y)
            if (onBoardAndEmpty(t, x, y)) return "ERROR no legal move: every empty point is blocked or forbidden";
    return "ERROR no legal move: the board is full";
}

void writeDetailLine(Think& t, int depth, int value, bool aborted) {
    const search::SearchState& searchState = t.searchState;
    search::writeLine(t.request.out, "MESSAGE DETAIL DEPTH:%d-%d%s VAL:%d TIME:%lldms NODE:%dm [%d,%c]", depth,
                      depth - searchState.selectiveDepth, aborted ? "*" : "", displayValue(value, 0),
                      (long long)(search::nowMs() - searchState.thinkStartTime), int(searchState.nodeCount / 1000000),
                      t.geometry.boardHeight - searchState.bestMoveX, 'A' + searchState.bestMoveY);
}

// The helper threads of one search (Lazy SMP): each searches the same root on
// its own copy of the board, iteration after iteration, and fills the shared
// tables that the main thread then finds. Every other helper keeps one
// iteration ahead of the main thread, the others search its depth; none starts
// an iteration the main thread has passed, since two threads walking the same
// tree in the same order at the same time only repeat each other's work. For
// the same reason all threads, the main one included, share the marks of the
// nodes they are in (search::BusyNodes) and put off the moves into another's.
// They stop with the main thread's deepening, or at the same limits.
class HelperCrew {
public:
    HelperCrew(Think& t, int colour) {
        Thinker& thinker = t.thinker;
        const int count = t.request.settings.threadCount - 1;
        while (int(thinker.helpers.size()) < count) {
            thinker.helpers.push_back(std::make_unique<search::SearchState>());
            search::resetSearchWorkAreas(*thinker.helpers.back());
        }
        search::SearchState& main = t.searchState;
        if (count > 0) {
            thinker.busyNodes.clear();
            main.limits.busy = &thinker.busyNodes;
        }
        main_ = &main;
        for (int i = 0; i < count; ++i) {
            search::SearchState& h = *thinker.helpers[size_t(i)];
            h.board = main.board;
            h.hashTables = main.hashTables;
            h.limits = main.limits;
            h.limits.stop = &stop_;
            h.reporter = nullptr;
            h.nodeCount = h.interiorNodeCount = h.threatNodeCount = 0;
            h.searchedMoveSum = 0;
            h.selectiveDepth = 0;
            h.searchAborted = false;
            h.turnTimeLimit = main.turnTimeLimit;
            h.thinkStartTime = main.thinkStartTime;
            h.completedDepth = 0;
            search::clearMoveHistory(h);
            members_.push_back(&h);
        }
        const int area = t.geometry.area();
        const int maxDepth = t.request.settings.maxDepth;
        const int moveCount = t.request.position.moveCount;
        const std::atomic<int>* mainDepth = &t.mainDepth;
        for (int i = 0; i < count; ++i) {
            search::SearchState* h = members_[size_t(i)];
            const int ahead = (i + 1) % 2;
            threads_.emplace_back([h, ahead, colour, area, maxDepth, moveCount, mainDepth] {
                for (int d = 1 + ahead;; ++d) {
                    // An iteration the main thread has already passed would only
                    // repeat its work: start at its depth (plus one for every
                    // other helper, where the depth cap leaves room) instead.
                    int floor = mainDepth->load(std::memory_order_relaxed) + ahead;
                    if (floor > maxDepth) floor = maxDepth;
                    if (d < floor) d = floor;
                    if (d > maxDepth || moveCount + d > area) break;
                    if (h->limits.stopRequested()) break;
                    h->iterationDepth = d;
                    h->singleCandidateFlag = 0;
                    const int r = search::rootSearch(*h, colour);
                    if (h->searchAborted) break;
                    h->completedDepth = d;
                    h->completedValue = r;
                    h->completedLine = h->pvLines[0];
                    if (search::isMateLike(r)) break;
                }
            });
        }
    }

    // The helper whose finished iteration went deepest, when deeper than
    // `depth`; null otherwise.
    const search::SearchState* deepestBeyond(int depth) const {
        const search::SearchState* deepest = nullptr;
        for (const search::SearchState* h : members_)
            if (h->completedDepth > depth && (deepest == nullptr || h->completedDepth > deepest->completedDepth))
                deepest = h;
        return deepest;
    }

    // Stops the helpers and returns the nodes they searched.
    int64_t finish() {
        stop_.store(1, std::memory_order_relaxed);
        int64_t nodes = 0;
        for (std::thread& thread : threads_) thread.join();
        threads_.clear();
        if (main_ != nullptr) main_->limits.busy = nullptr;
        for (const search::SearchState* h : members_) nodes += h->nodeCount;
        return nodes;
    }

    ~HelperCrew() { finish(); }

private:
    std::atomic<int32_t> stop_{0};
    search::SearchState* main_ = nullptr;
    std::vector<search::SearchState*> members_;
    std::vector<std::thread> threads_;
};

// Iterative deepening over the root search; leaves the value of the deepest
// usable iteration and iterationDepth at that depth. A new iteration starts
// while the time manager's share of the turn's time (or of a node budget) is
// not spent.
int deepen(Think& t, int colour, int value, bool plentyOfTime) {
    search::SearchState& st = t.searchState;
    const ThinkRequest& request = t.request;
    const int area = t.geometry.area();
    const bool detail = request.settings.showDetail != 0;
    TimeManager clock;
    for (int d = 1;; ++d) {
        st.iterationDepth = d;
        const int32_t maxNode = request.nodeBudget();
        bool limit = false;
        if (d > 1) {
            const bool spent = !clock.mayStart(search::nowMs() - st.thinkStartTime, st.turnTimeLimit);
            limit = (spent && !plentyOfTime) || request.position.moveCount + d > area || request.stopRequested();
            if (limit && (maxNode != -1 || request.stopRequested())) break;
        }
        if (!limit && maxNode != -1 && maxNode < 1000000000 && !clock.mayStart(st.nodeCount / 1024, maxNode)) break;
        if (d > request.settings.maxDepth) break;

        st.singleCandidateFlag = 0;
        t.mainDepth.store(d, std::memory_order_relaxed);
        const int r = search::rootSearch(st, colour);
        if (st.searchAborted) {
            if (r != 0) {
                value = r;
                saveLine(t.thinker);
                if (d >= 5 && detail) writeDetailLine(t, d, r, true);
                st.iterationDepth = d + 1;
            }
            break;
        }
        value = r;
        saveLine(t.thinker);
        clock.iterationDone(d, st.bestMoveX, st.bestMoveY, r);
        if (d >= 5 && detail) writeDetailLine(t, d, r, false);
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
void report(Think& t, int value, int64_t elapsed, int depth) {
    const search::SearchState& st = t.searchState;
    const board::Geometry& geometry = t.geometry;
    search::LineWriter* out = t.request.out;
    const bool detail = t.request.settings.showDetail != 0;
    const int64_t nodes = st.nodeCount + t.helperNodes;
    int printed = value;
    if (printed >= search::MateThreshold) printed -= depth;
    else if (printed <= -search::MateThreshold) printed += depth;
    const int evaluation = printed > 10000 ? 10000 : printed < -10000 ? -10000 : printed;
    const char* mood = printed > 500 ? ":-)" : printed < -500 ? ":-(" : "";
    const double complexity = 100.0 * double(st.interiorNodeCount) / double(st.nodeCount + 1);
    const double branching = st.searchedMoveSum / double(st.interiorNodeCount + 1);
    const long long speed = (long long)(nodes / (elapsed + 1));
    if (detail) {
        search::writeLine(out, "MESSAGE Complexity: %.1f, %.1f | Depth: %d-%d | Time: %lldms | Node: %dm", complexity,
                          branching, depth, depth - st.selectiveDepth, (long long)elapsed, int(nodes / 1000000));
        search::writeLine(out, "MESSAGE Speed: %lld | Evaluation: %d %s", speed, evaluation, mood);
    } else {
        search::writeLine(out, "MESSAGE %.1f | %d | %d | %lldms | %.1f | %lld | %d | %d %s", complexity, depth,
                          depth - st.selectiveDepth, (long long)elapsed, branching, speed,
                          t.board.geometry.winLengthParam, evaluation, mood);
    }

    char line[32 + 12 * board::MaxPoints];
    int used = std::snprintf(line, sizeof line, "MESSAGE %s", detail ? "Bestline: " : "");
    const search::PvLine& saved = t.thinker.savedLine;
    const int shown = depth > 1 ? depth : 1;
    const int count = shown < saved.length ? shown : saved.length;
    for (int i = 0; i < count; ++i) {
        const int x = saved.moves[i].x, y = saved.moves[i].y;
        if (detail) used += std::snprintf(line + used, sizeof line - used, "[%d%c] ", geometry.boardHeight - x, 'A' + y);
        else used += std::snprintf(line + used, sizeof line - used, "[%d,%d] ", x + 1, y + 1);
    }
    search::writeLine(out, "%s", line);

    if (detail) {
        used = std::snprintf(line, sizeof line, "MESSAGE Block");
        bool any = false;
        for (int x = 0; x < geometry.boardHeight; ++x)
            for (int y = 0; y < geometry.boardWidth; ++y)
                if (t.request.isMasked(x, y)) {
                    any = true;
                    used += std::snprintf(line + used, sizeof line - used, "[%d%c] ", geometry.boardHeight - x,
                                          'A' + y);
                }
        if (any) search::writeLine(out, "%s", line);
    }
}

// The quick paths: a move chosen without a search, reported with 0 ms, the
// depth it looked and the move as its line.
ThinkResult answerAtOnce(Think& t, int x, int y, int value, int depth) {
    t.searchState.bestMoveX = x;
    t.searchState.bestMoveY = y;
    t.searchState.thinkStartTime = 0;
    saveSingleMoveLine(t, x, y);
    report(t, value, 0, depth);
    return ThinkResult{true, x, y, t.lastValue};
}

}  // namespace

ThinkResult normalThink(Thinker& thinker, const ThinkRequest& request) {
    Think t(thinker, request);
    search::SearchState& st = t.searchState;
    const board::Geometry& geometry = t.geometry;
    const int moveCount = request.position.moveCount;
    const int colour = moveCount % 2 + 1;
    const int other = 3 - colour;
    followPosition(thinker, request.position);
    setSearchLimits(thinker, request);

    // Set-up: counters and the time budget.
    st.nodeCount = st.interiorNodeCount = st.threatNodeCount = 0;
    st.searchedMoveSum = 0;
    st.selectiveDepth = 0;
    const int32_t timeoutTurn = request.settings.timeoutTurn, timeLeft = request.settings.timeLeft;
    st.turnTimeLimit = timeoutTurn < timeLeft / 16 ? timeoutTurn : timeLeft / 16;
    const int64_t freePoints = int64_t(geometry.boardWidth) * geometry.boardHeight - moveCount + 1;
    const bool plentyOfTime = timeLeft / freePoints >= st.turnTimeLimit;
    const bool built = thinker.builtRule != -1;
    int value = t.lastValue;

    // A. The first move of a game: the centre.
    if (moveCount == 0) {
        int x, y;
        if (!openingPoint(t, x, y)) {
            search::writeLine(request.out, "ERROR no legal move: every point is blocked");
            return ThinkResult{false, -1, -1, t.lastValue};
        }
        return answerAtOnce(t, x, y, 0, 0);
    }
    const auto& fives = t.board.threats[board::FivePoint];
    int x, y;
    // B. A win proven by the previous think: play it out.
    if (built && t.lastValue - st.iterationDepth >= search::WinScore && winningPoint(t, colour, x, y))
        return answerAtOnce(t, x, y, value, 1);
    // C. The other side threatens five and we cannot make one: block it.
    if (built && !fives.summary[colour - 1] && fives.summary[other - 1]) {
        search::MoveEntry* list = search::moveListAt(st, 0);
        const int n = search::listFivePoints(t.board, list, other);
        if (playable(t, list[0].x, list[0].y, colour)) {
            if (n >= 2) value = t.lastValue = -search::WinScore;
            return answerAtOnce(t, list[0].x, list[0].y, value, 1);
        }
    }

    // D. Search.
    st.thinkStartTime = search::nowMs();
    st.searchAborted = false;
    if (applyRule(thinker, request, st.thinkStartTime)) t.lastValue = 0;
    applyHashSize(thinker, request);
    search::setHashAge(thinker.hashTables, moveCount);
    st.iterationDepth = 0;
    if (!fallbackPrePass(t, colour, value)) {
        // Nothing to play: say so, and answer no move rather than an illegal one.
        search::writeLine(request.out, "%s", noMoveReason(t));
        return ThinkResult{false, -1, -1, t.lastValue};
    }
    const int fallbackX = st.bestMoveX, fallbackY = st.bestMoveY;
    saveSingleMoveLine(t, fallbackX, fallbackY);
    {
        HelperCrew helpers(t, colour);
        value = deepen(t, colour, value, plentyOfTime);
        t.helperNodes = helpers.finish();
        // A helper that finished a deeper iteration than the main thread knows
        // more: its move, value and line are taken (the main thread's own
        // iterations end at iterationDepth - 1).
        const search::SearchState* deeper = helpers.deepestBeyond(st.iterationDepth - 1);
        if (deeper != nullptr && deeper->completedLine.length > 0 &&
            playable(t, deeper->completedLine.moves[0].x, deeper->completedLine.moves[0].y, colour)) {
            value = deeper->completedValue;
            st.iterationDepth = deeper->completedDepth + 1;
            st.bestMoveX = deeper->completedLine.moves[0].x;
            st.bestMoveY = deeper->completedLine.moves[0].y;
            const search::PvLine& line = deeper->completedLine;
            thinker.savedLine.length = line.length;
            for (int i = 0; i < line.length; ++i) thinker.savedLine.moves[i] = line.moves[i];
        }
    }
    t.lastValue = value;
    st.iterationDepth -= 1;
    const int64_t elapsed = search::nowMs() - st.thinkStartTime;
    st.thinkStartTime = elapsed;
    if (value - st.iterationDepth >= search::WinScore && winningPoint(t, colour, x, y)) {
        st.bestMoveX = x;
        st.bestMoveY = y;
    }
    // A root that found no move (all masked or forbidden) leaves the fallback.
    if (!playable(t, st.bestMoveX, st.bestMoveY, colour) && fallbackX >= 0 && playable(t, fallbackX, fallbackY, colour)) {
        st.bestMoveX = fallbackX;
        st.bestMoveY = fallbackY;
    }
    // The line shown is the one of the move played, or that move alone.
    const search::PvLine& saved = thinker.savedLine;
    if (saved.length < 1 || saved.moves[0].x != st.bestMoveX || saved.moves[0].y != st.bestMoveY)
        saveSingleMoveLine(t, st.bestMoveX, st.bestMoveY);
    // Without a finished iteration the value is the pre-pass's one-ply look.
    report(t, value, elapsed, st.iterationDepth > 1 ? st.iterationDepth : 1);
    return ThinkResult{true, st.bestMoveX, st.bestMoveY, t.lastValue};
}

}  // namespace think
