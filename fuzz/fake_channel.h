#pragma once
// In-memory channels standing in for the serial port. Like the real one, every operation
// completes fully or throws CDeviceException; running out of bytes to read is its time-out.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "device/basic_device.h"
#include "tools/scanner-sim/frame_parser.h"

using ByteVector = std::vector<uint8_t>;

// Plays fixed bytes back to the reader and records what is written. Purging drops nothing, so
// every byte of the input reaches the protocol.
class PlaybackChannel : public CBasicDevice {
public:
    PlaybackChannel(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    const ByteVector& Written() const { return m_written; }
    size_t Consumed() const { return m_pos; }  // bytes handed to the reader so far

    bool IsOpen() const override { return true; }
    void Write(const uint8_t* data, uint32_t length) override;
    void WriteByte(uint8_t value) override { Write(&value, 1); }
    void Read(uint8_t* buffer, uint32_t length) override;
    uint8_t ReadByte() override;
    void ClearErrors() override {}
    void PurgeReceive() override {}
    void PurgeTransmit() override {}

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
    ByteVector m_written;
};

// A device at the other end: every request frame written is handed to the responder, whose
// answer payload goes back framed (nothing: the device stays silent). Purging the receive side
// drops answers not yet read, as on a real line.
class DeviceChannel : public CBasicDevice {
public:
    using Responder = std::function<std::optional<ByteVector>(const ByteVector& request)>;
    explicit DeviceChannel(Responder responder) : m_responder(std::move(responder)) {}

    bool IsOpen() const override { return true; }
    void Write(const uint8_t* data, uint32_t length) override;
    void WriteByte(uint8_t value) override { Write(&value, 1); }
    void Read(uint8_t* buffer, uint32_t length) override;
    uint8_t ReadByte() override;
    void ClearErrors() override {}
    void PurgeReceive() override { m_pending.clear(); }
    void PurgeTransmit() override {}

private:
    Responder m_responder;
    scanner_sim::FrameParser m_parser{1e9};  // no gaps on an in-memory line
    std::deque<uint8_t> m_pending;
};
