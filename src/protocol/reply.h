// Replies and report lines to the manager. Each call writes one whole line with
// a single write and flushes at once, so lines of the two threads never split
// inside a call.
#pragma once

#include "search/reporter.h"

namespace protocol {

// Formats one line (printf conversions), appends a line feed, writes, flushes.
void sendReply(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Writes text that already ends in its own line feed, then flushes.
void sendRaw(const char* text);

// The engine's lines (reports, moves) as replies on standard output.
class StandardOutput : public search::LineWriter {
public:
    void writeLine(const char* text) override { sendReply("%s", text); }
};

}  // namespace protocol
