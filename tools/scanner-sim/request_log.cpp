#include "tools/scanner-sim/request_log.h"

namespace scanner_sim {

void RequestLog::Add(Request request) {
    {
        std::lock_guard lock(mutex_);
        if (entries_.size() == capacity_) entries_.pop_front();
        entries_.push_back(std::move(request));
        ++count_;
    }
    added_.notify_all();
}

std::vector<Request> RequestLog::Entries() const {
    std::lock_guard lock(mutex_);
    return {entries_.begin(), entries_.end()};
}

std::size_t RequestLog::Count() const {
    std::lock_guard lock(mutex_);
    return count_;
}

void RequestLog::Clear() {
    std::lock_guard lock(mutex_);
    entries_.clear();
    count_ = 0;
}

bool RequestLog::WaitFor(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return added_.wait_for(lock, timeout, [&] { return count_ >= count; });
}

}  // namespace scanner_sim
