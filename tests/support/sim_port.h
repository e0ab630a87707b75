#pragma once
// A simulated scanner on a pseudo-terminal with the program's own channel and protocol on it.

#include <stdexcept>
#include <vector>

#include "device/com_device.h"
#include "device/packet_protocol.h"
#include "tools/scanner-sim/scanner.h"

struct SimPort {
    explicit SimPort(scanner_sim::Config config = {}, uint32_t baudRate = 9600,
                     uint32_t timeoutMs = 200)
        : scanner(std::move(config)) {
        if (!port.Open(scanner.SlavePath(), baudRate, timeoutMs))
            throw std::runtime_error("cannot open the simulator's port");
        protocol.Attach(&port);
    }

    // Line speeds of successive requests for `command`, each run of equal speeds counted once.
    std::vector<uint32_t> SpeedsTried(uint8_t command) const {
        std::vector<uint32_t> speeds;
        for (const auto& request : scanner.Log()) {
            if (request.command != command) continue;
            if (speeds.empty() || speeds.back() != request.lineBaud)
                speeds.push_back(request.lineBaud);
        }
        return speeds;
    }

    std::vector<scanner_sim::Request> Requests(uint8_t command) const {
        std::vector<scanner_sim::Request> found;
        for (const auto& request : scanner.Log())
            if (request.command == command) found.push_back(request);
        return found;
    }

    scanner_sim::Scanner scanner;
    CComDevice port;
    CDeviceProtocol protocol;
};
