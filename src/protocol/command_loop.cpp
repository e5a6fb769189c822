#include "protocol/command_loop.h"

#include <cstdio>
#include <cstdlib>

#include "board/geometry.h"
#include "control/engine.h"
#include "control/game_record.h"
#include "control/worker.h"
#include "protocol/arguments.h"
#include "protocol/identity.h"
#include "protocol/reply.h"
#include "protocol/info_command.h"
#include "search/hash_tables.h"

namespace protocol {

namespace {

char foldCase(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

bool isBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

void sendGreeting() {
    sendReply("MESSAGE %s %s :-)", EngineName, EngineVersion);
    sendReply("OK");
}

// Parses "x,y" and applies the coordinate check.
bool parsePoint(const CommandLoop& loop, const char* text, int32_t& x, int32_t& y) {
    int32_t v[2];
    if (parseArguments(text, "%d,%d", v, 2) != 2 || !loop.engine.game.geometry.onBoard(v[0], v[1])) return false;
    x = v[0];
    y = v[1];
    return true;
}

// The body of BOARD and ovboard: "x,y,who" lines up to "DONE", gathered as a
// whole new position. A second stone on one point draws the error line of its
// field and is skipped; a line that is not a stone ends the body with an error
// line, and the stones read so far are the position. A position that no game
// can give is refused with an error line and changes nothing; the command
// then asks for no think. At the end of the input nothing more is answered.
enum class BodyOutcome { Position, Refused, EndOfInput };

BodyOutcome readPositionBody(CommandLoop& loop) {
    control::PositionBody& body = loop.positionBody;
    body.clear();
    for (;;) {
        if (!readLine(loop)) return BodyOutcome::EndOfInput;
        int32_t v[3];
        if (parseArguments(loop.lineBuffer, "%d,%d,%d", v, 3) != 3) break;
        const int32_t who = loop.engine.game.geometry.onBoard(v[0], v[1]) ? v[2] : 0;
        if (who < control::OwnStone || who > control::BlockStone) break;
        if (body.add(v[0], v[1], static_cast<control::StoneField>(who))) continue;
        if (who == control::OwnStone) sendReply("ERROR my move [%d,%d]", v[0], v[1]);
        else if (who == control::OpponentStone) sendReply("ERROR opponents's move [%d,%d]", v[0], v[1]);
        else sendReply("ERROR board-block move [%d,%d]", v[0], v[1]);
    }
    if (!isDoneLine(loop.lineBuffer)) sendReply("ERROR x,y,who or DONE expected after BOARD");
    const control::PositionResult result = control::replacePosition(loop.engine.game, body);
    if (result.accepted) return BodyOutcome::Position;
    sendReply("ERROR position refused: %d own and %d opponent's stones cannot come from a game with the engine to move",
              result.own, result.opponent);
    return BodyOutcome::Refused;
}

// The body of ovblock: "x,y" lines up to "DONE". A line that does not name a
// point of the 24 x 24 mask is refused with an error line and skipped. False
// when the input ended inside it.
bool readBlockBody(CommandLoop& loop) {
    for (;;) {
        if (!readLine(loop)) return false;
        if (isDoneLine(loop.lineBuffer)) return true;
        int32_t v[2];
        if (parseArguments(loop.lineBuffer, "%d,%d", v, 2) == 2 && v[0] >= 0 && v[0] < board::MaxSide && v[1] >= 0 &&
            v[1] < board::MaxSide)
            loop.engine.blockMask.set(v[0], v[1]);
        else
            sendReply("ERROR bad coordinates");
    }
}

// The body of SWAP2BOARD: "x,y" lines up to "DONE", the opening in the order
// played. A line that is not a point of the board draws "ERROR bad
// coordinates" as in the other bodies, and the rest is still read. At DONE the
// body is judged as a whole: an opening (0, 3 or 5 distinct points) becomes
// the record and is answered by the Swap2 think; any other body changes
// nothing and has one ERROR line as its answer (for bad lines, their own).
// False when the input ended inside it.
bool readSwap2Body(CommandLoop& loop) {
    control::Swap2Body& body = loop.swap2Body;
    body.clear();
    for (;;) {
        if (!readLine(loop)) return false;
        if (isDoneLine(loop.lineBuffer)) break;
        int32_t v[2];
        if (parseArguments(loop.lineBuffer, "%d,%d", v, 2) == 2 && loop.engine.game.geometry.onBoard(v[0], v[1])) {
            body.add(v[0], v[1]);
        } else {
            ++body.badLines;
            sendReply("ERROR bad coordinates");
        }
    }
    switch (control::startSwap2Opening(loop.engine.game, body)) {
    case control::Swap2Verdict::Opening:
        control::startSwap2Think(loop.engine);
        break;
    case control::Swap2Verdict::BadLines:
        break;
    case control::Swap2Verdict::RepeatedPoint:
        sendReply("ERROR SWAP2BOARD: the point %d,%d is given twice", body.repeatedX, body.repeatedY);
        break;
    case control::Swap2Verdict::WrongCount:
        sendReply("ERROR SWAP2BOARD: %d stones; an opening has 0, 3 or 5", body.count);
        break;
    }
    return true;
}

// START and RECTSTART after the think has stopped. A width of 0 asks for the
// default 20 x 20 board (greeted twice, as managers have always seen it); a
// side beyond 0..24 is refused before that default can hide it.
void resizeBoard(CommandLoop& loop, int32_t width, int32_t height) {
    if (width < 0 || width > board::MaxSide || height < 0 || height > board::MaxSide) {
        sendReply("ERROR size of the board");
        return;
    }
    if (width == 0) {
        width = height = 20;
        control::setupBoard(loop.engine, width, height);
        sendGreeting();
    }
    if (control::setupBoard(loop.engine, width, height)) sendGreeting();
    else sendReply("ERROR size of the board");
}

// START: one or two numbers; a missing second takes the first; none keeps the
// current size.
void startCommand(CommandLoop& loop, const char* args) {
    int32_t v[2];
    int n = parseArguments(args, "%d %d", v, 2);
    const board::Geometry& geometry = loop.engine.game.geometry;
    int32_t width = geometry.boardWidth, height = geometry.boardHeight;
    if (n >= 1) width = height = v[0];
    if (n == 2) height = v[1];
    control::stopThink(loop.engine);
    resizeBoard(loop, width, height);
}

void rectStartCommand(CommandLoop& loop, const char* args) {
    int32_t v[2];
    if (parseArguments(args, "%d ,%d", v, 2) != 2) {
        sendReply("ERROR bad RECTSTART parameters");
        return;
    }
    control::stopThink(loop.engine);
    resizeBoard(loop, v[0], v[1]);
}

// The mode is set once the running think has stopped: a think that was
// started but had not begun yet reads the mode then, and would otherwise take
// this one's and leave a normal think (which plays a move) for this command.
void thinkWithMode(CommandLoop& loop, control::ThinkMode mode) {
    stopAndPrepare(loop);
    loop.engine.worker.thinkMode.store(mode, std::memory_order_relaxed);
    control::startThink(loop.engine);
}

// ovshowforbid: the FORBID line under Renju, nothing under other rules.
void showForbidden(CommandLoop& loop) {
    if (control::setting(loop.engine.settings.rule) != board::Renju) return;
    board::Stone points[board::MaxPoints];
    const int count = control::forbiddenPoints(loop.engine, points);
    char line[16 + 4 * board::MaxPoints];
    int used = std::snprintf(line, sizeof line, "FORBID ");
    for (int i = 0; i < count; ++i)
        used += std::snprintf(line + used, sizeof line - used, "%02d%02d", points[i].x, points[i].y);
    std::snprintf(line + used, sizeof line - used, ".");
    sendReply("%s", line);
}

}  // namespace

bool readLine(CommandLoop& loop) {
    char* buffer = loop.lineBuffer;
    int stored = 0;
    for (;;) {
        int c = std::getc(loop.input);
        if (c == EOF) return false;
        if (stored < LineBufferSize) buffer[stored++] = char(c);
        if (c == '\n') break;
    }
    buffer[stored - 1] = '\0';
    if (stored >= 2 && buffer[stored - 2] == '\r') buffer[stored - 2] = '\0';
    return true;
}

const char* matchCommand(const char* word, const char* text) {
    const char* t = text;
    for (const char* w = word; *w; ++w, ++t) {
        if (*t == '\0' || foldCase(*w) != foldCase(*t)) return nullptr;
    }
    while (isBlank(*t)) ++t;
    return t;
}

bool isDoneLine(const char* line) {
    return matchCommand("DONE", line) == line + 4 && line[4] == '\0';
}

void stopAndPrepare(CommandLoop& loop) {
    control::stopThink(loop.engine);
    if (loop.engine.game.geometry.boardWidth == 0) {
        control::setupBoard(loop.engine, 20, 20);
        sendGreeting();
    }
}

CommandResult dispatchCommand(CommandLoop& loop) {
    control::Engine& engine = loop.engine;
    const char* line = loop.lineBuffer;
    const char* args;
    int32_t x, y;

    if ((args = matchCommand("INFO", line))) {
        applyInfo(engine.settings, args);
    } else if ((args = matchCommand("START", line))) {
        startCommand(loop, args);
    } else if ((args = matchCommand("RECTSTART", line))) {
        rectStartCommand(loop, args);
    } else if ((args = matchCommand("RESTART", line))) {
        stopAndPrepare(loop);
        control::restartGame(engine);
        sendGreeting();
    } else if ((args = matchCommand("TURN", line))) {
        stopAndPrepare(loop);
        if (!parsePoint(loop, args, x, y)) {
            sendReply("ERROR bad coordinates");
        } else if (control::addMove(engine.game, x, y)) {
            control::startThink(engine);
        } else {
            // A refused move changes nothing and asks for nothing.
            sendReply("ERROR opponents's move [%d,%d]", x, y);
        }
    } else if ((args = matchCommand("PLAY", line))) {
        stopAndPrepare(loop);
        if (parsePoint(loop, args, x, y)) {
            if (!control::addMove(engine.game, x, y)) sendReply("ERROR my move [%d,%d]", x, y);
            sendReply("%d,%d", x, y);
        } else {
            sendReply("ERROR bad coordinates");
        }
    } else if ((args = matchCommand("BEGIN", line))) {
        stopAndPrepare(loop);
        control::startThink(engine);
    } else if ((args = matchCommand("ABOUT", line))) {
        sendReply("name=\"%s\", author=\"%s\", version=\"%s\", country=\"%s\", www=\"%s\"", EngineName,
                  EngineAuthor, EngineVersion, EngineCountry, EngineWww);
    } else if ((args = matchCommand("END", line))) {
        control::stopThink(engine);
        return CommandResult::Exit;
    } else if ((args = matchCommand("BOARD", line))) {
        stopAndPrepare(loop);
        const BodyOutcome outcome = readPositionBody(loop);
        if (outcome == BodyOutcome::EndOfInput) return CommandResult::EndOfInput;
        if (outcome == BodyOutcome::Position) control::startThink(engine);
    } else if ((args = matchCommand("SWAP2BOARD", line))) {
        stopAndPrepare(loop);
        if (!readSwap2Body(loop)) return CommandResult::EndOfInput;
    } else if ((args = matchCommand("ovboard", line))) {
        stopAndPrepare(loop);
        if (readPositionBody(loop) == BodyOutcome::EndOfInput) return CommandResult::EndOfInput;
    } else if ((args = matchCommand("ovstop", line))) {
        control::stopThink(engine);
    } else if ((args = matchCommand("ovblockreset", line))) {
        engine.blockMask.clear();
    } else if ((args = matchCommand("ovblock", line))) {
        if (!readBlockBody(loop)) return CommandResult::EndOfInput;
    } else if ((args = matchCommand("TAKEBACK", line))) {
        stopAndPrepare(loop);
        if (parsePoint(loop, args, x, y) && control::takeBack(engine.game, x, y)) sendReply("OK");
        else sendReply("ERROR bad coordinates");
    } else if ((args = matchCommand("ovshowforbid", line))) {
        control::stopThink(engine);
        showForbidden(loop);
    } else if ((args = matchCommand("ovhashclear", line))) {
        // At once, also during a think: the searching threads may store again
        // right after, but nothing stored before survives.
        search::clearHashTables(engine.hashTables);
    } else if ((args = matchCommand("ovbalancetwo", line))) {
        int32_t v = 0;
        engine.worker.balanceTarget = parseArguments(args, "%d", &v, 1) == 1 ? v : 0;
        thinkWithMode(loop, control::BalanceTwoThink);
    } else if ((args = matchCommand("ovbalanceone", line))) {
        int32_t v = 0;
        engine.worker.balanceTarget = parseArguments(args, "%d", &v, 1) == 1 ? v : 0;
        thinkWithMode(loop, control::BalanceOneThink);
    } else if ((args = matchCommand("ovnbest", line))) {
        int32_t v = 1;
        engine.worker.nbestCount = parseArguments(args, "%d", &v, 1) == 1 ? v : 1;
        thinkWithMode(loop, control::NbestThink);
    } else {
        sendReply("UNKNOWN command");
    }
    return CommandResult::Continue;
}

void runCommandLoop(CommandLoop& loop) {
    control::startWorkerThread(loop.engine);
    // END stops the think first; the end of the input leaves it running. Either
    // way the process ends with status 0 (the worker is detached).
    while (readLine(loop) && dispatchCommand(loop) == CommandResult::Continue) {
    }
    std::fflush(stdout);
    std::exit(0);
}

}  // namespace protocol
