#include "device/device_link.h"

#include "device/baud_rate.h"
#include "device/device_exceptions.h"

DeviceLink::DeviceLink(const std::string& portName, int speedIndex, uint32_t timeoutMs) {
    const uint8_t index = speedIndex >= 0 && speedIndex <= kMaxBaudIndex
                              ? static_cast<uint8_t>(speedIndex)
                              : kFallbackBaudIndex;
    if (!m_port.Open(portName, BaudIndexToRate(index), timeoutMs))
        throw com_port_exception::FromErrno(m_port.LastError());
    m_protocol.Attach(&m_port);
}
