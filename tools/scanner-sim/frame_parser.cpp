#include "tools/scanner-sim/frame_parser.h"

namespace scanner_sim {

std::vector<uint8_t> BuildFrame(const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> frame;
    frame.reserve(payload.size() + 3);
    uint8_t length = static_cast<uint8_t>(payload.size());  // 256 goes out as 0
    uint8_t check = length;
    frame.push_back(0x02);
    frame.push_back(length);
    for (uint8_t b : payload) {
        frame.push_back(b);
        check ^= b;
    }
    frame.push_back(check);
    return frame;
}

std::optional<Frame> FrameParser::Feed(uint8_t byte, double nowMs, uint32_t lineBaud) {
    Expire(nowMs);
    lastByteMs_ = nowMs;
    switch (stage_) {
        case Stage::kIdle:
            if (byte == 0x02) {
                frame_ = Frame{};
                frame_.startMs = nowMs;
                frame_.lineBaud = lineBaud;
                stage_ = Stage::kLength;
            }
            return std::nullopt;
        case Stage::kLength:
            expected_ = byte == 0 ? 256 : byte;
            check_ = byte;
            frame_.payload.reserve(expected_);
            stage_ = Stage::kPayload;
            return std::nullopt;
        case Stage::kPayload:
            frame_.payload.push_back(byte);
            check_ ^= byte;
            if (frame_.payload.size() == expected_) stage_ = Stage::kCheck;
            return std::nullopt;
        case Stage::kCheck:
            frame_.checkOk = byte == check_;
            stage_ = Stage::kIdle;
            return std::move(frame_);
    }
    return std::nullopt;
}

void FrameParser::Expire(double nowMs) {
    if (stage_ != Stage::kIdle && nowMs - lastByteMs_ > gapMs_) stage_ = Stage::kIdle;
}

}  // namespace scanner_sim
