#include "match/options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace match {

const char* const Usage =
    "Usage: selfplay [options]\n"
    "Plays engine 1 (the base) against engine 2 (the candidate) through the protocol and\n"
    "referees every move. Games go in pairs: one opening, each engine black once; the\n"
    "engine black first alternates from pair to pair.\n"
    "  --engine1 PATH, --base PATH     engine 1 (default build/olvar)\n"
    "  --engine2 PATH, --candidate PATH\n"
    "                                  engine 2 (default build/olvar)\n"
    "  --games N                       games (default 2; with --sprt the most games, default 10000)\n"
    "  --concurrency N                 games played at once, each by its own pair of engines (default 1)\n"
    "  --rule R                        0 free-style, 1 standard, 2 Renju (default 0)\n"
    "  --size N | --rect W,H           board (default 15)\n"
    "  --turn MS                       timeout_turn (default 100)\n"
    "  --match MS                      timeout_match (default: unlimited)\n"
    "  --max-node N                    INFO max_node for both engines: a budget of N x 1024 nodes per\n"
    "                                  move (give a generous --turn with it)\n"
    "  --tolerance MS                  time allowed past timeout_turn (default 0)\n"
    "  --record FILE                   append every finished game to FILE, one line each: the winner's\n"
    "                                  colour (black, white or draw), then the moves \"x,y x,y ...\" in\n"
    "                                  played order, black first (the opening's stones included)\n"
    "  --clock-report                  an overrun is counted and shown but loses nothing (the engine\n"
    "                                  still has to answer with a move)\n"
    "  --swap2                         each game opens with Swap2 (SWAP2BOARD): the proposer (each\n"
    "                                  engine in one game of a pair, as for black) places\n"
    "                                  three stones, the other chooses (SWAP, a 4th stone, or a 4th\n"
    "                                  and 5th, after which the proposer chooses SWAP or a 6th), then\n"
    "                                  the game goes on with the colours chosen; every answer is timed\n"
    "                                  as a move and checked for its form and legality\n"
    "  --hash N                        INFO hash_size for both engines (default: theirs)\n"
    "  --threads1 N --threads2 N       INFO thread_num for engine 1 / engine 2 (default: theirs)\n"
    "  --openings FILE                 one opening per line: \"x,y x,y ...\", black first; lines\n"
    "                                  beginning with # are comments. Pair k plays opening k,\n"
    "                                  going round the file again when the pairs outnumber them\n"
    "  --shuffle SEED                  play the openings in an order shuffled by SEED\n"
    "  --sprt ELO0,ELO1[,ALPHA,BETA]   sequential probability ratio test of engine 2's logistic Elo\n"
    "                                  against engine 1: H0 elo = ELO0, H1 elo = ELO1 (ALPHA, BETA\n"
    "                                  default 0.05); stops when the log-likelihood ratio leaves its\n"
    "                                  bounds. Exit status 0 H1 accepted, 1 H0 accepted, 3 neither\n"
    "                                  after --games games\n"
    "  --model pentanomial|trinomial   outcomes the statistics count: game pairs (default) or games\n"
    "  --keep                          start each engine once per concurrent game and keep its process\n"
    "                                  across games (START per game); a process that loses by a fault\n"
    "                                  is replaced\n"
    "  --board-mode                    as c-gomoku-cli's board mode (implies --keep): per game START,\n"
    "                                  then INFO rule, timeout_turn, timeout_match; before every move\n"
    "                                  INFO time_left (with --match) and the whole game as a BOARD\n"
    "                                  (BEGIN for the first move on an empty board), never TURN\n"
    "  --verbose                       print every move\n"
    "  --help                          this text\n"
    "An engine loses a game by an illegal move, a crash, a time loss, or any line beginning with\n"
    "ERROR that it writes. Without --sprt the exit status is 1 when any of these happened.\n";

namespace {

bool parseLong(const std::string& text, long lo, long hi, long& value) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < lo || v > hi) return false;
    value = v;
    return true;
}

bool parseDouble(const std::string& text, double& value) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(v)) return false;
    value = v;
    return true;
}

std::vector<std::string> splitCommas(const std::string& text) {
    std::vector<std::string> parts;
    size_t from = 0;
    for (;;) {
        const size_t comma = text.find(',', from);
        parts.push_back(text.substr(from, comma - from));
        if (comma == std::string::npos) return parts;
        from = comma + 1;
    }
}

bool parseSprt(const std::string& text, Options& o, std::string& error) {
    const std::vector<std::string> parts = splitCommas(text);
    double v[4] = {0, 0, 0.05, 0.05};
    bool ok = parts.size() == 2 || parts.size() == 4;
    for (size_t i = 0; ok && i < parts.size(); ++i) ok = parseDouble(parts[i], v[i]);
    if (!ok) {
        error = "--sprt wants ELO0,ELO1 or ELO0,ELO1,ALPHA,BETA, not \"" + text + "\"";
        return false;
    }
    if (!(v[0] < v[1])) {
        error = "--sprt: ELO0 must be below ELO1";
        return false;
    }
    if (!(v[2] > 0 && v[2] < 0.5 && v[3] > 0 && v[3] < 0.5)) {
        error = "--sprt: ALPHA and BETA must be between 0 and 0.5";
        return false;
    }
    if (std::fabs(v[0]) > 1000 || std::fabs(v[1]) > 1000) {
        error = "--sprt: Elo bounds must be within -1000..1000";
        return false;
    }
    o.sprt = true;
    o.elo0 = v[0];
    o.elo1 = v[1];
    o.alpha = v[2];
    o.beta = v[3];
    return true;
}

}  // namespace

bool parseOptions(int argc, const char* const* argv, Options& o, std::string& error, bool& help) {
    help = false;
    bool gamesGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            help = true;
            return true;
        }
        const bool flag =
            a == "--keep" || a == "--board-mode" || a == "--verbose" || a == "--clock-report" || a == "--swap2";
        if (flag) {
            if (a == "--keep") o.keep = true;
            else if (a == "--board-mode") o.boardMode = o.keep = true;
            else if (a == "--verbose") o.verbose = true;
            else if (a == "--swap2") o.swap2 = true;
            else o.clockReport = true;
            continue;
        }
        if (i + 1 >= argc) {
            error = a.rfind("--", 0) == 0 ? a + " needs a value" : "unknown option " + a;
            return false;
        }
        const std::string v = argv[++i];
        long n = 0;
        // Each numeric option with the range it accepts.
        auto number = [&](long lo, long hi, long& target) {
            if (parseLong(v, lo, hi, n)) {
                target = n;
                return true;
            }
            error = a + " wants a whole number from " + std::to_string(lo) + " to " + std::to_string(hi) +
                    ", not \"" + v + "\"";
            return false;
        };
        long value = 0;
        bool ok = true;
        if (a == "--engine1" || a == "--base") o.engine[0] = v;
        else if (a == "--engine2" || a == "--candidate") o.engine[1] = v;
        else if (a == "--openings") o.openingsFile = v;
        else if (a == "--record") o.recordFile = v;
        else if (a == "--games") {
            ok = number(1, 100000000, value);
            o.games = int(value);
            gamesGiven = true;
        } else if (a == "--concurrency") {
            ok = number(1, 256, value);
            o.concurrency = int(value);
        } else if (a == "--rule") {
            ok = number(0, 2, value);
            o.rule = int(value);
        } else if (a == "--size") {
            ok = number(5, 24, value);
            o.width = o.height = int(value);
        } else if (a == "--rect") {
            const std::vector<std::string> parts = splitCommas(v);
            long w = 0, h = 0;
            if (parts.size() != 2 || !parseLong(parts[0], 5, 24, w) || !parseLong(parts[1], 5, 24, h)) {
                error = "--rect wants W,H, each from 5 to 24, not \"" + v + "\"";
                return false;
            }
            o.width = int(w);
            o.height = int(h);
        } else if (a == "--turn") ok = number(1, 100000000, o.turnMs);
        else if (a == "--match") ok = number(0, 2000000000, o.matchMs);
        else if (a == "--tolerance") ok = number(0, 100000000, o.toleranceMs);
        else if (a == "--hash") ok = number(1, 2000000000, o.hash);
        else if (a == "--max-node") ok = number(1, 2000000000, o.maxNode);
        else if (a == "--threads1") ok = number(1, 64, o.threads[0]);
        else if (a == "--threads2") ok = number(1, 64, o.threads[1]);
        else if (a == "--shuffle") ok = number(0, 2000000000, o.shuffleSeed);
        else if (a == "--sprt") ok = parseSprt(v, o, error);
        else if (a == "--model") {
            if (v == "pentanomial") o.model = SprtModel::Pentanomial;
            else if (v == "trinomial") o.model = SprtModel::Trinomial;
            else {
                error = "--model wants pentanomial or trinomial, not \"" + v + "\"";
                return false;
            }
        } else {
            error = "unknown option " + a;
            return false;
        }
        if (!ok) return false;
    }
    if (o.sprt && !gamesGiven) o.games = 10000;
    if (o.swap2 && !o.openingsFile.empty()) {
        error = "--swap2 makes its own openings: --openings cannot go with it";
        return false;
    }
    return true;
}

}  // namespace match
