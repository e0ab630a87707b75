#pragma once
// Pixels as four byte lanes, as the scaling kernels process them: the same formula runs on every
// lane, which lets the compiler vectorise the loops; the unused top byte is one of the lanes.

#include <bit>
#include <cstdint>

// Which byte of a 32-bit pixel in memory is its top byte.
inline constexpr int kTopLane = std::endian::native == std::endian::little ? 3 : 0;

inline const uint8_t* PixelBytes(const uint32_t* pixels) {
    return reinterpret_cast<const uint8_t*>(pixels);
}
inline uint8_t* PixelBytes(uint32_t* pixels) { return reinterpret_cast<uint8_t*>(pixels); }
