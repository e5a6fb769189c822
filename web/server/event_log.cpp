#include "event_log.h"

namespace web {

void EventLog::append(std::string type, std::string data) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (closed_) return;
        events_.push_back({nextId_++, std::move(type), std::move(data)});
        if (events_.size() > MaxEvents) events_.pop_front();
    }
    added_.notify_all();
}

std::vector<Event> EventLog::after(uint64_t after, std::chrono::milliseconds wait) {
    std::unique_lock<std::mutex> lock(mutex_);
    added_.wait_for(lock, wait, [&] { return closed_ || nextId_ - 1 > after; });
    std::vector<Event> found;
    for (const Event& e : events_)
        if (e.id > after) found.push_back(e);
    return found;
}

void EventLog::close() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
    }
    added_.notify_all();
}

bool EventLog::closed() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return closed_;
}

}  // namespace web
