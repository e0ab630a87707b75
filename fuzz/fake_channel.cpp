#include "fuzz/fake_channel.h"

#include <algorithm>

#include "device/device_exceptions.h"

namespace {

[[noreturn]] void TimeOut() { throw CDeviceException(CDeviceException::Reason::TimedOut); }

}  // namespace

void PlaybackChannel::Write(const uint8_t* data, uint32_t length) {
    m_written.insert(m_written.end(), data, data + length);
}

void PlaybackChannel::Read(uint8_t* buffer, uint32_t length) {
    if (length > m_size - m_pos) TimeOut();
    std::copy(m_data + m_pos, m_data + m_pos + length, buffer);
    m_pos += length;
}

uint8_t PlaybackChannel::ReadByte() {
    uint8_t value;
    Read(&value, 1);
    return value;
}

void DeviceChannel::Write(const uint8_t* data, uint32_t length) {
    for (uint32_t i = 0; i < length; ++i) {
        auto frame = m_parser.Feed(data[i], 0, 0);
        if (!frame || !frame->checkOk) continue;
        if (auto answer = m_responder(frame->payload)) {
            const ByteVector bytes = scanner_sim::BuildFrame(*answer);
            m_pending.insert(m_pending.end(), bytes.begin(), bytes.end());
        }
    }
}

void DeviceChannel::Read(uint8_t* buffer, uint32_t length) {
    if (length > m_pending.size()) TimeOut();
    std::copy_n(m_pending.begin(), length, buffer);
    m_pending.erase(m_pending.begin(), m_pending.begin() + length);
}

uint8_t DeviceChannel::ReadByte() {
    uint8_t value;
    Read(&value, 1);
    return value;
}
