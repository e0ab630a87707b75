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

// The stored form, one key per field, for every reader and writer of the settings file to share.
// `read(key, current)` gives the stored value or `current`; each value is kept by truncation to
// its field's width, as it always has been. `write(key, value)` stores one.
template <typename Read>
void ReadStoredParameters(ImageParameters& p, Read&& read) {
    p.ImageFormat = read("ImageFormat", p.ImageFormat);
    p.ViewWidth = static_cast<int16_t>(read("ViewWidth", p.ViewWidth));
    p.ViewHeight = static_cast<int16_t>(read("ViewHeight", p.ViewHeight));
    p.SubsamplingCoeff = static_cast<uint8_t>(read("SubsamplingCoeff", p.SubsamplingCoeff));
    p.JpegQuality = static_cast<uint8_t>(read("JpegQuality", p.JpegQuality));
}

template <typename Write>
void WriteStoredParameters(const ImageParameters& p, Write&& write) {
    write("ImageFormat", p.ImageFormat);
    write("ViewWidth", p.ViewWidth);
    write("ViewHeight", p.ViewHeight);
    write("SubsamplingCoeff", p.SubsamplingCoeff);
    write("JpegQuality", p.JpegQuality);
}
