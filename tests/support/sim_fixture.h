// Helpers for tests that run the program against the simulated scanner.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/scanner-sim/scanner.h"

namespace sim_test {

// One simulated scanner for a test, with short ways to ask what went over the wire.
struct SimScanner {
    explicit SimScanner(scanner_sim::Config config = {}) : scanner(std::move(config)) {}

    const std::string& Path() const { return scanner.SlavePath(); }

    // Requests with this command code, oldest first.
    std::vector<scanner_sim::Request> Requests(uint8_t command) const {
        std::vector<scanner_sim::Request> out;
        for (auto& r : scanner.Log())
            if (r.command == command) out.push_back(r);
        return out;
    }

    // Command codes of all requests, in order.
    std::vector<uint8_t> Commands() const {
        std::vector<uint8_t> out;
        for (auto& r : scanner.Log()) out.push_back(r.command);
        return out;
    }

    // Line speeds at which the requests arrived, in order (a speed search shows here).
    std::vector<uint32_t> LineBauds() const {
        std::vector<uint32_t> out;
        for (auto& r : scanner.Log()) out.push_back(r.lineBaud);
        return out;
    }

    scanner_sim::Scanner scanner;
};

// A configuration whose device listens at the given speed index.
inline scanner_sim::Config SimAtSpeed(int baudIndex) {
    scanner_sim::Config config;
    config.baudIndex = baudIndex;
    return config;
}

// A configuration that starts in loader mode, ready.
inline scanner_sim::Config SimInLoader() {
    scanner_sim::Config config;
    config.initialState = {0x02, 0x02, 0x00, 0x80};
    return config;
}

}  // namespace sim_test
