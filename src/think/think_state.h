// What the think drivers keep from one think to the next.
//
// savedLine is the principal variation of the last iteration whose result a
// driver took; the report prints it, also after the quick answers that need no
// search. requestedHashSize remembers the hash_size the tables were last sized
// for at a think's start, so a size that cannot be allocated is not retried
// (and the tables not cleared) at every move.
#pragma once

#include <cstdint>

#include "search/search_state.h"

namespace think {

struct ThinkState {
    search::PvLine savedLine;
    int32_t requestedHashSize = 0;
};

extern ThinkState thinkState;

// Brings the hash tables to the hash_size setting when it changed.
void applyHashSize();

// Copies the root's principal variation into savedLine.
void saveLine();

// The value as printed: wins and losses without their distance term, clamped.
int displayValue(int value, int depth);

}  // namespace think
