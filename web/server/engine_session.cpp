#include "engine_session.h"

#include <csignal>

#include "http_error.h"
#include "json_text.h"

namespace web {

namespace {

// How long an engine has to end after END or the end of its output before it is killed.
constexpr int ReapGraceMs = 2000;

}  // namespace

EngineSession::EngineSession(std::string id, EngineOptions options)
    : id_(std::move(id)), options_(std::move(options)), lastActivity_(std::chrono::steady_clock::now()) {}

EngineSession::~EngineSession() {
    close();
    if (!reader_.joinable()) return;
    // An engine that does not end after END and the end of its input is killed.
    for (int waited = 0; !readerDone_ && waited < ReapGraceMs; waited += 10)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!readerDone_) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (child_ && !child_->reaped()) kill(child_->pid(), SIGKILL);
    }
    reader_.join();
}

bool EngineSession::start(std::string& error) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto child = std::make_unique<EngineChild>();
    if (!child->start(options_.path, error)) return false;
    child_ = std::move(child);
    send(setupScript(setup_, options_.maxMemoryBytes));
    reader_ = std::thread(&EngineSession::readerLoop, this);
    return true;
}

pid_t EngineSession::enginePid() {
    std::lock_guard<std::mutex> lock(mutex_);
    return child_ ? child_->pid() : -1;
}

GameSetup EngineSession::setup() {
    std::lock_guard<std::mutex> lock(mutex_);
    return setup_;
}

void EngineSession::requireRunning() {
    if (closing_ || failed_ || !child_)
        throw HttpError{503, "this session's engine has stopped; reload the page for a new one"};
}

void EngineSession::send(const std::string& script) {
    if (!child_) return;
    size_t begin = 0;
    while (begin < script.size()) {
        const size_t end = script.find('\n', begin);
        events_.append("sent", script.substr(begin, end - begin));
        begin = end + 1;
    }
    // A write that fails means the engine is gone: the reader sees its end
    // of output and restarts it.
    child_->write(script);
}

void EngineSession::sendSync(int tag) {
    {
        std::lock_guard<std::mutex> lock(syncMutex_);
        pendingSyncs_.push_back(tag);
    }
    send(syncPrefix());
}

void EngineSession::newGame(const GameSetup& setup, int tag) {
    std::lock_guard<std::mutex> lock(mutex_);
    requireRunning();
    lastActivity_ = std::chrono::steady_clock::now();
    setup_ = setup;
    sendSync(tag);
    send(newGameScript(setup));
}

void EngineSession::position(const PositionOrder& order, int boardSize, int tag) {
    std::lock_guard<std::mutex> lock(mutex_);
    requireRunning();
    lastActivity_ = std::chrono::steady_clock::now();
    if (boardSize != setup_.size)
        throw HttpError{409, "the session's board is " + std::to_string(setup_.size) + " x " +
                                 std::to_string(setup_.size) + ", not " + std::to_string(boardSize) +
                                 ": start a new game first"};
    sendSync(tag);
    send(positionScript(order, setup_.rule));
}

void EngineSession::stop() {
    std::lock_guard<std::mutex> lock(mutex_);
    requireRunning();
    lastActivity_ = std::chrono::steady_clock::now();
    send(stopScript());
}

void EngineSession::close() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closing_) return;
    closing_ = true;
    if (child_) {
        child_->write("END\n");
        child_->closeInput();
    } else {
        events_.close();
    }
}

bool EngineSession::isClosed() {
    std::lock_guard<std::mutex> lock(mutex_);
    return closing_ || failed_;
}

bool EngineSession::failedRecently() {
    std::lock_guard<std::mutex> lock(mutex_);
    return failed_ && !closing_ && std::chrono::steady_clock::now() - failedAt_ < FailedStreamGrace;
}

void EngineSession::touch() {
    std::lock_guard<std::mutex> lock(mutex_);
    lastActivity_ = std::chrono::steady_clock::now();
}

bool EngineSession::openStream() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (openStreams_ >= MaxStreams) return false;
    ++openStreams_;
    lastActivity_ = std::chrono::steady_clock::now();
    return true;
}

void EngineSession::closeStream() {
    std::lock_guard<std::mutex> lock(mutex_);
    --openStreams_;
    lastActivity_ = std::chrono::steady_clock::now();
}

bool EngineSession::idleFor(std::chrono::seconds limit) {
    std::lock_guard<std::mutex> lock(mutex_);
    return openStreams_ == 0 && std::chrono::steady_clock::now() - lastActivity_ > limit;
}

void EngineSession::handleLine(std::string line) {
    if (isSyncAnswer(line)) {
        std::unique_lock<std::mutex> lock(syncMutex_);
        if (!pendingSyncs_.empty()) {
            const int tag = pendingSyncs_.front();
            pendingSyncs_.pop_front();
            lock.unlock();
            events_.append("sync", std::to_string(tag));
            return;
        }
    }
    events_.append("line", std::move(line));
}

void EngineSession::readerLoop() {
    for (;;) {
        EngineChild* child;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            child = child_.get();
        }
        std::string line;
        while (child->readLine(line)) handleLine(std::move(line));

        std::lock_guard<std::mutex> lock(mutex_);
        const std::string ending = child->reap(ReapGraceMs);
        if (closing_) break;
        const auto now = std::chrono::steady_clock::now();
        while (!restarts_.empty() && now - restarts_.front() > RestartWindow) restarts_.pop_front();
        if (int(restarts_.size()) >= MaxRestarts) {
            events_.append("failed", "the engine " + ending + " and was restarted " + std::to_string(MaxRestarts) +
                                         " times within " + std::to_string(RestartWindow.count()) +
                                         " s; it is not started again");
            break;
        }
        restarts_.push_back(now);
        auto fresh = std::make_unique<EngineChild>();
        std::string error;
        if (!fresh->start(options_.path, error)) {
            events_.append("failed", "the engine " + ending + " and could not be started again: " + error);
            break;
        }
        child_ = std::move(fresh);
        // Orders the old engine had not answered will never be.
        {
            std::lock_guard<std::mutex> syncLock(syncMutex_);
            pendingSyncs_.clear();
        }
        send(setupScript(setup_, options_.maxMemoryBytes));
        events_.append("restarted", "{\"engine\":" + std::to_string(child_->pid()) +
                                        ",\"reason\":" + jsonString("the engine " + ending) + "}");
    }
    // The session ends here: closed on purpose, or with an engine that cannot run.
    std::lock_guard<std::mutex> lock(mutex_);
    if (!closing_) {
        failed_ = true;
        failedAt_ = std::chrono::steady_clock::now();
    }
    events_.close();
    readerDone_ = true;
}

}  // namespace web
