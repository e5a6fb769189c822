#include "session_table.h"

#include <random>
#include <vector>

#include "http_error.h"

namespace web {

namespace {

// Closed on purpose, or failed longer ago than its event streams may read it.
bool isGone(EngineSession& session) { return session.isClosed() && !session.failedRecently(); }

}  // namespace

SessionTable::SessionTable(EngineOptions engine, int maxSessions, std::chrono::seconds idleLimit)
    : engine_(std::move(engine)), maxSessions_(maxSessions), idleLimit_(idleLimit) {
    expirer_ = std::thread(&SessionTable::expireLoop, this);
}

SessionTable::~SessionTable() {
    std::map<std::string, std::shared_ptr<EngineSession>> closing;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopped_ = true;
        closing.swap(sessions_);
    }
    stopping_.notify_all();
    expirer_.join();
    for (auto& [id, session] : closing) session->close();
}

std::string SessionTable::newId() {
    static thread_local std::random_device device;
    static const char Digits[] = "0123456789abcdef";
    std::string id;
    for (int i = 0; i < 4; ++i) {
        uint32_t bits = device();
        for (int k = 0; k < 8; ++k, bits >>= 4) id += Digits[bits & 15];
    }
    return id;
}

std::shared_ptr<EngineSession> SessionTable::create() {
    std::shared_ptr<EngineSession> session;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (int(sessions_.size()) >= maxSessions_)
            throw HttpError{503, "all " + std::to_string(maxSessions_) +
                                     " engine sessions are in use: close another board page, or wait for one to expire"};
        std::string id;
        do id = newId();
        while (sessions_.count(id) != 0);
        session = std::make_shared<EngineSession>(id, engine_);
        sessions_[id] = session;
    }
    std::string error;
    if (!session->start(error)) {
        remove(session->id());
        throw HttpError{503, "the engine could not be started: " + error};
    }
    return session;
}

std::shared_ptr<EngineSession> SessionTable::find(const std::string& id) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = sessions_.find(id);
    if (found == sessions_.end() || found->second->isClosed())
        throw HttpError{404, "no such session (it may have expired): reload the page"};
    return found->second;
}

std::shared_ptr<EngineSession> SessionTable::findToStream(const std::string& id) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = sessions_.find(id);
    if (found == sessions_.end() || isGone(*found->second))
        throw HttpError{404, "no such session (it may have expired): reload the page"};
    return found->second;
}

void SessionTable::remove(const std::string& id) {
    std::shared_ptr<EngineSession> session;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto found = sessions_.find(id);
        if (found == sessions_.end()) return;
        session = found->second;
        sessions_.erase(found);
    }
    session->close();
}

size_t SessionTable::size() {
    std::lock_guard<std::mutex> lock(mutex_);
    return sessions_.size();
}

void SessionTable::expireLoop() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopped_) {
        stopping_.wait_for(lock, std::chrono::milliseconds(500));
        std::vector<std::shared_ptr<EngineSession>> expired;
        for (auto it = sessions_.begin(); it != sessions_.end();) {
            if (isGone(*it->second) || it->second->idleFor(idleLimit_)) {
                expired.push_back(it->second);
                it = sessions_.erase(it);
            } else {
                ++it;
            }
        }
        // Ended outside the lock: an engine may take a moment to go.
        lock.unlock();
        for (auto& session : expired) session->close();
        expired.clear();
        lock.lock();
    }
}

}  // namespace web
