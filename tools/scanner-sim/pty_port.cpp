#include "tools/scanner-sim/pty_port.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

namespace scanner_sim {
namespace {

[[noreturn]] void ThrowErrno(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

uint32_t RateOfSpeed(speed_t speed) {
    switch (speed) {
        case B1200: return 1200;
        case B2400: return 2400;
        case B4800: return 4800;
        case B9600: return 9600;
        case B19200: return 19200;
        case B38400: return 38400;
        case B57600: return 57600;
        case B115200: return 115200;
        case B230400: return 230400;
        default: return 0;
    }
}

}  // namespace

PtyPort::PtyPort() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0) ThrowErrno("posix_openpt");
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    char name[128];
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
        ::ptsname_r(master_, name, sizeof name) != 0) {
        int error = errno;
        Close();
        errno = error;
        ThrowErrno("pseudo-terminal set-up");
    }
    slavePath_ = name;
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0) {
        int error = errno;
        Close();
        errno = error;
        ThrowErrno("open slave");
    }
    // Raw at once: otherwise the line discipline echoes what the program writes before the
    // program has configured the port. 9600 bit/s until the program sets its own speed.
    termios tio{};
    ::tcgetattr(slave_, &tio);
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    ::cfsetspeed(&tio, B9600);
    ::tcsetattr(slave_, TCSANOW, &tio);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
}

PtyPort::~PtyPort() { Close(); }

void PtyPort::Close() {
    if (slave_ >= 0) ::close(slave_);
    if (master_ >= 0) ::close(master_);
    slave_ = master_ = -1;
}

bool PtyPort::Read(std::vector<uint8_t>& out, std::chrono::milliseconds timeout) {
    if (master_ < 0) return false;
    pollfd p{master_, POLLIN, 0};
    int n = ::poll(&p, 1, static_cast<int>(timeout.count()));
    if (n <= 0 || !(p.revents & POLLIN)) return true;
    uint8_t buffer[4096];
    ssize_t got = ::read(master_, buffer, sizeof buffer);
    if (got > 0) out.insert(out.end(), buffer, buffer + got);
    return true;
}

bool PtyPort::Write(const uint8_t* data, std::size_t size, std::chrono::milliseconds patience) {
    if (master_ < 0) return false;
    auto deadline = std::chrono::steady_clock::now() + patience;
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = ::write(master_, data + done, size - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) break;
        if (std::chrono::steady_clock::now() >= deadline) break;
        pollfd p{master_, POLLOUT, 0};
        ::poll(&p, 1, 5);
    }
    return done > 0 || size == 0;
}

uint32_t PtyPort::LineBaud() const {
    if (master_ < 0) return 0;
    // On a pseudo-terminal master this reports the slave's settings, i.e. the program's.
    termios tio{};
    if (::tcgetattr(master_, &tio) != 0) return 0;
    return RateOfSpeed(::cfgetospeed(&tio));
}

}  // namespace scanner_sim
