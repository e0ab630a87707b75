#include "device/link_control.h"

#include <array>

#include "core/run_loop.h"
#include "core/string_table.h"
#include "device/baud_rate.h"
#include "device/com_device.h"
#include "device/device_commands.h"

namespace {

constexpr uint32_t kProbeTimeoutMs = 100;
constexpr uint32_t kBaudSwitchWaitMs = 50;
constexpr uint32_t kModePollMs = 600;
constexpr uint32_t kModeLimitMs = 20000;

constexpr uint8_t kModeBit = 0x02;   // bytes 0 and 1
constexpr uint8_t kReadyBit = 0x80;  // byte 3, loader mode
constexpr uint8_t kCheckedBits2 = 0x03;

// One probe: true when the device answered; a device error status throws.
bool Probe(CDeviceProtocol& protocol) {
    uint8_t info[5];
    int32_t result = protocol.GetInfo(info, 0);
    if (result == RESULT_NO_LINK) return false;
    CheckStatus(result);
    return true;
}

bool InMode(const uint8_t state[4], uint8_t mode) {
    const uint8_t want = mode ? kModeBit : 0;
    return (state[0] & kModeBit) == want && (state[1] & kModeBit) == want &&
           (mode == kModeWorking || (state[3] & kReadyBit));
}

void RequestMode(uint8_t state[4], uint8_t mode) {
    for (int i = 0; i < 2; ++i) {
        state[i] = static_cast<uint8_t>(mode ? state[i] | kModeBit : state[i] & ~kModeBit);
    }
}

// Reads the speed index; a device without the speed command runs at index 4.
uint8_t QueryBaudIndex(CDeviceProtocol& protocol) {
    return GetDeviceBaudIndex(protocol, SpeedCommand::Optional);
}

struct ModePoll {
    CDeviceProtocol* protocol;
    uint8_t mode;
};

// One poll of a mode change: asks again until the device reports the mode.
bool ModeReached(void* context) {
    auto& poll = *static_cast<ModePoll*>(context);
    if (!CheckLink(*poll.protocol)) return false;
    uint8_t state[4] = {};
    int32_t result = poll.protocol->GetState(state);
    if (result == RESULT_NO_LINK) return false;
    CheckStatus(result);
    if (InMode(state, poll.mode)) return true;
    RequestMode(state, poll.mode);
    poll.protocol->SetState(state);
    return false;
}

// Restores a port's time-out however the search ends.
class TimeoutGuard {
public:
    TimeoutGuard(CComDevice& device, uint32_t timeoutMs)
        : m_device(device), m_saved(device.GetTimeout()) {
        m_device.SetTimeout(timeoutMs);
    }
    ~TimeoutGuard() { m_device.SetTimeout(m_saved); }
    TimeoutGuard(const TimeoutGuard&) = delete;
    TimeoutGuard& operator=(const TimeoutGuard&) = delete;

private:
    CComDevice& m_device;
    uint32_t m_saved;
};

}  // namespace

bool CheckLink(CDeviceProtocol& protocol, const uint8_t* preferred, uint32_t preferredCount) {
    if (CComDevice* port = protocol.Port()) {
        TimeoutGuard guard(*port, kProbeTimeoutMs);
        return SearchBaudRate(*port, preferred, preferredCount);
    }
    return Probe(protocol);
}

bool SearchBaudRate(CComDevice& device, const uint8_t* preferred, uint32_t preferredCount) {
    CDeviceProtocol protocol;
    protocol.Attach(&device);
    std::array<bool, kBaudIndexCount> tried{};
    const uint8_t current = BaudRateToIndex(device.GetBaudRate());

    if (Probe(protocol)) return true;
    tried[current] = true;

    auto tryIndex = [&](uint8_t index) {
        if (index > kMaxBaudIndex || tried[index]) return false;
        device.SetBaudRate(BaudIndexToRate(index));
        tried[index] = true;
        return Probe(protocol);
    };
    for (uint32_t i = 0; i < preferredCount; ++i) {
        if (tryIndex(preferred[i])) return true;
    }
    for (uint8_t index = 0; index <= kMaxBaudIndex; ++index) {
        if (tryIndex(index)) return true;
    }
    device.SetBaudRate(BaudIndexToRate(current));
    return false;
}

void SetDeviceBaudIndex(CDeviceProtocol& protocol, uint8_t target, SpeedCommand speedCommand) {
    if (QueryBaudIndex(protocol) == target) return;

    int32_t result = protocol.SetBaudIndex(target);
    if (result == STATUS_NOT_SUPPORTED) {
        if (speedCommand == SpeedCommand::Optional) return;
        CheckStatus(result);
    }
    // The device answers at the old speed and switches shortly after; only then look for it.
    WaitUntil(nullptr, nullptr, kBaudSwitchWaitMs, kBaudSwitchWaitMs);
    if (!CheckLink(protocol, &target, 1)) CheckStatus(RESULT_NO_LINK);
    if (QueryBaudIndex(protocol) != target) throw test_exception(IDS_SPEED_CHANGE_FAILED);
}

void RestoreDeviceBaudIndex(CDeviceProtocol& protocol, uint8_t target) {
    WaitUntil(nullptr, nullptr, kBaudSwitchWaitMs, kBaudSwitchWaitMs);
    if (!CheckLink(protocol, &target, 1)) CheckStatus(RESULT_NO_LINK);
    SetDeviceBaudIndex(protocol, target, SpeedCommand::Optional);
}

uint8_t RaiseDeviceBaudIndex(CDeviceProtocol& protocol) {
    const uint8_t saved = GetDeviceBaudIndex(protocol, SpeedCommand::Optional);
    try {
        SetDeviceBaudIndex(protocol, kMaxBaudIndex, SpeedCommand::Optional);
    } catch (...) {
        try {
            if (!protocol.PortLost()) RestoreDeviceBaudIndex(protocol, saved);
        } catch (...) {
        }
        throw;
    }
    return saved;
}

void SetStateVerified(CDeviceProtocol& protocol, const uint8_t state[4]) {
    CheckStatus(protocol.SetState(state));
    uint8_t readBack[4] = {};
    CheckStatus(protocol.GetState(readBack));
    const bool same = readBack[0] == state[0] && readBack[1] == state[1] &&
                      readBack[3] == state[3] &&
                      (readBack[2] & kCheckedBits2) == (state[2] & kCheckedBits2);
    if (!same) throw test_exception(IDS_STATE_CHANGE_FAILED);
}

void ChangeMode(CDeviceProtocol& protocol, uint8_t mode) {
    uint8_t state[4] = {};
    int32_t result = protocol.GetState(state);
    if (result != RESULT_NO_LINK) {
        CheckStatus(result);
        if (InMode(state, mode)) return;
    } else {
        state[0] = state[1] = state[2] = state[3] = 0;
    }
    RequestMode(state, mode);
    protocol.SetState(state);  // the device may go silent at once; the polls judge the outcome

    ModePoll poll{&protocol, mode};
    if (WaitUntil(ModeReached, &poll, kModePollMs, kModeLimitMs)) return;
    if (!CheckLink(protocol)) CheckStatus(RESULT_NO_LINK);
    throw test_exception(IDS_MODE_CHANGE_FAILED);
}
