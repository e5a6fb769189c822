#include "match/game_runner.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace match {

using testing_support::EngineProcess;

namespace {

bool parseMove(const std::string& line, int& x, int& y) {
    char rest;
    return std::sscanf(line.c_str(), "%d,%d%c", &x, &y, &rest) == 2;
}

bool isError(const std::string& line) { return line.rfind("ERROR", 0) == 0; }

std::string point(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }

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

long millisecondsSince(std::chrono::steady_clock::time_point start) {
    return long(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
}

// A point written "x,y" with nothing else in it.
bool parsePoint(const std::string& word, int& x, int& y) {
    int used = 0;
    return std::sscanf(word.c_str(), "%d,%d%n", &x, &y, &used) == 2 && size_t(used) == word.size() &&
           word.find_first_of("+ ") == std::string::npos;
}

// Ends the engine (END) and reads its output to the end, for at most
// timeoutMs; returns the first ERROR line, or "".
std::string closeAndReadRest(EngineProcess& e, int timeoutMs) {
    e.send("END");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string error, line;
    for (;;) {
        const long left = long(
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
                .count());
        if (left <= 0 || !e.readLine(line, int(left))) break;
        if (error.empty() && isError(line)) error = line;
    }
    e.waitExit(timeoutMs);
    return error;
}

// The lines a kept engine has already written; returns the first ERROR
// line, or "". Later ones are caught when its next game starts.
std::string readWaiting(EngineProcess& e) {
    std::string error, line;
    while (e.readLine(line, 1))
        if (error.empty() && isError(line)) error = line;
    return error;
}

// Every stone in played order; field 1 for the mover's own, 2 for the opponent's.
void sendBoard(EngineProcess& e, const Moves& moves, int colour) {
    e.send("BOARD");
    for (size_t i = 0; i < moves.size(); ++i) {
        const int who = int(i % 2) + 1 == colour ? 1 : 2;
        e.send(point(moves[i].first, moves[i].second) + "," + std::to_string(who));
    }
    e.send("DONE");
}

}  // namespace

void Totals::recordMove(long usedMs, long turnMs, bool timeLeftTold, long timeLeftMs) {
    if (usedMs > longestMs) longestMs = usedMs;
    if (usedMs > turnMs) ++overruns;
    const long overTurn = usedMs - turnMs, overLeft = usedMs - timeLeftMs;
    if (!anyMoveTimed || overTurn > worstTurnOverrunMs) worstTurnOverrunMs = overTurn;
    if (timeLeftTold && (!anyMoveTimed || overLeft > worstTimeLeftOverrunMs)) worstTimeLeftOverrunMs = overLeft;
    anyMoveTimed = true;
}

void Totals::merge(const Totals& other) {
    for (int i = 0; i < 2; ++i) wins[i] += other.wins[i];
    draws += other.draws;
    illegal += other.illegal;
    timeLosses += other.timeLosses;
    crashes += other.crashes;
    overruns += other.overruns;
    engineErrors += other.engineErrors;
    if (other.longestMs > longestMs) longestMs = other.longestMs;
    if (!other.anyMoveTimed) return;
    if (!anyMoveTimed || other.worstTurnOverrunMs > worstTurnOverrunMs) worstTurnOverrunMs = other.worstTurnOverrunMs;
    if (!anyMoveTimed || other.worstTimeLeftOverrunMs > worstTimeLeftOverrunMs)
        worstTimeLeftOverrunMs = other.worstTimeLeftOverrunMs;
    anyMoveTimed = true;
}

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

bool loadOpenings(const std::string& path, const Options& o, std::vector<Moves>& openings, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read the openings file " + path;
        return false;
    }
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') continue;
        const std::string where = path + ":" + std::to_string(number) + ": ";
        Referee ref(o.width, o.height, o.rule);
        Moves moves;
        std::istringstream words(line);
        for (std::string word; words >> word;) {
            int x = 0, y = 0;
            if (!parsePoint(word, x, y)) {
                error = where + "\"" + word + "\" is not a point x,y";
                return false;
            }
            if (!ref.onBoard(x, y)) {
                error = where + word + " is off the " + std::to_string(o.width) + "x" + std::to_string(o.height) +
                        " board";
                return false;
            }
            if (ref.at(x, y) != 0) {
                error = where + word + " is taken twice";
                return false;
            }
            const int colour = int(moves.size() % 2) + 1;
            if (o.rule == 2 && colour == 1 && ref.forbidden(x, y)) {
                error = where + word + " is a forbidden point for black";
                return false;
            }
            ref.set(x, y, colour);
            moves.push_back({x, y});
            if (ref.makesFive(x, y, colour)) {
                error = where + word + " makes five: the opening is a finished game";
                return false;
            }
        }
        if (int(moves.size()) >= o.width * o.height) {
            error = where + "the opening fills the board";
            return false;
        }
        openings.push_back(moves);
    }
    if (openings.empty()) {
        error = "no openings in " + path;
        return false;
    }
    return true;
}

int GameRunner::playGame(int game, int first, const Moves& opening) {
    game_ = game;
    lastMoves_.clear();
    const int faultsBefore = t_.faults();
    int result = startGame();
    if (result == GoesOn) result = playMoves(first, opening);
    result = endGame(result);
    // Only a game decided on the board tells anything of its positions.
    const bool onBoard = (result == Draw || result >= 0) && t_.faults() == faultsBefore;
    if (!onBoard) lastMoves_.clear();
    lastWinningColour_ = result == Draw ? 0 : result == first ? 1 : 2;
    return result;
}

void GameRunner::close() {
    for (int i = 0; i < 2; ++i) {
        Player& p = players_[i];
        if (!p.process) continue;
        const std::string error = closeAndReadRest(*p.process, EndTimeoutMs);
        p.process.reset();
        if (error.empty()) continue;
        std::printf("engine %d wrote \"%s\" after its last game\n", i + 1, error.c_str());
        ++t_.engineErrors;
    }
}

// The engine wrote an ERROR line: it loses the game.
int GameRunner::loseByError(int i, const std::string& line) {
    std::printf("game %d: engine %d wrote \"%s\": loses\n", game_, i + 1, line.c_str());
    ++t_.engineErrors;
    players_[i].faulted = true;
    return 1 - i;
}

// The engine lost by another fault, counted in count.
int GameRunner::loseBy(int i, int& count) {
    ++count;
    players_[i].faulted = true;
    return 1 - i;
}

// Starts (or, with --keep, reuses) both engines and begins a game on each.
int GameRunner::startGame() {
    for (int i = 0; i < 2; ++i) {
        Player& p = players_[i];
        if (!p.process) p.process = std::make_unique<EngineProcess>(o_.engine[i]);
        p.timeLeftMs = o_.matchMs;
        p.toldPosition = false;
        p.faulted = false;
    }
    for (int i = 0; i < 2; ++i) {
        const int result = o_.boardMode ? startBoardModeGame(i) : startTurnModeGame(i);
        if (result != GoesOn) return result;
    }
    return GoesOn;
}

std::string GameRunner::startCommand() const {
    return o_.width == o_.height ? "START " + std::to_string(o_.width)
                                 : "RECTSTART " + std::to_string(o_.width) + "," + std::to_string(o_.height);
}

// The settings first, then START, as a GUI that sets up before the game does.
int GameRunner::startTurnModeGame(int i) {
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
int GameRunner::startBoardModeGame(int i) {
    EngineProcess& e = *players_[i].process;
    e.send(startCommand());
    const int result = awaitStarted(i);
    if (result != GoesOn) return result;
    e.send("INFO rule " + std::to_string(o_.rule));
    e.send("INFO timeout_turn " + std::to_string(o_.turnMs));
    e.send("INFO timeout_match " + std::to_string(o_.matchMs));
    sendEngineSettings(i);
    return GoesOn;
}

// The settings an engine gets beyond the game's: table size, threads and node budget.
void GameRunner::sendEngineSettings(int i) {
    EngineProcess& e = *players_[i].process;
    if (o_.hash) e.send("INFO hash_size " + std::to_string(o_.hash));
    if (o_.threads[i]) e.send("INFO thread_num " + std::to_string(o_.threads[i]));
    if (o_.maxNode) e.send("INFO max_node " + std::to_string(o_.maxNode));
}

// Reads up to the OK of START. A kept process may first deliver what it
// wrote after the previous game, so an ERROR there is caught here too.
int GameRunner::awaitStarted(int i) {
    const std::string reply = players_[i].process->awaitMove(StartTimeoutMs);
    if (reply == "OK") return GoesOn;
    if (isError(reply)) return loseByError(i, reply);
    std::printf("game %d: engine %d did not start (%s)\n", game_, i + 1, reply.c_str());
    ++t_.crashes;
    players_[i].faulted = true;
    return NoGame;
}

int GameRunner::playMoves(int first, const Moves& opening) {
    Referee ref(o_.width, o_.height, o_.rule);
    Moves& moves = lastMoves_;
    moves.clear();
    for (const auto& m : opening) {
        ref.set(m.first, m.second, int(moves.size() % 2) + 1);
        moves.push_back(m);
    }
    const int area = o_.width * o_.height;
    for (;;) {
        if (int(moves.size()) >= area) return Draw;
        const int colour = int(moves.size() % 2) + 1;
        // No legal point for black is the end of the game, as a full board is.
        if (o_.rule == 2 && colour == 1 && !ref.blackCanMove()) return Draw;
        const int mover = colour == 1 ? first : 1 - first;
        const int result = playMove(ref, moves, mover, colour);
        if (result != GoesOn) return result;
    }
}

// Charges engine i's clock with an answer that took `used` ms (or never came)
// and judges it: GoesOn, or the game lost on time. An overrun under
// --clock-report is shown and counted but loses nothing.
int GameRunner::judgeClock(int i, long used, long timeLeftTold, bool noAnswer, const char* what) {
    Player& p = players_[i];
    t_.recordMove(used, o_.turnMs, o_.matchMs != 0, timeLeftTold);
    p.timeLeftMs -= used;
    const bool overrun = used > o_.turnMs + o_.toleranceMs || (o_.matchMs && p.timeLeftMs < 0);
    if (overrun && o_.clockReport && !noAnswer)
        std::printf("game %d: engine %d used %ld ms%s: over time (not judged)\n", game_, i + 1, used, what);
    if (noAnswer || (overrun && !o_.clockReport)) {
        std::printf("game %d: engine %d used %ld ms%s: loses on time\n", game_, i + 1, used, what);
        return loseBy(i, t_.timeLosses);
    }
    return GoesOn;
}

// Asks the mover for its move, judges it and plays it. Returns GoesOn or the
// game's result.
int GameRunner::playMove(Referee& ref, Moves& moves, int mover, int colour) {
    Player& p = players_[mover];
    EngineProcess& e = *p.process;
    const long timeLeftTold = p.timeLeftMs;
    if (o_.matchMs) e.send("INFO time_left " + std::to_string(timeLeftTold));
    const auto start = std::chrono::steady_clock::now();
    requestMove(p, moves, colour);
    const std::string line = e.awaitMove(int(o_.turnMs + o_.toleranceMs + 10000));
    const long used = millisecondsSince(start);
    if (isError(line)) return loseByError(mover, line);
    const bool noMove = line == "<timeout>";
    int x = -1, y = -1;
    if (!noMove && !parseMove(line, x, y)) {
        std::printf("game %d: engine %d answered \"%s\": loses\n", game_, mover + 1, line.c_str());
        return loseBy(mover, line == "<eof>" ? t_.crashes : t_.illegal);
    }
    if (const int lost = judgeClock(mover, used, timeLeftTold, noMove, ""); lost != GoesOn) return lost;
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
    return ref.makesFive(x, y, colour) ? mover : GoesOn;
}

// Board mode: the whole game before every move. TURN mode: BEGIN or the
// position as a BOARD the first time in a game, then only the opponent's move.
void GameRunner::requestMove(Player& p, const Moves& moves, int colour) {
    EngineProcess& e = *p.process;
    if (o_.boardMode || !p.toldPosition) {
        p.toldPosition = true;
        if (moves.empty()) e.send("BEGIN");
        else sendBoard(e, moves, colour);
    } else {
        e.send("TURN " + point(moves.back().first, moves.back().second));
    }
}

// After a game: reads what each engine wrote after its last awaited line,
// since an ERROR there counts as well, and closes the processes that are not
// kept for the next game. A process that lost by a fault is never kept: it
// may still be thinking, or be in a state it should not be in. The first
// fault decides the game: an ERROR found here makes its writer lose unless
// the game was already lost by a fault.
int GameRunner::endGame(int result) {
    bool decidedByFault = players_[0].faulted || players_[1].faulted;
    for (int i = 0; i < 2; ++i) {
        Player& p = players_[i];
        if (!p.process) continue;
        if (p.faulted) {
            p.process.reset();  // killed unread
            continue;
        }
        const std::string error = o_.keep ? readWaiting(*p.process) : closeAndReadRest(*p.process, EndTimeoutMs);
        if (!o_.keep) p.process.reset();
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

void Swap2Tally::merge(const Swap2Tally& other) {
    threeSwap += other.threeSwap, threeOne += other.threeOne, threeTwo += other.threeTwo;
    fiveSwap += other.fiveSwap, fiveOne += other.fiveOne;
    proposerWins += other.proposerWins, chooserWins += other.chooserWins, draws += other.draws;
}

std::string Swap2Tally::summary() const {
    char text[256];
    std::snprintf(text, sizeof text,
                  "swap2: three stones: SWAP %d, one stone %d, two stones %d; five stones: SWAP %d, one stone "
                  "%d; proposer wins %d, chooser wins %d, draws %d",
                  threeSwap, threeOne, threeTwo, fiveSwap, fiveOne, proposerWins, chooserWins, draws);
    return text;
}

int GameRunner::playSwap2Game(int game, int proposer, Swap2Tally& tally) {
    game_ = game;
    int result = startGame();
    if (result == GoesOn) {
        Moves opening;
        int black = -1;
        result = playSwap2Opening(proposer, tally, opening, black);
        if (result == GoesOn) result = playMoves(black, opening);
    }
    result = endGame(result);
    lastMoves_.clear();  // colours come from the choices: not recorded
    if (result == proposer) ++tally.proposerWins;
    else if (result == 1 - proposer) ++tally.chooserWins;
    else if (result == Draw) ++tally.draws;
    return result;
}

// The Swap2 opening: the proposer's three stones, the chooser's choice, and
// when it put two stones the proposer's. Leaves the stones in opening and the
// engine that plays black in black; returns GoesOn, or the result of a game
// lost by a bad answer.
int GameRunner::playSwap2Opening(int proposer, Swap2Tally& tally, Moves& opening, int& black) {
    const int chooser = 1 - proposer;
    Referee ref(o_.width, o_.height, o_.rule);
    Moves points;
    int result = askSwap2(proposer, opening, points);
    if (result != GoesOn) return result;
    if (points.size() != 3) return swap2Refused(proposer, "three stones expected");
    if ((result = placeSwap2Stones(proposer, ref, points, opening)) != GoesOn) return result;

    if ((result = askSwap2(chooser, opening, points)) != GoesOn) return result;
    if (points.empty()) {
        ++tally.threeSwap;
        black = chooser;
        return swap2Chosen(opening, black);
    }
    if (points.size() > 2) return swap2Refused(chooser, "SWAP or one or two stones expected");
    if ((result = placeSwap2Stones(chooser, ref, points, opening)) != GoesOn) return result;
    if (points.size() == 1) {
        ++tally.threeOne;
        black = proposer;
        return swap2Chosen(opening, black);
    }
    ++tally.threeTwo;

    if ((result = askSwap2(proposer, opening, points)) != GoesOn) return result;
    if (points.empty()) {
        ++tally.fiveSwap;
        black = proposer;
        return swap2Chosen(opening, black);
    }
    if (points.size() != 1) return swap2Refused(proposer, "SWAP or one stone expected");
    if ((result = placeSwap2Stones(proposer, ref, points, opening)) != GoesOn) return result;
    ++tally.fiveOne;
    black = chooser;
    return swap2Chosen(opening, black);
}

int GameRunner::swap2Chosen(const Moves& opening, int black) {
    std::printf("game %d: swap2 opening", game_);
    for (const auto& m : opening) std::printf(" %s", point(m.first, m.second).c_str());
    std::printf(", engine %d black\n", black + 1);
    return GoesOn;
}

int GameRunner::swap2Refused(int i, const char* why) {
    std::printf("game %d: engine %d's swap2 answer: %s: loses\n", game_, i + 1, why);
    return loseBy(i, t_.illegal);
}

// Sends engine i the opening so far as a SWAP2BOARD and reads its answer,
// timed as a move. The answer's points go to points (none for SWAP).
int GameRunner::askSwap2(int i, const Moves& opening, Moves& points) {
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
    const long used = millisecondsSince(start);
    if (isError(line)) return loseByError(i, line);
    if (o_.verbose)
        for (const auto& m : messages)
            if (m.rfind("MESSAGE Swap2", 0) == 0) std::printf("game %d: engine %d %s\n", game_, i + 1, m.c_str());
    if (line == "<eof>") {
        std::printf("game %d: engine %d ended during its swap2 answer: loses\n", game_, i + 1);
        return loseBy(i, t_.crashes);
    }
    const bool noAnswer = line == "<timeout>";
    if (const int lost = judgeClock(i, used, timeLeftTold, noAnswer, " on its swap2 answer"); lost != GoesOn) return lost;
    if (o_.verbose)
        std::printf("game %d swap2 after %zu stones: engine %d \"%s\" (%ld ms)\n", game_, opening.size(), i + 1,
                    line.c_str(), used);
    points.clear();
    if (line == "SWAP" && !opening.empty()) return GoesOn;
    if (!parseSwap2Points(line, points)) {
        std::printf("game %d: engine %d answered \"%s\" to SWAP2BOARD: loses\n", game_, i + 1, line.c_str());
        return loseBy(i, t_.illegal);
    }
    return GoesOn;
}

// Puts engine i's answered points on the board after the opening, in turn:
// each must be an empty point of the board, and for black under Renju not
// forbidden.
int GameRunner::placeSwap2Stones(int i, Referee& ref, const Moves& points, Moves& opening) {
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
    return GoesOn;
}

}  // namespace match
