// The image area: header registers, image size and image data, with the request handshake.
// Offsets are relative to the area's base address.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "tools/scanner-sim/scanner.h"

namespace scanner_sim {

class ImageArea {
public:
    explicit ImageArea(const Config& config);

    // Carries out the acknowledgement and readiness that have become due.
    void Update(double nowMs);
    // Status 0 with `count` bytes in `out`, or 145 when any byte lies outside the area.
    uint8_t Read(uint32_t offset, std::size_t count, Bytes& out, double nowMs);
    // Only the bytes from Command up to the header's end are writable; others give 145.
    uint8_t Write(uint32_t offset, const Bytes& data, double nowMs);
    // Leaves the image-load state at once (the working program restarted).
    void Reset();

    void SetImages(std::vector<Bytes> images);
    void SetInterface(char version, std::array<uint8_t, 3> tag);
    const std::deque<ImageCommandWrite>& CommandWrites() const { return writes_; }
    int ImagesServed() const { return served_; }

private:
    static constexpr std::size_t kStateOffset = 6;
    static constexpr std::size_t kCommandOffset = 7;

    std::size_t Size() const { return header_.size() + 4 + image_.size(); }
    uint8_t ByteAt(std::size_t offset) const;
    int16_t HeaderWord(std::size_t offset) const;
    void StartCommand(uint8_t command, double nowMs);
    void MakeImageReady();

    Config config_;
    Bytes header_;  // HeaderLength bytes, ImageSize follows
    Bytes image_;
    std::vector<Bytes> images_;
    std::deque<ImageCommandWrite> writes_;  // the last config_.logCapacity
    int served_ = 0;
    bool ackPending_ = false;
    double ackAtMs_ = 0;
    uint8_t pendingCommand_ = 0;
    bool readyPending_ = false;
    double readyAtMs_ = 0;
};

}  // namespace scanner_sim
