#include "point_list.h"

#include <cstddef>

#include "http_error.h"

namespace web {

namespace {

bool isSeparator(char c) { return c == ' ' || c == ';' || c == '\t' || c == '\n' || c == '\r'; }

// A decimal number of at most three digits at text[at], advancing at; -1 when none.
int readNumber(std::string_view text, size_t& at) {
    int value = 0, digits = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
        if (++digits > 3) return -1;
        value = value * 10 + (text[at++] - '0');
    }
    return digits == 0 ? -1 : value;
}

}  // namespace

std::vector<BoardPoint> parsePointList(std::string_view text, int size, const char* what) {
    std::vector<BoardPoint> points;
    std::vector<bool> taken(size_t(size) * size, false);
    size_t at = 0;
    for (;;) {
        while (at < text.size() && isSeparator(text[at])) ++at;
        if (at == text.size()) break;
        const size_t begin = at;
        const int x = readNumber(text, at);
        const bool comma = at < text.size() && text[at] == ',';
        if (comma) ++at;
        const int y = comma ? readNumber(text, at) : -1;
        const std::string label = std::string(what) + " " + std::to_string(points.size() + 1);
        if (x < 0 || y < 0 || (at < text.size() && !isSeparator(text[at]))) {
            size_t end = begin;
            while (end < text.size() && !isSeparator(text[end]) && end - begin < 20) ++end;
            throw HttpError{400, label + ": \"" + std::string(text.substr(begin, end - begin)) +
                                     "\" is not a point x,y"};
        }
        if (x >= size || y >= size)
            throw HttpError{400, label + ": " + std::to_string(x) + "," + std::to_string(y) + " is off the " +
                                     std::to_string(size) + " x " + std::to_string(size) + " board"};
        if (taken[size_t(x) * size + y])
            throw HttpError{400, label + ": " + std::to_string(x) + "," + std::to_string(y) + " is given twice"};
        taken[size_t(x) * size + y] = true;
        points.push_back({x, y});
    }
    return points;
}

std::string pointListText(const std::vector<BoardPoint>& points) {
    std::string text;
    for (const BoardPoint& p : points) {
        if (!text.empty()) text += ' ';
        text += std::to_string(p.x) + "," + std::to_string(p.y);
    }
    return text;
}

}  // namespace web
