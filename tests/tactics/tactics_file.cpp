#include "tactics/tactics_file.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace tactics {

namespace {

std::string trim(const std::string& s) {
    const size_t first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

bool parsePoints(const std::string& text, int size, std::vector<Point>& points, std::string& error) {
    std::istringstream in(text);
    for (std::string word; in >> word;) {
        int x = 0, y = 0, used = 0;
        if (std::sscanf(word.c_str(), "%d,%d%n", &x, &y, &used) != 2 || size_t(used) != word.size()) {
            error = "\"" + word + "\" is not a point x,y";
            return false;
        }
        if (x < 0 || x >= size || y < 0 || y >= size) {
            error = word + " is off the board";
            return false;
        }
        points.push_back({x, y});
    }
    return true;
}

bool parseLine(const std::string& text, Position& p, std::string& error) {
    std::vector<std::string> fields;
    std::istringstream in(text);
    for (std::string field; std::getline(in, field, '|');) fields.push_back(trim(field));
    if (fields.size() != 5) {
        error = "5 fields separated by | expected";
        return false;
    }
    char rule[16] = {};
    if (std::sscanf(fields[0].c_str(), "%15s %d", rule, &p.size) != 2 || p.size < 5 || p.size > 24) {
        error = "rule and board size expected";
        return false;
    }
    const std::string r = rule;
    p.rule = r == "freestyle" ? 0 : r == "standard" ? 1 : r == "renju" ? 2 : -1;
    if (p.rule < 0) {
        error = "rule " + r + ": freestyle, standard or renju";
        return false;
    }
    if (!parsePoints(fields[1], p.size, p.black, error) || !parsePoints(fields[2], p.size, p.white, error) ||
        !parsePoints(fields[3], p.size, p.wins, error))
        return false;
    if (p.black.size() != p.white.size() && p.black.size() != p.white.size() + 1) {
        error = "black must have as many stones as white, or one more";
        return false;
    }
    if (p.wins.empty()) {
        error = "no winning moves";
        return false;
    }
    p.kind = fields[4];
    if (p.kind != "vcf" && p.kind != "vct") {
        error = "kind " + p.kind + ": vcf or vct";
        return false;
    }
    return true;
}

}  // namespace

match::Referee Position::board() const {
    match::Referee b(size, size, rule);
    for (const Point& s : black) b.set(s.first, s.second, 1);
    for (const Point& s : white) b.set(s.first, s.second, 2);
    return b;
}

bool loadPositions(const std::string& path, std::vector<Position>& positions, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    std::string text;
    for (int line = 1; std::getline(in, text); ++line) {
        Position p;
        p.line = line;
        const size_t hash = text.find('#');
        if (hash != std::string::npos) {
            p.comment = trim(text.substr(hash + 1));
            text = text.substr(0, hash);
        }
        if (trim(text).empty()) continue;
        if (!parseLine(text, p, error)) {
            error = path + ":" + std::to_string(line) + ": " + error;
            return false;
        }
        positions.push_back(p);
    }
    return true;
}

}  // namespace tactics
