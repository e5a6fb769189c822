// One page's session: its own engine process, the events the page reads, and
// the game setup the server checks the page's points against.
//
// A reader thread turns the engine's lines into events. When the engine ends
// without being asked to, the reader starts a new one, gives it the session's
// rule and board, and adds a "restarted" event: the page then sends its
// position again. More than MaxRestarts restarts within RestartWindow mean
// the engine cannot run: a "failed" event, and the session is closed.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "engine_child.h"
#include "event_log.h"
#include "protocol_script.h"

namespace web {

struct EngineOptions {
    std::string path;
    long long maxMemoryBytes = 0;  // INFO max_memory; 0 sends none
};

class EngineSession {
public:
    static constexpr int MaxRestarts = 5;
    static constexpr std::chrono::seconds RestartWindow{60};
    // Event streams one session may hold open at once.
    static constexpr int MaxStreams = 4;
    // How long a session whose engine cannot run stays readable by event
    // streams, so that a page that connects after the failure still gets the
    // "failed" event rather than "no such session".
    static constexpr std::chrono::seconds FailedStreamGrace{10};

    EngineSession(std::string id, EngineOptions options);
    ~EngineSession();  // closes the session and waits for its reader
    EngineSession(const EngineSession&) = delete;
    EngineSession& operator=(const EngineSession&) = delete;

    // Starts the first engine; false with a message when it cannot run.
    bool start(std::string& error);

    const std::string& id() const { return id_; }
    pid_t enginePid();
    GameSetup setup();
    EventLog& events() { return events_; }

    // The page's orders; tag comes back in the sync event. Throw HttpError
    // 503 when the engine could not be restarted, and position() 409 when
    // boardSize is not the session's board (a new game came in between).
    void newGame(const GameSetup& setup, int tag);
    void position(const PositionOrder& order, int boardSize, int tag);
    void stop();

    // Ends the engine (END, then its input closed) and the event streams.
    void close();
    // Closed, or ended by an engine that cannot run: takes no more orders.
    bool isClosed();
    // Ended by an engine that cannot run, and its event log still to be read
    // (FailedStreamGrace has not passed since).
    bool failedRecently();

    // Expiry: a session is idle when no event stream is open and no order came
    // for the given time.
    void touch();
    bool openStream();  // false when MaxStreams are open
    void closeStream();
    bool idleFor(std::chrono::seconds limit);

private:
    void readerLoop();
    void handleLine(std::string line);
    // Writes the script, with a "sent" event per line. Caller holds mutex_.
    void send(const std::string& script);
    // Writes the sync prefix and remembers the tag. Caller holds mutex_.
    void sendSync(int tag);
    void requireRunning();  // caller holds mutex_

    const std::string id_;
    const EngineOptions options_;
    EventLog events_;

    // mutex_ guards the engine and the session's state; it is held while an
    // order is written. The reader never takes it while lines come, only
    // syncMutex_ (taken after mutex_ where both are): the engine's output is
    // always drained, so the engine always goes on reading its input.
    std::mutex mutex_;
    std::unique_ptr<EngineChild> child_;
    GameSetup setup_;
    std::mutex syncMutex_;
    std::deque<int> pendingSyncs_;  // tags of the orders whose ABOUT is unanswered
    std::deque<std::chrono::steady_clock::time_point> restarts_;
    bool closing_ = false;
    bool failed_ = false;
    std::chrono::steady_clock::time_point failedAt_;
    int openStreams_ = 0;
    std::chrono::steady_clock::time_point lastActivity_;

    std::atomic<bool> readerDone_{false};
    std::thread reader_;
};

}  // namespace web
