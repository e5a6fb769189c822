// Lists of board points as the page sends them: "x,y x,y ..." with x the row
// from the top and y the column, both counted from 0, as in the protocol.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace web {

struct BoardPoint {
    int x;
    int y;
    bool operator==(const BoardPoint&) const = default;
};

// Parses text into points of a size x size board, in their order. Points are
// separated by blanks or semicolons; each must be on the board and appear
// once. Throws HttpError 400 naming `what` (for example "move 3") otherwise.
std::vector<BoardPoint> parsePointList(std::string_view text, int size, const char* what);

// "x,y x,y ..." of points.
std::string pointListText(const std::vector<BoardPoint>& points);

}  // namespace web
