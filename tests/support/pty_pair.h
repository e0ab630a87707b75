#pragma once
// A pseudo-terminal whose master side a test drives by hand, byte for byte.

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

class PtyPair {
public:
    PtyPair() {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
            throw std::runtime_error("no pseudo-terminal");
        m_slavePath = ::ptsname(m_master);
        // Raw mode before anyone writes, or the line discipline echoes the program's bytes.
        m_slave = ::open(m_slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios tio{};
        ::tcgetattr(m_slave, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(m_slave, TCSANOW, &tio);
    }
    ~PtyPair() {
        if (m_slave >= 0) ::close(m_slave);
        if (m_master >= 0) ::close(m_master);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& SlavePath() const { return m_slavePath; }

    void Send(const std::vector<uint8_t>& bytes) {
        if (::write(m_master, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
            throw std::runtime_error("pty write failed");
    }

    // Sends bytes and returns once they wait in the slave's input queue, where the program's next
    // read or purge is sure to meet them.
    void SendQueued(const std::vector<uint8_t>& bytes) {
        int before = 0;
        ::ioctl(m_slave, FIONREAD, &before);
        Send(bytes);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        for (int n = before; n < before + static_cast<int>(bytes.size());) {
            if (std::chrono::steady_clock::now() > deadline)
                throw std::runtime_error("bytes never reached the slave");
            std::this_thread::yield();
            ::ioctl(m_slave, FIONREAD, &n);
        }
    }

    // Whatever the program wrote within `waitMs` (stops early once `atLeast` bytes are in).
    std::vector<uint8_t> Receive(size_t atLeast = 1, int waitMs = 500) {
        std::vector<uint8_t> bytes;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
        while (bytes.size() < atLeast) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            deadline - std::chrono::steady_clock::now())
                            .count();
            pollfd p{m_master, POLLIN, 0};
            if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0) break;
            uint8_t buf[512];
            ssize_t n = ::read(m_master, buf, sizeof buf);
            if (n <= 0) break;
            bytes.insert(bytes.end(), buf, buf + n);
        }
        return bytes;
    }

    // A descriptor of the slave side, for tests that set up the line before the program opens it.
    int SlaveFd() const { return m_slave; }

    // The line settings the program put on the slave.
    termios SlaveSettings() const {
        termios tio{};
        ::tcgetattr(m_master, &tio);
        return tio;
    }

    void CloseMaster() {
        ::close(m_master);
        m_master = -1;
    }

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_slavePath;
};
