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
//   --clock-report                  an overrun is counted and shown but loses
//                                   nothing (test runs on shared machines, where
//                                   a stalled process must not fail the run; the
//                                   engine still has to answer with a move)
//   --hash N                        INFO hash_size for both engines (default: theirs)
//   --threads1 N --threads2 N       INFO thread_num for engine 1 / engine 2 (default: theirs)
//   --openings FILE                 one opening per line: "x,y x,y ..."
//   --keep                          start each engine once and keep its process
//                                   across games (START per game); a process
//                                   that loses by a fault is replaced
//   --board-mode                    as c-gomoku-cli's board mode (implies --keep):
//                                   per game START, then INFO rule, timeout_turn,
//                                   timeout_match; before every move INFO time_left
//                                   (with --match) and the whole game as a BOARD
//                                   (BEGIN for the first move on an empty board),
//                                   never TURN
//   --swap2                         each game opens with Swap2 (SWAP2BOARD): the
//                                   proposer (engine 1 in odd games, engine 2 in
//                                   even ones) places three stones, the other
//                                   chooses (SWAP, a 4th stone, or a 4th and 5th,
//                                   after which the proposer chooses SWAP or a
//                                   6th), then the game goes on from a BOARD with
//                                   the colours chosen; every answer is timed as a
//                                   move and checked for its form and legality
//   --verbose                       print every move
// An engine loses a game by an illegal move, a crash, a time loss, or any line
// beginning with ERROR that it writes. Exit status 1 when any of these happened.
// The summary ends with the worst overrun: the largest (time used - timeout_turn)
// over all moves and, with --match, the largest (time used - time_left told).
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
    long threads[2] = {0, 0};
    std::string openingsFile;
    bool keep = false, boardMode = false, verbose = false, clockReport = false;
    bool swap2 = false;
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
    // Renju: whether black has a point to play at all (late in a crowded
    // game every empty point may be forbidden for it).
    bool blackCanMove() {
        for (int x = 0; x < height; ++x)
            for (int y = 0; y < width; ++y)
                if (at(x, y) == 0 && !forbidden(x, y)) return true;
        return false;
    }

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

using Moves = std::vector<std::pair<int, int>>;

constexpr int kDraw = -1;    // a game's result when nobody won
constexpr int kNoGame = -2;  // ... and when it could not begin
constexpr int kGoesOn = -3;  // not a result yet: the game goes on

struct Totals {
    int wins[2] = {0, 0}, draws = 0, illegal = 0, timeLosses = 0, crashes = 0, overruns = 0, engineErrors = 0;
    long longestMs = 0;
    // Largest (time used - timeout_turn) and (time used - time_left told) over
    // every timed move; negative when every move kept within its budget.
    bool anyMoveTimed = false;
    long worstTurnOverrunMs = 0, worstTimeLeftOverrunMs = 0;

    void recordMove(long usedMs, long turnMs, bool timeLeftTold, long timeLeftMs) {
        if (usedMs > longestMs) longestMs = usedMs;
        if (usedMs > turnMs) ++overruns;
        const long overTurn = usedMs - turnMs, overLeft = usedMs - timeLeftMs;
        if (!anyMoveTimed || overTurn > worstTurnOverrunMs) worstTurnOverrunMs = overTurn;
        if (timeLeftTold && (!anyMoveTimed || overLeft > worstTimeLeftOverrunMs)) worstTimeLeftOverrunMs = overLeft;
        anyMoveTimed = true;
    }
};

bool parseMove(const std::string& line, int& x, int& y) {
    char rest;
    return std::sscanf(line.c_str(), "%d,%d%c", &x, &y, &rest) == 2;
}

bool isError(const std::string& line) { return line.rfind("ERROR", 0) == 0; }

std::string point(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }

std::vector<Moves> readOpenings(const std::string& path) {
    std::vector<Moves> openings;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        Moves moves;
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

// What the Swap2 openings of a match came to: each choice taken, and the
// results seen from the proposer's side.
struct Swap2Tally {
    int threeSwap = 0, threeOne = 0, threeTwo = 0;  // the chooser's answer to three stones
    int fiveSwap = 0, fiveOne = 0;                  // the proposer's answer to five
    int proposerWins = 0, chooserWins = 0, draws = 0;

    std::string summary() const {
        char text[256];
        std::snprintf(text, sizeof text,
                      "swap2: three stones: SWAP %d, one stone %d, two stones %d; five stones: SWAP %d, one stone "
                      "%d; proposer wins %d, chooser wins %d, draws %d",
                      threeSwap, threeOne, threeTwo, fiveSwap, fiveOne, proposerWins, chooserWins, draws);
        return text;
    }
};

// The points of a Swap2 answer, "x,y" separated by single blanks and nothing
// else; false for any other line.
bool parseSwap2Points(const std::string& line, Moves& points) {
    points.clear();
    size_t at = 0;
    for (;;) {
        const size_t end = line.find(' ', at);
        int x, y;
        if (!parseMove(line.substr(at, end == std::string::npos ? std::string::npos : end - at), x, y)) return false;
        points.push_back({x, y});
        if (end == std::string::npos) return true;
        at = end + 1;
    }
}

// One side of the match: its engine process (kept across games with --keep)
// and what it has been told in the current game.
struct Player {
    std::unique_ptr<EngineProcess> process;
    long timeLeftMs = 0;
    bool toldPosition = false;  // TURN mode: it has had BEGIN or a BOARD this game
    bool faulted = false;       // lost this game by a fault: its process is not reused
};

// Plays the games of a match between two engines and keeps the totals.
class Match {
public:
    Match(const Options& o, Totals& t) : o_(o), t_(t) {}

    // Plays one game; engine index first plays black. Returns the winner's
    // engine index, kDraw or kNoGame.
    int playGame(int game, int first, const Moves& opening, bool lastGame) {
        game_ = game;
        int result = startGame();
        if (result == kGoesOn) result = playMoves(first, opening);
        return endGame(result, lastGame);
    }

private:
    static constexpr int kStartTimeoutMs = 5000;
    static constexpr int kEndTimeoutMs = 3000;

    const Options& o_;
    Totals& t_;
    Player players_[2];
    int game_ = 0;

    // The engine wrote an ERROR line: it loses the game.
    int loseByError(int i, const std::string& line) {
        std::printf("game %d: engine %d wrote \"%s\": loses\n", game_, i + 1, line.c_str());
        ++t_.engineErrors;
        players_[i].faulted = true;
        return 1 - i;
    }

    // The engine lost by another fault, counted in count.
    int loseBy(int i, int& count) {
        ++count;
        players_[i].faulted = true;
        return 1 - i;
    }

    // Starts (or, with --keep, reuses) both engines and begins a game on each.
    int startGame() {
        for (int i = 0; i < 2; ++i) {
            Player& p = players_[i];
            if (!p.process) p.process = std::make_unique<EngineProcess>(o_.engine[i]);
            p.timeLeftMs = o_.matchMs;
            p.toldPosition = false;
            p.faulted = false;
        }
        for (int i = 0; i < 2; ++i) {
            int result = o_.boardMode ? startBoardModeGame(i) : startTurnModeGame(i);
            if (result != kGoesOn) return result;
        }
        return kGoesOn;
    }

    std::string startCommand() const {
        return o_.width == o_.height ? "START " + std::to_string(o_.width)
                                     : "RECTSTART " + std::to_string(o_.width) + "," + std::to_string(o_.height);
    }

    // The settings first, then START, as a GUI that sets up before the game does.
    int startTurnModeGame(int i) {
        EngineProcess& e = *players_[i].process;
        e.send("INFO timeout_turn " + std::to_string(o_.turnMs));
        e.send("INFO timeout_match " + std::to_string(o_.matchMs ? o_.matchMs : 1000000000));
        if (o_.matchMs) e.send("INFO time_left " + std::to_string(o_.matchMs));
        e.send("INFO rule " + std::to_string(o_.rule));
        sendEngineSettings(i);
        e.send(startCommand());
        return awaitStarted(i);
    }

    // START first, then the settings, as c-gomoku-cli does for every game
    // (timeout_match 0 when the game time is not limited).
    int startBoardModeGame(int i) {
        EngineProcess& e = *players_[i].process;
        e.send(startCommand());
        const int result = awaitStarted(i);
        if (result != kGoesOn) return result;
        e.send("INFO rule " + std::to_string(o_.rule));
        e.send("INFO timeout_turn " + std::to_string(o_.turnMs));
        e.send("INFO timeout_match " + std::to_string(o_.matchMs));
        sendEngineSettings(i);
        return kGoesOn;
    }

    // The settings one engine may get of its own: table size and threads.
    void sendEngineSettings(int i) {
        EngineProcess& e = *players_[i].process;
        if (o_.hash) e.send("INFO hash_size " + std::to_string(o_.hash));
        if (o_.threads[i]) e.send("INFO thread_num " + std::to_string(o_.threads[i]));
    }

    // Reads up to the OK of START. A kept process may first deliver what it
    // wrote after the previous game, so an ERROR there is caught here too.
    int awaitStarted(int i) {
        const std::string reply = players_[i].process->awaitMove(kStartTimeoutMs);
        if (reply == "OK") return kGoesOn;
        if (isError(reply)) return loseByError(i, reply);
        std::printf("game %d: engine %d did not start (%s)\n", game_, i + 1, reply.c_str());
        ++t_.crashes;
        players_[i].faulted = true;
        return kNoGame;
    }

    // The opening's stones that fit, in order, black first.
    static Moves placeOpening(Referee& ref, const Moves& opening) {
        Moves moves;
        for (const auto& m : opening) {
            if (!ref.onBoard(m.first, m.second) || ref.at(m.first, m.second) != 0) break;
            ref.set(m.first, m.second, int(moves.size() % 2) + 1);
            moves.push_back(m);
        }
        return moves;
    }

    int playMoves(int first, const Moves& opening) {
        Referee ref(o_.width, o_.height, o_.rule);
        Moves moves = placeOpening(ref, opening);
        const int area = o_.width * o_.height;
        for (;;) {
            if (int(moves.size()) >= area) return kDraw;
            const int colour = int(moves.size() % 2) + 1;
            // No legal point for black is the end of the game, as a full board is.
            if (o_.rule == 2 && colour == 1 && !ref.blackCanMove()) return kDraw;
            const int mover = colour == 1 ? first : 1 - first;
            const int result = playMove(ref, moves, mover, colour);
            if (result != kGoesOn) return result;
        }
    }

    // Asks the mover for its move, judges it and plays it. Returns kGoesOn
    // or the game's result.
    int playMove(Referee& ref, Moves& moves, int mover, int colour) {
        Player& p = players_[mover];
        EngineProcess& e = *p.process;
        const long timeLeftTold = p.timeLeftMs;
        if (o_.matchMs) e.send("INFO time_left " + std::to_string(timeLeftTold));
        const auto start = std::chrono::steady_clock::now();
        requestMove(p, moves, colour);
        const std::string line = e.awaitMove(int(o_.turnMs + o_.toleranceMs + 10000));
        const long used = long(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
        if (isError(line)) return loseByError(mover, line);
        const bool noMove = line == "<timeout>";
        int x = -1, y = -1;
        if (!noMove && !parseMove(line, x, y)) {
            std::printf("game %d: engine %d answered \"%s\": loses\n", game_, mover + 1, line.c_str());
            return loseBy(mover, line == "<eof>" ? t_.crashes : t_.illegal);
        }
        t_.recordMove(used, o_.turnMs, o_.matchMs != 0, timeLeftTold);
        p.timeLeftMs -= used;
        const bool overrun = used > o_.turnMs + o_.toleranceMs || (o_.matchMs && p.timeLeftMs < 0);
        if (overrun && o_.clockReport && !noMove)
            std::printf("game %d: engine %d used %ld ms: over time (not judged)\n", game_, mover + 1, used);
        if (noMove || (overrun && !o_.clockReport)) {
            std::printf("game %d: engine %d used %ld ms: loses on time\n", game_, mover + 1, used);
            return loseBy(mover, t_.timeLosses);
        }
        if (!ref.onBoard(x, y) || ref.at(x, y) != 0) {
            std::printf("game %d: engine %d played %d,%d, not an empty point: loses\n", game_, mover + 1, x, y);
            return loseBy(mover, t_.illegal);
        }
        if (o_.rule == 2 && colour == 1 && ref.forbidden(x, y)) {
            std::printf("game %d: engine %d played the forbidden point %d,%d: loses\n", game_, mover + 1, x, y);
            return loseBy(mover, t_.illegal);
        }
        ref.set(x, y, colour);
        moves.push_back({x, y});
        if (o_.verbose)
            std::printf("game %d move %zu: engine %d %d,%d (%ld ms)\n", game_, moves.size(), mover + 1, x, y, used);
        return ref.makesFive(x, y, colour) ? mover : kGoesOn;
    }

    // Board mode: the whole game before every move. TURN mode: BEGIN or the
    // position as a BOARD the first time in a game, then only the opponent's move.
    void requestMove(Player& p, const Moves& moves, int colour) {
        EngineProcess& e = *p.process;
        if (o_.boardMode || !p.toldPosition) {
            p.toldPosition = true;
            if (moves.empty()) e.send("BEGIN");
            else sendBoard(e, moves, colour);
        } else {
            e.send("TURN " + point(moves.back().first, moves.back().second));
        }
    }

    // Every stone in played order; field 1 for the mover's own, 2 for the opponent's.
    static void sendBoard(EngineProcess& e, const Moves& moves, int colour) {
        e.send("BOARD");
        for (size_t i = 0; i < moves.size(); ++i) {
            const int who = int(i % 2) + 1 == colour ? 1 : 2;
            e.send(point(moves[i].first, moves[i].second) + "," + std::to_string(who));
        }
        e.send("DONE");
    }

    // After a game: reads what each engine wrote after its last awaited line,
    // since an ERROR there counts as well, and closes the processes that are
    // not kept for the next game. A process that lost by a fault is never
    // kept: it may still be thinking, or be in a state it should not be in.
    // The first fault decides the game: an ERROR found here makes its writer
    // lose unless the game was already lost by a fault.
    int endGame(int result, bool lastGame) {
        bool decidedByFault = players_[0].faulted || players_[1].faulted;
        for (int i = 0; i < 2; ++i) {
            Player& p = players_[i];
            if (!p.process) continue;
            if (p.faulted) {
                p.process.reset();  // killed unread
                continue;
            }
            const bool close = !o_.keep || lastGame;
            const std::string error = close ? closeAndReadRest(*p.process) : readWaiting(*p.process);
            if (close) p.process.reset();
            if (error.empty()) continue;
            if (decidedByFault) {
                std::printf("game %d: engine %d wrote \"%s\" after the game was lost by a fault\n", game_, i + 1,
                            error.c_str());
                ++t_.engineErrors;
            } else {
                result = loseByError(i, error);
                decidedByFault = true;
            }
        }
        return result;
    }

    // Ends the engine (END) and reads its output to the end, for at most
    // kEndTimeoutMs; returns the first ERROR line, or "".
    static std::string closeAndReadRest(EngineProcess& e) {
        e.send("END");
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kEndTimeoutMs);
        std::string error, line;
        for (;;) {
            const long left = long(std::chrono::duration_cast<std::chrono::milliseconds>(
                                       deadline - std::chrono::steady_clock::now())
                                       .count());
            if (left <= 0 || !e.readLine(line, int(left))) break;
            if (error.empty() && isError(line)) error = line;
        }
        e.waitExit(kEndTimeoutMs);
        return error;
    }

    // The lines a kept engine has already written; returns the first ERROR
    // line, or "". Later ones are caught when its next game starts.
    static std::string readWaiting(EngineProcess& e) {
        std::string error, line;
        while (e.readLine(line, 1))
            if (error.empty() && isError(line)) error = line;
        return error;
    }
public:
    // Plays one game opened with Swap2, proposed by engine index `proposer`.
    // Returns the winner's engine index, kDraw or kNoGame.
    int playSwap2Game(int game, int proposer, bool lastGame, Swap2Tally& tally) {
        game_ = game;
        int result = startGame();
        if (result == kGoesOn) {
            Moves opening;
            int black = -1;
            result = playSwap2Opening(proposer, tally, opening, black);
            if (result == kGoesOn) result = playMoves(black, opening);
        }
        result = endGame(result, lastGame);
        if (result == proposer) ++tally.proposerWins;
        else if (result == 1 - proposer) ++tally.chooserWins;
        else if (result == kDraw) ++tally.draws;
        return result;
    }

private:
    // The Swap2 opening: the proposer's three stones, the chooser's choice,
    // and when it put two stones the proposer's. Leaves the stones in
    // `opening` and the engine that plays black in `black`; returns kGoesOn,
    // or the result of a game lost by a bad answer.
    int playSwap2Opening(int proposer, Swap2Tally& tally, Moves& opening, int& black) {
        const int chooser = 1 - proposer;
        Referee ref(o_.width, o_.height, o_.rule);
        Moves points;
        int result = askSwap2(proposer, opening, points);
        if (result != kGoesOn) return result;
        if (points.size() != 3) return swap2Refused(proposer, "three stones expected");
        if ((result = placeSwap2Stones(proposer, ref, points, opening)) != kGoesOn) return result;

        if ((result = askSwap2(chooser, opening, points)) != kGoesOn) return result;
        if (points.empty()) {
            ++tally.threeSwap;
            black = chooser;
            return swap2Chosen(opening, black);
        }
        if (points.size() > 2) return swap2Refused(chooser, "SWAP or one or two stones expected");
        if ((result = placeSwap2Stones(chooser, ref, points, opening)) != kGoesOn) return result;
        if (points.size() == 1) {
            ++tally.threeOne;
            black = proposer;
            return swap2Chosen(opening, black);
        }
        ++tally.threeTwo;

        if ((result = askSwap2(proposer, opening, points)) != kGoesOn) return result;
        if (points.empty()) {
            ++tally.fiveSwap;
            black = proposer;
            return swap2Chosen(opening, black);
        }
        if (points.size() != 1) return swap2Refused(proposer, "SWAP or one stone expected");
        if ((result = placeSwap2Stones(proposer, ref, points, opening)) != kGoesOn) return result;
        ++tally.fiveOne;
        black = chooser;
        return swap2Chosen(opening, black);
    }

    int swap2Chosen(const Moves& opening, int black) {
        std::printf("game %d: swap2 opening", game_);
        for (const auto& m : opening) std::printf(" %s", point(m.first, m.second).c_str());
        std::printf(", engine %d black\n", black + 1);
        return kGoesOn;
    }

    int swap2Refused(int i, const char* why) {
        std::printf("game %d: engine %d's swap2 answer: %s: loses\n", game_, i + 1, why);
        return loseBy(i, t_.illegal);
    }

    // Sends engine i the opening so far as a SWAP2BOARD and reads its answer,
    // timed as a move. The answer's points go to `points` (none for SWAP).
    int askSwap2(int i, const Moves& opening, Moves& points) {
        Player& p = players_[i];
        EngineProcess& e = *p.process;
        const long timeLeftTold = p.timeLeftMs;
        if (o_.matchMs) e.send("INFO time_left " + std::to_string(timeLeftTold));
        const auto start = std::chrono::steady_clock::now();
        e.send("SWAP2BOARD");
        for (const auto& m : opening) e.send(point(m.first, m.second));
        e.send("DONE");
        std::vector<std::string> messages;
        const std::string line = e.awaitMove(int(o_.turnMs + o_.toleranceMs + 10000), &messages);
        const long used = long(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
        if (isError(line)) return loseByError(i, line);
        if (o_.verbose)
            for (const auto& m : messages)
                if (m.rfind("MESSAGE Swap2", 0) == 0) std::printf("game %d: engine %d %s\n", game_, i + 1, m.c_str());
        if (line == "<eof>") {
            std::printf("game %d: engine %d ended during its swap2 answer: loses\n", game_, i + 1);
            return loseBy(i, t_.crashes);
        }
        const bool noAnswer = line == "<timeout>";
        if (!noAnswer) {
            t_.recordMove(used, o_.turnMs, o_.matchMs != 0, timeLeftTold);
            p.timeLeftMs -= used;
        }
        const bool overrun = used > o_.turnMs + o_.toleranceMs || (o_.matchMs && p.timeLeftMs < 0);
        if (overrun && o_.clockReport && !noAnswer)
            std::printf("game %d: engine %d used %ld ms: over time (not judged)\n", game_, i + 1, used);
        if (noAnswer || (overrun && !o_.clockReport)) {
            std::printf("game %d: engine %d used %ld ms on its swap2 answer: loses on time\n", game_, i + 1, used);
            return loseBy(i, t_.timeLosses);
        }
        if (o_.verbose)
            std::printf("game %d swap2 after %zu stones: engine %d \"%s\" (%ld ms)\n", game_, opening.size(), i + 1,
                        line.c_str(), used);
        points.clear();
        if (line == "SWAP" && !opening.empty()) return kGoesOn;
        if (!parseSwap2Points(line, points)) {
            std::printf("game %d: engine %d answered \"%s\" to SWAP2BOARD: loses\n", game_, i + 1, line.c_str());
            return loseBy(i, t_.illegal);
        }
        return kGoesOn;
    }

    // Puts engine i's answered points on the board after the opening, in
    // turn: each must be an empty point of the board, and for black under
    // Renju not forbidden.
    int placeSwap2Stones(int i, Referee& ref, const Moves& points, Moves& opening) {
        for (const auto& m : points) {
            const int colour = int(opening.size() % 2) + 1;
            if (!ref.onBoard(m.first, m.second) || ref.at(m.first, m.second) != 0) {
                std::printf("game %d: engine %d's swap2 stone %d,%d is not an empty point: loses\n", game_, i + 1,
                            m.first, m.second);
                return loseBy(i, t_.illegal);
            }
            if (o_.rule == 2 && colour == 1 && ref.forbidden(m.first, m.second)) {
                std::printf("game %d: engine %d's swap2 stone %d,%d is forbidden: loses\n", game_, i + 1, m.first,
                            m.second);
                return loseBy(i, t_.illegal);
            }
            ref.set(m.first, m.second, colour);
            opening.push_back(m);
        }
        return kGoesOn;
    }
};

std::string summary(const Options& o, const Totals& t) {
    char text[512];
    std::snprintf(text, sizeof text,
                  "engine 1 wins %d, engine 2 wins %d, draws %d, illegal moves %d, time losses %d, crashes %d, "
                  "longest think %ld ms, moves over %ld ms %d, engine errors %d",
                  t.wins[0], t.wins[1], t.draws, t.illegal, t.timeLosses, t.crashes, t.longestMs, o.turnMs,
                  t.overruns, t.engineErrors);
    std::string s = text;
    if (!t.anyMoveTimed) return s + ", worst overrun none";
    s += ", worst overrun " + std::to_string(t.worstTurnOverrunMs) + " ms";
    if (o.matchMs) s += ", worst overrun of time_left " + std::to_string(t.worstTimeLeftOverrunMs) + " ms";
    return s;
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
        else if (a == "--threads1") o.threads[0] = std::atol(next().c_str());
        else if (a == "--threads2") o.threads[1] = std::atol(next().c_str());
        else if (a == "--keep") o.keep = true;
        else if (a == "--board-mode") o.boardMode = o.keep = true;
        else if (a == "--verbose") o.verbose = true;
        else if (a == "--clock-report") o.clockReport = true;
        else if (a == "--swap2") o.swap2 = true;
        else {
            std::fprintf(stderr, "unknown option %s\n", a.c_str());
            return 2;
        }
    }
    if (o.swap2 && !o.openingsFile.empty()) {
        std::fprintf(stderr, "--swap2 makes its own openings: --openings cannot go with it\n");
        return 2;
    }
    std::vector<Moves> openings;
    if (!o.openingsFile.empty()) openings = readOpenings(o.openingsFile);
    Totals t;
    Swap2Tally swap2;
    Match match(o, t);
    for (int g = 0; g < o.games; ++g) {
        const int first = g % 2;
        const Moves opening = openings.empty() ? Moves{} : openings[size_t(g / 2) % openings.size()];
        const int winner = o.swap2 ? match.playSwap2Game(g + 1, first, g + 1 == o.games, swap2)
                                   : match.playGame(g + 1, first, opening, g + 1 == o.games);
        if (winner >= 0) ++t.wins[winner];
        else if (winner == kDraw) ++t.draws;
        std::printf(o.swap2 ? "game %d (engine %d proposed): %s\n" : "game %d (engine %d black): %s\n", g + 1, first + 1,
                    winner == kDraw     ? "draw"
                    : winner == kNoGame ? "no game"
                    : winner == 0       ? "engine 1 wins"
                                        : "engine 2 wins");
        std::fflush(stdout);
    }
    std::printf("%s\n", summary(o, t).c_str());
    if (o.swap2) std::printf("%s\n", swap2.summary().c_str());
    return t.illegal || t.timeLosses || t.crashes || t.engineErrors ? 1 : 0;
}
