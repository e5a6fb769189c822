// The main thread's command loop: read one line, recognise its command word,
// parse the arguments, act or hand the work to the worker.
//
// lineBuffer holds the current line as a NUL-terminated string of at most
// LineBufferSize - 1 characters; body readers (BOARD, ovboard, ovblock,
// SWAP2BOARD) read
// into the same buffer, so a body line overwrites the command line.
// Command words are matched by case-folded prefix, in a fixed order: the first
// word that is a prefix of the line wins (ovblockreset is tried before ovblock).
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>

#include "control/engine.h"
#include "control/position_body.h"
#include "control/swap2_opening.h"

namespace protocol {

constexpr int LineBufferSize = 8192;

struct CommandLoop {
    CommandLoop(control::Engine& e, std::FILE* in) : engine(e), input(in) {}

    control::Engine& engine;
    std::FILE* input;           // where command lines come from
    char lineBuffer[LineBufferSize] = {};
    control::PositionBody positionBody;  // the BOARD / ovboard body being read
    control::Swap2Body swap2Body;        // the SWAP2BOARD body being read
};

// Fills lineBuffer with the next line of input. False at the end of the input
// (also in the middle of a line): the process then ends without a reply.
bool readLine(CommandLoop& loop);

// If text begins with word (letters a-z folded to upper case), returns where its
// arguments begin (past white space); otherwise nullptr.
const char* matchCommand(const char* word, const char* text);

// Whether the line is exactly "DONE" in any mix of case.
bool isDoneLine(const char* line);

enum class CommandResult { Continue, Exit, EndOfInput };

// Acts on the line in lineBuffer. Exit after END (the think stopped first);
// EndOfInput when the input ended inside a body.
CommandResult dispatchCommand(CommandLoop& loop);

// Stops a running think and gives the game a 20 x 20 board if none was set up.
void stopAndPrepare(CommandLoop& loop);

// Starts the worker thread, then reads and dispatches commands until END or the
// end of the input, and ends the process with status 0.
[[noreturn]] void runCommandLoop(CommandLoop& loop);

}  // namespace protocol
