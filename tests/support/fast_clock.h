#pragma once
// Makes every wait of the program run on a clock `factor` times faster than real time, so device
// time limits of many seconds pass in a fraction of one. The device itself keeps real time.

#include <algorithm>
#include <chrono>

#include "core/run_loop.h"

class FastWaitClock {
public:
    explicit FastWaitClock(uint32_t factor = 100)
        : m_clock{[this] { return Now(); },
                  [this](uint32_t ms) { SystemWaitClock().sleep(std::max(1u, ms / m_factor)); }},
          m_scope(m_clock),
          m_factor(factor) {}

private:
    uint32_t Now() const {
        auto real = std::chrono::steady_clock::now() - m_start;
        auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(real).count();
        return static_cast<uint32_t>(ms * m_factor);
    }

    WaitClock m_clock;
    ScopedWaitClock m_scope;
    uint32_t m_factor;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};
