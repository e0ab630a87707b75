// A minimal serial client for testing the simulated scanner through its slave device:
// raw frames in and out, nothing of the program's own device code.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sim_test {

using Bytes = std::vector<uint8_t>;
using namespace std::chrono_literals;

struct Reply {
    Bytes payload;
    bool checkOk = false;
};

class SimClient {
public:
    SimClient(const std::string& path, uint32_t baud);
    ~SimClient();
    SimClient(const SimClient&) = delete;
    SimClient& operator=(const SimClient&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    void SetBaud(uint32_t baud);
    bool Write(const Bytes& bytes);
    void Send(uint8_t command, const Bytes& params = {});
    // Reads bytes until `count` arrived or the time-out passed; returns what arrived.
    Bytes ReadBytes(std::size_t count, std::chrono::milliseconds timeout);
    // Reads one answer frame; nullopt when none starts within the time-out.
    std::optional<Reply> ReadFrame(std::chrono::milliseconds timeout = 1000ms);
    // Send, then read the answer payload (nullopt on silence or a bad frame).
    std::optional<Bytes> Transact(uint8_t command, const Bytes& params = {},
                                  std::chrono::milliseconds timeout = 1000ms);

private:
    int fd_ = -1;
};

}  // namespace sim_test
