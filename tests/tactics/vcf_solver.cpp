#include "tactics/vcf_solver.h"

#include <map>
#include <string>
#include <vector>

namespace tactics {

namespace {

const int Directions[4][2] = {{0, 1}, {1, 0}, {1, 1}, {1, -1}};

class Solver {
public:
    Solver(match::Referee& board, int attacker, int rule) : b_(board), attacker_(attacker), rule_(rule) {}

    bool legal(int x, int y, int colour) {
        return b_.at(x, y) == 0 && !(rule_ == 2 && colour == 1 && b_.forbidden(x, y));
    }

    bool makesFiveAt(int x, int y, int colour) {
        if (b_.at(x, y) != 0) return false;
        b_.set(x, y, colour);
        const bool five = b_.makesFive(x, y, colour);
        b_.set(x, y, 0);
        return five;
    }

    // Five points of colour on the lines through (x, y), within four of it:
    // the fours a stone at (x, y) belongs to.
    std::set<Point> fivePointsNear(int x, int y, int colour) {
        std::set<Point> points;
        for (const auto& d : Directions)
            for (int k = -4; k <= 4; ++k) {
                const int px = x + k * d[0], py = y + k * d[1];
                if (b_.onBoard(px, py) && makesFiveAt(px, py, colour)) points.insert({px, py});
            }
        return points;
    }

    std::set<Point> allFivePoints(int colour) {
        std::set<Point> points;
        for (int x = 0; x < b_.height(); ++x)
            for (int y = 0; y < b_.width(); ++y)
                if (makesFiveAt(x, y, colour)) points.insert({x, y});
        return points;
    }

    // The attacker is to move: does it win by fours, within depth more fours?
    bool wins(int depth) {
        const int defender = 3 - attacker_;
        if (!allFivePoints(attacker_).empty()) return true;  // a five point is always playable
        if (depth == 0) return false;
        const std::string key = position();
        if (auto it = memo_.find(key); it != memo_.end() && it->second >= depth) return false;
        const std::set<Point> threats = allFivePoints(defender);
        // Two fours of the defender cannot both be blocked; one must be, by a four.
        bool result = false;
        if (threats.size() == 1) result = winsWith(*threats.begin(), depth);
        else if (threats.empty())
            for (int x = 0; x < b_.height() && !result; ++x)
                for (int y = 0; y < b_.width() && !result; ++y) result = winsWith({x, y}, depth);
        if (!result) memo_[key] = depth;
        return result;
    }

    // The attacker plays m, which must make a four; the defender blocks.
    bool winsWith(Point m, int depth) {
        const auto [x, y] = m;
        if (!legal(x, y, attacker_)) return false;
        b_.set(x, y, attacker_);
        bool result = false;
        const std::set<Point> fives = fivePointsNear(x, y, attacker_);
        if (!fives.empty()) result = defenceFails(fives, depth);
        b_.set(x, y, 0);
        return result;
    }

private:
    match::Referee& b_;
    int attacker_, rule_;
    std::map<std::string, int> memo_;  // positions that do not win within the depth stored

    std::string position() const {
        std::string s(size_t(b_.height() * b_.width()), '0');
        for (int x = 0; x < b_.height(); ++x)
            for (int y = 0; y < b_.width(); ++y) s[size_t(x * b_.width() + y)] = char('0' + b_.at(x, y));
        return s;
    }

    // The attacker threatens five on fives; the defender, to move, has no five
    // of its own standing unless it makes five now.
    bool defenceFails(const std::set<Point>& fives, int depth) {
        const int defender = 3 - attacker_;
        if (!allFivePoints(defender).empty()) return false;  // it makes five first
        if (fives.size() >= 2) return true;
        const auto [bx, by] = *fives.begin();
        if (!legal(bx, by, defender)) return true;  // Renju: black may not block there
        b_.set(bx, by, defender);
        const bool result = wins(depth - 1);
        b_.set(bx, by, 0);
        return result;
    }
};

}  // namespace

std::set<Point> fivePoints(match::Referee& board, int colour) {
    return Solver(board, colour, board.rule()).allFivePoints(colour);
}

std::set<Point> vcfWinningMoves(match::Referee& board, int attacker, int maxFours) {
    Solver s(board, attacker, board.rule());
    std::set<Point> moves;
    const std::set<Point> fives = s.allFivePoints(attacker);
    if (!fives.empty()) return fives;
    // A four of the defender standing leaves only its blocking point, if one.
    const std::set<Point> threats = s.allFivePoints(3 - attacker);
    for (int x = 0; x < board.height(); ++x)
        for (int y = 0; y < board.width(); ++y) {
            if (board.at(x, y) != 0) continue;
            if (threats.size() >= 2 || (threats.size() == 1 && *threats.begin() != Point{x, y})) continue;
            if (s.winsWith({x, y}, maxFours)) moves.insert({x, y});
        }
    return moves;
}

}  // namespace tactics
