// One engine process, started with pipes for its standard input and output.
//
// One thread reads its lines (readLine); writes and closeInput come from the
// session's threads under the session's lock. The process gets a process
// group of its own, so a Ctrl-C on the terminal reaches the server, which
// then ends its engines in order.
#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>

namespace web {

class EngineChild {
public:
    EngineChild() = default;
    ~EngineChild();  // a process still running is killed
    EngineChild(const EngineChild&) = delete;
    EngineChild& operator=(const EngineChild&) = delete;

    // Starts the program at path; false with a message when it cannot be run.
    bool start(const std::string& path, std::string& error);

    // Writes the text whole; false when the engine is gone.
    bool write(std::string_view text);

    // The next line of output without its line end (a CR before it is
    // dropped; a line longer than MaxLine is cut). False at the end of output.
    bool readLine(std::string& line);

    // Closes the engine's standard input: the engine ends at once.
    void closeInput();

    // Waits up to graceMs for the process to end, then kills it; says how it ended.
    std::string reap(int graceMs);

    pid_t pid() const { return pid_; }
    bool reaped() const { return reaped_; }

    static constexpr size_t MaxLine = 65536;

private:
    pid_t pid_ = -1;
    bool reaped_ = false;
    int toEngine_ = -1;
    int fromEngine_ = -1;
    std::string pending_;
};

}  // namespace web
