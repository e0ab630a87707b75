#pragma once
// The search for devices on several ports at once: each port is probed at every speed on a
// thread of its own, so the whole search takes as long as its slowest port.

#include <cstdint>
#include <string>
#include <vector>

struct PortSearchResult {
    enum class State { Found, Absent, Busy, Failed };
    std::string port;
    State state = State::Absent;
    uint8_t speedIndex = 0;  // Found
    uint8_t deviceCode = 0;  // Found
    std::string error;       // Failed: why the port could not be searched
};

// Searches `ports` side by side and returns their results in the same order; each result is
// passed to `onReady` as soon as it and all before it are complete. A stop request (Ctrl-C)
// ends every port's search within one probe and is thrown as stop_exception.
std::vector<PortSearchResult> SearchPorts(const std::vector<std::string>& ports,
                                          void (*onReady)(const PortSearchResult&));
