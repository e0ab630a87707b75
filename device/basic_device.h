#pragma once

#include <cstdint>

// A byte channel to a device. Every operation either completes fully or throws CDeviceException.
class CBasicDevice {
public:
    virtual ~CBasicDevice() = default;

    virtual bool IsOpen() const = 0;
    virtual void Write(const uint8_t* data, uint32_t length) = 0;
    virtual void WriteByte(uint8_t value) = 0;
    virtual void Read(uint8_t* buffer, uint32_t length) = 0;
    virtual uint8_t ReadByte() = 0;
    virtual void ClearErrors() = 0;
    virtual void PurgeReceive() = 0;
    virtual void PurgeTransmit() = 0;
};
