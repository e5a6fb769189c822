// The protocol lines the server writes to an engine, composed only from
// checked numbers and choices: nothing a page sends is passed on as text.
//
// Every order of a page that changes what the engine does begins with the
// sync prefix: ovstop, which returns once a running think has written its
// last line (its move included), then ABOUT. The engine's answer to ABOUT
// therefore comes after every line of what ran before and before every line
// of the new order, and the session turns it into a sync event carrying the
// page's tag: the page reads the lines after it as the answer to that order.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "game_limits.h"
#include "point_list.h"

namespace web {

struct GameSetup {
    int size = 15;
    Rule rule = Rule::FreeStyle;
};

enum class ThinkKind {
    None,     // set the position only
    Move,     // the engine plays the side to move, within moveTimeMs
    Analyse,  // the engine searches until stopped: BOARD with one line, ovnbest with more
};

struct PositionOrder {
    std::vector<BoardPoint> moves;   // in played order, black first
    std::vector<BoardPoint> blocks;  // points the engine must not play (ovblock)
    ThinkKind think = ThinkKind::None;
    int moveTimeMs = 1000;
    int lines = 1;
    bool showForbidden = false;      // ovshowforbid for the position (Renju only)
};

// What a fresh engine process is told: optional memory limit (0: none), the
// rule and the board.
std::string setupScript(const GameSetup& setup, long long maxMemoryBytes);

// ovstop and ABOUT, ahead of every order below.
std::string syncPrefix();

// A new game: the rule, then START.
std::string newGameScript(const GameSetup& setup);

// The position and what the engine does with it, under `rule`.
std::string positionScript(const PositionOrder& order, Rule rule);

// Stops a think; it answers with what it has.
std::string stopScript();

// The body lines of BOARD and ovboard for the moves in played order: field 1
// for the stones of the side to move, 2 for the other side's, then DONE.
std::string positionBody(const std::vector<BoardPoint>& moves);

// Whether a line is the engine's answer to ABOUT.
bool isSyncAnswer(std::string_view line);

}  // namespace web
