// The engine: everything one playing engine is, in one object that main
// creates once and never destroys (its worker thread may still run when the
// process ends). The protocol layer drives it; replies go through `out`.
//
// The record, the settings and the mask belong to the main thread, which
// changes the record only while the worker is idle (stopThink first); the
// worker reads them during a think. Settings and mask are atomics and may
// change during a think.
#pragma once

#include "board/geometry.h"
#include "control/game_record.h"
#include "control/settings.h"
#include "control/worker.h"
#include "search/hash_tables.h"
#include "search/limits.h"
#include "search/reporter.h"
#include "think/thinker.h"

namespace control {

struct Engine {
    explicit Engine(search::LineWriter& writer) : out(writer), thinker(hashTables) {}
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    search::LineWriter& out;
    EngineSettings settings;
    GameRecord game;
    search::BlockMask blockMask;
    search::HashTables hashTables;
    think::Thinker thinker;
    Worker worker;
};

// START/RECTSTART: false (nothing changes) for a side outside 1..24;
// otherwise an empty record on the new board, and the hash tables sized and
// emptied now, while the protocol counts no move's time.
bool setupBoard(Engine& engine, int32_t width, int32_t height);

// RESTART: as setupBoard with the current dimensions.
void restartGame(Engine& engine);

// ovshowforbid: the Renju forbidden points of the position, in row order.
int forbiddenPoints(Engine& engine, board::Stone* points);

// What a think of the engine is asked: the position, the settings as they are
// now, the mask, the stop flag and the writer.
think::ThinkRequest thinkRequest(Engine& engine);

}  // namespace control
