// The master side of a pseudo-terminal pair, with the slave held open in raw mode.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace scanner_sim {

class PtyPort {
public:
    // Creates the pair and puts the slave into raw mode without echo. Throws std::system_error.
    PtyPort();
    ~PtyPort();
    PtyPort(const PtyPort&) = delete;
    PtyPort& operator=(const PtyPort&) = delete;

    const std::string& SlavePath() const { return slavePath_; }
    bool IsOpen() const { return master_ >= 0; }

    // Waits up to `timeout` for bytes from the program and appends what is there to `out`.
    // False when the port is closed.
    bool Read(std::vector<uint8_t>& out, std::chrono::milliseconds timeout);
    // Writes all bytes unless the program's receive queue stays full for `patience`; the rest is
    // then dropped, as a line would. False when nothing could be written or the port is closed.
    bool Write(const uint8_t* data, std::size_t size, std::chrono::milliseconds patience);
    // Speed the program has set on the slave (0 when unknown).
    uint32_t LineBaud() const;

    void Close();

private:
    int master_ = -1;
    int slave_ = -1;  // held open so the line settings persist between the program's opens
    std::string slavePath_;
};

}  // namespace scanner_sim
