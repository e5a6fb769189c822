// Replies and report lines to the manager. Each call writes one whole line with
// a single write and flushes at once, so lines of the two threads never split
// inside a call.
#pragma once

namespace protocol {

// Formats one line (printf conversions), appends a line feed, writes, flushes.
void sendReply(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Writes text that already ends in its own line feed, then flushes.
void sendRaw(const char* text);

}  // namespace protocol
