// Closing a port puts its line settings back as they were when it was opened.
#include <gtest/gtest.h>
#include <termios.h>

#include "device/com_device.h"
#include "tests/support/pty_pair.h"

namespace {

// Puts settings nothing of ours would choose on the line (7-O-2 with handshakes, canonical input
// and echo) and returns them as the line keeps them.
termios MakeUnusual(const PtyPair& pty) {
    termios tio = pty.SlaveSettings();
    tio.c_cflag = (tio.c_cflag & ~CSIZE) | CS7 | PARENB | PARODD | CSTOPB | CRTSCTS;
    tio.c_iflag |= IXON | IXOFF | ICRNL;
    tio.c_oflag |= OPOST | ONLCR;
    tio.c_lflag |= ECHO | ICANON | ISIG;
    tio.c_cc[VMIN] = 4;
    tio.c_cc[VTIME] = 7;
    ::cfsetspeed(&tio, B4800);
    ::tcsetattr(pty.SlaveFd(), TCSANOW, &tio);
    return pty.SlaveSettings();
}

void ExpectSettings(const termios& actual, const termios& expected) {
    EXPECT_EQ(actual.c_iflag, expected.c_iflag);
    EXPECT_EQ(actual.c_oflag, expected.c_oflag);
    EXPECT_EQ(actual.c_cflag, expected.c_cflag);
    EXPECT_EQ(actual.c_lflag, expected.c_lflag);
    EXPECT_EQ(actual.c_cc[VMIN], expected.c_cc[VMIN]);
    EXPECT_EQ(actual.c_cc[VTIME], expected.c_cc[VTIME]);
    EXPECT_EQ(::cfgetispeed(&actual), ::cfgetispeed(&expected));
    EXPECT_EQ(::cfgetospeed(&actual), ::cfgetospeed(&expected));
}

}  // namespace

TEST(SavedLineSettings, ClosingRestoresWhatOpeningFound) {
    PtyPair pty;
    const termios found = MakeUnusual(pty);
    {
        CComDevice device;
        ASSERT_TRUE(device.Open(pty.SlavePath(), 19200, 100));
        device.SetBaudRate(115200);  // a speed change while open is undone too
        const uint8_t byte = 0x55;
        device.Write(&byte, 1);
        const termios open = pty.SlaveSettings();
        EXPECT_EQ(::cfgetospeed(&open), static_cast<speed_t>(B115200));
    }
    ExpectSettings(pty.SlaveSettings(), found);
}

// Opening another port (or failing to) first lets the old one go in the state it was found.
TEST(SavedLineSettings, OpeningAnotherPortRestoresTheOldOne) {
    PtyPair first;
    PtyPair second;
    const termios found = MakeUnusual(first);
    ASSERT_EQ(MakeUnusual(second).c_cflag, found.c_cflag);
    CComDevice device;
    ASSERT_TRUE(device.Open(first.SlavePath(), 9600, 100));
    ASSERT_TRUE(device.Open(second.SlavePath(), 57600, 100));
    ExpectSettings(first.SlaveSettings(), found);
    EXPECT_FALSE(device.Open("/dev/veltor-no-such-port", 9600, 100));
    ExpectSettings(second.SlaveSettings(), found);
}
