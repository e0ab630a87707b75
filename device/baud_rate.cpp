#include "device/baud_rate.h"

namespace {
constexpr uint32_t kRates[kBaudIndexCount] = {2400, 4800, 9600, 19200, 38400, 57600, 115200};
}

uint8_t BaudRateToIndex(uint32_t rate) {
    for (uint8_t i = 0; i < kBaudIndexCount; ++i) {
        if (kRates[i] == rate) return i;
    }
    return kFallbackBaudIndex;
}

uint32_t BaudIndexToRate(uint8_t index) {
    return kRates[index <= kMaxBaudIndex ? index : kFallbackBaudIndex];
}
