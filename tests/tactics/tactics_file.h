// The tactics set: positions with a known forced win for the side to move,
// one per line of tests/tactics/positions.txt:
//
//   rule size | black stones | white stones | winning first moves | kind
//
// rule is freestyle, standard or renju; stones and moves are points x,y
// separated by spaces. Black is to move when both sides have as many stones,
// white when black has one more. kind says how the side to move wins:
//   vcf  by continuous fours; the winning moves are every first move of such
//        a win, and the test checks them against its own solver
//   vct  by threats that include threes; the solver must find no VCF
// Text after # is a comment.
#pragma once

#include <string>
#include <vector>

#include "match/referee.h"
#include "tactics/vcf_solver.h"

namespace tactics {

struct Position {
    int line = 0;  // in the file
    int rule = 0, size = 15;
    std::vector<Point> black, white, wins;
    std::string kind;
    std::string comment;

    int toMove() const { return black.size() == white.size() ? 1 : 2; }
    // The referee's board with the stones on it.
    match::Referee board() const;
};

// Reads the file; false with a message naming the line for anything malformed.
bool loadPositions(const std::string& path, std::vector<Position>& positions, std::string& error);

}  // namespace tactics
