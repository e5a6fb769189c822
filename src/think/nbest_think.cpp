// N-best think: ranks the candidate moves of the side to move by iterative
// deepening over each of them and reports the best ones with their lines. It
// plays no move and leaves the record as it found it.
#include <cstdio>

#include "board/board.h"
#include "search/clock.h"
#include "search/evaluation.h"
#include "search/node_search.h"
#include "search/search_state.h"
#include "think/analysis.h"
#include "think/think.h"

namespace think {

namespace {

constexpr int LineCapacity = board::MaxPoints;

using Think = AnalysisThink<NbestState>;

// Every empty, unmasked point near a stone (every one on an empty record),
// ranked by its static value, best first.
void generateCandidates(Think& t, int colour) {
    NbestState& s = t.state;
    const board::Geometry& geometry = t.geometry;
    const int other = 3 - colour;
    markNeighbourhood(t.board, s.map, NeighbourShape::SquareAndLines);
    s.count = 0;
    for (int x = 0; x < geometry.boardHeight; ++x)
        for (int y = 0; y < geometry.boardWidth; ++y) {
            if (board::cellAt(t.board, x, y) != 0 || t.request.isMasked(x, y)) continue;
            if (!s.map.marked[x][y] && t.request.position.moveCount != 0) continue;
            board::makeMove(t.board, x, y, colour);
            const int score = -search::evaluateLeaf(t.searchState, 0, other);
            board::unmakeMove(t.board, x, y, colour);
            s.candidates[s.count++] = NbestCandidate{score, int16_t(x), int16_t(y)};
        }
    stableSort(s.candidates, s.count, s.scratch,
               [](const NbestCandidate& a, const NbestCandidate& b) { return a.score > b.score; });
    // Until a search gives it a line, a candidate's line is its own move.
    for (int i = 0; i < s.count; ++i) {
        s.lineOf[i] = i;
        s.lines[i].count = 1;
        s.lines[i].moves[0] = s.candidates[i].x * board::MaxSide + s.candidates[i].y;
    }
}

void exchange(NbestState& s, int a, int b) {
    const NbestCandidate c = s.candidates[a];
    s.candidates[a] = s.candidates[b];
    s.candidates[b] = c;
    const int slot = s.lineOf[a];
    s.lineOf[a] = s.lineOf[b];
    s.lineOf[b] = slot;
}

// Value of candidate i's move for colour: the child searched at depth d for the
// other side within (alpha, beta) of its own view, negated.
int searchChild(Think& t, int d, int alpha, int beta, int other) {
    // Behind a lost candidate the window would be empty or inverted; a null
    // window still tells whether this one does better.
    if (alpha >= beta) beta = alpha + 1;
    return -search::alphaBetaSearch(t.searchState, d, alpha, beta, other, 0);
}

// One iteration at depth d over every candidate. False when a limit stopped it.
bool searchIteration(Think& t, int d, int n, int colour) {
    NbestState& s = t.state;
    const search::SearchState& st = t.searchState;
    const int other = 3 - colour;
    NbestCandidate* c = s.candidates;
    for (int i = 0; i < s.count; ++i) {
        const int x = c[i].x, y = c[i].y;
        board::makeMove(t.board, x, y, colour);
        // 1. Candidates below the first are tested against the one ranked
        // just above them (within the n best) or against the n-th.
        const int bar = i == 0 ? 0 : c[(i < n ? i : n) - 1].score;
        int alpha = -FullWindow, beta = FullWindow;
        if (i > 0) {
            alpha = -bar;
            beta = i < n ? FullWindow : alpha + 1;
        }
        const int r = searchChild(t, d, alpha, beta, other);
        if (!st.searchAborted) {
            c[i].score = r;
            // 2. One that reaches the bar gets its exact value.
            if (i > 0 && r >= bar) {
                const int exact = searchChild(t, d, -FullWindow, FullWindow, other);
                if (!st.searchAborted) c[i].score = exact;
            }
        }
        board::unmakeMove(t.board, x, y, colour);
        if (st.searchAborted) return false;

        // 3. Its line: the move, then the child's principal variation.
        const search::PvLine& pv = st.pvLines[0];
        NbestLine& line = s.lines[s.lineOf[i]];
        int count = (pv.length < d ? pv.length : d) + 1;
        if (count > LineCapacity) count = LineCapacity;
        line.count = count;
        line.moves[0] = x * board::MaxSide + y;
        for (int k = 1; k < count; ++k) line.moves[k] = pv.moves[k - 1].x * board::MaxSide + pv.moves[k - 1].y;

        // 4. Into its place among the candidates searched so far; equal
        // scores keep the earlier one first.
        for (int k = 0; k < i; ++k)
            if (c[k].score < c[i].score) exchange(s, k, i);
    }
    return true;
}

void writeIterationLines(Think& t, int d, int n) {
    const NbestState& s = t.state;
    const search::SearchState& st = t.searchState;
    const board::Geometry& geometry = t.geometry;
    const NbestCandidate& first = s.candidates[0];
    char text[192];
    std::snprintf(text, sizeof text, "MESSAGE DETAIL DEPTH:%d-%d VAL:%d TIME:%lldms NODE:%dm [%d,%c]", d + 1,
                  d - st.selectiveDepth + 1, clampPrinted(first.score),
                  (long long)(search::nowMs() - st.thinkStartTime), int(st.nodeCount / 1000000),
                  geometry.boardHeight - first.x, 'A' + first.y);
    search::writeLine(t.request.out, "%s", text);
    if (d + 1 < 5) return;
    for (int i = 0; i < s.count && i < n; ++i) {
        const NbestCandidate& c = s.candidates[i];
        std::snprintf(text, sizeof text, "MESSAGE (%d) VAL:%d [%d,%c]", i + 1, clampPrinted(c.score),
                      geometry.boardHeight - c.x, 'A' + c.y);
        search::writeLine(t.request.out, "%s", text);
    }
}

void writeFinalLines(Think& t, int depth, int n, int64_t elapsed) {
    const NbestState& s = t.state;
    const search::SearchState& st = t.searchState;
    const board::Geometry& geometry = t.geometry;
    char text[64 + 8 * LineCapacity];
    if (s.count == 0) {
        // Nothing to rank: the final line without a point.
        std::snprintf(text, sizeof text, "MESSAGE DETAIL (NBEST) DEPTH:0-0 VAL:0 TIME:%lldms NODE:%dm",
                      (long long)elapsed, int(st.nodeCount / 1000000));
        search::writeLine(t.request.out, "%s", text);
        return;
    }
    const NbestCandidate& first = s.candidates[0];
    std::snprintf(text, sizeof text, "MESSAGE DETAIL (NBEST) DEPTH:%d-%d VAL:%d TIME:%lldms NODE:%dm [%d,%c]",
                  depth + 1, depth - st.selectiveDepth + 1, clampPrinted(first.score), (long long)elapsed,
                  int(st.nodeCount / 1000000), geometry.boardHeight - first.x, 'A' + first.y);
    search::writeLine(t.request.out, "%s", text);
    // Always the n best: after a short think they are ranked by what the
    // iterations that ran found, or by their static values.
    for (int i = 0; i < n && i < s.count; ++i) {
        const NbestLine& line = s.lines[s.lineOf[i]];
        int used = std::snprintf(text, sizeof text, "MESSAGE (%d) VAL:%d ", i, s.candidates[i].score);
        for (int k = 0; k < line.count; ++k) {
            const int v = line.moves[k];
            used += std::snprintf(text + used, sizeof text - used, "[%d,%c]", geometry.boardHeight - v / board::MaxSide,
                                  'A' + v % board::MaxSide);
        }
        search::writeLine(t.request.out, "%s", text);
    }
}

}  // namespace

ThinkResult nbestThink(Thinker& thinker, const ThinkRequest& request) {
    Think t(thinker, request, *thinker.nbest);
    search::SearchState& st = t.searchState;
    const int colour = request.position.moveCount % 2 + 1;
    const int n = request.nbestCount < 1 ? 1 : request.nbestCount;

    // 1. Set-up and the ranked candidates.
    beginAnalysisThink(thinker, request);
    generateCandidates(t, colour);

    // 2. Iterative deepening; with nothing to rank there is nothing to deepen.
    for (int d = 1; t.state.count > 0; ++d) {
        st.iterationDepth = d;
        // The first iteration starts whatever the clock says, so that the
        // ranking rests on a search (the search itself still keeps the budget).
        if (analysisDeepeningStops(thinker, request, d, d > 1)) break;
        if (!searchIteration(t, d, n, colour)) break;
        writeIterationLines(t, d, n);
    }

    // 3. The final report; no move is played.
    const int64_t elapsed = search::nowMs() - st.thinkStartTime;
    if (t.state.count > 0) st.iterationDepth -= 1;
    st.thinkStartTime = elapsed;
    writeFinalLines(t, st.iterationDepth, n, elapsed);
    return ThinkResult{false, -1, -1, 0};
}

}  // namespace think
