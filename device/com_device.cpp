#include "device/com_device.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <thread>
#include <vector>

#include "core/run_loop.h"
#include "device/baud_rate.h"
#include "device/deadline.h"
#include "device/device_exceptions.h"
#include "device/port_users.h"

namespace {

struct SpeedEntry {
    uint32_t rate;
    speed_t code;
};
constexpr SpeedEntry kSpeeds[] = {{2400, B2400},    {4800, B4800},   {9600, B9600},
                                  {19200, B19200},  {38400, B38400}, {57600, B57600},
                                  {115200, B115200}};

[[noreturn]] void ThrowIoError(int error) {
    throw CDeviceException(CDeviceException::Reason::IoError, error);
}

// A silent device may keep the only thread waiting for several seconds; the windows are looked
// after this often meanwhile.
constexpr int kWindowSliceMs = 40;

// Waits until `fd` is ready for `events`. Throws when the deadline passes, the port reports an
// error or a hang-up (it vanished), or poll itself fails.
void WaitReady(int fd, short events, const Deadline& deadline) {
    for (;;) {
        pollfd p{fd, events, 0};
        const int left = deadline.RemainingMs();
        const int n = ::poll(&p, 1, std::min(left, kWindowSliceMs));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ThrowIoError(errno);
        if (n == 0 && left > kWindowSliceMs) {
            ProcessWindowEvents();
            continue;
        }
        if (n == 0) throw CDeviceException(CDeviceException::Reason::TimedOut);
        if (p.revents & events) return;
        if (p.revents & POLLNVAL) ThrowIoError(EBADF);
        throw CDeviceException(CDeviceException::Reason::HungUp);  // POLLERR, POLLHUP
    }
}

// Moves exactly `length` bytes with `transfer` (read or write) before the deadline, waiting for
// `events` whenever the non-blocking descriptor has nothing to give or take.
template <typename Buffer, typename Transfer>
void MoveAll(int fd, Buffer* data, uint32_t length, short events, const Deadline& deadline,
             Transfer transfer) {
    uint32_t done = 0;
    while (done < length) {
        const ssize_t n = transfer(fd, data + done, length - done);
        if (n > 0) {
            done += static_cast<uint32_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            WaitReady(fd, events, deadline);
        } else if (n == 0) {
            throw CDeviceException(CDeviceException::Reason::HungUp);  // end of file: gone
        } else {
            ThrowIoError(errno);
        }
    }
}

}  // namespace

CComDevice::~CComDevice() { Close(); }

void CComDevice::Close() {
    if (m_fd < 0) return;
    // A change of speed would garble what is still leaving the line.
    std::this_thread::sleep_until(m_lineFreeAt);
    m_savedLine.Restore(m_fd);
    // The exclusive flag outlives this descriptor when someone else keeps the terminal open
    // (a simulator does); clear it so the next open of the same port works.
    ::ioctl(m_fd, TIOCNXCL);
    ::close(m_fd);  // also releases the flock
    m_fd = -1;
    m_lock.Release();
    m_lineFreeAt = {};
}

bool CComDevice::Open(const std::string& portName, uint32_t baudRate, uint32_t timeoutMs) {
    Close();
    if (portName.empty() || portName.find('\0') != std::string::npos) {
        m_lastError = EINVAL;
        return false;
    }
    std::string path = portName.find('/') == std::string::npos ? "/dev/" + portName : portName;
    if (path.size() >= PATH_MAX) {
        m_lastError = ENAMETOOLONG;
        return false;
    }
    if (!OpenTerminal(path)) return false;
    Configure(baudRate, timeoutMs);
    return true;
}

// Opens `path` only when it is a terminal device, exclusively. The settings file may name any
// path, so nothing else (a regular file, a directory, another device) is ever opened for writing.
// Another program's lock is honoured before the open, which raises an idle serial port's modem
// lines. Another process's open descriptor is looked for once the device has proved a terminal,
// before anything is set or sent; opening a port that is already open leaves its lines alone.
bool CComDevice::OpenTerminal(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return Fail(errno);
    if (!S_ISCHR(st.st_mode)) return Fail(ENOTTY);
    if (const int error = m_lock.Acquire(path); error != 0) return Fail(error);
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return Fail(errno);
    if (!::isatty(fd)) {
        ::close(fd);
        return Fail(ENOTTY);
    }
    if (PortOpenElsewhere(st.st_rdev)) {
        ::close(fd);
        return Fail(EBUSY);
    }
    // TIOCEXCL keeps other openers out; flock keeps out another copy running as root too.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno == EWOULDBLOCK ? EBUSY : errno;
        ::close(fd);
        return Fail(error);
    }
    ::ioctl(fd, TIOCEXCL);
    m_savedLine.Take(fd);
    m_fd = fd;
    m_lastError = 0;
    return true;
}

// Records why an open failed and gives up the lock taken for it.
bool CComDevice::Fail(int error) {
    m_lastError = error;
    m_lock.Release();
    return false;
}

void CComDevice::Configure(uint32_t baudRate, uint32_t timeoutMs) {
    SetBaudRate(baudRate);
    SetTimeout(timeoutMs);
    // USB adapters otherwise hold a short answer back for up to 16 ms.
    m_savedLine.EnableLowLatency(m_fd);
}

uint32_t CComDevice::GetBaudRate() const {
    termios tio{};
    if (m_fd < 0 || ::tcgetattr(m_fd, &tio) != 0) return 0;
    speed_t code = ::cfgetospeed(&tio);
    for (const auto& s : kSpeeds) {
        if (s.code == code) return s.rate;
    }
    return 0;
}

void CComDevice::SetBaudRate(uint32_t baudRate) {
    if (m_fd < 0) return;
    termios tio{};
    ::tcgetattr(m_fd, &tio);
    ::cfmakeraw(&tio);
    tio.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK | ISTRIP);
    tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    // With VMIN 0 an empty non-blocking read returns 0, which would look like a hang-up.
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    for (const auto& s : kSpeeds) {
        if (s.rate == baudRate) ::cfsetspeed(&tio, s.code);
    }
    ::tcsetattr(m_fd, TCSANOW, &tio);
    int lines = TIOCM_DTR | TIOCM_RTS;
    ::ioctl(m_fd, TIOCMBIC, &lines);  // fails on a pseudo-terminal; nothing to do then
}

void CComDevice::Write(const uint8_t* data, uint32_t length) {
    if (m_fd < 0) ThrowIoError(EBADF);
    MoveAll(m_fd, data, length, POLLOUT, Deadline(m_timeoutMs), ::write);
    AccountWireTime(length);
}

void CComDevice::AccountWireTime(uint32_t bytes) {
    const uint32_t rate = GetBaudRate();
    if (rate == 0) return;
    // Ten bits a byte: start, eight data bits, stop.
    const auto wire = std::chrono::microseconds(uint64_t{bytes} * 10'000'000 / rate);
    m_lineFreeAt = std::max(m_lineFreeAt, std::chrono::steady_clock::now()) +
                   std::chrono::duration_cast<std::chrono::steady_clock::duration>(wire);
}

void CComDevice::WriteByte(uint8_t value) { Write(&value, 1); }

// Reads exactly `length` bytes within one time-out. A short read delivers nothing: the bytes
// collect in a staging buffer and reach the caller only when all have arrived.
void CComDevice::Read(uint8_t* buffer, uint32_t length) {
    if (m_fd < 0) ThrowIoError(EBADF);
    const Deadline deadline(m_timeoutMs, std::max(Deadline::Clock::now(), m_lineFreeAt));
    uint8_t small[512];
    std::vector<uint8_t> large;
    uint8_t* staging = small;
    if (length > sizeof small) {
        large.resize(length);
        staging = large.data();
    }
    MoveAll(m_fd, staging, length, POLLIN, deadline, ::read);
    std::memcpy(buffer, staging, length);
    // An answer means the device has read what we sent: none of it is still on the line, whatever
    // the speed's reckoning says (a pseudo-terminal passes bytes at once).
    m_lineFreeAt = std::min(m_lineFreeAt, std::chrono::steady_clock::now());
}

uint8_t CComDevice::ReadByte() {
    uint8_t value = 0;
    Read(&value, 1);
    return value;
}

void CComDevice::ClearErrors() {
    // The line keeps no sticky error state here; there is nothing to clear.
    if (m_fd < 0) ThrowIoError(EBADF);
}

void CComDevice::PurgeReceive() { Flush(TCIFLUSH); }

void CComDevice::PurgeTransmit() {
    std::this_thread::sleep_until(m_lineFreeAt);  // what is still leaving is left alone
    Flush(TCOFLUSH);
}

void CComDevice::Flush(int queue) {
    if (m_fd < 0) ThrowIoError(EBADF);
    if (::tcflush(m_fd, queue) != 0) ThrowIoError(errno);
}
