#include "device/saved_line_settings.h"

#include <linux/serial.h>
#include <sys/ioctl.h>

namespace {

// Sets or clears the low-latency flag; false when the driver does not know it (a
// pseudo-terminal, some USB adapters) or refuses the change.
bool SetLowLatency(int fd, bool on) {
    serial_struct serial{};
    if (::ioctl(fd, TIOCGSERIAL, &serial) != 0) return false;
    const bool wasOn = (serial.flags & ASYNC_LOW_LATENCY) != 0;
    if (wasOn == on) return false;
    serial.flags = on ? serial.flags | ASYNC_LOW_LATENCY : serial.flags & ~ASYNC_LOW_LATENCY;
    return ::ioctl(fd, TIOCSSERIAL, &serial) == 0;
}

}  // namespace

void SavedLineSettings::Take(int fd) {
    termios tio{};
    if (::tcgetattr(fd, &tio) == 0)
        m_termios = tio;
    else
        m_termios.reset();
    m_lowLatencyAdded = false;
}

void SavedLineSettings::EnableLowLatency(int fd) {
    // USB adapters otherwise hold a short answer back for up to 16 ms.
    if (SetLowLatency(fd, true)) m_lowLatencyAdded = true;
}

void SavedLineSettings::Restore(int fd) {
    if (m_lowLatencyAdded) SetLowLatency(fd, false);
    if (m_termios) ::tcsetattr(fd, TCSANOW, &*m_termios);
    m_termios.reset();
    m_lowLatencyAdded = false;
}
