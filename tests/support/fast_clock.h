#pragma once
// Puts every wait of the program on a clock of the test's own, so device time limits of many
// seconds pass at once. It advances by what the program asks to sleep (without really sleeping),
// so a wait polls exactly as often as its interval and limit say however slow the machine is. With
// `realFactor` it also advances that many milliseconds for every real one, for waits whose polls
// themselves take real time (a silent device's time-outs). The device keeps real time.

#include <algorithm>
#include <chrono>

#include "core/run_loop.h"

class FastWaitClock {
public:
    explicit FastWaitClock(uint32_t realFactor = 0)
        : m_clock{[this] { return Now(); }, [this](uint32_t ms) { m_slept += ms; }},
          m_scope(m_clock),
          m_factor(realFactor) {}

private:
    uint32_t Now() const {
        auto real = std::chrono::steady_clock::now() - m_start;
        auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(real).count();
        return m_slept + static_cast<uint32_t>(ms * m_factor);
    }

    WaitClock m_clock;
    ScopedWaitClock m_scope;
    uint32_t m_factor;
    uint32_t m_slept = 0;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};
