#include "tools/scanner-sim/image_area.h"

#include <algorithm>

#include "tools/scanner-sim/test_bitmap.h"

namespace scanner_sim {
namespace {

constexpr uint8_t kStatusOutOfRange = 145;
constexpr uint8_t kCommandDone = 0x80;
constexpr int kMaxGeneratedSide = 2048;

}  // namespace

ImageArea::ImageArea(const Config& config)
    : config_(config), header_(config.headerLength), images_(config.images) {
    SetInterface(config.imageInterfaceVersion, config.signatureTag);
    if (header_.size() >= 6) {
        header_[4] = static_cast<uint8_t>(config.headerLength);
        header_[5] = static_cast<uint8_t>(config.headerLength >> 8);
    }
}

void ImageArea::SetInterface(char version, std::array<uint8_t, 3> tag) {
    uint8_t signature[4] = {static_cast<uint8_t>(version), tag[0], tag[1], tag[2]};
    for (std::size_t i = 0; i < 4 && i < header_.size(); ++i) header_[i] = signature[i];
}

void ImageArea::SetImages(std::vector<Bytes> images) {
    images_ = std::move(images);
    served_ = 0;
}

void ImageArea::Reset() {
    ackPending_ = readyPending_ = false;
    if (header_.size() > kStateOffset) header_[kStateOffset] = 0;
}

uint8_t ImageArea::ByteAt(std::size_t offset) const {
    std::size_t headerLength = header_.size();
    if (offset < headerLength) return header_[offset];
    if (offset < headerLength + 4) {
        auto size = static_cast<uint32_t>(image_.size());
        return static_cast<uint8_t>(size >> (8 * (offset - headerLength)));
    }
    return image_[offset - headerLength - 4];
}

int16_t ImageArea::HeaderWord(std::size_t offset) const {
    if (offset + 2 > header_.size()) return -1;
    return static_cast<int16_t>(header_[offset] | header_[offset + 1] << 8);
}

uint8_t ImageArea::Read(uint32_t offset, std::size_t count, Bytes& out, double nowMs) {
    Update(nowMs);
    if (offset >= Size() || count > Size() - offset) return kStatusOutOfRange;
    out.clear();
    for (std::size_t i = 0; i < count; ++i) out.push_back(ByteAt(offset + i));
    return 0;
}

uint8_t ImageArea::Write(uint32_t offset, const Bytes& data, double nowMs) {
    Update(nowMs);
    if (offset < kCommandOffset || offset >= header_.size() ||
        data.size() > header_.size() - offset) {
        return kStatusOutOfRange;
    }
    std::copy(data.begin(), data.end(), header_.begin() + offset);
    if (offset == kCommandOffset) {
        if (writes_.size() >= std::max<std::size_t>(config_.logCapacity, 1)) writes_.pop_front();
        writes_.push_back({data[0], data});
        StartCommand(data[0], nowMs);
    }
    return 0;
}

// Command 1 asks for a new image (ImageState drops to 0 until it is ready); command 0 leaves the
// image-load state. Either is acknowledged with 0x80 after the acknowledgement delay.
void ImageArea::StartCommand(uint8_t command, double nowMs) {
    ackPending_ = true;
    ackAtMs_ = nowMs + config_.commandAckDelayMs;
    pendingCommand_ = command;
    readyPending_ = false;
    if (command == 1) {
        header_[kStateOffset] = 0;
        readyPending_ = true;
        readyAtMs_ = nowMs + config_.imageReadyDelayMs;
    }
    Update(nowMs);
}

void ImageArea::Update(double nowMs) {
    if (ackPending_ && nowMs >= ackAtMs_) {
        ackPending_ = false;
        header_[kCommandOffset] = kCommandDone;
        if (pendingCommand_ == 0) header_[kStateOffset] = 0;
    }
    if (readyPending_ && nowMs >= readyAtMs_) {
        readyPending_ = false;
        MakeImageReady();
        header_[kStateOffset] = 1;
    }
}

void ImageArea::MakeImageReady() {
    if (!images_.empty()) {
        image_ = images_[static_cast<std::size_t>(served_) % images_.size()];
    } else {
        int width = HeaderWord(14), height = HeaderWord(16);
        if (width <= 0) width = config_.defaultImageWidth;
        if (height <= 0) height = config_.defaultImageHeight;
        image_ = MakeTestBitmap(std::min(width, kMaxGeneratedSide),
                                std::min(height, kMaxGeneratedSide), served_);
    }
    ++served_;
}

}  // namespace scanner_sim
