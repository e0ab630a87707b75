#pragma once
// The serial line's bound, the reference of every transfer figure: what 115200 baud can carry at
// 10 bits a byte, and what is left of it for image data when it comes in blocks of one read each.

#include <cstdint>

inline constexpr double kLineBaud = 115200;
inline constexpr double kBitsPerByte = 10;
inline constexpr double kReadRequestBytes = 9;    // start, length, command, address, count, check
inline constexpr double kReadAnswerOverhead = 5;  // start, length, echo, status, check

// Milliseconds that `bytes` take on the line.
constexpr double WireMs(double bytes) { return 1000 * bytes * kBitsPerByte / kLineBaud; }

// Image bytes a second when every block of `block` bytes is one read request and its answer.
constexpr double BlockPayloadRate(uint32_t block) {
    return kLineBaud / kBitsPerByte * block / (kReadRequestBytes + kReadAnswerOverhead + block);
}
