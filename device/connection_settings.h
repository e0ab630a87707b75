#pragma once
// The three connection values: kept by the main window, edited whole by the settings sheet,
// stored in the settings file and used to open the device.

#include <string>

inline constexpr int kMinTimeoutMs = 100;
inline constexpr int kMaxTimeoutMs = 300000;
inline constexpr int kDefaultTimeoutMs = 1000;

struct ConnectionSettings {
    std::string portName;  // a device path as the port list shows it; empty when none is set
    int speedIndex = 2;    // 0-6; -1 when none is chosen; anything else opens at 9600 bit/s
    int timeoutMs = kDefaultTimeoutMs;  // for each channel operation

    bool operator==(const ConnectionSettings&) const = default;
};

// A stored time-out as the program uses it: one outside what the settings sheet accepts would
// make every read fail at once or block for days, so it counts as the default.
inline int UsableTimeout(int storedMs) {
    return storedMs >= kMinTimeoutMs && storedMs <= kMaxTimeoutMs ? storedMs : kDefaultTimeoutMs;
}
