// Fitting the static evaluation's weights and the shape values its
// contribution totals are made of to game results (Texel's method).
//
// Each training position carries a target: the game's result for black (1 a
// black win, 0.5 a draw, 0 a white win), or any other score in [0, 1]. The
// evaluation q of a position (for black) predicts it as sigmoid(q) =
// 1 / (1 + 10^(-k q / 400)), and a weight set is as good as the mean squared
// error of its predictions over all positions. First k is fitted with the
// weights fixed, then the weights one at a time (coordinate descent) with k
// fixed. Shape values reach the evaluation through the board: a position
// set keeps its own pattern tables per rule and rebuilds their shape table
// when the values change, so replays value every point from them.
//
// Positions are kept as games (moves and the plies taken), and the board is
// replayed for every error computed: a game of n moves costs n makes, not n^2,
// and a position set of several hundred games fits in a few megabytes.
//
// A position is taken when it can say something about its weights: from ply
// `skipPlies` on (the opening's stones were not chosen by the players), and not
// when the side to move can make five, must block a five, or has an open four
// (the game is decided there and the search never evaluates it).
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "board/pattern_tables.h"
#include "search/evaluation.h"
#include "search/search_state.h"

namespace tuning {

using Moves = std::vector<std::pair<int, int>>;

// One line of a match record: "black", "white" or "draw", then the moves
// "x,y" in played order, black first.
struct RecordedGame {
    double blackScore = 0.5;
    Moves moves;
};

// Reads one record line; false with the reason when it is not one.
bool parseRecordLine(const std::string& line, RecordedGame& game, std::string& why);

// Everything the tuner varies: the evaluation's weights, and the values the
// board's shape table is made of (a point's value, which the contribution
// totals sum, is its score plus its shape value).
struct EvaluationParameters {
    search::EvaluationWeights weights{};
    board::ShapeValues shapes = board::defaultShapeValues();
};

// One parameter, by name (as in the sources: a tuning.h constant, or
// comboBase[c] / comboWeight[c] of the pattern tables), in the order the tuner
// varies them.
struct ParameterField {
    std::string name;
    std::function<int&(EvaluationParameters&)> field;
    // A weight of tuning.h rather than a shape value of the pattern tables.
    bool isWeight() const { return name.find('[') == std::string::npos; }
};
const std::vector<ParameterField>& parameterFields();

class PositionSet {
public:
    // Positions on size x size boards.
    PositionSet(int size, int skipPlies);

    // Adds the positions of a game played under rule, each with the game's
    // result; false with the reason when a move is off the board or on a taken
    // point, or the game goes on after a five.
    bool addGame(const RecordedGame& game, int rule, std::string& why);

    size_t positionCount() const { return positions_; }

    // Calls visit(rule, moves, plies) for every position, in the set's order:
    // the position after the first `plies` of the game's moves.
    void forEachPlayed(const std::function<void(int rule, const Moves& moves, int plies)>& visit) const;

    // Sets the target of every position, in the order of forEachPlayed, to
    // target(index, the game's result for black).
    void retarget(const std::function<double(size_t index, double result)>& target);

    // Replaces every target by sigmoid(k x the evaluation with parameters), as
    // a deeper judge than the game's result would.
    void relabel(const EvaluationParameters& parameters, double k);

    // The mean squared error of the predictions against the targets.
    double meanError(const EvaluationParameters& parameters, double k);

    // The k in [0.01, 10] that gives the least error with parameters.
    double fitScale(const EvaluationParameters& parameters);

    // How a fit goes: at most `rounds` passes; with weightsOnly the shape
    // values stay as they are; `pull` weighs a penalty on the distance from
    // the starting values (below); `progress`, if given, is told the error
    // after each pass.
    struct FitOptions {
        int rounds = 40;
        bool weightsOnly = false;
        double pull = 0;
        void (*progress)(int round, double error) = nullptr;
    };

    // Coordinate descent from `parameters` with k fixed: each parameter moves
    // by its step while the error falls; steps start at a quarter of the value
    // (at least 4) and halve when none moves, down to 1; a parameter stays
    // between 0 and four times its starting value (on the side of its sign).
    // With a pull the error minimised is the mean squared error plus pull x
    // the sum over the parameters of ((value - start) / max(|start|, 8))^2:
    // a parameter moves only as far as the positions pay for, which holds a
    // fit on a few hundred games near values that were proven in play.
    EvaluationParameters fit(EvaluationParameters parameters, double k, const FitOptions& options);

private:
    struct Game {
        int rule;
        Moves moves;
        std::vector<int> plies;        // positions taken: after this many moves
        std::vector<double> targets;   // one per ply
        double result;                 // the game's, for black
    };
    // Calls visit(game, index, value for black) for every position.
    template <typename Visit>
    void forEachPosition(const EvaluationParameters& parameters, Visit visit);
    // The tables of rule with the shape values of parameters.
    const board::RuleTables& tablesFor(int rule, const board::ShapeValues& shapes);

    int size_, skipPlies_;
    size_t positions_ = 0;
    std::vector<Game> games_;
    std::unique_ptr<search::SearchState> state_;
    std::unique_ptr<board::RuleTables> tables_[3];  // per rule, built on first use
    board::ShapeValues tableShapes_[3];              // the values each was built from
};

// sigmoid(k q / 400) in base 10, the predicted score of a value q.
double predictedScore(double value, double k);

}  // namespace tuning
