#include "device/device_commands.h"

#include "core/run_loop.h"
#include "core/string_table.h"

namespace {

void PutAddress(uint8_t* params, uint32_t address) {
    for (int i = 0; i < 4; ++i) params[i] = static_cast<uint8_t>(address >> (8 * i));
}

constexpr uint32_t kMaxWriteData = 251;  // 4 address bytes + data must fit 255 parameter bytes

}  // namespace

int32_t CDeviceProtocol::GetTrigger(bool& pressed) {
    uint8_t value = 0;
    int32_t result = Transact(CMD_TRIGGER, &value, 1, nullptr, 0);
    if (result == RESULT_OK) pressed = value != 0;
    return result;
}

int32_t CDeviceProtocol::SetTrigger(bool value) {
    const uint8_t param = value ? 1 : 0;
    return Transact(CMD_TRIGGER, nullptr, 0, &param, 1);
}

int32_t CDeviceProtocol::WriteMemory(uint32_t address, const uint8_t* data, uint32_t length,
                                     ProgressCallback callback, void* context, uint32_t chunkSize) {
    if (length == 0) return RESULT_OK;
    // A zero chunk would never make progress; larger ones cannot be framed.
    if (chunkSize == 0) throw test_exception(IDS_BAD_CHUNK_SIZE);
    chunkSize = std::min(chunkSize, kMaxWriteData);
    uint8_t params[4 + kMaxWriteData];
    uint32_t done = 0;
    while (done < length) {
        const uint32_t k = std::min(length - done, chunkSize);
        PutAddress(params, address + done);
        std::copy(data + done, data + done + k, params + 4);
        int32_t result = Transact(CMD_WRITE_MEMORY, nullptr, 0, params, k + 4);
        if (result != RESULT_OK) return result;
        done += k;
        if (callback) callback(data, done, length, context);
    }
    return RESULT_OK;
}

int32_t CDeviceProtocol::ReadMemory(uint32_t address, uint8_t* buffer, uint32_t length,
                                    ProgressCallback callback, void* context, uint32_t chunkSize) {
    if (length == 0) return RESULT_OK;
    if (chunkSize == 0) throw test_exception(IDS_BAD_CHUNK_SIZE);
    // A chunk over 254 bytes cannot come back in one answer: the first Transact refuses it.
    uint8_t params[5];
    uint32_t done = 0;
    while (done < length) {
        const uint32_t k = std::min(length - done, chunkSize);
        PutAddress(params, address + done);
        params[4] = static_cast<uint8_t>(k);
        int32_t result = Transact(CMD_READ_MEMORY, buffer + done, k, params, 5);
        if (result != RESULT_OK) return result;
        done += k;
        if (callback) callback(buffer, done, length, context);
    }
    return RESULT_OK;
}

int32_t CDeviceProtocol::GetInfo(uint8_t info[5], uint8_t selector) {
    return Transact(CMD_GET_INFO, info, 5, &selector, 1);
}

int32_t CDeviceProtocol::GetState(uint8_t state[4]) {
    return Transact(CMD_STATE, state, 4, nullptr, 0);
}

int32_t CDeviceProtocol::SetState(const uint8_t state[4]) {
    return Transact(CMD_STATE, nullptr, 0, state, 4);
}

int32_t CDeviceProtocol::GetBaudIndex(uint8_t& index) {
    return Transact(CMD_BAUD_RATE, &index, 1, nullptr, 0);
}

int32_t CDeviceProtocol::SetBaudIndex(uint8_t index) {
    return Transact(CMD_BAUD_RATE, nullptr, 0, &index, 1);
}

bool Ping(CDeviceProtocol& protocol, uint8_t* deviceCode) {
    uint8_t info[5] = {};
    int32_t result = protocol.GetInfo(info, 0);
    if (result == RESULT_NO_LINK) return false;
    CheckStatus(result);
    if (deviceCode) *deviceCode = info[4];
    return true;
}

uint8_t GetDeviceBaudIndex(CDeviceProtocol& protocol, SpeedCommand speedCommand) {
    uint8_t index = 0;
    int32_t result = protocol.GetBaudIndex(index);
    if (result == STATUS_NOT_SUPPORTED && speedCommand == SpeedCommand::Optional) {
        index = kDefaultDeviceBaudIndex;
        result = RESULT_OK;
    }
    CheckStatus(result);
    return index;
}

void ResetTrigger(CDeviceProtocol& protocol) { CheckStatus(protocol.SetTrigger(false)); }

bool IsTriggerPressed(CDeviceProtocol& protocol) {
    bool pressed = false;
    CheckStatus(protocol.GetTrigger(pressed));
    return pressed;
}

void WaitForTrigger(CDeviceProtocol& protocol) {
    auto condition = [](void* context) {
        return IsTriggerPressed(*static_cast<CDeviceProtocol*>(context));
    };
    WaitUntil(condition, &protocol, 10, kWaitForever);
}
