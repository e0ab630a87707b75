#pragma once
// Framed request/response transactions with a device, their result codes and texts.

#include <cstdint>
#include <optional>
#include <string>

#include "device/device_exceptions.h"

class CBasicDevice;
class CComDevice;

// Result codes: 0 success, 1-255 the device's status byte, or one of the negative codes.
enum : int32_t {
    RESULT_OK = 0,
    STATUS_BUSY = 2,
    STATUS_BAD_PARAMETERS = 4,
    STATUS_NOT_SUPPORTED = 8,
    STATUS_NOT_SUPPORTED_IN_MODE = 115,
    STATUS_BAD_BLOCK_SIZE = 144,
    STATUS_ADDRESS_OUT_OF_RANGE = 145,
    STATUS_BLOCK_ALIGNMENT = 146,
    STATUS_FLASH_WRITE_ERROR = 147,
    RESULT_NO_LINK = -1,
    RESULT_BAD_LENGTH = -2,
};

enum : uint8_t {
    CMD_TRIGGER = 155,
    CMD_WRITE_MEMORY = 156,
    CMD_READ_MEMORY = 157,
    CMD_GET_INFO = 158,
    CMD_STATE = 159,
    CMD_BAUD_RATE = 161,
};

// Called after every chunk of a memory transfer with the caller's whole buffer.
using ProgressCallback = void (*)(const uint8_t* buffer, uint32_t done, uint32_t total,
                                  void* context);

// The protocol object every device operation takes. It points at a channel it does not own.
class CDeviceProtocol {
public:
    CDeviceProtocol() = default;
    CDeviceProtocol(const CDeviceProtocol&) = delete;
    CDeviceProtocol& operator=(const CDeviceProtocol&) = delete;

    // Any byte channel: the link functions can only probe the device through it.
    void Attach(CBasicDevice* device) {
        m_device = device;
        m_port = nullptr;
        m_portLost = false;
    }
    // A serial port: the link functions may also search its speeds and change its time-out.
    void Attach(CComDevice* port);
    CBasicDevice* Device() const { return m_device; }
    CComDevice* Port() const { return m_port; }
    // True once a transaction found the port itself gone (hang-up, device removed, I/O error).
    bool PortLost() const { return m_portLost; }

    // One transaction, up to three attempts. `answer` is written only on success. More than 255
    // parameter bytes or 254 answer bytes cannot be framed: STATUS_BAD_PARAMETERS, nothing sent.
    int32_t Transact(uint8_t command, uint8_t* answer, uint32_t answerLength, const uint8_t* params,
                     uint32_t paramLength);

    // The device's commands; each returns a result code (see device_commands for throwing forms).
    // Nothing is thrown but what a transfer's progress callback throws, which ends the transfer.
    int32_t GetTrigger(bool& pressed);
    int32_t SetTrigger(bool value);
    int32_t WriteMemory(uint32_t address, const uint8_t* data, uint32_t length,
                        ProgressCallback callback, void* context, uint32_t chunkSize);
    int32_t ReadMemory(uint32_t address, uint8_t* buffer, uint32_t length,
                       ProgressCallback callback, void* context, uint32_t chunkSize);
    int32_t GetInfo(uint8_t info[5], uint8_t selector);
    int32_t GetState(uint8_t state[4]);
    int32_t SetState(const uint8_t state[4]);
    int32_t GetBaudIndex(uint8_t& index);
    int32_t SetBaudIndex(uint8_t index);

private:
    std::optional<int32_t> Attempt(uint8_t command, uint8_t* answer, uint32_t answerLength,
                                   const uint8_t* request, uint32_t requestLength);
    uint32_t ReceiveFrame(uint8_t* payload);

    CBasicDevice* m_device = nullptr;
    CComDevice* m_port = nullptr;  // the same channel when it is a serial port
    bool m_portLost = false;
};

// The text of a result code.
const char* StatusText(int32_t result);

// Returns when `result` is 0; otherwise throws test_exception "(code) text".
void CheckStatus(int32_t result);
