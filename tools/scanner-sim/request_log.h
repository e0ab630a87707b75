// The bounded record of requests, with a wait for a number of them.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

#include "tools/scanner-sim/scanner.h"

namespace scanner_sim {

class RequestLog {
public:
    explicit RequestLog(std::size_t capacity) : capacity_(capacity ? capacity : 1) {}

    void Add(Request request);
    std::vector<Request> Entries() const;
    std::size_t Count() const;  // added since start or the last Clear, dropped ones included
    void Clear();
    bool WaitFor(std::size_t count, std::chrono::milliseconds timeout) const;

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable added_;
    std::deque<Request> entries_;
    std::size_t capacity_;
    std::size_t count_ = 0;
};

}  // namespace scanner_sim
