// Splits the byte stream from the program into request frames and builds answer frames.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace scanner_sim {

// A frame as received: payload bytes and whether its check byte matched.
struct Frame {
    std::vector<uint8_t> payload;
    bool checkOk = false;
    double startMs = 0;     // arrival of the start byte
    uint32_t lineBaud = 0;  // line speed when the start byte arrived
};

// Builds 02, length byte, payload, check byte. The payload must hold 1..256 bytes.
std::vector<uint8_t> BuildFrame(const std::vector<uint8_t>& payload);

class FrameParser {
public:
    explicit FrameParser(double gapMs) : gapMs_(gapMs) {}

    // Feeds one byte received at `nowMs` on a line at `lineBaud`; returns a frame once complete.
    // Bytes outside a frame that are not a start byte are skipped.
    std::optional<Frame> Feed(uint8_t byte, double nowMs, uint32_t lineBaud);
    // Drops an incomplete frame when no byte has arrived for the gap time.
    void Expire(double nowMs);
    bool InFrame() const { return stage_ != Stage::kIdle; }

private:
    enum class Stage { kIdle, kLength, kPayload, kCheck };
    Stage stage_ = Stage::kIdle;
    double gapMs_;
    double lastByteMs_ = 0;
    std::size_t expected_ = 0;
    uint8_t check_ = 0;
    Frame frame_;
};

}  // namespace scanner_sim
