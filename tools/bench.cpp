// Deterministic bench: normal thinks to a fixed depth on a fixed set of
// positions under all three rules, then an n-best and a balance think each to
// its own fixed depth, with the hash tables cleared before each. The node
// total of a run on one thread is a signature of the search: a change that
// alters it alters search behaviour. On more threads the normal thinks run
// with helpers and the figures that matter are the nodes per second.
//
// With --time it measures instead what a move of a given time reaches: the
// normal thinks' positions searched as in a game with that timeout_turn (the
// default hash size, no node or depth limit), with the depth each reports and
// the speed. Those figures depend on the machine and its load; they are no
// signature.
//
// Usage: bench [depth [threads]]   (default 9 and 1; depth of the normal thinks only)
//        bench --time MS [threads]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "control/engine.h"
#include "search/hash_tables.h"
#include "think/think.h"

namespace {

struct BenchPosition {
    int width, height, rule;
    const char* moves;  // "x,y x,y ..." in the order played
};

const BenchPosition Positions[] = {
    {15, 15, 0, "7,7 7,8 9,9 8,8 6,8 8,6 7,9 8,7 8,9 6,9 9,6 10,8"},
    {15, 15, 1, "7,7 8,8 6,8 8,7 8,6 9,5 7,9 5,9 6,6 7,6 5,7 8,10"},
    {15, 15, 2, "7,7 7,8 8,9 8,8 6,8 5,9 9,8 10,7 5,7 7,9 9,7 9,6"},
    {20, 20, 0, "10,10 9,11 11,12 10,12 8,10 9,10 9,9 11,11 7,11 10,8 9,13 12,11"},
    {15, 15, 2, "7,7 8,6 5,8 8,8 7,6 7,5 9,7 8,7 8,5 6,7 7,8 6,10 8,10 7,9 6,9 4,7"},
    {20, 15, 1, "7,10 8,10 8,12 9,11 10,12 9,12 9,13 7,11 8,14 7,15 8,13 8,11"},
    // White's threat points include one forbidden to black, so the search
    // weighs forbidden points in its leaves (no position above reaches one).
    {15, 15, 2, "6,7 8,6 10,4 7,5 10,6 9,7 6,4 9,8 8,4 10,8 11,9 9,9 9,6 11,7 8,10 10,7 8,7"},
};

// Analysis thinks, each run through its driver to a fixed depth.
struct AnalysisPosition {
    BenchPosition position;
    think::ThinkResult (*driver)(think::Thinker&, const think::ThinkRequest&);
    const char* mode;
    int parameter;  // nbestCount or balanceTarget
    int depth;
};

const AnalysisPosition AnalysisPositions[] = {
    {{15, 15, 0, "7,7 7,8 9,9 8,8 6,8 8,6 7,9 8,7 8,9 6,9 9,6 10,8"}, think::nbestThink, "n-best", 3, 8},
    {{15, 15, 1, "7,7 8,8 6,8 8,7 8,6 9,5 7,9 5,9 6,6 7,6 5,7 8,10"}, think::balanceOneThink, "balance one", 0, 4},
};

// The engine's report lines are not the bench's business.
class Discard : public search::LineWriter {
public:
    void writeLine(const char*) override {}
};

void setUp(control::Engine& engine, const BenchPosition& p, int depth, int threads) {
    control::EngineSettings& settings = engine.settings;
    settings.rule = p.rule;
    settings.maxNode = -1;  // no time limit: the depth alone ends the think
    settings.maxDepth = depth;
    settings.hashSize = 65536;
    settings.showDetail = 0;
    settings.threadNum = threads;
    control::setupBoard(engine, p.width, p.height);
    const char* text = p.moves;
    int x, y, used;
    while (std::sscanf(text, " %d,%d%n", &x, &y, &used) == 2) {
        control::addMove(engine.game, x, y);
        text += used;
    }
}

// Nodes of the last think on every thread of the thinker.
long long nodesSearched(const think::Thinker& thinker, int threads) {
    long long nodes = thinker.main->nodeCount;
    for (int i = 0; i + 1 < threads && i < int(thinker.helpers.size()); ++i) nodes += thinker.helpers[size_t(i)]->nodeCount;
    return nodes;
}

// A normal think of the position as a game's move of timeMs would be searched.
void setUpTimed(control::Engine& engine, const BenchPosition& p, int timeMs, int threads) {
    setUp(engine, p, 576, threads);
    const control::EngineSettings defaults;
    control::EngineSettings& settings = engine.settings;
    settings.maxNode = control::setting(defaults.maxNode);
    settings.hashSize = control::setting(defaults.hashSize);
    settings.timeoutTurn = timeMs;
}

// Depth and speed of each normal think at timeMs a move; mean depth and speed.
int runTimed(control::Engine& engine, int timeMs, int threads, FILE* out) {
    long long totalNodes = 0;
    double totalMs = 0, depthSum = 0;
    int index = 0;
    for (const BenchPosition& p : Positions) {
        // A one-ply think first builds the rule's board and the tables, which a
        // game does once, at its first move; the timed think then starts clean.
        setUpTimed(engine, p, timeMs, threads);
        engine.settings.maxDepth = 1;
        think::normalThink(engine.thinker, control::thinkRequest(engine));
        engine.settings.maxDepth = 576;
        search::clearHashTables(engine.hashTables);
        auto start = std::chrono::steady_clock::now();
        think::normalThink(engine.thinker, control::thinkRequest(engine));
        double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        const long long nodes = nodesSearched(engine.thinker, threads);
        // The depth the think reported: its last iteration that counted.
        const int depth = engine.thinker.main->iterationDepth;
        totalNodes += nodes;
        totalMs += ms;
        depthSum += depth;
        std::fprintf(out, "Position %d (%dx%d, rule %d): depth %d, nodes %lld, time %.0f ms, nps %.0f\n", ++index,
                     p.width, p.height, p.rule, depth, nodes, ms, nodes / (ms / 1000.0 + 1e-9));
    }
    std::fprintf(out, "===========================\n");
    std::fprintf(out, "Time a move (ms): %d\n", timeMs);
    std::fprintf(out, "Mean depth      : %.2f\n", depthSum / index);
    std::fprintf(out, "Nodes searched  : %lld\n", totalNodes);
    std::fprintf(out, "Nodes/second    : %.0f\n", totalNodes / (totalMs / 1000.0 + 1e-9));
    std::fflush(out);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const bool timed = argc > 1 && std::strcmp(argv[1], "--time") == 0;
    const int first = timed ? 2 : 1;
    const int limit = argc > first ? std::atoi(argv[first]) : timed ? 0 : 9;
    const int threads = think::searchThreadsFor(argc > first + 1 ? std::atoi(argv[first + 1]) : 1);
    if (limit < 1) {
        std::fprintf(stderr, "usage: bench [depth [threads]] | bench --time MS [threads] (depth and MS at least 1)\n");
        return 2;
    }
    FILE* out = stdout;
    static Discard discard;
    // No worker thread runs here, so the engine can go with the bench.
    auto engine = std::make_unique<control::Engine>(discard);
    std::fprintf(out, "Threads: %d\n", threads);
    if (timed) return runTimed(*engine, limit, threads, out);
    const int depth = limit;

    long long totalNodes = 0;
    double totalMs = 0;
    int index = 0;
    for (const BenchPosition& p : Positions) {
        setUp(*engine, p, depth, threads);
        search::clearHashTables(engine->hashTables);
        auto start = std::chrono::steady_clock::now();
        think::normalThink(engine->thinker, control::thinkRequest(*engine));
        double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        const long long nodes = nodesSearched(engine->thinker, threads);
        totalNodes += nodes;
        totalMs += ms;
        std::fprintf(out, "Position %d (%dx%d, rule %d): nodes %lld, time %.0f ms, nps %.0f\n", ++index, p.width,
                     p.height, p.rule, nodes, ms, nodes / (ms / 1000.0 + 1e-9));
    }
    for (const AnalysisPosition& a : AnalysisPositions) {
        const BenchPosition& p = a.position;
        setUp(*engine, p, a.depth, threads);
        engine->worker.nbestCount = a.parameter;
        engine->worker.balanceTarget = a.parameter;
        search::clearHashTables(engine->hashTables);
        auto start = std::chrono::steady_clock::now();
        a.driver(engine->thinker, control::thinkRequest(*engine));
        double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        const long long nodes = engine->thinker.main->nodeCount;
        totalNodes += nodes;
        totalMs += ms;
        std::fprintf(out, "Position %d (%dx%d, rule %d, %s %d, depth %d): nodes %lld, time %.0f ms, nps %.0f\n",
                     ++index, p.width, p.height, p.rule, a.mode, a.parameter, a.depth, nodes, ms,
                     nodes / (ms / 1000.0 + 1e-9));
    }
    std::fprintf(out, "===========================\n");
    std::fprintf(out, "Total time (ms) : %.0f\n", totalMs);
    std::fprintf(out, "Nodes searched  : %lld\n", totalNodes);
    std::fprintf(out, "Nodes/second    : %.0f\n", totalNodes / (totalMs / 1000.0 + 1e-9));
    std::fflush(out);
    return 0;
}
