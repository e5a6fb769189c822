#include <climits>
#include <cstring>
#include <gtest/gtest.h>

#include "protocol/arguments.h"
#include "protocol/command_loop.h"

using protocol::matchCommand;
using protocol::parseArguments;
using protocol::parseInteger;

namespace {

int parse(const char* text, const char* pattern, int32_t* v) { return parseArguments(text, pattern, v, 3); }

}  // namespace

TEST(ArgumentPatterns, CommaPatternAcceptsBlankAfterCommaOnly) {
    int32_t v[3] = {};
    EXPECT_EQ(parse("7,7", "%d,%d", v), 2);
    EXPECT_EQ(v[0], 7);
    EXPECT_EQ(v[1], 7);
    EXPECT_EQ(parse("7, 7", "%d,%d", v), 2);
    EXPECT_EQ(parse("  12,\t3", "%d,%d", v), 2);
    EXPECT_EQ(v[0], 12);
    EXPECT_EQ(v[1], 3);
    EXPECT_EQ(parse("7 ,7", "%d,%d", v), 1);
    EXPECT_EQ(parse("X 7,7", "%d,%d", v), 0);
    EXPECT_EQ(parse("", "%d,%d", v), 0);
}

TEST(ArgumentPatterns, BlankInPatternMatchesAnyWhiteSpaceRun) {
    int32_t v[3] = {};
    for (const char* text : {"20,15", "20 ,15", "20 , 15", "20\t,15"}) {
        EXPECT_EQ(parse(text, "%d ,%d", v), 2) << text;
        EXPECT_EQ(v[0], 20);
        EXPECT_EQ(v[1], 15);
    }
    EXPECT_EQ(parse("20", "%d ,%d", v), 1);
    EXPECT_EQ(parse("20 15", "%d %d", v), 2);
    EXPECT_EQ(parse("20", "%d %d", v), 1);
}

TEST(ArgumentPatterns, SignsAndTripleValues) {
    int32_t v[3] = {};
    EXPECT_EQ(parse("-1,+2,3", "%d,%d,%d", v), 3);
    EXPECT_EQ(v[0], -1);
    EXPECT_EQ(v[1], 2);
    EXPECT_EQ(v[2], 3);
    EXPECT_EQ(parse("-,2", "%d,%d", v), 0);
    EXPECT_EQ(parse("7,8,x", "%d,%d,%d", v), 2);
    EXPECT_EQ(parse("7,8,", "%d,%d,%d", v), 2);
}

TEST(ArgumentPatterns, OutOfRangeNumbersSaturate) {
    int32_t v[3] = {};
    EXPECT_EQ(parse("99999999999,-99999999999", "%d,%d", v), 2);
    EXPECT_EQ(v[0], INT32_MAX);
    EXPECT_EQ(v[1], INT32_MIN);
    EXPECT_EQ(parse("2147483648", "%d", v), 1);
    EXPECT_EQ(v[0], INT32_MAX);
    EXPECT_EQ(parse("-2147483648", "%d", v), 1);
    EXPECT_EQ(v[0], INT32_MIN);
}

TEST(ArgumentPatterns, IntegerValueText) {
    EXPECT_EQ(parseInteger("  42abc"), 42);
    EXPECT_EQ(parseInteger("-17"), -17);
    EXPECT_EQ(parseInteger("abc"), 0);
    EXPECT_EQ(parseInteger(""), 0);
    EXPECT_EQ(parseInteger("123456789012345"), INT32_MAX);
    EXPECT_EQ(parseInteger("-123456789012345"), INT32_MIN);
}

TEST(CommandWords, PrefixMatchFoldsOnlyLetters) {
    const char* text = "turn 7,7";
    EXPECT_EQ(matchCommand("TURN", text), text + 5);
    EXPECT_STREQ(matchCommand("TURN", "TURNX 7,7"), "X 7,7");
    EXPECT_STREQ(matchCommand("END", "ENDGAME"), "GAME");
    EXPECT_STREQ(matchCommand("ovblock", "OVBLOCKRESET"), "RESET");
    EXPECT_STREQ(matchCommand("INFO", "INFO \t\r\n"), "");
    EXPECT_EQ(matchCommand("TURN", "TUR"), nullptr);
    EXPECT_EQ(matchCommand("TURN", ""), nullptr);
    EXPECT_EQ(matchCommand("max_node", "MAX-NODE 5"), nullptr);
    EXPECT_STREQ(matchCommand("max_node", "MAX_NODE 5"), "5");
}

TEST(CommandWords, DoneLineIsExactlyDone) {
    auto done = [](const char* text) { return protocol::isDoneLine(text); };
    EXPECT_TRUE(done("DONE"));
    EXPECT_TRUE(done("done"));
    EXPECT_TRUE(done("DoNe"));
    EXPECT_FALSE(done("DONE "));
    EXPECT_FALSE(done(" DONE"));
    EXPECT_FALSE(done("DONEX"));
    EXPECT_FALSE(done("DON"));
    EXPECT_FALSE(done(""));
}
