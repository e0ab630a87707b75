// A port another process has open is busy, whether or not that process locked it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <functional>
#include <stdexcept>
#include <string>

#include "device/device_link.h"
#include "tests/support/failure_text.h"

namespace {

const std::string kBusy = "COM-порт занят другим приложением";

std::string OpenText(const std::string& device) {
    return FailureText([&] { DeviceLink link(device, 2, 100); });
}

// A pseudo-terminal of which this process holds only the master.
struct BarePty {
    BarePty() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
            throw std::runtime_error("no pseudo-terminal");
        slavePath = ::ptsname(master);
    }
    ~BarePty() { ::close(master); }
    BarePty(const BarePty&) = delete;
    BarePty& operator=(const BarePty&) = delete;

    termios Settings() const {
        termios tio{};
        ::tcgetattr(master, &tio);
        return tio;
    }

    int master = -1;
    std::string slavePath;
};

// A child process that keeps whatever `hold` opens until the holder goes. The child starts with
// this process's descriptors; `hold` closes those it must not keep.
class Holder {
public:
    explicit Holder(const std::function<bool()>& hold) {
        int ready[2];
        if (::pipe2(ready, O_CLOEXEC) != 0) throw std::runtime_error("no pipe");
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(ready[0]);
            if (!hold()) ::_exit(1);
            (void)::write(ready[1], "+", 1);
            for (;;) ::pause();
        }
        ::close(ready[1]);
        char answer = 0;
        const bool held = ::read(ready[0], &answer, 1) == 1;
        ::close(ready[0]);
        if (!held) {
            Stop();
            throw std::runtime_error("the holder could not open the port");
        }
    }
    ~Holder() { Stop(); }
    Holder(const Holder&) = delete;
    Holder& operator=(const Holder&) = delete;

    void Stop() {
        if (m_pid <= 0) return;
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
};

bool OpenSlave(const BarePty& pty, bool exclusive) {
    const int fd = ::open(pty.slavePath.c_str(), O_RDWR | O_NOCTTY);
    return fd >= 0 && (!exclusive || ::ioctl(fd, TIOCEXCL) == 0);
}

bool SameSettings(const termios& a, const termios& b) {
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
           a.c_lflag == b.c_lflag && ::cfgetospeed(&a) == ::cfgetospeed(&b);
}

}  // namespace

// As root, another program's exclusive hold does not stop the open itself; it must still count.
TEST(PortBusy, PortAnotherProcessHasOpenIsBusyAndLeftAlone) {
    for (const bool exclusive : {false, true}) {
        BarePty pty;
        const termios before = pty.Settings();
        {
            Holder holder([&] { return ::close(pty.master) == 0 && OpenSlave(pty, exclusive); });
            EXPECT_EQ(OpenText(pty.slavePath), kBusy) << "exclusive " << exclusive;
            EXPECT_TRUE(SameSettings(pty.Settings(), before)) << "the line was changed";
            char byte = 0;
            ::fcntl(pty.master, F_SETFL, O_NONBLOCK);
            EXPECT_EQ(::read(pty.master, &byte, 1), -1) << "something was sent";
        }
        // An exclusive flag outlives its holder while the master is open; only root gets past.
        if (!exclusive || ::geteuid() == 0) {
            EXPECT_EQ(OpenText(pty.slavePath), "no exception") << "free once the holder has gone";
        }
    }
}

TEST(PortBusy, OurOwnDescriptorsDoNotCount) {
    BarePty pty;
    const int ours = ::open(pty.slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(ours, 0);
    EXPECT_EQ(OpenText(pty.slavePath), "no exception");
    ::close(ours);
}

// A simulator holds the master and a slave descriptor: it is the device, not a competitor.
TEST(PortBusy, FarEndOfThePseudoTerminalIsNoOtherUser) {
    BarePty pty;
    Holder farEnd([&] { return OpenSlave(pty, false); });  // keeps the inherited master
    EXPECT_EQ(OpenText(pty.slavePath), "no exception");
}

TEST(PortBusy, MasterOfAnotherPseudoTerminalDoesNotExcuse) {
    BarePty pty;
    Holder holder([&] {
        return ::close(pty.master) == 0 && ::posix_openpt(O_RDWR | O_NOCTTY) >= 0 &&
               OpenSlave(pty, false);
    });
    EXPECT_EQ(OpenText(pty.slavePath), kBusy);
}
