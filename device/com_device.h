#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "device/basic_device.h"
#include "device/port_lock.h"
#include "device/saved_line_settings.h"

// A serial port as a byte channel (POSIX termios). Opened exclusively, 8-N-1 without handshake,
// DTR and RTS off. Every Read or Write call finishes within the time-out in total or throws.
// While open, the port carries our lock file; closing puts its line settings back as found.
class CComDevice : public CBasicDevice {
public:
    CComDevice() = default;
    ~CComDevice() override;
    CComDevice(const CComDevice&) = delete;
    CComDevice& operator=(const CComDevice&) = delete;

    // Opens and configures the port; closes a port held before, even when the new open fails.
    // A name without '/' is taken under /dev/. Only terminal devices are opened. A port that
    // another program has locked or (as far as /proc shows) open is left alone: EBUSY. On
    // false, LastError() holds the errno that tells why.
    bool Open(const std::string& portName, uint32_t baudRate, uint32_t timeoutMs);
    int LastError() const { return m_lastError; }

    uint32_t GetBaudRate() const;
    void SetBaudRate(uint32_t baudRate);
    uint32_t GetTimeout() const { return m_timeoutMs; }
    void SetTimeout(uint32_t timeoutMs) { m_timeoutMs = timeoutMs; }

    bool IsOpen() const override { return m_fd >= 0; }
    void Write(const uint8_t* data, uint32_t length) override;
    void WriteByte(uint8_t value) override;
    void Read(uint8_t* buffer, uint32_t length) override;
    uint8_t ReadByte() override;
    void ClearErrors() override;
    void PurgeReceive() override;
    void PurgeTransmit() override;

private:
    void Close();
    bool OpenTerminal(const std::string& path);
    bool Fail(int error);
    void Configure(uint32_t baudRate, uint32_t timeoutMs);
    void Flush(int queue);
    void AccountWireTime(uint32_t bytes);

    int m_fd = -1;
    PortLock m_lock;
    SavedLineSettings m_savedLine;
    int m_lastError = 0;
    uint32_t m_timeoutMs = 0;
    // When the last bytes written will have left the line. The kernel takes a write at once, but
    // at 2400 bit/s a long request needs over a second on the wire: an answer's time-out starts
    // only then, and a purge must not cut the request short.
    std::chrono::steady_clock::time_point m_lineFreeAt{};
};
