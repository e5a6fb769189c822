// The events of one session in the order they happened, numbered from 1:
// the engine's lines, the lines sent to it, sync marks, restarts. Event
// streams read from a number on (an EventSource that reconnects sends the
// last one it saw); the oldest events are dropped past MaxEvents.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace web {

struct Event {
    uint64_t id;
    std::string type;  // line, sent, sync, restarted, failed
    std::string data;  // one line of text
};

class EventLog {
public:
    static constexpr size_t MaxEvents = 5000;

    void append(std::string type, std::string data);

    // The events numbered above `after`, waiting up to `wait` for one to come
    // (not at all once the log is closed). Empty when none came in time.
    std::vector<Event> after(uint64_t after, std::chrono::milliseconds wait);

    // No more events: streams end once they have sent what is there.
    void close();
    bool closed() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable added_;
    std::deque<Event> events_;
    uint64_t nextId_ = 1;
    bool closed_ = false;
};

}  // namespace web
