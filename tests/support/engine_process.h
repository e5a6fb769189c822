// Drives a real engine binary through pipes, the way a tournament manager does:
// write command lines, read reply lines with a timeout, check the exit status.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace testing_support {

// Path of the engine under test: $OLVAR_ENGINE if set, else the one just built.
std::string enginePath();

// Words of $OLVAR_ENGINE_RUNNER (split on white space), put before the engine's
// path on its command line: "wine" runs a Windows build. Empty when unset.
std::vector<std::string> engineRunner();

class EngineProcess {
public:
    explicit EngineProcess(const std::string& path = enginePath());
    ~EngineProcess();
    EngineProcess(const EngineProcess&) = delete;
    EngineProcess& operator=(const EngineProcess&) = delete;

    // Writes text as is (no line end added).
    void writeRaw(const std::string& text);
    // Writes one line ended by a line feed.
    void send(const std::string& line) { writeRaw(line + "\n"); }

    // Next line of output without its line feed; false on timeout or end of output.
    bool readLine(std::string& line, int timeoutMs = 5000);
    // Next line, or "<timeout>" / "<eof>".
    std::string nextLine(int timeoutMs = 5000);
    // Lines until one equal to stop (included), or until timeout.
    std::vector<std::string> readUntil(const std::string& stop, int timeoutMs = 5000);
    // Lines until the first one that begins with prefix (included); the last
    // element is "<timeout>" or "<eof>" when none came.
    std::vector<std::string> readUntilPrefix(const std::string& prefix, int timeoutMs = 10000);
    // The engine's next answer to a think: skips MESSAGE lines (kept in
    // *messages when given) and returns the first other line.
    std::string awaitMove(int timeoutMs = 20000, std::vector<std::string>* messages = nullptr);
    // True when no line arrives within quietMs.
    bool silentFor(int quietMs);

    // Closes the engine's standard input (end of input).
    void closeInput();
    // Waits for the process to exit; returns its exit status, or -1 on timeout
    // (the process is then killed) or -2 when it died by a signal.
    int waitExit(int timeoutMs = 10000);

    pid_t pid() const { return pid_; }

    // Sends a line and expects exactly this sequence of replies.
    std::vector<std::string> exchange(const std::string& line, size_t replies, int timeoutMs = 5000);

private:
    pid_t pid_ = -1;
    int toEngine_ = -1;
    int fromEngine_ = -1;
    std::string pending_;
    bool exited_ = false;
    bool outputClosed_ = false;
};

}  // namespace testing_support
