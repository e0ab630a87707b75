#pragma once

#include <cstdint>

// One acquisition kind's request parameters, as stored, edited and sent to the device.
struct ImageParameters {
    int32_t ImageFormat;       // 0 BMP, 1 JPEG
    int16_t ViewWidth;         // requested width; -1 lets the device choose
    int16_t ViewHeight;        // requested height; -1 lets the device choose
    uint8_t SubsamplingCoeff;  // subsampling step
    uint8_t JpegQuality;       // percent

    bool operator==(const ImageParameters&) const = default;
};

inline constexpr ImageParameters kDefaultSnapshotParameters{1, -1, -1, 2, 80};
inline constexpr ImageParameters kDefaultVideoParameters{1, -1, -1, 10, 90};
