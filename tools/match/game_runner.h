// Plays games between two engine processes through the protocol, as a
// tournament manager does, and referees every move.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "match/options.h"
#include "match/referee.h"
#include "support/engine_process.h"

namespace match {

constexpr int Draw = -1;    // a game's result when nobody won
constexpr int NoGame = -2;  // ... and when it could not begin
constexpr int GoesOn = -3;  // not a result yet: the game goes on

struct Totals {
    int wins[2] = {0, 0}, draws = 0, illegal = 0, timeLosses = 0, crashes = 0, overruns = 0, engineErrors = 0;
    long longestMs = 0;
    // Largest (time used - timeout_turn) and (time used - time_left told) over
    // every timed move; negative when every move kept within its budget.
    bool anyMoveTimed = false;
    long worstTurnOverrunMs = 0, worstTimeLeftOverrunMs = 0;

    void recordMove(long usedMs, long turnMs, bool timeLeftTold, long timeLeftMs);
    // Adds the totals of another runner of the same match.
    void merge(const Totals& other);
    int faults() const { return illegal + timeLosses + crashes + engineErrors; }
    bool anyFault() const { return faults() != 0; }
};

// The summary line of a match.
std::string summary(const Options& o, const Totals& t);

// Reads the openings of path for the board and rule of o: one per line,
// "x,y x,y ..." in played order, black first; empty lines and lines beginning
// with # are skipped. False with a message naming the line for a file that
// cannot be read, a line that is not a list of points, a point off the board
// or taken twice, a finished game, or (Renju) a forbidden black stone.
bool loadOpenings(const std::string& path, const Options& o, std::vector<Moves>& openings, std::string& error);

// What the Swap2 openings of a match came to: each choice taken, and the
// results seen from the proposer's side.
struct Swap2Tally {
    int threeSwap = 0, threeOne = 0, threeTwo = 0;  // the chooser's answer to three stones
    int fiveSwap = 0, fiveOne = 0;                  // the proposer's answer to five
    int proposerWins = 0, chooserWins = 0, draws = 0;

    void merge(const Swap2Tally& other);
    std::string summary() const;
};

// One side of the match: its engine process (kept across games with --keep)
// and what it has been told in the current game.
struct Player {
    std::unique_ptr<testing_support::EngineProcess> process;
    long timeLeftMs = 0;
    bool toldPosition = false;  // TURN mode: it has had BEGIN or a BOARD this game
    bool faulted = false;       // lost this game by a fault: its process is not reused
};

// Plays games one after another on its own pair of engines and counts them
// in its totals. One per concurrent game.
class GameRunner {
public:
    GameRunner(const Options& o, Totals& t) : o_(o), t_(t) {}
    ~GameRunner() { close(); }
    GameRunner(const GameRunner&) = delete;
    GameRunner& operator=(const GameRunner&) = delete;

    // Plays one game; engine index first plays black. Returns the winner's
    // engine index, Draw or NoGame.
    int playGame(int game, int first, const Moves& opening);

    // Plays one game opened with Swap2, proposed by engine index proposer;
    // counts its choices and result in tally. Returns as playGame.
    int playSwap2Game(int game, int proposer, Swap2Tally& tally);

    // The moves of the last game of playGame decided on the board (opening
    // included; empty after a fault, a game that did not begin, or a Swap2
    // game), and the colour that won it (1 black, 2 white, 0 none).
    const Moves& lastMoves() const { return lastMoves_; }
    int lastWinningColour() const { return lastWinningColour_; }

    // Ends the processes kept after the last game. An ERROR line either wrote
    // then has no game left to lose: it is counted and shown as an engine error.
    void close();

private:
    static constexpr int StartTimeoutMs = 5000;
    static constexpr int EndTimeoutMs = 3000;

    const Options& o_;
    Totals& t_;
    Player players_[2];
    int game_ = 0;
    Moves lastMoves_;
    int lastWinningColour_ = 0;

    int loseByError(int i, const std::string& line);
    int loseBy(int i, int& count);
    int judgeClock(int i, long used, long timeLeftTold, bool noAnswer, const char* what);
    int startGame();
    std::string startCommand() const;
    int startTurnModeGame(int i);
    int startBoardModeGame(int i);
    void sendEngineSettings(int i);
    int awaitStarted(int i);
    int playMoves(int first, const Moves& opening);
    int playMove(Referee& ref, Moves& moves, int mover, int colour);
    void requestMove(Player& p, const Moves& moves, int colour);
    int endGame(int result);
    int playSwap2Opening(int proposer, Swap2Tally& tally, Moves& opening, int& black);
    int swap2Chosen(const Moves& opening, int black);
    int swap2Refused(int i, const char* why);
    int askSwap2(int i, const Moves& opening, Moves& points);
    int placeSwap2Stones(int i, Referee& ref, const Moves& points, Moves& opening);
};

}  // namespace match
