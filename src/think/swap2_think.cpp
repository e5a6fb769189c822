// Swap2 answers, built from the engine's other thinks: the normal think for
// the value of a position and its best move, the balance-one think for the
// stone that brings a value nearest 0. Each part runs as a think of its own on
// a request cut down to its share of the answer's time; their report lines go
// out as they come, and one MESSAGE Swap2 line sums up the answer.
#include "think/swap2.h"

#include <cstdio>
#include <initializer_list>

#include "board/board.h"
#include "board/forbidden.h"
#include "search/clock.h"
#include "search/reporter.h"
#include "think/analysis.h"
#include "think/think.h"

namespace think {

namespace {

constexpr int Black = 1, White = 2;

// What one Swap2 answer works with: the request, the clock of the answer, the
// random stream of its proposals, and which points are taken.
struct Swap2Work {
    Thinker& thinker;
    const ThinkRequest& request;
    const board::Geometry& geometry;
    int64_t startMs;
    int64_t budgetMs;
    uint64_t random;
    bool taken[board::MaxSide][board::MaxSide] = {};

    Swap2Work(Thinker& t, const ThinkRequest& r)
        : thinker(t), request(r), geometry(r.position.geometry), startMs(search::nowMs()), random(r.swap2Seed) {
        const int32_t turn = r.settings.timeoutTurn, left = r.settings.timeLeft / 16;
        budgetMs = turn < left ? turn : left;
        const Position& p = r.position;
        for (int i = 0; i < p.moveCount; ++i) taken[p.moves[i].x][p.moves[i].y] = true;
        for (int i = 0; i < p.blockCount; ++i) taken[p.blocks[i].x][p.blocks[i].y] = true;
    }

    // The answer's time not used yet, in ms.
    int64_t timeLeftMs() const {
        const int64_t left = budgetMs - (search::nowMs() - startMs);
        return left > 0 ? left : 0;
    }

    bool isFree(int x, int y) const { return geometry.onBoard(x, y) && !taken[x][y]; }
    bool isUsable(int x, int y) const { return isFree(x, y) && !request.isMasked(x, y); }

    // SplitMix64: a well-mixed stream from any seed, zero included.
    uint64_t nextRandom() {
        uint64_t z = (random += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
};

int chebyshev(int x1, int y1, int x2, int y2) {
    const int dx = x1 > x2 ? x1 - x2 : x2 - x1, dy = y1 > y2 ? y1 - y2 : y2 - y1;
    return dx > dy ? dx : dy;
}

// Points of the board that are free (on the board, no stone) and usable (free
// and not masked).
void countPoints(const Swap2Work& w, int& free, int& usable) {
    free = usable = 0;
    for (int x = 0; x < w.geometry.boardHeight; ++x)
        for (int y = 0; y < w.geometry.boardWidth; ++y) {
            if (!w.isFree(x, y)) continue;
            ++free;
            if (w.isUsable(x, y)) ++usable;
        }
}

// A usable point at distance minDistance..maxDistance of (cx, cy), drawn at
// random; when there is none, the usable point nearest to it at minDistance
// or more (the first in row order among equals). False when no point is
// usable at all.
bool pickNear(Swap2Work& w, int cx, int cy, int minDistance, int maxDistance, int& px, int& py) {
    int inRange = 0, nearest = -1;
    for (int x = 0; x < w.geometry.boardHeight; ++x)
        for (int y = 0; y < w.geometry.boardWidth; ++y) {
            if (!w.isUsable(x, y)) continue;
            const int d = chebyshev(x, y, cx, cy);
            if (d < minDistance) continue;
            if (d <= maxDistance) ++inRange;
            if (nearest < 0 || d < nearest) {
                nearest = d;
                px = x;
                py = y;
            }
        }
    if (inRange == 0) return nearest >= 0;
    int chosen = int(w.nextRandom() % uint64_t(inRange));
    for (int x = 0; x < w.geometry.boardHeight; ++x)
        for (int y = 0; y < w.geometry.boardWidth; ++y) {
            if (!w.isUsable(x, y)) continue;
            const int d = chebyshev(x, y, cx, cy);
            if (d < minDistance || d > maxDistance) continue;
            if (chosen-- == 0) {
                px = x;
                py = y;
                return true;
            }
        }
    return true;
}

// The request cut down to one part of the answer: another position, its own
// time, no earlier value, target 0.
ThinkRequest partRequest(const Swap2Work& w, const board::Stone* moves, int moveCount, int64_t timeMs) {
    ThinkRequest part = w.request;
    part.position.moves = moves;
    part.position.moveCount = moveCount;
    part.settings.timeoutTurn = int32_t(timeMs);
    part.lastValue = 0;
    part.balanceTarget = 0;
    return part;
}

// What the normal think makes of the position: its value for the side to
// move and its move.
struct Valuation {
    int32_t value = 0;
    bool hasMove = false;
    int32_t x = -1, y = -1;
};

Valuation valueOf(Swap2Work& w, int64_t timeMs) {
    const Position& p = w.request.position;
    const ThinkResult r = normalThink(w.thinker, partRequest(w, p.moves, p.moveCount, timeMs));
    return Valuation{r.lastValue, r.hasMove, r.x, r.y};
}

// Whether (x, y) lies within BalancingStoneReach of one of the moves.
bool withinReach(const board::Stone* moves, int moveCount, int x, int y) {
    for (int i = 0; i < moveCount; ++i)
        if (chebyshev(x, y, moves[i].x, moves[i].y) <= BalancingStoneReach) return true;
    return false;
}

// The stone of the side to move after `moves` whose value, for that side, the
// balance search finds nearest 0 among those within reach of the moves;
// distance is how far from 0 it is. False when the search had no such
// candidate the engine may play.
bool balancingStone(Swap2Work& w, const board::Stone* moves, int moveCount, int64_t timeMs, int& x, int& y,
                    int& distance) {
    balanceOneThink(w.thinker, partRequest(w, moves, moveCount, timeMs));
    const BalanceState& s = *w.thinker.balance;
    board::Board& board = w.thinker.main->board;
    const int colour = moveCount % 2 + 1;
    for (int i = 0; i < s.generated; ++i) {
        const BalanceOneEntry& e = s.one[i];
        if (!w.isUsable(e.x, e.y) || !withinReach(moves, moveCount, e.x, e.y)) continue;
        if (board.rule == board::Renju && colour == Black && board::isForbidden(board, e.x, e.y)) continue;
        x = e.x;
        y = e.y;
        distance = e.distance;
        return true;
    }
    return false;
}

Swap2Answer swapAnswer() { return Swap2Answer{Swap2Kind::Swap, 0, {}}; }

Swap2Answer stonesAnswer(std::initializer_list<board::Stone> stones) {
    Swap2Answer answer{Swap2Kind::Stones, 0, {}};
    for (const board::Stone& s : stones) answer.stones[answer.count++] = s;
    return answer;
}

// No stone yet: black's first near the centre, white's near it, black's
// second from the balance search.
Swap2Answer propose(Swap2Work& w) {
    int free, usable;
    countPoints(w, free, usable);
    if (usable < 3) {
        search::writeLine(w.request.out, "ERROR no legal opening: fewer than three points are free and not blocked");
        return Swap2Answer{};
    }
    int x1, y1, x2, y2, x3 = -1, y3 = -1;
    pickNear(w, w.geometry.boardHeight / 2, w.geometry.boardWidth / 2, 0, FirstStoneSpread, x1, y1);
    w.taken[x1][y1] = true;
    pickNear(w, x1, y1, 1, SecondStoneSpread, x2, y2);
    w.taken[x2][y2] = true;
    const board::Stone opening[2] = {{x1, y1, Black}, {x2, y2, White}};
    int distance = -1;
    if (!balancingStone(w, opening, 2, w.timeLeftMs(), x3, y3, distance)) {
        // Nothing near the two stones may be played: the nearest point that may.
        pickNear(w, x1, y1, 1, 0, x3, y3);
    }
    if (distance >= 0)
        search::writeLine(w.request.out, "MESSAGE Swap2: proposes %d,%d %d,%d %d,%d; white to move, value within %d of 0",
                          x1, y1, x2, y2, x3, y3, clampPrinted(distance));
    else
        search::writeLine(w.request.out, "MESSAGE Swap2: proposes %d,%d %d,%d %d,%d", x1, y1, x2, y2, x3, y3);
    return stonesAnswer({{x1, y1, Black}, {x2, y2, White}, {x3, y3, Black}});
}

// The engine chooses with white to move: SWAP, its move, or (three stones
// only) its move and a balancing black stone.
Swap2Answer choose(Swap2Work& w) {
    const Position& p = w.request.position;
    const bool third = p.moveCount == 3;
    int free, usable;
    countPoints(w, free, usable);
    if (free == 0) {
        search::writeLine(w.request.out, "ERROR no legal move: the board is full");
        return Swap2Answer{};
    }
    if (usable == 0) {
        // The engine may not play anywhere; the other side still can.
        search::writeLine(w.request.out, "MESSAGE Swap2: every free point is blocked: SWAP");
        return swapAnswer();
    }
    const bool twoPossible = third && usable >= 2;
    const int64_t valueTime = twoPossible ? int64_t(double(w.budgetMs) * ValueShareOfTurn) : w.timeLeftMs();
    const Valuation v = valueOf(w, valueTime);
    const int shown = clampPrinted(v.value);
    const int swapBelow = third ? -ClearAdvantage : -FinalSwapMargin;
    if (v.value < swapBelow || !v.hasMove) {
        search::writeLine(w.request.out, "MESSAGE Swap2: value %d for white to move: SWAP", shown);
        return swapAnswer();
    }
    const board::Stone move{v.x, v.y, White};
    if (!twoPossible || v.value > ClearAdvantage) {
        search::writeLine(w.request.out, "MESSAGE Swap2: value %d for white to move: plays %d,%d", shown, v.x, v.y);
        return stonesAnswer({move});
    }

    // Neither colour clearly better: white's move, then the black stone that
    // brings white's value nearest 0.
    board::Stone five[5];
    for (int i = 0; i < 3; ++i) five[i] = p.moves[i];
    five[3] = move;
    w.taken[v.x][v.y] = true;
    int x5, y5, distance;
    if (balancingStone(w, five, 4, w.timeLeftMs(), x5, y5, distance) && distance <= ClearAdvantage) {
        search::writeLine(w.request.out,
                          "MESSAGE Swap2: value %d for white to move: two stones %d,%d %d,%d, value within %d of 0",
                          shown, v.x, v.y, x5, y5, clampPrinted(distance));
        return stonesAnswer({move, {x5, y5, Black}});
    }
    // No balancing stone: the better of SWAP and playing on.
    if (v.value < 0) {
        search::writeLine(w.request.out, "MESSAGE Swap2: value %d for white to move, no balancing stone: SWAP", shown);
        return swapAnswer();
    }
    search::writeLine(w.request.out, "MESSAGE Swap2: value %d for white to move, no balancing stone: plays %d,%d",
                      shown, v.x, v.y);
    return stonesAnswer({move});
}

}  // namespace

Swap2Answer swap2Think(Thinker& thinker, const ThinkRequest& request) {
    Swap2Work w(thinker, request);
    const int count = request.position.moveCount;
    if (count == 0) return propose(w);
    if (count == 3 || count == 5) return choose(w);
    return Swap2Answer{};
}

}  // namespace think
