#pragma once
// One time limit for a whole channel operation, on the monotonic clock.

#include <chrono>
#include <climits>
#include <cstdint>

class Deadline {
public:
    using Clock = std::chrono::steady_clock;

    // `timeoutMs` from `start`, which is now unless the operation has to wait for something first.
    explicit Deadline(uint32_t timeoutMs, Clock::time_point start = Clock::now())
        : m_end(start + std::chrono::milliseconds(timeoutMs)) {}

    // Milliseconds left, rounded up, as poll() takes them; 0 once the deadline has passed.
    int RemainingMs() const {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(m_end - Clock::now());
        return left.count() > 0 ? static_cast<int>(std::min<long long>(left.count(), INT_MAX)) : 0;
    }
    bool Passed() const { return Clock::now() >= m_end; }

private:
    Clock::time_point m_end;
};
