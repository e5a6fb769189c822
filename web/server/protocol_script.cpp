#include "protocol_script.h"

namespace web {

namespace {

// An analysis runs until it is stopped: the engine then bounds the think only
// by a sixteenth of time_left, left at its default (about 17 hours).
constexpr int AnalysisTurnMs = 2000000000;
// The engine's default node budget, put back after an analysis set none.
constexpr int DefaultMaxNode = 2000000000;

std::string line(std::string text) { return text + "\n"; }

std::string pointLine(const BoardPoint& p) { return std::to_string(p.x) + "," + std::to_string(p.y) + "\n"; }

}  // namespace

std::string setupScript(const GameSetup& setup, long long maxMemoryBytes) {
    std::string script;
    if (maxMemoryBytes > 0) script += line("INFO max_memory " + std::to_string(maxMemoryBytes));
    script += line("INFO rule " + std::to_string(int(setup.rule)));
    script += line("START " + std::to_string(setup.size));
    return script;
}

std::string syncPrefix() { return "ovstop\nABOUT\n"; }

std::string newGameScript(const GameSetup& setup) {
    return line("INFO rule " + std::to_string(int(setup.rule))) + line("START " + std::to_string(setup.size));
}

std::string positionBody(const std::vector<BoardPoint>& moves) {
    // Stone i is black when i is even; black is to move when the count is even.
    const size_t sideToMove = moves.size() % 2;
    std::string body;
    for (size_t i = 0; i < moves.size(); ++i) {
        const int field = i % 2 == sideToMove ? 1 : 2;
        body += std::to_string(moves[i].x) + "," + std::to_string(moves[i].y) + "," + std::to_string(field) + "\n";
    }
    return body + "DONE\n";
}

std::string positionScript(const PositionOrder& order, Rule rule) {
    std::string script = line("INFO show_detail 1");
    script += line("ovblockreset");
    if (!order.blocks.empty()) {
        script += line("ovblock");
        for (const BoardPoint& p : order.blocks) script += pointLine(p);
        script += line("DONE");
    }
    const std::string body = positionBody(order.moves);
    // The forbidden points are listed from a position set without a think:
    // ovshowforbid stops any think that runs.
    const bool forbidden = order.showForbidden && rule == Rule::Renju;
    if (order.think == ThinkKind::None || forbidden) {
        script += "ovboard\n" + body;
        if (forbidden) script += line("ovshowforbid");
    }
    switch (order.think) {
    case ThinkKind::None:
        break;
    case ThinkKind::Move:
        script += line("INFO max_node " + std::to_string(DefaultMaxNode));
        script += line("INFO timeout_turn " + std::to_string(order.moveTimeMs));
        script += "BOARD\n" + body;
        break;
    case ThinkKind::Analyse:
        script += line("INFO max_node -1");
        script += line("INFO timeout_turn " + std::to_string(AnalysisTurnMs));
        if (order.lines <= 1) {
            script += "BOARD\n" + body;
        } else {
            if (!forbidden) script += "ovboard\n" + body;
            script += line("ovnbest " + std::to_string(order.lines));
        }
        break;
    }
    return script;
}

std::string stopScript() { return "ovstop\n"; }

bool isSyncAnswer(std::string_view line) { return line.starts_with("name=\""); }

}  // namespace web
