// The open sessions, one engine each, looked up by their id.
//
// Policy: every page that opens gets a session of its own, with its own
// engine process, so pages never see or change each other's games. The id is
// 128 random bits: a page can only drive the session it was given. At most
// maxSessions are open at once (each engine may take a core and its hash
// tables); one more is refused until a page closes or its session expires. A
// session expires when no event stream has been open and no order has come
// for idleSeconds: its engine is ended. A session whose engine cannot run
// takes no more orders; its event streams can still be opened for
// EngineSession::FailedStreamGrace, to read why, and then it is forgotten.
#pragma once

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "engine_session.h"

namespace web {

class SessionTable {
public:
    SessionTable(EngineOptions engine, int maxSessions, std::chrono::seconds idleLimit);
    ~SessionTable();  // closes every session

    // A new session with a running engine. Throws HttpError 503 when the
    // table is full or the engine cannot be started.
    std::shared_ptr<EngineSession> create();

    // The session of that id; throws HttpError 404 when there is none.
    std::shared_ptr<EngineSession> find(const std::string& id);
    // The same for an event stream, which may also read a session whose
    // engine failed a moment ago (its log ends with the "failed" event).
    std::shared_ptr<EngineSession> findToStream(const std::string& id);

    // Closes and forgets the session of that id, if any.
    void remove(const std::string& id);

    int maxSessions() const { return maxSessions_; }
    size_t size();

private:
    void expireLoop();
    std::string newId();

    const EngineOptions engine_;
    const int maxSessions_;
    const std::chrono::seconds idleLimit_;

    std::mutex mutex_;
    std::condition_variable stopping_;
    bool stopped_ = false;
    std::map<std::string, std::shared_ptr<EngineSession>> sessions_;
    std::thread expirer_;
};

}  // namespace web
