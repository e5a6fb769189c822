#include "match/referee.h"

namespace match {

namespace {
const int Directions[4][2] = {{0, 1}, {1, 0}, {1, 1}, {1, -1}};
}

Referee::Referee(int width, int height, int rule)
    : width_(width), height_(height), rule_(rule), cells_(std::size_t(width * height), 0) {}

// Length of the run of colour through (x, y) along (dx, dy).
int Referee::run(int x, int y, int dx, int dy, int colour) const {
    int n = 1;
    for (int k = 1; at(x + k * dx, y + k * dy) == colour; ++k) ++n;
    for (int k = 1; at(x - k * dx, y - k * dy) == colour; ++k) ++n;
    return n;
}

bool Referee::makesFive(int x, int y, int colour) const {
    for (const auto& d : Directions) {
        const int n = run(x, y, d[0], d[1], colour);
        if (n == 5) return true;
        if (n > 5 && (rule_ == 0 || (rule_ == 2 && colour == 2))) return true;
    }
    return false;
}

bool Referee::blackCanMove() {
    for (int x = 0; x < height_; ++x)
        for (int y = 0; y < width_; ++y)
            if (at(x, y) == 0 && !forbidden(x, y)) return true;
    return false;
}

bool Referee::forbidden(int x, int y) {
    if (at(x, y) != 0) return false;
    set(x, y, 1);
    bool five = false, overline = false;
    int fours = 0, threes = 0;
    for (const auto& d : Directions) {
        const int n = run(x, y, d[0], d[1], 1);
        if (n == 5) five = true;
        if (n > 5) overline = true;
    }
    if (!five && !overline) {
        for (const auto& d : Directions) {
            const int f = foursInLine(x, y, d[0], d[1]);
            fours += f;
            if (f == 0 && openThreeInLine(x, y, d[0], d[1])) ++threes;
        }
    }
    set(x, y, 0);
    if (five) return false;
    return overline || fours >= 2 || threes >= 2;
}

// Empty points on the line through (x, y) within 5 where black would make an exact five.
int Referee::foursInLine(int x, int y, int dx, int dy) {
    int count = 0;
    for (int k = -4; k <= 4; ++k) {
        const int px = x + k * dx, py = y + k * dy;
        if (at(px, py) != 0) continue;
        set(px, py, 1);
        const bool five = exactFiveAt(px, py, dx, dy);
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
bool Referee::openThreeInLine(int x, int y, int dx, int dy) {
    for (int k = -4; k <= 4; ++k) {
        const int px = x + k * dx, py = y + k * dy;
        if (at(px, py) != 0) continue;
        set(px, py, 1);
        bool straightFour = false;
        for (int s = -4; s <= 0 && !straightFour; ++s) {
            const int ax = px + (s - 1) * dx, ay = py + (s - 1) * dy;
            const int bx = px + (s + 4) * dx, by = py + (s + 4) * dy;
            bool four = true;
            for (int j = 0; j < 4 && four; ++j) four = at(px + (s + j) * dx, py + (s + j) * dy) == 1;
            if (!four || at(ax, ay) != 0 || at(bx, by) != 0) continue;
            set(ax, ay, 1);
            const bool fiveA = exactFiveAt(ax, ay, dx, dy);
            set(ax, ay, 0);
            set(bx, by, 1);
            const bool fiveB = exactFiveAt(bx, by, dx, dy);
            set(bx, by, 0);
            straightFour = fiveA && fiveB;
        }
        set(px, py, 0);
        if (straightFour && !forbidden(px, py)) return true;
    }
    return false;
}

}  // namespace match
