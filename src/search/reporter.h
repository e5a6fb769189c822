// Where a search's report lines go. The think layer hands the main search
// thread a writer that reaches the manager; helper threads get none and stay
// silent.
#pragma once

namespace search {

class LineWriter {
public:
    virtual ~LineWriter() = default;
    // One whole line, without its line feed.
    virtual void writeLine(const char* text) = 0;
};

// Formats a line (printf conversions) and hands it to writer; nothing without one.
void writeLine(LineWriter* writer, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace search
