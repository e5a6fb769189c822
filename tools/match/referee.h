// The match referee's own board and rules, written independently of the
// engine: it judges the engines' moves, so it must not share their code.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

namespace match {

using Moves = std::vector<std::pair<int, int>>;

// Points are (x, y): x runs over the board's height, y over its width.
class Referee {
public:
    // rule: 0 free-style, 1 standard (exactly five), 2 Renju.
    Referee(int width, int height, int rule);

    int width() const { return width_; }
    int height() const { return height_; }
    int rule() const { return rule_; }
    bool onBoard(int x, int y) const { return x >= 0 && x < height_ && y >= 0 && y < width_; }
    // 0 empty, 1 black (first player), 2 white; -1 off the board.
    int at(int x, int y) const { return onBoard(x, y) ? cells_[index(x, y)] : -1; }
    void set(int x, int y, int colour) { cells_[index(x, y)] = colour; }

    // With the stone of colour already at (x, y): does it make five, as the rule counts it?
    bool makesFive(int x, int y, int colour) const;
    // Renju: would a black stone on the empty point (x, y) be forbidden?
    bool forbidden(int x, int y);
    // Renju: whether black has a point to play at all (late in a crowded
    // game every empty point may be forbidden for it).
    bool blackCanMove();

private:
    int width_, height_, rule_;
    std::vector<int> cells_;

    std::size_t index(int x, int y) const { return std::size_t(x * width_ + y); }
    int run(int x, int y, int dx, int dy, int colour) const;
    bool exactFiveAt(int x, int y, int dx, int dy) const { return run(x, y, dx, dy, 1) == 5; }
    int foursInLine(int x, int y, int dx, int dy);
    bool openThreeInLine(int x, int y, int dx, int dy);
};

}  // namespace match
