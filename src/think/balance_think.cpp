// Balance thinks: look for the placement whose value, for the side to move,
// is nearest to a target. Balance one places one stone of the side to move;
// balance two a pair, that stone followed by one of the other side. Both
// report in DETAIL lines only and leave the record as they found it.
#include <cstdio>

#include "board/board.h"
#include "search/clock.h"
#include "search/evaluation.h"
#include "search/limits.h"
#include "search/node_search.h"
#include "search/search_state.h"
#include "think/analysis.h"
#include "think/think.h"

namespace think {

namespace {

using Think = AnalysisThink<BalanceState>;

// Below this many candidates the search narrows its window to the best
// distance so far and stops at an exact hit.
constexpr int FewCandidates = 32;

int distanceOf(int value, int target) {
    const int d = value - target;
    return d < 0 ? -d : d;
}

bool usable(Think& t, int x, int y) { return board::cellAt(t.board, x, y) == 0 && !t.request.isMasked(x, y); }

// The limits a search polls: a stop request, and with a node budget the end
// of the time budget.
bool generationMustStop(Think& t) {
    if (t.request.stopRequested()) return true;
    const search::SearchState& st = t.searchState;
    return t.request.nodeBudget() != -1 &&
           search::nowMs() - st.thinkStartTime + search::TimeMarginMs >= st.turnTimeLimit;
}

// One stone of the side to move.
struct OneStone {
    using Entry = BalanceOneEntry;
    static constexpr int Plies = 1;

    static Entry* entries(Think& t) { return t.state.one; }
    static Entry* scratch(Think& t) { return t.state.oneScratch; }

    static int generate(Think& t, int colour, int target) {
        const BalanceState& s = t.state;
        const board::Geometry& geometry = t.geometry;
        const int other = 3 - colour;
        int count = 0;
        for (int x = 0; x < geometry.boardHeight; ++x)
            for (int y = 0; y < geometry.boardWidth; ++y) {
                if (!usable(t, x, y) || (!s.map.marked[x][y] && t.request.position.moveCount != 0)) continue;
                board::makeMove(t.board, x, y, colour);
                const int distance = distanceOf(-search::evaluateLeaf(t.searchState, 0, other), target);
                board::unmakeMove(t.board, x, y, colour);
                t.state.one[count++] = Entry{distance, int16_t(x), int16_t(y)};
            }
        return count;
    }

    static void place(Think& t, const Entry& e, int colour) { board::makeMove(t.board, e.x, e.y, colour); }
    static void remove(Think& t, const Entry& e, int colour) { board::unmakeMove(t.board, e.x, e.y, colour); }

    // Value for the side to move within (lo, hi) of its view: the other side
    // searched with the mirrored window, negated.
    static int search(Think& t, int d, int lo, int hi, int colour) {
        return -search::alphaBetaSearch(t.searchState, d, -hi, -lo, 3 - colour, 0);
    }

    static int points(Think& t, char* text, size_t size, const Entry& e) {
        return std::snprintf(text, size, " [%d,%c]", t.geometry.boardHeight - e.x, 'A' + e.y);
    }
};

// A stone of the side to move, then one of the other side.
struct TwoStones {
    using Entry = BalanceTwoEntry;
    static constexpr int Plies = 2;

    static Entry* entries(Think& t) { return t.state.two; }
    static Entry* scratch(Think& t) { return t.state.twoScratch; }

    // Pairs where at least two of these hold: the second stone is within 3
    // rows and 3 columns of the first, the second is near a stone, the first
    // is near a stone, the record is empty. On a large board with stones
    // spread over it this takes seconds, so a stop request or the end of the
    // time budget cuts it short; the pairs listed so far are then the
    // candidates.
    static int generate(Think& t, int colour, int target) {
        const BalanceState& s = t.state;
        const int other = 3 - colour;
        const int height = t.geometry.boardHeight, width = t.geometry.boardWidth;
        const int emptyRecord = t.request.position.moveCount == 0 ? 1 : 0;
        int count = 0;
        for (int x1 = 0; x1 < height; ++x1)
            for (int y1 = 0; y1 < width; ++y1) {
                if (!usable(t, x1, y1)) continue;
                if (generationMustStop(t)) return count;
                board::makeMove(t.board, x1, y1, colour);
                const int firstHolds = emptyRecord + s.map.marked[x1][y1];
                for (int x2 = 0; x2 < height; ++x2)
                    for (int y2 = 0; y2 < width; ++y2) {
                        if (!usable(t, x2, y2)) continue;
                        const int dx = x2 - x1, dy = y2 - y1;
                        const int close = dx >= -3 && dx <= 3 && dy >= -3 && dy <= 3 ? 1 : 0;
                        if (firstHolds + close + s.map.marked[x2][y2] < 2) continue;
                        board::makeMove(t.board, x2, y2, other);
                        const int distance = distanceOf(search::evaluateLeaf(t.searchState, 0, colour), target);
                        board::unmakeMove(t.board, x2, y2, other);
                        t.state.two[count++] =
                            Entry{distance, int16_t(x1), int16_t(y1), int16_t(x2), int16_t(y2)};
                    }
                board::unmakeMove(t.board, x1, y1, colour);
            }
        return count;
    }

    static void place(Think& t, const Entry& e, int colour) {
        board::makeMove(t.board, e.x1, e.y1, colour);
        board::makeMove(t.board, e.x2, e.y2, 3 - colour);
    }
    static void remove(Think& t, const Entry& e, int colour) {
        board::unmakeMove(t.board, e.x2, e.y2, 3 - colour);
        board::unmakeMove(t.board, e.x1, e.y1, colour);
    }

    // After the pair the side to move is to move again: its own search.
    static int search(Think& t, int d, int lo, int hi, int colour) {
        return search::alphaBetaSearch(t.searchState, d, lo, hi, colour, 0);
    }

    static int points(Think& t, char* text, size_t size, const Entry& e) {
        const int height = t.geometry.boardHeight;
        return std::snprintf(text, size, " [%d,%c][%d,%c]", height - e.x1, 'A' + e.y1, height - e.x2, 'A' + e.y2);
    }
};

template <typename Mode>
void sortByDistance(Think& t, int n) {
    stableSort(Mode::entries(t), n, Mode::scratch(t),
               [](const typename Mode::Entry& a, const typename Mode::Entry& b) { return a.distance < b.distance; });
}

// One iteration at depth d over the first n candidates. False when a limit
// stopped it.
template <typename Mode>
bool searchIteration(Think& t, int d, int n, int colour, int target) {
    typename Mode::Entry* e = Mode::entries(t);
    const search::SearchState& st = t.searchState;
    for (int i = 0; i < n; ++i) {
        Mode::place(t, e[i], colour);
        // 1. Many candidates, or the first: the full window. Otherwise a window
        // of the best distance so far around the target; a value on its edge
        // counts as one worse, so it never ties the best, and one inside it is
        // searched again in full. (Among few, a lead at distance 0 has
        // already ended the loop; the test of s0 only keeps the window from
        // ever being empty.)
        const int s0 = e[0].distance;
        if (n >= FewCandidates || i == 0 || s0 == 0) {
            const int r = Mode::search(t, d, -FullWindow, FullWindow, colour);
            if (!st.searchAborted) e[i].distance = distanceOf(r, target);
        } else {
            const int r = Mode::search(t, d, target - s0, target + s0, colour);
            if (!st.searchAborted) {
                int distance = distanceOf(r, target);
                if (distance == s0) ++distance;
                e[i].distance = distance;
                if (distance < s0) {
                    const int exact = Mode::search(t, d, -FullWindow, FullWindow, colour);
                    if (!st.searchAborted) {
                        distance = distanceOf(exact, target);
                        if (distance == s0) ++distance;
                        e[i].distance = distance;
                    }
                }
            }
        }
        Mode::remove(t, e[i], colour);
        if (st.searchAborted) return false;

        // 2. A better one leads; an exact hit among few ends the iteration.
        if (e[i].distance < e[0].distance) {
            const typename Mode::Entry lead = e[0];
            e[0] = e[i];
            e[i] = lead;
        }
        if (n < FewCandidates && e[0].distance == 0) break;
    }
    return true;
}

// How many candidates the next iteration keeps.
int shrink(int n, int d, int bestDistance) {
    if (n >= FewCandidates) {
        const int cap = d == 1 ? 1024 : d == 2 ? 512 : d == 3 ? 256 : d == 4 ? 128 : 0;
        if (cap != 0) return n < cap ? n : cap;
        const int kept = int(n * 0.6);
        return kept < FewCandidates - 1 ? FewCandidates - 1 : kept;
    }
    if (bestDistance > 16) return n;
    // Never below four: n - 1 from five is the smallest step down.
    return n > 16 ? n - 3 : n > 8 ? n - 2 : n > 4 ? n - 1 : n;
}

// A DETAIL line for the leading entry; the depth shown counts the stones
// placed before the search.
template <typename Mode>
void writeDetailLine(Think& t, const char* tag, int depth, int target, int64_t elapsed) {
    const search::SearchState& st = t.searchState;
    char text[192];
    const int distance = Mode::entries(t)[0].distance;
    int used = std::snprintf(text, sizeof text, "MESSAGE DETAIL %sDEPTH:%d-%d |VAL%+d|:%d TIME:%lldms NODE:%dm", tag,
                             depth + Mode::Plies, depth - st.selectiveDepth + Mode::Plies, -target,
                             distance > 10000 ? 10000 : distance, (long long)elapsed, int(st.nodeCount / 1000000));
    Mode::points(t, text + used, sizeof text - used, Mode::entries(t)[0]);
    search::writeLine(t.request.out, "%s", text);
}

template <typename Mode>
ThinkResult balanceThink(Thinker& thinker, const ThinkRequest& request) {
    Think t(thinker, request, *thinker.balance);
    search::SearchState& st = t.searchState;
    BalanceState& s = t.state;
    const int colour = request.position.moveCount % 2 + 1;
    const int32_t requested = request.balanceTarget;
    const int target = requested > 2000 ? 2000 : requested < -2000 ? -2000 : requested;

    // 1. Set-up; the candidates, nearest to the target first.
    beginAnalysisThink(thinker, request);
    markNeighbourhood(t.board, s.map, NeighbourShape::FullSquare);
    const int generated = Mode::generate(t, colour, target);
    sortByDistance<Mode>(t, generated);
    int n = generated;

    // 2. Iterative deepening over fewer and fewer candidates; with none there
    // is nothing to deepen.
    for (int d = 1; generated > 0; ++d) {
        st.iterationDepth = d;
        if (analysisDeepeningStops(thinker, request, d)) break;
        if (!searchIteration<Mode>(t, d, n, colour, target)) break;
        sortByDistance<Mode>(t, n);
        n = shrink(n, d, Mode::entries(t)[0].distance);
        writeDetailLine<Mode>(t, "", d, target, search::nowMs() - st.thinkStartTime);
    }

    // 3. The final line: the leading entry is the answer. No move is played.
    const int64_t elapsed = search::nowMs() - st.thinkStartTime;
    st.thinkStartTime = elapsed;
    s.generated = generated;
    s.inUse = n;
    s.target = target;
    if (generated > 0) {
        st.iterationDepth -= 1;
        writeDetailLine<Mode>(t, "(BALANCE) ", st.iterationDepth, target, elapsed);
    } else {
        // Nothing to place: depth 0, the distance as far as it prints, no point.
        search::writeLine(request.out, "MESSAGE DETAIL (BALANCE) DEPTH:0-0 |VAL%+d|:10000 TIME:%lldms NODE:%dm",
                          -target, (long long)elapsed, int(st.nodeCount / 1000000));
    }
    return ThinkResult{false, -1, -1, 0};
}

}  // namespace

ThinkResult balanceOneThink(Thinker& thinker, const ThinkRequest& request) {
    return balanceThink<OneStone>(thinker, request);
}
ThinkResult balanceTwoThink(Thinker& thinker, const ThinkRequest& request) {
    return balanceThink<TwoStones>(thinker, request);
}

}  // namespace think
