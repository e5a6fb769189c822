// The match's command line and openings files: what they accept, and a clear
// message for what they do not.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "match/game_log.h"
#include "match/game_runner.h"
#include "match/options.h"

namespace match {
namespace {

struct Parsed {
    bool ok, help;
    Options options;
    std::string error;
};

Parsed parse(std::vector<const char*> args) {
    args.insert(args.begin(), "selfplay");
    Parsed p;
    p.ok = parseOptions(int(args.size()), args.data(), p.options, p.error, p.help);
    return p;
}

TEST(MatchOptions, AcceptsAMatch) {
    const Parsed p = parse({"--base", "a", "--candidate", "b", "--concurrency", "2", "--sprt", "0,10", "--turn",
                            "50", "--max-node", "300", "--rule", "2", "--model", "trinomial"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.engine[0], "a");
    EXPECT_EQ(p.options.engine[1], "b");
    EXPECT_EQ(p.options.concurrency, 2);
    EXPECT_TRUE(p.options.sprt);
    EXPECT_EQ(p.options.elo1, 10);
    EXPECT_EQ(p.options.alpha, 0.05);
    EXPECT_EQ(p.options.games, 10000);  // the cap of a test given no --games
    EXPECT_EQ(p.options.maxNode, 300);
    EXPECT_EQ(p.options.model, SprtModel::Trinomial);

    EXPECT_TRUE(p.options.recordFile.empty());
    const Parsed q = parse({"--sprt", "-1.5,4.5,0.1,0.2", "--games", "40", "--rect", "20,15", "--record", "games.txt"});
    ASSERT_TRUE(q.ok) << q.error;
    EXPECT_EQ(q.options.elo0, -1.5);
    EXPECT_EQ(q.options.beta, 0.2);
    EXPECT_EQ(q.options.games, 40);
    EXPECT_EQ(q.options.width, 20);
    EXPECT_EQ(q.options.height, 15);
    EXPECT_EQ(q.options.recordFile, "games.txt");
    EXPECT_TRUE(parse({"--help"}).help);
}

TEST(MatchOptions, RefusesBadValues) {
    const std::vector<std::vector<const char*>> bad = {
        {"--games", "ten"},  {"--games", "0"},         {"--games"},          {"--concurrency", "-1"},
        {"--rule", "3"},     {"--size", "30"},         {"--rect", "15"},     {"--sprt", "10,0"},
        {"--sprt", "0"},     {"--sprt", "0,5,0.05"},   {"--sprt", "0,x"},    {"--sprt", "0,5,0.7,0.05"},
        {"--turn", "1e3"},   {"--model", "binomial"},  {"--frobnicate"},     {"stray"},
    };
    for (const auto& args : bad) {
        const Parsed p = parse(args);
        EXPECT_FALSE(p.ok) << args[0];
        EXPECT_FALSE(p.error.empty()) << args[0];
    }
    EXPECT_EQ(parse({"--games", "ten"}).error, "--games wants a whole number from 1 to 100000000, not \"ten\"");
}

// An openings file written for one test and removed after it.
class OpeningsFile {
public:
    explicit OpeningsFile(const std::string& text) {
        char name[] = "/tmp/olvar-openings-XXXXXX";
        const int fd = mkstemp(name);
        path_ = name;
        if (fd >= 0) close(fd);
        std::ofstream(path_) << text;
    }
    ~OpeningsFile() { std::remove(path_.c_str()); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

std::string loadError(const std::string& text, int rule = 0) {
    OpeningsFile file(text);
    Options o;
    o.rule = rule;
    std::vector<Moves> openings;
    std::string error;
    EXPECT_FALSE(loadOpenings(file.path(), o, openings, error));
    return error.substr(error.find(':') + 1);  // without the temporary name
}

TEST(MatchOpenings, ReadsOneOpeningPerLine) {
    OpeningsFile file("# made by hand\n7,7 7,8 8,8\n\n  6,6 8,8\r\n");
    Options o;
    std::vector<Moves> openings;
    std::string error;
    ASSERT_TRUE(loadOpenings(file.path(), o, openings, error)) << error;
    ASSERT_EQ(openings.size(), 2u);
    EXPECT_EQ(openings[0], (Moves{{7, 7}, {7, 8}, {8, 8}}));
    EXPECT_EQ(openings[1], (Moves{{6, 6}, {8, 8}}));
}

TEST(MatchOpenings, NamesTheLineOfABadOpening) {
    EXPECT_EQ(loadError("7,7\n7,7 8,x\n"), "2: \"8,x\" is not a point x,y");
    EXPECT_EQ(loadError("7,7 15,0\n"), "1: 15,0 is off the 15x15 board");
    EXPECT_EQ(loadError("7,7 7,7\n"), "1: 7,7 is taken twice");
    EXPECT_EQ(loadError("0,0 1,0 0,1 1,1 0,2 1,2 0,3 1,3 0,4\n"), "1: 0,4 makes five: the opening is a finished game");
    // Renju: black's fourth stone makes two open threes.
    EXPECT_EQ(loadError("6,7 0,0 6,8 0,2 7,6 0,4 8,6 0,6 6,6\n", 2), "1: 6,6 is a forbidden point for black");
    EXPECT_NE(loadError("# nothing\n").find("no openings in /tmp/"), std::string::npos);
    Options o;
    std::vector<Moves> openings;
    std::string error;
    EXPECT_FALSE(loadOpenings("/nonexistent/openings.txt", o, openings, error));
    EXPECT_EQ(error, "cannot read the openings file /nonexistent/openings.txt");
}

}  // namespace
}  // namespace match

namespace match {
namespace {

std::string fileText(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The game record: one line per game, appended, so a second match (or a
// restarted one) adds to what the first wrote; a game with no moves (one not
// decided on the board) leaves no line.
TEST(MatchGameLog, AppendsOneLinePerGame) {
    EXPECT_EQ(gameLogLine(1, {{7, 7}, {7, 8}, {12, 3}}), "black 7,7 7,8 12,3");
    EXPECT_EQ(gameLogLine(2, {{0, 0}}), "white 0,0");
    EXPECT_EQ(gameLogLine(0, {{7, 7}, {8, 8}}), "draw 7,7 8,8");

    OpeningsFile file("");
    std::string error;
    {
        GameLog log;
        ASSERT_TRUE(log.open(file.path(), error)) << error;
        log.write(1, {{7, 7}, {7, 8}});
        log.write(2, {});
    }
    {
        GameLog log;
        ASSERT_TRUE(log.open(file.path(), error)) << error;
        log.write(0, {{3, 4}});
    }
    EXPECT_EQ(fileText(file.path()), "black 7,7 7,8\ndraw 3,4\n");

    GameLog unwritable;
    EXPECT_FALSE(unwritable.open("/nonexistent-olvar-dir/games.txt", error));
    EXPECT_NE(error.find("/nonexistent-olvar-dir/games.txt"), std::string::npos);
    unwritable.write(1, {{7, 7}});  // nothing open: nothing happens
}

}  // namespace
}  // namespace match
