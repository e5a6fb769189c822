#include "tuning/texel.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdlib>
#include <sstream>

#include "board/board.h"
#include "board/pattern_tables.h"

namespace tuning {

namespace {

// A weight stays within 0 and this many times its starting value: a feature
// that few positions show would otherwise run off with what little they say.
constexpr int MaxGrowth = 4;

// The pull measures a parameter's move against its starting value, and
// against this for values near 0, where a step of a few is no small change.
constexpr int PullFloor = 8;

bool hasPoint(const board::Board& board, board::ThreatClass threatClass, int s) {
    return board.threats[threatClass].summary[s] != 0;
}

bool pointIn(const board::Board& board, board::ThreatClass threatClass, int s, int x, int y) {
    return board.threats[threatClass].directionBits[s][x][y] != 0;
}

board::Geometry squareGeometry(int size) {
    board::Geometry geometry;
    geometry.boardWidth = geometry.boardHeight = geometry.boardSize = size;
    return geometry;
}

}  // namespace

double predictedScore(double value, double k) { return 1.0 / (1.0 + std::pow(10.0, -k * value / 400.0)); }

bool parseRecordLine(const std::string& line, RecordedGame& game, std::string& why) {
    std::istringstream in(line);
    std::string word;
    if (!(in >> word)) {
        why = "empty line";
        return false;
    }
    if (word == "black") game.blackScore = 1.0;
    else if (word == "white") game.blackScore = 0.0;
    else if (word == "draw") game.blackScore = 0.5;
    else {
        why = "the result is not black, white or draw: " + word;
        return false;
    }
    game.moves.clear();
    while (in >> word) {
        const size_t comma = word.find(',');
        char* end = nullptr;
        const long x = std::strtol(word.c_str(), &end, 10);
        if (comma == std::string::npos || end != word.c_str() + comma || comma == 0) {
            why = "not a move x,y: " + word;
            return false;
        }
        const char* yText = word.c_str() + comma + 1;
        const long y = std::strtol(yText, &end, 10);
        if (*yText == '\0' || *end != '\0' || x < 0 || y < 0 || x >= board::MaxSide || y >= board::MaxSide) {
            why = "not a move x,y: " + word;
            return false;
        }
        game.moves.emplace_back(int(x), int(y));
    }
    if (game.moves.empty()) {
        why = "no moves";
        return false;
    }
    return true;
}

const std::vector<ParameterField>& parameterFields() {
    using P = EvaluationParameters;
    static const std::vector<ParameterField> fields = [] {
        std::vector<ParameterField> list;
        auto weight = [&list](const char* name, int search::EvaluationWeights::*field) {
            list.push_back({name, [field](P& p) -> int& { return p.weights.*field; }});
        };
        using W = search::EvaluationWeights;
        weight("ContributionScale", &W::contribution);
        weight("ThreatPointWeight", &W::threatPoint);
        weight("ForcedBlockWeight", &W::forcedBlock);
        weight("OpponentThreatBonus", &W::opponentThreat);
        weight("ForbiddenPointBonus", &W::forbiddenPoint);
        weight("ForbiddenThreeBonus", &W::forbiddenThree);
        weight("DirectionSpreadBonus", &W::directionSpread);
        weight("ToMoveBonus", &W::toMove);
        // Codes None to Five; the base of None is 0 and stays so (a parameter
        // keeps the sign of its start, and 0 has room for none).
        for (int c = 1; c <= board::Five; ++c)
            list.push_back({"comboBase[" + std::to_string(c) + "]", [c](P& p) -> int& { return p.shapes.comboBase[c]; }});
        for (int c = 0; c <= board::Five; ++c)
            list.push_back(
                {"comboWeight[" + std::to_string(c) + "]", [c](P& p) -> int& { return p.shapes.comboWeight[c]; }});
        return list;
    }();
    return fields;
}

PositionSet::PositionSet(int size, int skipPlies)
    : size_(size), skipPlies_(skipPlies), state_(std::make_unique<search::SearchState>()) {
    search::resetSearchWorkAreas(*state_);
    state_->iterationDepth = 0;
}

bool PositionSet::addGame(const RecordedGame& game, int rule, std::string& why) {
    board::Board& board = state_->board;
    board::KeyGenerator keys;
    board::resetBoard(board, rule, squareGeometry(size_), keys);
    Game kept;
    kept.rule = rule;
    kept.result = game.blackScore;
    kept.moves = game.moves;
    bool over = false;
    for (size_t ply = 0; ply < game.moves.size(); ++ply) {
        const auto [x, y] = game.moves[ply];
        const int s = int(ply % 2), side = s + 1;
        if (over) {
            why = "a move after the five at move " + std::to_string(ply);
            return false;
        }
        if (!board.geometry.onBoard(x, y) || board::cellAt(board, x, y) != 0) {
            why = "move " + std::to_string(ply + 1) + " is off the board or on a taken point";
            return false;
        }
        if (int(ply) >= skipPlies_ && !hasPoint(board, board::FivePoint, s) && !hasPoint(board, board::FivePoint, 1 - s) &&
            !hasPoint(board, board::OpenFourPoint, s)) {
            kept.plies.push_back(int(ply));
            kept.targets.push_back(game.blackScore);
        }
        over = pointIn(board, board::FivePoint, s, x, y);
        board::makeMove(board, x, y, side);
    }
    positions_ += kept.plies.size();
    games_.push_back(std::move(kept));
    return true;
}

const board::RuleTables& PositionSet::tablesFor(int rule, const board::ShapeValues& shapes) {
    std::unique_ptr<board::RuleTables>& tables = tables_[rule];
    board::ShapeValues& built = tableShapes_[rule];
    if (tables == nullptr) {
        tables = std::make_unique<board::RuleTables>(board::ruleTables(rule));
        built = board::defaultShapeValues();
    }
    if (std::memcmp(&built, &shapes, sizeof shapes) != 0) {
        board::fillShapeTable(*tables, rule, shapes);
        built = shapes;
    }
    return *tables;
}

template <typename Visit>
void PositionSet::forEachPosition(const EvaluationParameters& parameters, Visit visit) {
    board::Board& board = state_->board;
    const search::EvaluationWeights& weights = parameters.weights;
    for (Game& game : games_) {
        board::KeyGenerator keys;
        board::resetBoard(board, tablesFor(game.rule, parameters.shapes), squareGeometry(size_), keys);
        size_t next = 0;
        for (size_t ply = 0; next < game.plies.size(); ++ply) {
            if (int(ply) == game.plies[next]) {
                const int side = int(ply % 2) + 1;
                const int value = search::evaluateLeafWith(*state_, 0, side, weights);
                visit(game, next, side == 1 ? double(value) : -double(value));
                ++next;
            }
            if (next < game.plies.size()) board::makeMove(board, game.moves[ply].first, game.moves[ply].second, int(ply % 2) + 1);
        }
    }
}

void PositionSet::forEachPlayed(const std::function<void(int rule, const Moves& moves, int plies)>& visit) const {
    for (const Game& game : games_)
        for (int plies : game.plies) visit(game.rule, game.moves, plies);
}

void PositionSet::retarget(const std::function<double(size_t index, double result)>& target) {
    size_t index = 0;
    for (Game& game : games_)
        for (double& t : game.targets) t = target(index++, game.result);
}

void PositionSet::relabel(const EvaluationParameters& parameters, double k) {
    forEachPosition(parameters, [k](Game& game, size_t i, double value) { game.targets[i] = predictedScore(value, k); });
}

double PositionSet::meanError(const EvaluationParameters& parameters, double k) {
    double sum = 0;
    forEachPosition(parameters, [&sum, k](Game& game, size_t i, double value) {
        const double e = game.targets[i] - predictedScore(value, k);
        sum += e * e;
    });
    return positions_ == 0 ? 0 : sum / double(positions_);
}

double PositionSet::fitScale(const EvaluationParameters& parameters) {
    // The evaluations do not depend on k: gather them once, then a golden-section
    // search over the error, which is unimodal in k.
    std::vector<std::pair<double, double>> samples;
    samples.reserve(positions_);
    forEachPosition(parameters, [&samples](Game& game, size_t i, double value) { samples.emplace_back(value, game.targets[i]); });
    auto error = [&samples](double k) {
        double sum = 0;
        for (const auto& [value, target] : samples) {
            const double e = target - predictedScore(value, k);
            sum += e * e;
        }
        return sum;
    };
    const double ratio = (std::sqrt(5.0) - 1) / 2;
    double low = 0.01, high = 10.0;
    double a = high - ratio * (high - low), b = low + ratio * (high - low);
    double errorA = error(a), errorB = error(b);
    for (int i = 0; i < 60; ++i) {
        if (errorA <= errorB) {
            high = b;
            b = a;
            errorB = errorA;
            a = high - ratio * (high - low);
            errorA = error(a);
        } else {
            low = a;
            a = b;
            errorA = errorB;
            b = low + ratio * (high - low);
            errorB = error(b);
        }
    }
    return (low + high) / 2;
}

EvaluationParameters PositionSet::fit(EvaluationParameters parameters, double k, const FitOptions& options) {
    std::vector<ParameterField> fields;
    for (const ParameterField& f : parameterFields())
        if (!options.weightsOnly || f.isWeight()) fields.push_back(f);
    std::vector<int> steps, lowest, highest, starts;
    for (const ParameterField& f : fields) {
        const int start = f.field(parameters);
        const int quarter = std::abs(start) / 4;
        steps.push_back(quarter < 4 ? 4 : quarter);
        lowest.push_back(std::min(0, MaxGrowth * start));
        highest.push_back(std::max(0, MaxGrowth * start));
        starts.push_back(start);
    }
    // The pull's share of the objective, kept as a running sum so that a step
    // costs one term, not a pass over every parameter.
    auto pullTerm = [&](size_t i, int value) {
        const double scale = std::max(std::abs(starts[i]), PullFloor);
        const double d = double(value - starts[i]) / scale;
        return options.pull * d * d;
    };
    double penalty = 0;  // every parameter starts where the pull holds it
    double best = meanError(parameters, k) + penalty;
    for (int round = 0; round < options.rounds; ++round) {
        bool moved = false;
        for (size_t i = 0; i < fields.size(); ++i) {
            int& w = fields[i].field(parameters);
            for (int direction : {1, -1}) {
                bool better = false;
                for (;;) {
                    const int from = w;
                    w += direction * steps[i];
                    if (w < lowest[i] || w > highest[i]) {
                        w = from;
                        break;
                    }
                    const double movedPenalty = penalty - pullTerm(i, from) + pullTerm(i, w);
                    const double e = meanError(parameters, k) + movedPenalty;
                    if (e < best) {
                        best = e;
                        penalty = movedPenalty;
                        better = moved = true;
                    } else {
                        w = from;
                        break;
                    }
                }
                if (better) break;
            }
        }
        if (options.progress != nullptr) options.progress(round, best - penalty);
        if (!moved) {
            bool any = false;
            for (int& step : steps)
                if (step > 1) {
                    step /= 2;
                    any = true;
                }
            if (!any) break;
        }
    }
    return parameters;
}

}  // namespace tuning
