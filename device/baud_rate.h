#pragma once
// The table of line speeds, indexed the same way in the settings, the speed lists and the
// device's own speed command.

#include <cstdint>

inline constexpr uint8_t kBaudIndexCount = 7;
inline constexpr uint8_t kFallbackBaudIndex = 2;  // 9600 bit/s
inline constexpr uint8_t kMaxBaudIndex = 6;       // 115200 bit/s

// The first index whose speed equals `rate`; 2 when none does.
uint8_t BaudRateToIndex(uint32_t rate);

// The speed of `index`; 9600 for any index above 6.
uint32_t BaudIndexToRate(uint8_t index);
