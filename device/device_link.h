#pragma once
// An open serial port with the packet protocol attached: the one way every device action of the
// program reaches a device. The port is closed when the link goes.

#include <cstdint>
#include <string>

#include "device/com_device.h"
#include "device/connection_settings.h"
#include "device/packet_protocol.h"

class DeviceLink {
public:
    // Opens `portName` at the speed of `speedIndex`; an index outside the table (-1 for none
    // chosen, a stray stored value) gives 9600 bit/s. Throws com_port_exception with the
    // reason's text when the port cannot be opened.
    DeviceLink(const std::string& portName, int speedIndex, uint32_t timeoutMs);
    explicit DeviceLink(const ConnectionSettings& settings)
        : DeviceLink(settings.portName, settings.speedIndex,
                     static_cast<uint32_t>(settings.timeoutMs)) {}
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    CComDevice& Port() { return m_port; }
    CDeviceProtocol& Protocol() { return m_protocol; }

private:
    CComDevice m_port;
    CDeviceProtocol m_protocol;
};
