// Self-play referee: runs two engine processes against each other through the
// protocol only, as a tournament manager does, and judges every move itself.
//
// Usage: selfplay [options]
//   --engine1 PATH --engine2 PATH   engines (default: build/olvar for both)
//   --games N                       games (default 2); colours alternate
//   --rule R                        0 free-style, 1 standard, 2 Renju (default 0)
//   --size N | --rect W,H           board (default 15)
//   --turn MS                       timeout_turn (default 100)
//   --match MS                      timeout_match (default: unlimited)
//   --tolerance MS                  time allowed past timeout_turn (default 0)
//   --hash N                        INFO hash_size for both engines (default: theirs)
//   --openings FILE                 one opening per line: "x,y x,y ..."
//   --verbose                       print every move
// Exit status 1 when any game had an illegal move, a crash or a time loss.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "support/engine_process.h"

using testing_support::EngineProcess;

namespace {

struct Options {
    std::string engine[2] = {"build/olvar", "build/olvar"};
    int games = 2, rule = 0, width = 15, height = 15;
    long turnMs = 100, matchMs = 0, toleranceMs = 0, hash = 0;
    std::string openingsFile;
    bool verbose = false;
};

// The referee's own board and rules, written independently of the engine.
struct Referee {
    int width, height, rule;
    std::vector<int> cells;  // 0 empty, 1 black (first player), 2 white

    Referee(int w, int h, int r) : width(w), height(h), rule(r), cells(size_t(w * h), 0) {}
    bool onBoard(int x, int y) const { return x >= 0 && x < height && y >= 0 && y < width; }
    int at(int x, int y) const { return onBoard(x, y) ? cells[size_t(x * width + y)] : -1; }
    void set(int x, int y, int c) { cells[size_t(x * width + y)] = c; }

    // Length of the run of colour c through (x, y) along (dx, dy).
    int run(int x, int y, int dx, int dy, int c) const {
        int n = 1;
        for (int k = 1; at(x + k * dx, y + k * dy) == c; ++k) ++n;
        for (int k = 1; at(x - k * dx, y - k * dy) == c; ++k) ++n;
        return n;
    }

    // With the stone of c already at (x, y): does it make five (as the rule counts it)?
    bool makesFive(int x, int y, int c) const {
        static const int dirs[4][2] = {{0, 1}, {1, 0}, {1, 1}, {1, -1}};
        for (const auto& d : dirs) {
            int n = run(x, y, d[0], d[1], c);
            if (n == 5) return true;
            if (n > 5 && (rule == 0 || (rule == 2 && c == 2))) return true;
        }
        return false;
    }

    bool exactFiveAt(int x, int y, int dx, int dy) const { return run(x, y, dx, dy, 1) == 5; }

    // Renju: is a black stone on the empty point (x, y) forbidden?
    bool forbidden(int x, int y) {
        static const int dirs[4][2] = {{0, 1}, {1, 0}, {1, 1}, {1, -1}};
        if (at(x, y) != 0) return false;
        set(x, y, 1);
        bool five = false, overline = false;
        int fours = 0, threes = 0;
        for (const auto& d : dirs) {
            int n = run(x, y, d[0], d[1], 1);
            if (n == 5) five = true;
            if (n > 5) overline = true;
        }
        if (!five && !overline) {
            for (const auto& d : dirs) {
                int f = foursInLine(x, y, d[0], d[1]);
                fours += f;
                if (f == 0 && openThreeInLine(x, y, d[0], d[1])) ++threes;
            }
        }
        set(x, y, 0);
        if (five) return false;
        return overline || fours >= 2 || threes >= 2;
    }

    // Empty points on the line through (x, y) within 5 where black would make an exact five.
    int foursInLine(int x, int y, int dx, int dy) {
        int count = 0;
        for (int k = -4; k <= 4; ++k) {
            int px = x + k * dx, py = y + k * dy;
            if (at(px, py) != 0) continue;
            set(px, py, 1);
            bool five = exactFiveAt(px, py, dx, dy);
            set(px, py, 0);
            if (five) ++count;
        }
        // Two five points of one straight four (.XXXX.) are one four.
        if (count == 2) {
            for (int k = -5; k <= 0; ++k) {
                bool straight = at(x + k * dx, y + k * dy) == 0 && at(x + (k + 5) * dx, y + (k + 5) * dy) == 0;
                for (int j = 1; j <= 4 && straight; ++j) straight = at(x + (k + j) * dx, y + (k + j) * dy) == 1;
                if (straight) return 1;
            }
        }
        return count;
    }

    // An open three: some empty point in the line makes a straight four
    // (.XXXX. with both ends giving exact fives) and is itself not forbidden.
    bool openThreeInLine(int x, int y, int dx, int dy) {
        for (int k = -4; k <= 4; ++k) {
            int px = x + k * dx, py = y + k * dy;
            if (at(px, py) != 0) continue;
            set(px, py, 1);
            bool straightFour = false;
            for (int s = -4; s <= 0 && !straightFour; ++s) {
                int ax = px + (s - 1) * dx, ay = py + (s - 1) * dy;
                int bx = px + (s + 4) * dx, by = py + (s + 4) * dy;
                bool four = true;
                for (int j = 0; j < 4 && four; ++j) four = at(px + (s + j) * dx, py + (s + j) * dy) == 1;
                if (!four || at(ax, ay) != 0 || at(bx, by) != 0) continue;
                set(ax, ay, 1);
                bool fiveA = exactFiveAt(ax, ay, dx, dy);
                set(ax, ay, 0);
                set(bx, by, 1);
                bool fiveB = exactFiveAt(bx, by, dx, dy);
                set(bx, by, 0);
                straightFour = fiveA && fiveB;
            }
            set(px, py, 0);
            if (straightFour && !forbidden(px, py)) return true;
        }
        return false;
    }
};

struct Totals {
    int wins[2] = {0, 0}, draws = 0, illegal = 0, timeLosses = 0, crashes = 0, overruns = 0;
    long longestMs = 0;
};

bool parseMove(const std::string& line, int& x, int& y) {
    char rest;
    return std::sscanf(line.c_str(), "%d,%d%c", &x, &y, &rest) == 2;
}

std::vector<std::vector<std::pair<int, int>>> readOpenings(const std::string& path) {
    std::vector<std::vector<std::pair<int, int>>> openings;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::pair<int, int>> moves;
        const char* text = line.c_str();
        int x, y, used;
        while (std::sscanf(text, " %d,%d%n", &x, &y, &used) == 2) {
            moves.push_back({x, y});
            text += used;
        }
        if (!moves.empty()) openings.push_back(moves);
    }
    return openings;
}

// Plays one game; engine index first plays black. Returns the winner's engine
// index, -1 for a draw.
int playGame(const Options& o, int game, int first, const std::vector<std::pair<int, int>>& opening, Totals& t) {
    std::unique_ptr<EngineProcess> engines[2];
    long timeLeft[2] = {o.matchMs, o.matchMs};
    for (int i = 0; i < 2; ++i) {
        engines[i] = std::make_unique<EngineProcess>(o.engine[i]);
        EngineProcess& e = *engines[i];
        e.send("INFO timeout_turn " + std::to_string(o.turnMs));
        e.send("INFO timeout_match " + std::to_string(o.matchMs ? o.matchMs : 1000000000));
        if (o.matchMs) e.send("INFO time_left " + std::to_string(o.matchMs));
        e.send("INFO rule " + std::to_string(o.rule));
        if (o.hash) e.send("INFO hash_size " + std::to_string(o.hash));
        e.send(o.width == o.height ? "START " + std::to_string(o.width)
                                   : "RECTSTART " + std::to_string(o.width) + "," + std::to_string(o.height));
        std::string reply = e.nextLine(5000);
        while (reply.rfind("MESSAGE", 0) == 0) reply = e.nextLine(5000);
        if (reply != "OK") {
            std::printf("game %d: engine %d did not start (%s)\n", game, i + 1, reply.c_str());
            ++t.crashes;
            return -2;
        }
    }
    Referee ref(o.width, o.height, o.rule);
    std::vector<std::pair<int, int>> moves;
    for (const auto& m : opening) {
        if (!ref.onBoard(m.first, m.second) || ref.at(m.first, m.second) != 0) break;
        ref.set(m.first, m.second, int(moves.size() % 2) + 1);
        moves.push_back(m);
    }
    bool toldPosition[2] = {false, false};
    const int area = o.width * o.height;
    for (;;) {
        if (int(moves.size()) >= area) return -1;
        const int colour = int(moves.size() % 2) + 1;
        const int mover = colour == 1 ? first : 1 - first;
        EngineProcess& e = *engines[mover];
        if (o.matchMs) e.send("INFO time_left " + std::to_string(timeLeft[mover]));
        auto start = std::chrono::steady_clock::now();
        if (!toldPosition[mover]) {
            toldPosition[mover] = true;
            if (moves.empty()) {
                e.send("BEGIN");
            } else {
                e.send("BOARD");
                for (size_t i = 0; i < moves.size(); ++i) {
                    const int who = int(i % 2) + 1 == colour ? 1 : 2;
                    e.send(std::to_string(moves[i].first) + "," + std::to_string(moves[i].second) + "," +
                           std::to_string(who));
                }
                e.send("DONE");
            }
        } else {
            e.send("TURN " + std::to_string(moves.back().first) + "," + std::to_string(moves.back().second));
        }
        std::string line = e.awaitMove(int(o.turnMs + o.toleranceMs + 10000));
        const long used = long(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
        if (used > t.longestMs) t.longestMs = used;
        timeLeft[mover] -= used;
        int x, y;
        if (!parseMove(line, x, y)) {
            std::printf("game %d: engine %d answered \"%s\": loses\n", game, mover + 1, line.c_str());
            if (line == "<eof>") ++t.crashes;
            else ++t.illegal;
            return 1 - mover;
        }
        if (used > o.turnMs) ++t.overruns;
        if (used > o.turnMs + o.toleranceMs || (o.matchMs && timeLeft[mover] < 0)) {
            std::printf("game %d: engine %d used %ld ms: loses on time\n", game, mover + 1, used);
            ++t.timeLosses;
            return 1 - mover;
        }
        if (!ref.onBoard(x, y) || ref.at(x, y) != 0) {
            std::printf("game %d: engine %d played %d,%d, not an empty point: loses\n", game, mover + 1, x, y);
            ++t.illegal;
            return 1 - mover;
        }
        if (o.rule == 2 && colour == 1 && ref.forbidden(x, y)) {
            std::printf("game %d: engine %d played the forbidden point %d,%d: loses\n", game, mover + 1, x, y);
            ++t.illegal;
            return 1 - mover;
        }
        ref.set(x, y, colour);
        moves.push_back({x, y});
        if (o.verbose) std::printf("game %d move %zu: engine %d %d,%d (%ld ms)\n", game, moves.size(), mover + 1, x, y, used);
        if (ref.makesFive(x, y, colour)) return mover;
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
        if (a == "--engine1") o.engine[0] = next();
        else if (a == "--engine2") o.engine[1] = next();
        else if (a == "--games") o.games = std::atoi(next().c_str());
        else if (a == "--rule") o.rule = std::atoi(next().c_str());
        else if (a == "--size") o.width = o.height = std::atoi(next().c_str());
        else if (a == "--rect") std::sscanf(next().c_str(), "%d,%d", &o.width, &o.height);
        else if (a == "--turn") o.turnMs = std::atol(next().c_str());
        else if (a == "--match") o.matchMs = std::atol(next().c_str());
        else if (a == "--tolerance") o.toleranceMs = std::atol(next().c_str());
        else if (a == "--openings") o.openingsFile = next();
        else if (a == "--hash") o.hash = std::atol(next().c_str());
        else if (a == "--verbose") o.verbose = true;
        else {
            std::fprintf(stderr, "unknown option %s\n", a.c_str());
            return 2;
        }
    }
    std::vector<std::vector<std::pair<int, int>>> openings;
    if (!o.openingsFile.empty()) openings = readOpenings(o.openingsFile);
    Totals t;
    for (int g = 0; g < o.games; ++g) {
        const int first = g % 2;
        const auto opening = openings.empty() ? std::vector<std::pair<int, int>>{} : openings[size_t(g / 2) % openings.size()];
        int winner = playGame(o, g + 1, first, opening, t);
        if (winner >= 0) ++t.wins[winner];
        else if (winner == -1) ++t.draws;
        std::printf("game %d (engine %d black): %s\n", g + 1, first + 1,
                    winner == -1 ? "draw" : winner == -2 ? "no game" : winner == 0 ? "engine 1 wins" : "engine 2 wins");
        std::fflush(stdout);
    }
    std::printf("engine 1 wins %d, engine 2 wins %d, draws %d, illegal moves %d, time losses %d, crashes %d, "
                "longest think %ld ms, moves over %ld ms %d\n",
                t.wins[0], t.wins[1], t.draws, t.illegal, t.timeLosses, t.crashes, t.longestMs, o.turnMs, t.overruns);
    return t.illegal || t.timeLosses || t.crashes ? 1 : 0;
}
