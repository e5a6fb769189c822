// The match's settings, as the self-play command line gives them.
#pragma once

#include <string>

namespace match {

enum class SprtModel { Pentanomial, Trinomial };

struct Options {
    std::string engine[2] = {"build/olvar", "build/olvar"};
    int games = 2;  // with --sprt: the most games before the test gives up
    int rule = 0, width = 15, height = 15;
    long turnMs = 100, matchMs = 0, toleranceMs = 0, hash = 0;
    long threads[2] = {0, 0};
    long maxNode = 0;  // INFO max_node for both engines, 0 to send none
    std::string openingsFile;
    std::string recordFile;  // every finished game appended here, for tuning on games
    long shuffleSeed = -1;  // -1: the openings in the file's order
    int concurrency = 1;
    bool keep = false, boardMode = false, verbose = false, clockReport = false;
    bool swap2 = false;  // every game opens with SWAP2BOARD

    bool sprt = false;
    double elo0 = 0, elo1 = 0, alpha = 0.05, beta = 0.05;
    SprtModel model = SprtModel::Pentanomial;
};

// The option text of --help.
extern const char* const Usage;

// Fills o from the command line. False with a message in error for anything
// it cannot use; help is set for --help.
bool parseOptions(int argc, const char* const* argv, Options& o, std::string& error, bool& help);

}  // namespace match
