// Fits the static evaluation's weights and the shape values of the pattern
// tables to the results of recorded games (selfplay --record) by Texel's
// method, and prints them in the form of src/search/tuning.h and
// src/board/pattern_tables.h. See the README, "Tuning the evaluation".
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "tuning/search_judge.h"
#include "tuning/texel.h"

namespace {

void usage() {
    std::printf(
        "Usage: texel [options] [--rule R] FILE... [--rule R FILE...]...\n"
        "Fits the evaluation's weights and shape values to the games of FILE... (lines of selfplay\n"
        "--record).\n"
        "  --rule R      0 free-style, 1 standard, 2 Renju: the rule of the games in the files after it\n"
        "                (default 0)\n"
        "  --size N      board size (default 15)\n"
        "  --skip N      leave out the first N positions of every game, the opening's (default 4)\n"
        "  --rounds N    passes of the coordinate descent at most (default 40)\n"
        "  --weights-only  fit the weights alone; the shape values stay as they are\n"
        "  --pull L      add L x the sum of ((value - current) / max(|current|, 8))^2 over the\n"
        "                parameters to the error minimised: values move only as far as the games\n"
        "                pay for (default 0)\n"
        "  --label-nodes N  fit to the values of a search of N x 1024 nodes of each position (for\n"
        "                black, through the same sigmoid) instead of the game's result\n"
        "  --label-mix M the share of the search's value in each target, the rest the game's\n"
        "                result (default 1)\n"
        "  --labels FILE keep the search values in FILE and take them from it when it holds\n"
        "                those of the same games at the same N (a search per position is slow)\n"
        "  --holdout N   keep every N-th game out of the fit and report the error on those games\n"
        "                with the current and the fitted values (default 0: none)\n"
        "  --help        this text\n");
}

bool readInt(const char* text, int low, int high, int& value) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (*text == '\0' || *end != '\0' || v < low || v > high) return false;
    value = int(v);
    return true;
}

bool readDouble(const char* text, double low, double high, double& value) {
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (*text == '\0' || *end != '\0' || !(v >= low && v <= high)) return false;
    value = v;
    return true;
}

// The search values of every position of the set, from the file when it
// holds those of this set at this budget, else searched and written there.
std::vector<int> searchValues(const tuning::PositionSet& positions, int size, int nodes, int games,
                              const std::string& file) {
    char header[128];
    std::snprintf(header, sizeof header, "# texel search values: %d x 1024 nodes, %d games, %zu positions", nodes, games,
                  positions.positionCount());
    std::vector<int> values;
    if (!file.empty()) {
        std::ifstream in(file);
        std::string line;
        if (in && std::getline(in, line) && line == header) {
            int v;
            while (in >> v) values.push_back(v);
            if (values.size() == positions.positionCount()) {
                std::printf("search values from %s\n", file.c_str());
                return values;
            }
            values.clear();
        }
    }
    tuning::SearchJudge judge(size, nodes);
    positions.forEachPlayed([&](int rule, const tuning::Moves& moves, int plies) {
        values.push_back(judge.valueForBlack(rule, moves, plies));
        if (values.size() % 500 == 0) {
            std::fprintf(stderr, "searched %zu of %zu positions\n", values.size(), positions.positionCount());
            std::fflush(stderr);
        }
    });
    if (!file.empty()) {
        std::ofstream out(file);
        out << header << "\n";
        for (int v : values) out << v << "\n";
        if (!out) std::fprintf(stderr, "texel: cannot write %s\n", file.c_str());
    }
    return values;
}

void showProgress(int round, double error) { std::printf("round %d: error %.6f\n", round + 1, error); }

}  // namespace

int main(int argc, char** argv) {
    int rule = 0, size = 15, skip = 4, rounds = 40, holdout = 0, labelNodes = 0;
    bool weightsOnly = false;
    double pull = 0, labelMix = 1;
    std::string labelFile;
    std::vector<std::pair<std::string, int>> files;  // with the rule of their games
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        int* target = arg == "--rule"      ? &rule
                      : arg == "--size"    ? &size
                      : arg == "--skip"    ? &skip
                      : arg == "--rounds"  ? &rounds
                      : arg == "--holdout" ? &holdout
                      : arg == "--label-nodes" ? &labelNodes
                                           : nullptr;
        if (arg == "--help") {
            usage();
            return 0;
        }
        if (arg == "--weights-only") {
            weightsOnly = true;
            continue;
        }
        if (arg == "--pull" || arg == "--label-mix") {
            const bool isPull = arg == "--pull";
            const double high = isPull ? 1e6 : 1;
            if (i + 1 >= argc || !readDouble(argv[i + 1], 0, high, isPull ? pull : labelMix)) {
                std::fprintf(stderr, "texel: %s wants a number from 0 to %g\n", arg.c_str(), high);
                return 2;
            }
            ++i;
            continue;
        }
        if (arg == "--labels") {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "texel: --labels wants a file\n");
                return 2;
            }
            labelFile = argv[++i];
            continue;
        }
        if (target != nullptr) {
            const int high = target == &rule ? 2 : target == &size ? 32 : 1000000;
            const int low = target == &size ? 5 : 0;
            if (i + 1 >= argc || !readInt(argv[i + 1], low, high, *target)) {
                std::fprintf(stderr, "texel: %s wants a number from %d to %d\n", arg.c_str(), low, high);
                return 2;
            }
            ++i;
        } else if (arg.rfind("--", 0) == 0) {
            std::fprintf(stderr, "texel: unknown option %s (--help lists them)\n", arg.c_str());
            return 2;
        } else {
            files.emplace_back(arg, rule);
        }
    }
    if (files.empty()) {
        usage();
        return 2;
    }

    tuning::PositionSet positions(size, skip), heldOut(size, skip);
    int games = 0, repeated = 0, heldGames = 0;
    // Two engines that play alike repeat games; a game counts once.
    std::set<std::pair<int, std::string>> seen;
    for (const auto& [file, fileRule] : files) {
        std::ifstream in(file);
        if (!in) {
            std::fprintf(stderr, "texel: cannot read %s\n", file.c_str());
            return 2;
        }
        std::string line, why;
        for (int number = 1; std::getline(in, line); ++number) {
            if (line.empty() || line[0] == '#') continue;
            if (!seen.emplace(fileRule, line).second) {
                ++repeated;
                continue;
            }
            tuning::RecordedGame game;
            const bool held = holdout > 0 && (games + heldGames + 1) % holdout == 0;
            if (!tuning::parseRecordLine(line, game, why) || !(held ? heldOut : positions).addGame(game, fileRule, why)) {
                std::fprintf(stderr, "texel: %s line %d: %s\n", file.c_str(), number, why.c_str());
                return 2;
            }
            ++(held ? heldGames : games);
        }
    }
    std::printf("%d games (%d repeated ones left out), %zu positions\n", games, repeated, positions.positionCount());
    if (holdout > 0) std::printf("held out of the fit: %d games, %zu positions\n", heldGames, heldOut.positionCount());
    if (positions.positionCount() == 0) return 2;

    const tuning::EvaluationParameters start{};
    const double k = positions.fitScale(start);
    const double before = positions.meanError(start, k);
    std::printf("k %.4f, error with the current values %.6f\n", k, before);
    if (labelNodes > 0) {
        // The search values go through the sigmoid that fits the results, so
        // that both kinds of target speak of the same scale.
        const std::vector<int> values = searchValues(positions, size, labelNodes, games, labelFile);
        positions.retarget([&values, k, labelMix](size_t i, double result) {
            return labelMix * tuning::predictedScore(values[i], k) + (1 - labelMix) * result;
        });
        std::printf("targets: %g x a search of %d x 1024 nodes + %g x the result; error with the current values %.6f\n",
                    labelMix, labelNodes, 1 - labelMix, positions.meanError(start, k));
    }
    tuning::PositionSet::FitOptions options;
    options.rounds = rounds;
    options.weightsOnly = weightsOnly;
    options.pull = pull;
    options.progress = showProgress;
    tuning::EvaluationParameters fitted = positions.fit(start, k, options);
    std::printf("error with the fitted values %.6f\n", positions.meanError(fitted, k));
    // The held-out games judge whether the fit learnt the games or only the
    // games it was given.
    if (heldOut.positionCount() > 0)
        std::printf("held-out error: %.6f with the current values, %.6f with the fitted ones\n",
                    heldOut.meanError(start, k), heldOut.meanError(fitted, k));
    std::printf("\n");
    tuning::EvaluationParameters old = start;
    for (const tuning::ParameterField& f : tuning::parameterFields())
        if (f.isWeight())
            std::printf("constexpr int %s = %d;  // was %d\n", f.name.c_str(), f.field(fitted), f.field(old));
    // The shape values in the form of the pattern tables' arrays.
    auto printArray = [](const char* name, const int* values, const int* was) {
        std::printf("inline constexpr int16_t %s[16] = {", name);
        for (int c = 0; c < 16; ++c) std::printf("%s%d", c ? ", " : "", values[c]);
        std::printf("};\n//                  was {");
        for (int c = 0; c < 16; ++c) std::printf("%s%d", c ? ", " : "", was[c]);
        std::printf("}\n");
    };
    if (weightsOnly) return 0;
    printArray("comboWeight", fitted.shapes.comboWeight, old.shapes.comboWeight);
    printArray("comboBase", fitted.shapes.comboBase, old.shapes.comboBase);
    return 0;
}
